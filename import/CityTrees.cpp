// Trees as rows of at least 20 m, the least the map keeps: tree rows joined where their ways
// meet and followed by straight pieces, park edges likewise, and single trees gathered into the
// rows they stand in. A row too short for that is lengthened about its middle; a closed outline
// too small for it (a patch of grass) is left out. The rows keep clear of the track and of the
// buildings, and go onto the map nearest to it first, each with three bytes (which shape its trees)
// from a generator with a fixed seed, so that the same extract gives the same trees.
#include "import/CityParts.h"

#include "import/PlaneGeometry.h"
#include "model/Random.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

namespace vell::import {

namespace {

constexpr std::uint32_t TreeSeed = 20260101;
// Rounding the two ends to whole metres shortens a row by up to 1.5 m: made this long, a row
// keeps its 20 m.
constexpr double LeastBeforeRounding = LeastTreeRow + 1.5;
constexpr double RowTolerance = 2; // a straight piece strays this far from the row at most
constexpr double TreeLink = 12;    // single trees this near stand in one group
constexpr double BandWidth = 10;   // a group's rows lie this far apart across it
constexpr double RowGap = 15;      // a row of a group breaks where trees stand farther apart
constexpr double StreetReach = 50; // a lone tree follows a rail this near
constexpr double WallReach = 30;   // or else a building's edge this near

struct TLine {
    TPointM A, B;
};

bool Same(TPointM a, TPointM b) {
    return a.X == b.X && a.Y == b.Y;
}

// A line of LeastBeforeRounding metres about `middle` along `heading`.
TLine LeastRow(TPointM middle, TPointM heading) {
    const TPointM half = (0.5 * LeastBeforeRounding) * Unit(heading);
    return {middle - half, middle + half};
}

// Tree rows whose ways meet end to end, joined into one polyline each, in the order of the first.
std::vector<std::vector<TPointM>> JoinedRows(const std::vector<std::vector<TPointM>>& rows) {
    std::map<std::pair<double, double>, std::vector<std::size_t>> byEnd;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (rows[k].size() < 2 || Same(rows[k].front(), rows[k].back())) continue;
        byEnd[{rows[k].front().X, rows[k].front().Y}].push_back(k);
        byEnd[{rows[k].back().X, rows[k].back().Y}].push_back(k);
    }
    std::vector<bool> used(rows.size(), false);
    // The unused open row with an end at p, if any, turned to start there.
    auto takeAt = [&](TPointM p, std::vector<TPointM>& row) {
        const auto it = byEnd.find({p.X, p.Y});
        if (it == byEnd.end()) return false;
        for (const std::size_t k : it->second) {
            if (used[k]) continue;
            used[k] = true;
            row = rows[k];
            if (!Same(row.front(), p)) std::reverse(row.begin(), row.end());
            return true;
        }
        return false;
    };
    std::vector<std::vector<TPointM>> joined;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (used[k] || rows[k].empty()) continue;
        used[k] = true;
        std::vector<TPointM> line = rows[k], next;
        while (!Same(line.front(), line.back()) && takeAt(line.back(), next))
            line.insert(line.end(), next.begin() + 1, next.end());
        while (!Same(line.front(), line.back()) && takeAt(line.front(), next)) {
            std::reverse(next.begin(), next.end());
            line.insert(line.begin(), next.begin(), next.end() - 1);
        }
        joined.push_back(std::move(line));
    }
    return joined;
}

double MostOff(const std::vector<TPointM>& points, std::size_t from, std::size_t to) {
    double most = 0;
    for (std::size_t k = from + 1; k < to; ++k)
        most = std::max(most, SegmentDistance(points[k], points[from], points[to]));
    return most;
}

// A polyline as straight pieces from point to point, each at least LeastBeforeRounding long and as
// long as it can be while straying no more than RowTolerance from it; a tail too short for a
// piece of its own joins the piece before it. A polyline too short for one piece becomes one row
// of the least length about the middle of its chord, or nothing when it is closed (a small
// patch of green).
std::vector<TLine> StraightPieces(const std::vector<TPointM>& points) {
    if (points.size() < 2) return {};
    auto chord = [&](std::size_t from, std::size_t to) { return Norm(points[to] - points[from]); };
    const std::size_t last = points.size() - 1;
    std::vector<TLine> pieces;
    for (std::size_t from = 0; from < last;) {
        std::size_t to = from + 1;
        while (to < last && chord(from, to) < LeastBeforeRounding)
            ++to;
        if (chord(from, to) < LeastBeforeRounding) {
            if (!pieces.empty() && Norm(points[last] - pieces.back().A) >= LeastBeforeRounding)
                pieces.back().B = points[last];
            break;
        }
        while (to < last && MostOff(points, from, to + 1) <= RowTolerance)
            ++to;
        pieces.push_back({points[from], points[to]});
        from = to;
    }
    if (pieces.empty() && !Same(points.front(), points.back())) {
        const TPointM heading = points.back() - points.front();
        pieces.push_back(LeastRow(0.5 * (points.front() + points.back()),
                                  Norm(heading) > 0 ? heading : points[1] - points[0]));
    }
    return pieces;
}

