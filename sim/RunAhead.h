// Running the world ahead before a view opens, and picking the tram the views follow. Each
// run-ahead ends, reporting why, when it can no longer succeed.
#pragma once

#include "sim/World.h"

#include <cstdint>
#include <functional>
#include <optional>

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

// The one run-ahead, one world step at a time, so that a window that waits for it can keep
// answering the user between steps and stop early; PreRun and WaitForTram run it to its end.
// It ends when it has succeeded, or when it can no longer succeed.
class TRunAheadLoop {
  public:
    // Until `totalTrams` trams have been created (PreRun).
    static TRunAheadLoop AllTrams(TWorld& world, int totalTrams);
    // Until route slot [row][col] has a tram in service (WaitForTram).
    static TRunAheadLoop ForRoute(TWorld& world, int row, int col);

    // Before any step: an outcome when the loop cannot even begin, else nothing.
    std::optional<TRunAhead> Check() const;
    // One world step; the outcome once the loop has ended, else nothing.
    std::optional<TRunAhead> Step();

    std::int64_t Steps() const { return StepsRun; }

  private:
    TRunAheadLoop(TWorld& world, bool allTrams, int totalTrams, int row, int col)
        : World(world), AllTramsWanted(allTrams), TotalTrams(totalTrams), Row(row), Col(col) {}

    TWorld& World;
    bool AllTramsWanted;
    int TotalTrams;
    int Row, Col;
    std::int64_t StepsRun = 0;
    std::int64_t Waited = 0; // steps since the route's first tram was dispatched
};

// Runs world steps until `totalTrams` trams have been created (more than counted is as good);
// `progress` hears the count after every step (the game's caption "5/12").
TRunAhead PreRun(TWorld& world, int totalTrams,
                 const std::function<void(int vellCount)>& progress = {});
// Runs world steps until route slot [row][col] has a tram in service.
TRunAhead WaitForTram(TWorld& world, int row, int col);
// PlayerTram := the first tram in table order of route slot [row][col], or none; returns it.
TVell* FindPlayerTram(TWorld& world, int row, int col);

} // namespace vell
