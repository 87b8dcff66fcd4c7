// Lengths, angles, squared distances and colour packing over map segments.
#pragma once

#include "model/MapObject.h"

#include <cstdint>

namespace vell {

double Length(const TMapObject& o);
// Cosine of the angle between the directions of a and b.
double CosAngle(const TMapObject& a, const TMapObject& b);
// sin θ / (1 - cos θ) of the angle θ from a to b, signed like cross(a, b); 0 when parallel.
double HalfAngleCot(const TMapObject& a, const TMapObject& b);
// Direction products, exact in integers.
std::int64_t Dot(const TMapObject& a, const TMapObject& b);
std::int64_t Cross(const TMapObject& a, const TMapObject& b);

double DistSq(double x1, double y1, double x2, double y2);
double PointSegmentDistSq(double px, double py, double ax, double ay, double bx, double by);
// Squared distance of two segments; 0 when they cross.
double SegmentDistSq(double ax, double ay, double bx, double by, double cx, double cy, double dx,
                     double dy);
double SegmentDistSq(const TMapObject& a, const TMapObject& b);

// A 0x00BBGGRR colour.
constexpr std::uint32_t MakeColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return std::uint32_t(red) + std::uint32_t(green) * 256u + std::uint32_t(blue) * 65536u;
}

} // namespace vell
