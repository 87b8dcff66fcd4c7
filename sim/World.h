// The world: every tram of every route of the map, the occupancy counters of the rail network
// and the stops' waiting passengers; set up, advanced one tick at a time and torn down.
#pragma once

#include "model/Map.h"
#include "model/Random.h"
#include "sim/RailTable.h"
#include "sim/Vell.h"
#include "sim/WorldEvents.h"

#include <array>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace vell {

constexpr int MaxVells = 1024;

// The world steps between two trams of a route: its interval in ticks.
std::int32_t IntervalTicks(const TRouteRec& route);

class TWorld {
  public:
    // The world runs the trams of `map` and draws from `random`; both outlive it.
    TWorld(TMap& map, TRandom& random) : Map(map), Random(random) {}
    ~TWorld() { StopWorld(); }
    TWorld(const TWorld&) = delete;
    TWorld& operator=(const TWorld&) = delete;

    TMap& Map;
    TRandom& Random;
    // Trams in slots 0..VellCount-1, none removed while the world runs.
    std::array<std::unique_ptr<TVell>, MaxVells> VellTable;
    int VellCount = 0;
    std::vector<std::uint16_t> Occupancy; // one counter per map object while the world runs
    TVell* PlayerTram = nullptr;          // not owned
    TWorldEvents* Events = nullptr;       // not owned; may be none

    // Prepares every route in play and the counters; no trams exist afterwards.
    void StartWorld();
    // Advances the world by one tick.
    void WorldStep();
    // Frees every tram and the counters.
    void StopWorld();
    // Sorts slots l..r of VellTable by Deviation, latest first.
    void SortVells(int l, int r);
    // Whether no car of tram k comes within 2.4 m of a car of another tram.
    bool CollisionFree(int k) const;
    // The slot of the first tram (in slot order) with a car within 2.4 m of a car of tram k;
    // -1 when there is none.
    int CollidingTram(int k) const;

    bool Running() const { return Started; }
    const TRailTable& Rails() const { return RailData; }
    // Whether the route slot may dispatch trams in this world: in play, laid so that its walk
    // closes, with one to three cars and an interval. Fixed when the world starts.
    bool CanDispatch(int row, int col) const { return RouteRuns[row][col].Dispatchable; }
    // Rails on one circuit of the route (0 for a route that cannot dispatch): bounds every walk
    // along it.
    int CircuitRails(int row, int col) const { return RouteRuns[row][col].CircuitRails; }

  private:
    struct TRouteRun {
        bool Dispatchable = false;
        int CircuitRails = 0;
    };

    void PrepareRoute(int row, int col);
    void Dispatch();
    void StepTrams();

    struct TSortKey {
        std::int32_t Deviation;
        std::uint16_t Slot;
    };
    void SortKeyRange(int l, int r);
    bool KeysAscending(int l, int r) const;
    void SortAscendingKeys(int l, int r);

    bool Started = false;
    TRailTable RailData;
    std::array<std::array<TRouteRun, RouteColumns>, RouteRows> RouteRuns{};
    std::vector<TSortKey> SortKeys;                  // SortVells' scratch
    std::vector<std::unique_ptr<TVell>> SortedTrams; // likewise
    std::vector<std::pair<int, int>> SortParts;      // likewise
};

} // namespace vell

// The trams' position operations, inline for the tram step; with the world, every user of a
// tram has them.
#include "sim/VellPositions.h"
