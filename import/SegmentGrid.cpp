// The segment grid: each segment listed in every cell its bounding box meets, so that whatever
// lies within a reach of a point has a point in one of the cells around it.
#include "import/SegmentGrid.h"

#include "import/PlaneGeometry.h"
#include "model/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <queue>

namespace vell::import {

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr double ExactReach = 100; // TDistanceField is exact within this

double SegmentsDistance(TPointM a, TPointM b, TPointM c, TPointM d) {
    return std::sqrt(SegmentDistSq(a.X, a.Y, b.X, b.Y, c.X, c.Y, d.X, d.Y));
}

// Narrows [t0, t1] to where p0 + t k lies in [low, high].
void KeepWhereWithin(double p0, double k, double low, double high, double& t0, double& t1) {
    if (std::abs(k) < 1e-12) {
        if (p0 < low || p0 > high) t0 = Infinity, t1 = -Infinity;
        return;
    }
    double a = (low - p0) / k, b = (high - p0) / k;
    if (a > b) std::swap(a, b);
    t0 = std::max(t0, a);
    t1 = std::min(t1, b);
}

// The parameters t in [0, 1] for which a + t (b - a) lies within r of the segment c-d: one
// interval, as that set is the line's meeting with a convex shape (the two discs at c and d and
// the band between them), or none.
std::optional<std::pair<double, double>> WithinReach(TPointM a, TPointM b, TPointM c, TPointM d,
                                                     double r) {
    const TPointM along = b - a;
    double low = Infinity, high = -Infinity;
    auto unite = [&](double t0, double t1) {
        if (t0 > t1) return;
        low = std::min(low, t0);
        high = std::max(high, t1);
    };
    for (const TPointM centre : {c, d}) {
        const TPointM w = a - centre;
        const double qa = Dot(along, along), qb = 2 * Dot(w, along), qc = Dot(w, w) - r * r;
        if (qa == 0) {
            if (qc <= 0) unite(0, 1);
            continue;
        }
        const double discriminant = qb * qb - 4 * qa * qc;
        if (discriminant < 0) continue;
        const double root = std::sqrt(discriminant);
        unite((-qb - root) / (2 * qa), (-qb + root) / (2 * qa));
    }
    const double length = Norm(d - c);
    if (length > 0) {
        const TPointM e = (1 / length) * (d - c), n = RightOf(e);
        double t0 = -Infinity, t1 = Infinity;
        KeepWhereWithin(Dot(a - c, e), Dot(along, e), 0, length, t0, t1);
        KeepWhereWithin(Dot(a - c, n), Dot(along, n), -r, r, t0, t1);
        unite(t0, t1);
    }
    low = std::max(low, 0.0);
    high = std::min(high, 1.0);
    if (low > high) return std::nullopt;
    return std::make_pair(low, high);
}

} // namespace

TSegmentGrid::TSegmentGrid() : Cells(std::size_t(Side) * Side) {}

int TSegmentGrid::CellOf(double coordinate) {
    if (!(coordinate > 0)) return 0; // NaN too
    return std::min(Side - 1, int(coordinate / CellSize));
}

TPointM TSegmentGrid::CellCentre(int column, int row) {
    return {(column + 0.5) * CellSize, (row + 0.5) * CellSize};
}

void TSegmentGrid::Add(TPointM a, TPointM b, int id) {
    const int index = int(Items.size());
    Items.push_back({a, b, id});
    const int c0 = CellOf(std::min(a.X, b.X)), c1 = CellOf(std::max(a.X, b.X));
    const int r0 = CellOf(std::min(a.Y, b.Y)), r1 = CellOf(std::max(a.Y, b.Y));
    for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column)
            Cells[row * Side + column].push_back(index);
}

std::vector<int> TSegmentGrid::Near(TPointM a, TPointM b, double reach) const {
    std::vector<int> found;
    const int c0 = CellOf(std::min(a.X, b.X) - reach), c1 = CellOf(std::max(a.X, b.X) + reach);
    const int r0 = CellOf(std::min(a.Y, b.Y) - reach), r1 = CellOf(std::max(a.Y, b.Y) + reach);
    for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column) {
            const std::vector<int>& cell = InCell(column, row);
            found.insert(found.end(), cell.begin(), cell.end());
        }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    return found;
}

double TSegmentGrid::DistanceWithin(TPointM a, TPointM b, double reach) const {
    // The least of the distances to the segments listed in the cells around a-b: a segment
    // listed twice changes nothing, nor one whose bounding box lies farther than the best so far
    // (with a margin for rounding), so neither is sorted out nor measured. The cells a-b itself
    // meets go first: what they hold is usually nearest.
    double best = Infinity;
    const double x0 = std::min(a.X, b.X), x1 = std::max(a.X, b.X);
    const double y0 = std::min(a.Y, b.Y), y1 = std::max(a.Y, b.Y);
    const int inner[] = {CellOf(x0), CellOf(x1), CellOf(y0), CellOf(y1)};
    const int outer[] = {CellOf(x0 - reach), CellOf(x1 + reach), CellOf(y0 - reach),
                         CellOf(y1 + reach)};
    auto measure = [&](int column, int row) {
        for (const int k : InCell(column, row)) {
            const TSegment& s = Items[std::size_t(k)];
            const double gap = std::max({std::min(s.A.X, s.B.X) - x1, x0 - std::max(s.A.X, s.B.X),
                                         std::min(s.A.Y, s.B.Y) - y1, y0 - std::max(s.A.Y, s.B.Y)});
            if (gap > best + 0.01) continue;
            best = std::min(best, SegmentsDistance(a, b, s.A, s.B));
        }
    };
    for (int row = inner[2]; row <= inner[3]; ++row)
        for (int column = inner[0]; column <= inner[1]; ++column)
            measure(column, row);
    for (int row = outer[2]; row <= outer[3]; ++row)
        for (int column = outer[0]; column <= outer[1]; ++column)
            if (row < inner[2] || row > inner[3] || column < inner[0] || column > inner[1])
                measure(column, row);
    return best;
}

