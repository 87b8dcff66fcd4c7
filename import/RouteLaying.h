// A circuit's rails given to a route slot as waypoints that the map's own route laying (the
// fewest rails from each waypoint to the next) follows rail for rail.
#pragma once

#include "model/Map.h"

#include <string>
#include <vector>

namespace vell::import {

struct TRouteLaid {
    bool Ok = false;
    std::string Why; // when not Ok (Russian, for the report)
    int Waypoints = 0;
};

// Sets slot [row][column] of `map` to run `circuit` (rails in driving order, closing back to the
// first), with the fewest waypoints the greedy choice finds, at most 31, and lays and checks it.
// The map's network must be built and sound. A route that cannot be held so is left empty.
TRouteLaid SetRouteToCircuit(TMap& map, int row, int column, const std::vector<int>& circuit,
                             int cars, int intervalMinutes);

} // namespace vell::import
