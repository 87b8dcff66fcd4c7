// Click selection on the plan view: the object nearest to the mouse, within 5 m.
#pragma once

#include "model/Map.h"

#include <cstdint>

namespace vell {

// Index of the object nearest to plan-view pixel (x, y), closer than 5 m, among the objects
// `accept` takes (all when null); -1 when there is none. On a tie the lower index wins.
int NearestObject(const TMap& map, std::int16_t x, std::int16_t y, TObjectFilter accept = nullptr);

// Selects or deselects the object nearest to plan-view pixel (x, y) by the map's SelectMode:
// 2 selects among unselected objects, 3 deselects among selected ones, and 0 (the first click of
// a drag) becomes 3 on a selected object and 2 otherwise.
void SelectNearest(TMap& map, std::int16_t x, std::int16_t y);

} // namespace vell
