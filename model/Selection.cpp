// Click selection on the plan view.
#include "Selection.h"

#include "Geometry.h"

namespace vell {

void SelectNearest(TMap& map, std::int16_t x, std::int16_t y) {
    const double px = double(x) + map.ViewX, py = double(y) + map.ViewY;
    double best = 25; // closer than 5 m
    TMapObject* nearest = nullptr;
    for (TMapObject& o : map.Objects) {
        // A drag that selects passes over selected objects, one that deselects over the rest.
        if (map.SelectMode == 2 && o.Selected()) continue;
        if (map.SelectMode == 3 && !o.Selected()) continue;
        const double d = PointSegmentDistSq(px, py, o.X1, o.Y1, o.X2, o.Y2);
        if (d < best) { // strict: on a tie the lower index stays
            best = d;
            nearest = &o;
        }
    }
    if (!nearest) return;
    if (map.SelectMode == 0) map.SelectMode = nearest->Selected() ? 3 : 2;
    nearest->SetSelected(map.SelectMode == 2);
}

} // namespace vell
