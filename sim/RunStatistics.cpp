// Counting a run's figures beside the world.
#include "sim/RunStatistics.h"

#include "model/RouteTable.h"
#include "model/Units.h"
#include "sim/Jams.h"
#include "sim/Speed.h"

#include <algorithm>

namespace vell {

TRunStatistics::TRunStatistics(TWorld& world) : World(world), Standstill(MaxVells, 0) {
    World.Events = this;
}

TRunStatistics::~TRunStatistics() {
    if (World.Events == this) World.Events = nullptr;
}

void TRunStatistics::StopServed(const TVell& tram) {
    TCounts& c = Of(tram);
    ++c.StopsServed;
    c.DeviationSum += tram.Deviation;
    c.WorstLate = std::max(c.WorstLate, -tram.Deviation);
}

void TRunStatistics::StopLeftUnserved(const TVell& tram) {
    ++Of(tram).StopsUnserved;
}
void TRunStatistics::Alighted(const TVell& tram, double passengers) {
    Of(tram).Alighted += passengers;
}
void TRunStatistics::Boarded(const TVell& tram, double passengers) {
    Of(tram).Boarded += passengers;
}

// Stopped (below 1 km/h) with the lead point neither on a stop rail nor on the route's first
// waypoint, where trams wait for their turn: the sign of a jam.
void TRunStatistics::Observe() {
    for (int k = 0; k < World.VellCount; ++k) {
        const TVell& tram = *World.VellTable[k];
        TCounts& c = Of(tram);
        if (tram.Accident) ++c.AccidentTicks;
        long long& stand = Standstill[std::size_t(tram.Number - 1)];
        stand = StandsStill(World, tram) ? stand + 1 : 0;
        c.LongestStandstill = std::max(c.LongestStandstill, stand);
    }
}

std::vector<TRouteStatistics> TRunStatistics::Routes() const {
    std::array<std::array<int, RouteColumns>, RouteRows> offRoute{};
    for (int k = 0; k < World.VellCount; ++k) {
        const TVell& tram = *World.VellTable[k];
        if (!tram.OnRoute) ++offRoute[tram.RouteRow][tram.RouteCol];
    }
    std::vector<TRouteStatistics> routes;
    for (auto [i, j] : RouteTableOrder()) {
        const TRouteRec& route = World.Map.Route(i, j);
        if (!route.InUse()) continue;
        const TCounts& c = Counts[i][j];
        TRouteStatistics s;
        s.Row = i;
        s.Col = j;
        s.Planned = route.TramCount;
        s.Dispatched = route.TramsStarted;
        s.InService = route.TramsInService;
        s.StopsServed = c.StopsServed;
        s.StopsUnserved = c.StopsUnserved;
        s.Boarded = c.Boarded;
        s.Alighted = c.Alighted;
        if (c.StopsServed > 0) s.MeanDeviationS = c.DeviationSum / c.StopsServed / TicksPerSecond;
        s.WorstLateS = c.WorstLate / TicksPerSecond;
        s.OffRoute = offRoute[i][j];
        s.AccidentTicks = c.AccidentTicks;
        s.LongestStandstillMin = c.LongestStandstill / TicksPerMinute;
        routes.push_back(s);
    }
    return routes;
}

} // namespace vell
