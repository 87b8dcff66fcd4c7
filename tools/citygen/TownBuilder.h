// Drawing the town: streets with their kerbs, blocks of buildings, parks, the river with its
// bridges and the railway on its embankment, all kept clear of the tram tracks.
#pragma once

#include "model/Map.h"
#include "tools/citygen/CityPlan.h"

#include <utility>
#include <vector>

namespace vell::citygen {

// Adds the town's objects to the map, stopping at plan.MaxObjects. Nothing comes within a few
// metres of the given centre lines of tracks, except the streets they run on.
void BuildTown(TMap& map, const TTownPlan& plan,
               const std::vector<std::pair<TPoint, TPoint>>& tracks);

} // namespace vell::citygen
