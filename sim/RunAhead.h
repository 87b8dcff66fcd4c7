// Running the world ahead before a view opens, and picking the tram the views follow. Each
// run-ahead ends, reporting why, when it can no longer succeed.
#pragma once

#include "World.h"

#include <functional>

namespace vell {

enum class TRunAhead {
    Ready,        // done: every planned tram is out, or the route has a tram in service
    NoWorld,      // the world was not started
    NoNetwork,    // the map was never selected, or its network check failed
    NoRoute,      // the chosen slot holds no route in play
    RouteIdle,    // a route that is counted runs no trams (its walk does not close, ...)
    TableFull,    // the tram table filled before every tram was dispatched
    NeverEntered, // the route's first tram could not enter the track in the time allowed
};

// How long a dispatched first tram may wait at its route start before WaitForTram gives up.
constexpr double EntryPatienceMinutes = 60;

// Runs world steps until `totalTrams` trams have been created; `progress` hears the count
// after every step (the game's caption "5/12").
TRunAhead PreRun(TWorld& world, int totalTrams,
                 const std::function<void(int vellCount)>& progress = {});
// Runs world steps until route slot [row][col] has a tram in service.
TRunAhead WaitForTram(TWorld& world, int row, int col);
// PlayerTram := the first tram in table order of route slot [row][col], or none; returns it.
TVell* FindPlayerTram(TWorld& world, int row, int col);

} // namespace vell