// The direction a lone tree's row takes: along the nearest rail (trams run along streets), else
// along the nearest building edge (buildings front streets), else west to east.
TPointM StreetHeading(TPointM p, const TSegmentGrid& rails, const TSegmentGrid& walls) {
    const std::pair<const TSegmentGrid*, double> looks[] = {{&rails, StreetReach},
                                                            {&walls, WallReach}};
    for (const auto& [grid, reach] : looks)
        if (const int k = grid->NearestWithin(p, reach); k >= 0) {
            const TSegmentGrid::TSegment& s = grid->Segments()[k];
            if (!Same(s.A, s.B)) return s.B - s.A;
        }
    return {1, 0};
}

// The main axis of a group of points: the direction of their greatest spread.
TPointM MainAxis(const std::vector<TPointM>& points, TPointM mean) {
    double xx = 0, xy = 0, yy = 0;
    for (const TPointM p : points) {
        const TPointM d = p - mean;
        xx += d.X * d.X, xy += d.X * d.Y, yy += d.Y * d.Y;
    }
    const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
    return {std::cos(angle), std::sin(angle)};
}

// A group of trees as rows along the group's main axis, in bands BandWidth wide across it: each
// band's trees in order along the axis, broken where they stand more than RowGap apart, each
// run a row parallel to the axis through the middle of its trees.
void RowsOfGroup(const std::vector<TPointM>& trees, std::vector<TLine>& rows) {
    TPointM mean;
    for (const TPointM p : trees)
        mean = mean + (1.0 / double(trees.size())) * p;
    const TPointM axis = MainAxis(trees, mean), across = RightOf(axis);
    double nearest = 0;
    for (const TPointM p : trees)
        nearest = std::min(nearest, Dot(p - mean, across));
    struct TTree {
        double Along, Across;
        std::size_t Index; // orders trees that stand level
        bool operator<(const TTree& other) const {
            return std::tie(Along, Index) < std::tie(other.Along, other.Index);
        }
    };
    std::map<long long, std::vector<TTree>> bands;
    for (std::size_t k = 0; k < trees.size(); ++k) {
        const double side = Dot(trees[k] - mean, across);
        bands[static_cast<long long>((side - nearest) / BandWidth)].push_back(
            {Dot(trees[k] - mean, axis), side, k});
    }
    for (auto& [band, members] : bands) {
        std::sort(members.begin(), members.end());
        std::size_t first = 0;
        double sideSum = 0;
        for (std::size_t k = 0; k < members.size(); ++k) {
            sideSum += members[k].Across;
            if (k + 1 < members.size() && members[k + 1].Along - members[k].Along <= RowGap)
                continue;
            const TPointM middle = mean + (sideSum / double(k + 1 - first)) * across;
            const TPointM a = middle + members[first].Along * axis;
            const TPointM b = middle + members[k].Along * axis;
            if (Norm(b - a) >= LeastBeforeRounding)
                rows.push_back({a, b});
            else
                rows.push_back(LeastRow(0.5 * (a + b), axis));
            first = k + 1;
            sideSum = 0;
        }
    }
}

// Single trees gathered in groups of trees within TreeLink of one another, in the order of
// their first trees; a lone tree is a row along the street it stands in.
std::vector<TLine> RowsOfSingleTrees(const std::vector<TPointM>& trees, const TSegmentGrid& rails,
                                     const TSegmentGrid& walls) {
    TSegmentGrid grid;
    for (std::size_t k = 0; k < trees.size(); ++k)
        grid.Add(trees[k], trees[k], int(k));
    std::vector<std::size_t> group(trees.size());
    std::iota(group.begin(), group.end(), std::size_t(0));
    auto find = [&](std::size_t k) {
        while (group[k] != k)
            k = group[k] = group[group[k]];
        return k;
    };
    for (std::size_t k = 0; k < trees.size(); ++k)
        for (const int j : grid.Near(trees[k], trees[k], TreeLink))
            if (Norm(trees[std::size_t(j)] - trees[k]) <= TreeLink) {
                const std::size_t a = find(k), b = find(std::size_t(j));
                group[std::max(a, b)] = std::min(a, b); // a group is named by its first tree
            }
    std::map<std::size_t, std::vector<TPointM>> groups;
    for (std::size_t k = 0; k < trees.size(); ++k)
        groups[find(k)].push_back(trees[k]);
    std::vector<TLine> rows;
    for (const auto& [first, members] : groups) {
        if (members.size() == 1)
            rows.push_back(LeastRow(members[0], StreetHeading(members[0], rails, walls)));
        else
            RowsOfGroup(members, rows);
    }
    return rows;
}

