// The imported circuits laid as the map's directed rails. Each track a route uses in one
// direction becomes a rail beside it, 1.5 m to the right of the way (3 m where trams use the
// same track both ways), so that the two directions of a line, 3.0-3.4 m apart in
// OpenStreetMap, lie at least 4 m apart and never count as near; where ways meet, the rails of
// one direction of travel share one end point, which makes the switches and merges. Routes
// whose direction ends where the other direction does not start get a turning loop there.
#pragma once

#include "import/Circuits.h"
#include "model/Map.h"

#include <string>
#include <vector>

namespace vell::import {

// Where a circuit's rails ended up.
struct TLaidCircuit {
    std::vector<int> Rails;     // the circuit in driving order, from the forward direction's start
    std::vector<int> StopRails; // the stops it passes, in driving order
    bool LoopAtEnd = false, LoopAtStart = false; // turning loops made for it
    bool Failed = false;
    std::string Why; // when Failed
};

struct TRailNetwork {
    std::vector<TLaidCircuit> Circuits; // by plan
    int Rails = 0, StopRails = 0, Loops = 0;
    int CrowdedLoops = 0; // loops that found no path 5 m clear of other track: trams may wait
    std::vector<TLeftOut> LeftOut; // stops that could not be placed, loops that found no room
    double TrackLength = 0;        // metres of rails
    // Metres of ways used in both directions (single track in OpenStreetMap), laid as double.
    double SingleTrackBothWays = 0;
};

// Default speed where OpenStreetMap gives none.
constexpr int DefaultTrackSpeed = 50; // km/h

// Appends the rails of every plan to `map` (which holds no rails yet).
TRailNetwork LayRails(TMap& map, const TTrackGraph& graph, const std::vector<TCircuitPlan>& plans);

} // namespace vell::import
