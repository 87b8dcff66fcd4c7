// The geometry the city's steps share: projecting, simplifying, rounding to whole metres, and
// clipping a segment to the valid map and away from the rails.
#include "import/CityParts.h"

#include "import/PlaneGeometry.h"
#include "model/Units.h"

#include <algorithm>
#include <cmath>

namespace vell::import {

namespace {

constexpr double MapLow = 0, MapHigh = 9999;
// Rounding an end to whole metres moves it by up to half a diagonal of a metre: pieces are cut
// this much wider, so that once rounded they still keep their clearance.
constexpr double RoundingMargin = 0.75;

// Cuts a-b to the valid map (Liang and Barsky's clipping); false when nothing of it is inside.
bool ClipToMap(TPointM& a, TPointM& b) {
    const TPointM d = b - a;
    double t0 = 0, t1 = 1;
    const double p[4] = {-d.X, d.X, -d.Y, d.Y};
    const double q[4] = {a.X - MapLow, MapHigh - a.X, a.Y - MapLow, MapHigh - a.Y};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
    }
    if (t0 > t1) return false;
    const TPointM from = a;
    a = from + t0 * d;
    b = from + t1 * d;
    return true;
}

void SimplifyBetween(const std::vector<TPointM>& points, std::size_t first, std::size_t last,
                     double tolerance, std::vector<bool>& keep) {
    // A stack rather than recursion: an outline may have thousands of points.
    std::vector<std::pair<std::size_t, std::size_t>> spans{{first, last}};
    while (!spans.empty()) {
        const auto [from, to] = spans.back();
        spans.pop_back();
        double worst = 0;
        std::size_t farthest = from;
        for (std::size_t k = from + 1; k < to; ++k) {
            const double d = SegmentDistance(points[k], points[from], points[to]);
            if (d > worst) worst = d, farthest = k;
        }
        if (worst <= tolerance) continue;
        keep[farthest] = true;
        spans.emplace_back(from, farthest);
        spans.emplace_back(farthest, to);
    }
}

} // namespace

TSegmentGrid RailGrid(const TMap& map) {
    TSegmentGrid rails;
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (o.IsRail()) rails.Add({double(o.X1), double(o.Y1)}, {double(o.X2), double(o.Y2)}, i);
    }
    return rails;
}

std::vector<TPointM> OnMap(const std::vector<TGeoPoint>& points, const TProjection& projection) {
    std::vector<TPointM> onMap;
    onMap.reserve(points.size());
    for (const TGeoPoint p : points)
        onMap.push_back(projection.ToMap(p));
    return onMap;
}

std::vector<TPointM> Simplified(const std::vector<TPointM>& points, double tolerance) {
    if (points.size() < 3) return points;
    std::vector<bool> keep(points.size(), false);
    keep.front() = keep.back() = true;
    SimplifyBetween(points, 0, points.size() - 1, tolerance, keep);
    std::vector<TPointM> kept;
    for (std::size_t k = 0; k < points.size(); ++k)
        if (keep[k]) kept.push_back(points[k]);
    return kept;
}

TPointM Rounded(TPointM p) {
    return {double(RoundHalfEven(p.X)), double(RoundHalfEven(p.Y))};
}

TClearPieces ClearPiecesOnMap(TPointM a, TPointM b, const TSegmentGrid& rails, double clearance,
                              std::uint8_t kind, double least) {
    TClearPieces result;
    if (!ClipToMap(a, b)) return result;
    const auto parts = rails.ClearParts(a, b, clearance + RoundingMargin);
    result.Cut = parts.size() != 1 || parts.front().first > 0 || parts.front().second < 1;
    for (const auto& [t0, t1] : parts) {
        const TPointM p = Rounded(a + t0 * (b - a)), q = Rounded(a + t1 * (b - a));
        // Compared in whole metres, as the load-time rule does.
        const double dx = q.X - p.X, dy = q.Y - p.Y;
        if (dx * dx + dy * dy < least * least) {
            ++result.TooShort;
            continue;
        }
        if (rails.DistanceWithin(p, q, clearance) < clearance) continue;
        result.Pieces.push_back(MakeObject(kind, int(p.X), int(p.Y), int(q.X), int(q.Y)));
    }
    return result;
}

} // namespace vell::import
