// The run-ahead loop, one step at a time.
#include "RunAheadLoop.h"

#include "Units.h"

namespace vell {

TRunAheadLoop TRunAheadLoop::AllTrams(TWorld& world, int totalTrams) {
    return TRunAheadLoop(world, true, totalTrams, 0, 0);
}

TRunAheadLoop TRunAheadLoop::ForRoute(TWorld& world, int row, int col) {
    return TRunAheadLoop(world, false, 0, row, col);
}

bool TRunAheadLoop::DispatchPending() const {
    // A countdown below 0 missed its moment while the table was full and never reaches 0 again.
    if (World.VellCount >= MaxVells) return false;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteRec& route = World.Map.Route(i, j);
            if (route.InUse() && World.CanDispatch(i, j) && route.TramsStarted < route.TramCount &&
                route.NextDispatch >= 0)
                return true;
        }
    return false;
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
        if (!DispatchPending())
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

} // namespace vell
