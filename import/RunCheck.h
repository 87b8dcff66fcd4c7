// Running an imported map's trams before the map is handed over, as VellSim's run does, to find
// the places where they wait for one another for good (deadlocks) or crash.
#pragma once

#include "import/Projection.h"
#include "model/Map.h"

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace vell::import {

// A deadlock or an accident seen in a run.
struct TRunTrouble {
    bool Accident = false;                  // else a deadlock
    std::vector<std::pair<int, int>> Slots; // the route slots of the trams in it, once each
    std::vector<int> TramsOfSlot;           // how many of its trams each slot has there
    std::vector<int> Rails;                 // the rails they wait for (or crashed on)
    double X = 0, Y = 0;                    // the middle of those rails, on the map
    double Minute = 0;                      // when it formed
    std::uint32_t Seed = 0;
};

// How the import checks a map: the runs it makes, each stopped at its first trouble.
struct TRunCheckPlan {
    std::vector<std::uint32_t> Seeds{1, 2};
    int Minutes = 120;
    // A map of many trams runs shorter, so that a run costs about the same on any map: its
    // minutes are at most TramMinutes over its planned trams, and at least LeastMinutes.
    int TramMinutes = 120 * 24;
    int LeastMinutes = 30;
};

// Runs `map` (which is not changed: the run works on a copy) with each seed in turn and returns
// the first deadlock or accident; none when every run stays clear.
std::optional<TRunTrouble> FindRunTrouble(const TMap& map, const TRunCheckPlan& plan);

} // namespace vell::import