// The edges of the buildings, each named by its building's index.
TSegmentGrid BuildingEdges(const TOsmExtract& city, const TProjection& projection) {
    TSegmentGrid walls;
    for (std::size_t b = 0; b < city.Buildings.size(); ++b) {
        const std::vector<TPointM> outline = OnMap(city.Buildings[b].Points, projection);
        for (std::size_t k = 1; k < outline.size(); ++k)
            walls.Add(outline[k - 1], outline[k], int(b));
    }
    return walls;
}

// Whether p lies inside a building: a ray from it to the east crosses that building's outline an
// odd number of times. Buildings are narrower than the ray is long.
bool InsideBuilding(TPointM p, const TSegmentGrid& walls) {
    constexpr double Ray = 300;
    std::map<int, bool> odd;
    for (const int k : walls.Near(p, p + TPointM{Ray, 0}, 0)) {
        const TSegmentGrid::TSegment& s = walls.Segments()[std::size_t(k)];
        if ((s.A.Y > p.Y) == (s.B.Y > p.Y)) continue;
        const double x = s.A.X + (p.Y - s.A.Y) * (s.B.X - s.A.X) / (s.B.Y - s.A.Y);
        if (x > p.X && x <= p.X + Ray) odd[s.Id] = !odd[s.Id];
    }
    return std::any_of(odd.begin(), odd.end(),
                       [](const auto& building) { return building.second; });
}

std::vector<TLine> CandidateRows(const TOsmExtract& city, const TProjection& projection,
                                 const TSegmentGrid& rails, const TSegmentGrid& walls) {
    std::vector<TLine> lines;
    std::vector<std::vector<TPointM>> rows;
    for (const TOsmOutline& row : city.TreeRows)
        rows.push_back(OnMap(row.Points, projection));
    for (const std::vector<TPointM>& row : JoinedRows(rows))
        for (const TLine& piece : StraightPieces(row))
            lines.push_back(piece);
    for (const TOsmOutline& park : city.Parks)
        for (const TLine& piece : StraightPieces(OnMap(park.Points, projection)))
            lines.push_back(piece);
    std::vector<TPointM> trees;
    for (const TGeoPoint tree : city.Trees)
        trees.push_back(projection.ToMap(tree));
    for (const TLine& row : RowsOfSingleTrees(trees, rails, walls))
        lines.push_back(row);
    return lines;
}

// The parts of a row that keep clear of the buildings: a row drawn across a block (trees of
// two yards gathered into one, a lone tree's row along its street) would stand trees in them.
std::vector<TLine> OutsideBuildings(const TLine& row, const TSegmentGrid& walls, int& tooShort) {
    std::vector<TLine> parts;
    for (const auto& [t0, t1] : walls.ClearParts(row.A, row.B, TreeWallClearance)) {
        const TPointM a = row.A + t0 * (row.B - row.A), b = row.A + t1 * (row.B - row.A);
        if (Norm(b - a) < LeastTreeRow) {
            ++tooShort;
            continue;
        }
        if (InsideBuilding(0.5 * (a + b), walls))
            ++tooShort;
        else
            parts.push_back({a, b});
    }
    return parts;
}

} // namespace

TTreeRows TreeRows(const TOsmExtract& city, const TProjection& projection,
                   const TSegmentGrid& rails, const TDistanceField& track) {
    TTreeRows result;
    std::vector<std::pair<double, TMapObject>> rows;
    const TSegmentGrid walls = BuildingEdges(city, projection);
    for (const TLine& candidate : CandidateRows(city, projection, rails, walls))
        for (const TLine& line : OutsideBuildings(candidate, walls, result.TooShort)) {
            const TClearPieces pieces =
                ClearPiecesOnMap(line.A, line.B, rails, TreeClearance, Trees, LeastTreeRow);
            result.TooShort += pieces.TooShort;
            for (const TMapObject& row : pieces.Pieces) {
                const TPointM middle{0.5 * (row.X1 + row.X2), 0.5 * (row.Y1 + row.Y2)};
                rows.emplace_back(track.Distance(middle), row);
            }
        }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    TRandom random(TreeSeed);
    for (auto& [distance, row] : rows) {
        row.Red = std::uint8_t(random.Below(255));
        row.Green = std::uint8_t(random.Below(255));
        row.Blue = std::uint8_t(random.Below(255));
        result.Rows.push_back(row);
    }
    return result;
}

} // namespace vell::import
