// The map's bitmaps.
#include "model/draw/MapBitmaps.h"

namespace vell {

TMapBitmaps::TMapBitmaps()
    : PlanBitmap(PlanSize, PlanSize, QImage::Format_RGB32),
      OverviewBitmap(OverviewSize, OverviewSize, QImage::Format_RGB32) {
    PlanBitmap.fill(Qt::black);
    OverviewBitmap.fill(Qt::black);
}

} // namespace vell
