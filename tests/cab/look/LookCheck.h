// Checks of the detailed look's parts against the map's tracks: the least distance to a track's
// centre line, and what of a mesh stands too near one.
#pragma once

#include "cab/look/LookMesh.h"
#include "model/Map.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace vell::test {

struct TSegment {
    double X1, Y1, X2, Y2;
};

inline double Distance(const TSegment& s, double x, double y) {
    const double dx = s.X2 - s.X1, dy = s.Y2 - s.Y1;
    const double length2 = dx * dx + dy * dy;
    const double t =
        length2 > 0 ? std::clamp(((x - s.X1) * dx + (y - s.Y1) * dy) / length2, 0.0, 1.0) : 0;
    return std::hypot(x - s.X1 - t * dx, y - s.Y1 - t * dy);
}

// The map's rails by 20 m cells, for the least distance to a track's centre line.
class TRailCells {
  public:
    explicit TRailCells(const TMap& map) {
        for (const TMapObject& o : map.Objects) {
            if (!o.IsRail()) continue;
            const TSegment s{double(o.X1), double(o.Y1), double(o.X2), double(o.Y2)};
            for (int cx = Cell(std::min(s.X1, s.X2)); cx <= Cell(std::max(s.X1, s.X2)); ++cx)
                for (int cy = Cell(std::min(s.Y1, s.Y2)); cy <= Cell(std::max(s.Y1, s.Y2)); ++cy)
                    Cells[{cx, cy}].push_back(s);
            Length += std::hypot(s.X2 - s.X1, s.Y2 - s.Y1);
        }
    }
    // Exact below 20 m.
    double Nearest(double x, double y) const {
        double least = 1e9;
        for (int cx = Cell(x) - 1; cx <= Cell(x) + 1; ++cx)
            for (int cy = Cell(y) - 1; cy <= Cell(y) + 1; ++cy) {
                const auto it = Cells.find({cx, cy});
                if (it == Cells.end()) continue;
                for (const TSegment& s : it->second)
                    least = std::min(least, Distance(s, x, y));
            }
        return least;
    }
    double Length = 0;

  private:
    static int Cell(double v) { return int(std::floor(v / 20)); }
    std::map<std::pair<int, int>, std::vector<TSegment>> Cells;
};

// What of a mesh stands within `clearance` of a track between 0.35 and 4.5 m up: points spread
// over every triangle and line.
struct TIntrusions {
    int Count = 0;
    std::string First;
};
inline TIntrusions Intrusions(const TLookMesh& mesh, const TRailCells& rails,
                              double clearance = 1.7) {
    TIntrusions found;
    auto check = [&](double x, double y, double z) {
        if (z < 0.35 || z > 4.5) return;
        const double d = rails.Nearest(x, -y);
        if (d >= clearance - 1e-3) return;
        if (found.Count++ == 0)
            found.First = "(" + std::to_string(x) + ", " + std::to_string(-y) + ") at " +
                          std::to_string(z) + " m, " + std::to_string(d) + " m from a track";
    };
    auto triangles = [&](const std::vector<TLookVertex>& list) {
        for (std::size_t k = 0; k + 3 <= list.size(); k += 3) {
            const TLookVertex &a = list[k], &b = list[k + 1], &c = list[k + 2];
            for (int i = 0; i <= 4; ++i)
                for (int j = 0; i + j <= 4; ++j) {
                    const double u = i / 4.0, v = j / 4.0, w = 1 - u - v;
                    check(u * a.X + v * b.X + w * c.X, u * a.Y + v * b.Y + w * c.Y,
                          u * a.Z + v * b.Z + w * c.Z);
                }
        }
    };
    for (int t = 0; t < LookTextureCount; ++t) {
        triangles(mesh.Solid[std::size_t(t)]);
        triangles(mesh.Shining[std::size_t(t)]);
    }
    for (std::size_t k = 0; k + 2 <= mesh.Lines.size(); k += 2)
        for (int i = 0; i <= 4; ++i) {
            const TLookVertex &a = mesh.Lines[k], &b = mesh.Lines[k + 1];
            const double u = i / 4.0;
            check(a.X + u * (b.X - a.X), a.Y + u * (b.Y - a.Y), a.Z + u * (b.Z - a.Z));
        }
    return found;
}

} // namespace vell::test
