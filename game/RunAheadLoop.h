// Running the world ahead one step at a time, so that the window that waits for it can keep
// answering the user between steps and stop early. The loop ends as the simulation's PreRun and
// WaitForTram do: when it has succeeded, or when it can no longer succeed.
#pragma once

#include "RunAhead.h"
#include "World.h"

#include <cstdint>
#include <optional>

namespace vell {

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
    bool DispatchPending() const;

    TWorld& World;
    bool AllTramsWanted;
    int TotalTrams;
    int Row, Col;
    std::int64_t StepsRun = 0;
    std::int64_t Waited = 0; // steps since the route's first tram was dispatched
};

} // namespace vell