int TSegmentGrid::NearestWithin(TPointM p, double reach) const {
    int nearest = -1;
    double best = reach;
    for (const int k : Near(p, p, reach)) {
        const double d = SegmentDistance(p, Items[k].A, Items[k].B);
        if (d < best || (d == best && nearest < 0)) nearest = k, best = d;
    }
    return nearest;
}

std::vector<std::pair<double, double>> TSegmentGrid::ClearParts(TPointM a, TPointM b,
                                                                double clearance) const {
    // The segments listed in the cells around a-b, one listed twice giving its interval twice:
    // sorted, the same intervals give the same clear parts.
    std::vector<std::pair<double, double>> blocked;
    const int c0 = CellOf(std::min(a.X, b.X) - clearance),
              c1 = CellOf(std::max(a.X, b.X) + clearance);
    const int r0 = CellOf(std::min(a.Y, b.Y) - clearance),
              r1 = CellOf(std::max(a.Y, b.Y) + clearance);
    for (int row = r0; row <= r1; ++row)
        for (int column = c0; column <= c1; ++column)
            for (const int k : InCell(column, row))
                if (const auto within = WithinReach(a, b, Items[k].A, Items[k].B, clearance))
                    blocked.push_back(*within);
    std::sort(blocked.begin(), blocked.end());
    std::vector<std::pair<double, double>> clear;
    double from = 0;
    for (const auto& [t0, t1] : blocked) {
        if (t0 > from) clear.emplace_back(from, t0);
        from = std::max(from, t1);
    }
    if (from < 1) clear.emplace_back(from, 1.0);
    return clear;
}

TDistanceField::TDistanceField(const TSegmentGrid& grid)
    : Grid(grid), NearestOfCell(std::size_t(TSegmentGrid::Side) * TSegmentGrid::Side, -1) {
    constexpr int Side = TSegmentGrid::Side;
    const auto& items = grid.Segments();
    std::vector<double> distance(NearestOfCell.size(), Infinity);
    using TEntry = std::pair<double, int>; // distance, cell: equal distances go by cell
    std::priority_queue<TEntry, std::vector<TEntry>, std::greater<>> open;
    for (int cell = 0; cell < Side * Side; ++cell) {
        const TPointM centre = TSegmentGrid::CellCentre(cell % Side, cell / Side);
        for (const int k : grid.InCell(cell % Side, cell / Side)) {
            const double d = SegmentDistance(centre, items[k].A, items[k].B);
            if (d < distance[cell]) distance[cell] = d, NearestOfCell[cell] = k;
        }
        if (NearestOfCell[cell] >= 0) open.emplace(distance[cell], cell);
    }
    while (!open.empty()) {
        const auto [d, cell] = open.top();
        open.pop();
        if (d > distance[cell]) continue;
        const int column = cell % Side, row = cell / Side;
        const TSegmentGrid::TSegment& nearest = items[NearestOfCell[cell]];
        for (int dr = -1; dr <= 1; ++dr)
            for (int dc = -1; dc <= 1; ++dc) {
                const int c = column + dc, r = row + dr;
                if (c < 0 || c >= Side || r < 0 || r >= Side) continue;
                const int next = r * Side + c;
                const double dn =
                    SegmentDistance(TSegmentGrid::CellCentre(c, r), nearest.A, nearest.B);
                if (dn >= distance[next]) continue;
                distance[next] = dn;
                NearestOfCell[next] = NearestOfCell[cell];
                open.emplace(dn, next);
            }
    }
}

double TDistanceField::Distance(TPointM p) const {
    const double exact = Grid.DistanceWithin(p, p, ExactReach);
    if (exact <= ExactReach) return exact;
    constexpr int Side = TSegmentGrid::Side;
    const int column = TSegmentGrid::CellOf(p.X), row = TSegmentGrid::CellOf(p.Y);
    double best = exact;
    for (int r = std::max(0, row - 1); r <= std::min(Side - 1, row + 1); ++r)
        for (int c = std::max(0, column - 1); c <= std::min(Side - 1, column + 1); ++c)
            if (const int k = NearestOfCell[r * Side + c]; k >= 0) {
                const TSegmentGrid::TSegment& s = Grid.Segments()[k];
                best = std::min(best, SegmentDistance(p, s.A, s.B));
            }
    return best < Infinity ? best : 1e9;
}

} // namespace vell::import
