// Running the world ahead of a top-view run or a game.
#include "RunAhead.h"

#include "Units.h"

namespace vell {

namespace {

// Whether some route may still dispatch a tram: a countdown below 0 has missed its moment
// because the table was full, and will not reach 0 again.
bool DispatchPending(const TWorld& world) {
    if (world.VellCount >= MaxVells) return false;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteRec& route = world.Map.Route(i, j);
            if (route.InUse() && world.CanDispatch(i, j) &&
                route.TramsStarted < route.TramCount && route.NextDispatch >= 0)
                return true;
        }
    return false;
}

TRunAhead CheckWorld(const TWorld& world) {
    if (!world.Running()) return TRunAhead::NoWorld;
    if (!world.Map.NetworkOk) return TRunAhead::NoNetwork;
    return TRunAhead::Ready;
}

} // namespace

TRunAhead PreRun(TWorld& world, int totalTrams, const std::function<void(int)>& progress) {
    if (TRunAhead state = CheckWorld(world); state != TRunAhead::Ready) return state;
    do {
        world.WorldStep();
        if (progress) progress(world.VellCount);
        if (world.VellCount != totalTrams && !DispatchPending(world))
            return world.VellCount >= MaxVells ? TRunAhead::TableFull : TRunAhead::RouteIdle;
    } while (world.VellCount != totalTrams);
    return TRunAhead::Ready;
}

TRunAhead WaitForTram(TWorld& world, int row, int col) {
    if (TRunAhead state = CheckWorld(world); state != TRunAhead::Ready) return state;
    if (row < 0 || row >= RouteRows || col < 0 || col >= RouteColumns) return TRunAhead::NoRoute;
    const TRouteRec& route = world.Map.Route(row, col);
    if (!route.InUse()) return TRunAhead::NoRoute;
    if (!world.CanDispatch(row, col) || route.TramCount <= 0) return TRunAhead::RouteIdle;
    const auto patience = RoundHalfEven(EntryPatienceMinutes * TicksPerMinute);
    long long waited = 0; // steps since the route's first tram was dispatched
    do {
        world.WorldStep();
        if (route.TramsStarted == 0) {
            if (world.VellCount >= MaxVells || route.NextDispatch < 0) return TRunAhead::TableFull;
        } else if (++waited > patience && route.TramsInService < 1) {
            return TRunAhead::NeverEntered;
        }
    } while (route.TramsInService < 1);
    return TRunAhead::Ready;
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
