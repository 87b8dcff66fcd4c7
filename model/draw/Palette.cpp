// Pens of the map drawings.
#include "model/draw/Palette.h"

namespace vell {

QPen MapPen(std::uint32_t bgr, int width, Qt::PenStyle style) {
    QPen pen(ToQColor(bgr));
    pen.setWidth(width);
    pen.setStyle(style);
    pen.setCapStyle(width <= 1 ? Qt::FlatCap : Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace vell
