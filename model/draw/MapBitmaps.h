// The two off-screen bitmaps of the map that the windows copy onto their paint boxes.
#pragma once

#include <QImage>

namespace vell {

constexpr int PlanSize = 600;     // the plan view: 600 x 600 pixels, one per metre
constexpr int OverviewSize = 200; // the whole 10 km map at 0.02 pixel per metre

struct TMapBitmaps {
    TMapBitmaps(); // both black
    QImage PlanBitmap;
    QImage OverviewBitmap;
};

} // namespace vell
