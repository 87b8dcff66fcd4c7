// Click selection on the plan view.
#include "model/Selection.h"

#include "model/Geometry.h"

namespace vell {

int NearestObject(const TMap& map, std::int16_t x, std::int16_t y, TObjectFilter accept) {
    const double px = double(x) + map.ViewX, py = double(y) + map.ViewY;
    double best = 25; // closer than 5 m
    int nearest = -1;
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (accept && !accept(o)) continue;
        const double d = PointSegmentDistSq(px, py, o.X1, o.Y1, o.X2, o.Y2);
        if (d < best) { // strict: on a tie the lower index stays
            best = d;
            nearest = i;
        }
    }
    return nearest;
}

void SelectNearest(TMap& map, std::int16_t x, std::int16_t y) {
    // A drag that selects passes over selected objects, one that deselects over the rest.
    TObjectFilter accept = nullptr;
    if (map.SelectMode == 2) accept = [](const TMapObject& o) { return !o.Selected(); };
    if (map.SelectMode == 3) accept = [](const TMapObject& o) { return o.Selected(); };
    const int nearest = NearestObject(map, x, y, accept);
    if (nearest < 0) return;
    TMapObject& o = map.Objects[nearest];
    if (map.SelectMode == 0) map.SelectMode = o.Selected() ? 3 : 2;
    o.SetSelected(map.SelectMode == 2);
}

} // namespace vell
