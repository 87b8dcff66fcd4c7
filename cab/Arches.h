// The free ends of the map's arches, for the cab view's 3D scene.
#pragma once

#include "model/Map.h"

namespace vell {

// Marks on every arch which ends stand free: StartGrab when no wall or high wall has an end
// point exactly at the arch's start, EndGrab likewise for its end. Other kinds (arches, borders,
// rails) do not hold an arch up. The game never saves the map, so the editor's use of the two
// bits does not meet this one.
void PrepareArches(TMap& map);

} // namespace vell
