// Per-route figures of a run of the world, counted beside it: served and skipped stops,
// passengers, timetable deviations, trams off their route, accidents and standstills.
#pragma once

#include "sim/World.h"
#include "sim/WorldEvents.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace vell {

struct TWorldSaveAccess;

struct TRouteStatistics {
    int Row = 0, Col = 0;
    int Planned = 0;    // TramCount
    int Dispatched = 0; // TramsStarted
    int InService = 0;  // TramsInService
    long long StopsServed = 0;
    long long StopsUnserved = 0; // left by the lead point without being served
    double Boarded = 0;
    double Alighted = 0;
    std::optional<double> MeanDeviationS; // Deviation at served stops: positive early
    double WorstLateS = 0;                // the largest lateness at a served stop
    int OffRoute = 0;                     // trams that have left their route
    long long AccidentTicks = 0;          // tram ticks with Accident set
    double LongestStandstillMin = 0;      // the longest stand of one tram (see Observe)
};

class TRunStatistics : public TWorldEvents {
  public:
    // Watches `world` from now on: hooks itself into the world's events.
    explicit TRunStatistics(TWorld& world);
    ~TRunStatistics() override;
    TRunStatistics(const TRunStatistics&) = delete;
    TRunStatistics& operator=(const TRunStatistics&) = delete;

    // Looks at every tram after a world step.
    void Observe();
    // Figures of every route in play, in the route table's order.
    std::vector<TRouteStatistics> Routes() const;

    void StopServed(const TVell& tram) override;
    void StopLeftUnserved(const TVell& tram) override;
    void Alighted(const TVell& tram, double passengers) override;
    void Boarded(const TVell& tram, double passengers) override;

  private:
    friend struct TWorldSaveAccess; // the world save reads and restores the private state
    struct TCounts {
        long long StopsServed = 0, StopsUnserved = 0, AccidentTicks = 0;
        double Boarded = 0, Alighted = 0, DeviationSum = 0;
        std::int32_t WorstLate = 0;
        long long LongestStandstill = 0; // ticks
    };
    TCounts& Of(const TVell& tram) { return Counts[tram.RouteRow][tram.RouteCol]; }

    TWorld& World;
    std::array<std::array<TCounts, RouteColumns>, RouteRows> Counts{};
    std::vector<long long> Standstill; // current stand of each tram, by Number - 1
};

} // namespace vell
