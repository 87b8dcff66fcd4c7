// Plane geometry of the import, in metres on the map's plane (X east, Y south): vectors,
// polylines measured along their length, and the shortest path of bounded curvature between two
// headings (a Dubins path), of which turning loops are made.
#pragma once

#include "import/Projection.h"

#include <cmath>
#include <vector>

namespace vell::import {

inline TPointM operator+(TPointM a, TPointM b) {
    return {a.X + b.X, a.Y + b.Y};
}
inline TPointM operator-(TPointM a, TPointM b) {
    return {a.X - b.X, a.Y - b.Y};
}
inline TPointM operator*(double k, TPointM a) {
    return {k * a.X, k * a.Y};
}
inline double Dot(TPointM a, TPointM b) {
    return a.X * b.X + a.Y * b.Y;
}
inline double Cross(TPointM a, TPointM b) {
    return a.X * b.Y - a.Y * b.X;
}
inline double Norm(TPointM a) {
    return std::hypot(a.X, a.Y);
}
inline TPointM Unit(TPointM a) {
    const double n = Norm(a);
    return n > 0 ? TPointM{a.X / n, a.Y / n} : TPointM{1, 0};
}
// The right-hand side of a direction on the map's plane, where Y grows southwards.
inline TPointM RightOf(TPointM u) {
    return {-u.Y, u.X};
}

// Distance from p to the segment a-b.
double SegmentDistance(TPointM p, TPointM a, TPointM b);

// A polyline with the distance along it to each point.
class TPolyline {
  public:
    TPolyline() = default;
    explicit TPolyline(std::vector<TPointM> points);
    const std::vector<TPointM>& Points() const { return Line; }
    const std::vector<double>& Along() const { return Distances; }
    double Length() const { return Distances.empty() ? 0 : Distances.back(); }
    // The point at distance s along the line (clamped to its ends).
    TPointM At(double s) const;
    // The largest distance of the line between s0 and s1 from the chord between their points.
    double Deviation(double s0, double s1) const;

  private:
    std::vector<TPointM> Line;
    std::vector<double> Distances;
};

// The shortest paths from one pose to another turning with radius `radius` at the least, each
// as points about a metre apart; the shortest first. A pose is a point and a unit heading.
std::vector<std::vector<TPointM>> DubinsPaths(TPointM from, TPointM fromHeading, TPointM to,
                                              TPointM toHeading, double radius);

} // namespace vell::import
