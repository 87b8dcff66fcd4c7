// Running the world ahead of a top-view run or a game.
#include "sim/RunAhead.h"

#include "model/Units.h"

namespace vell {

namespace {

// Whether some route may still dispatch a tram: a countdown below 0 has missed its moment
// because the table was full, and will not reach 0 again.
bool DispatchPending(const TWorld& world) {
    if (world.VellCount >= MaxVells) return false;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteRec& route = world.Map.Route(i, j);
            if (route.InUse() && world.CanDispatch(i, j) && route.TramsStarted < route.TramCount &&
                route.NextDispatch >= 0)
                return true;
        }
    return false;
}

} // namespace

TRunAheadLoop TRunAheadLoop::AllTrams(TWorld& world, int totalTrams) {
    return TRunAheadLoop(world, true, totalTrams, 0, 0);
}

TRunAheadLoop TRunAheadLoop::ForRoute(TWorld& world, int row, int col) {
    return TRunAheadLoop(world, false, 0, row, col);
}

std::optional<TRunAhead> TRunAheadLoop::Check() const {
    if (!World.Running()) return TRunAhead::NoWorld;
    if (!World.Map.NetworkOk) return TRunAhead::NoNetwork;
    if (AllTramsWanted) return std::nullopt;
    if (Row < 0 || Row >= RouteRows || Col < 0 || Col >= RouteColumns) return TRunAhead::NoRoute;
    const TRouteRec& route = World.Map.Route(Row, Col);
    if (!route.InUse()) return TRunAhead::NoRoute;
    if (!World.CanDispatch(Row, Col) || route.TramCount <= 0) return TRunAhead::RouteIdle;
    return std::nullopt;
}

std::optional<TRunAhead> TRunAheadLoop::Step() {
    if (auto state = Check()) return state;
    World.WorldStep();
    ++StepsRun;
    if (AllTramsWanted) {
        // More trams than counted can only come from routes outside the table: nothing to wait for.
        if (World.VellCount >= TotalTrams) return TRunAhead::Ready;
        if (!DispatchPending(World))
            return World.VellCount >= MaxVells ? TRunAhead::TableFull : TRunAhead::RouteIdle;
        return std::nullopt;
    }
    const TRouteRec& route = World.Map.Route(Row, Col);
    if (route.TramsInService >= 1) return TRunAhead::Ready;
    if (route.TramsStarted == 0) {
        if (World.VellCount >= MaxVells || route.NextDispatch < 0) return TRunAhead::TableFull;
    } else if (++Waited > RoundHalfEven(EntryPatienceMinutes * TicksPerMinute)) {
        return TRunAhead::NeverEntered;
    }
    return std::nullopt;
}

TRunAhead PreRun(TWorld& world, int totalTrams, const std::function<void(int)>& progress) {
    TRunAheadLoop loop = TRunAheadLoop::AllTrams(world, totalTrams);
    std::optional<TRunAhead> outcome = loop.Check();
    while (!outcome) {
        outcome = loop.Step();
        if (progress) progress(world.VellCount);
    }
    return *outcome;
}

TRunAhead WaitForTram(TWorld& world, int row, int col) {
    TRunAheadLoop loop = TRunAheadLoop::ForRoute(world, row, col);
    std::optional<TRunAhead> outcome = loop.Check();
    while (!outcome)
        outcome = loop.Step();
    return *outcome;
}

TVell* FindPlayerTram(TWorld& world, int row, int col) {
    world.PlayerTram = nullptr;
    for (int k = 0; k < world.VellCount; ++k) {
        TVell& tram = *world.VellTable[k];
        if (tram.RouteRow == row && tram.RouteCol == col) {
            world.PlayerTram = &tram;
            break;
        }
    }
    return world.PlayerTram;
}

} // namespace vell
