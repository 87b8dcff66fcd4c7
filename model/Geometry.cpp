// Geometry of map segments.
#include "model/Geometry.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {
std::int64_t Dx(const TMapObject& o) {
    return std::int64_t(o.X2) - o.X1;
}
std::int64_t Dy(const TMapObject& o) {
    return std::int64_t(o.Y2) - o.Y1;
}
} // namespace

double Length(const TMapObject& o) {
    return std::sqrt(double(Dx(o) * Dx(o) + Dy(o) * Dy(o)));
}

std::int64_t Dot(const TMapObject& a, const TMapObject& b) {
    return Dx(a) * Dx(b) + Dy(a) * Dy(b);
}

std::int64_t Cross(const TMapObject& a, const TMapObject& b) {
    return Dx(a) * Dy(b) - Dy(a) * Dx(b);
}

double CosAngle(const TMapObject& a, const TMapObject& b) {
    return double(Dot(a, b)) / (Length(a) * Length(b));
}

double HalfAngleCot(const TMapObject& a, const TMapObject& b) {
    const std::int64_t cross = Cross(a, b);
    if (cross == 0) return 0;
    return double(cross) / (Length(a) * Length(b) - double(Dot(a, b)));
}

double DistSq(double x1, double y1, double x2, double y2) {
    return (x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2);
}

double PointSegmentDistSq(double px, double py, double ax, double ay, double bx, double by) {
    if ((px - ax) * (bx - ax) + (py - ay) * (by - ay) <= 0) return DistSq(px, py, ax, ay);
    if ((px - bx) * (ax - bx) + (py - by) * (ay - by) <= 0) return DistSq(px, py, bx, by);
    const double cross = (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    return cross * cross / DistSq(ax, ay, bx, by);
}

double SegmentDistSq(double ax, double ay, double bx, double by, double cx, double cy, double dx,
                     double dy) {
    auto side = [](double x1, double y1, double x2, double y2, double px, double py) {
        return (x2 - x1) * (py - y1) - (y2 - y1) * (px - x1);
    };
    const double c = side(ax, ay, bx, by, cx, cy), d = side(ax, ay, bx, by, dx, dy);
    const double a = side(cx, cy, dx, dy, ax, ay), b = side(cx, cy, dx, dy, bx, by);
    if (((c > 0 && d < 0) || (c < 0 && d > 0)) && ((a > 0 && b < 0) || (a < 0 && b > 0))) return 0;
    return std::min(
        {PointSegmentDistSq(ax, ay, cx, cy, dx, dy), PointSegmentDistSq(bx, by, cx, cy, dx, dy),
         PointSegmentDistSq(cx, cy, ax, ay, bx, by), PointSegmentDistSq(dx, dy, ax, ay, bx, by)});
}

double SegmentDistSq(const TMapObject& a, const TMapObject& b) {
    return SegmentDistSq(a.X1, a.Y1, a.X2, a.Y2, b.X1, b.Y1, b.X2, b.Y2);
}

} // namespace vell
