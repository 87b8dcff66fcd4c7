// Planning the tiles of a map and building each one: the ground from the look's areas and streets
// and the map's rails, the buildings from the look's buildings over the map's walls.
#include "cab/look/LookScene.h"

#include "cab/CabState.h"
#include "cab/look/LookTextures.h"
#include "cab/scene/SceneBuild.h"
#include "model/Geometry.h"
#include "model/Map.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <tuple>

namespace vell {

bool UsesDetailedLook(TLookSetting setting, const TMap& map) {
    switch (setting) {
    case TLookSetting::Classic:
        return false;
    case TLookSetting::Detailed:
        return true;
    case TLookSetting::ByMap:
        break;
    }
    return !map.Extras.Look.Empty();
}

TLookLight LookLightAt(double hours) {
    hours = std::fmod(std::fmod(hours, 24.0) + 24.0, 24.0);
    const int whole = int(hours);
    const double minutes = (hours - whole) * 60;
    const double seconds = (minutes - int(minutes)) * 60;
    TLookLight light;
    light.DayLight = DayLightAt(whole, int(minutes), int(seconds), 0);
    light.Night = light.DayLight < 0.4;
    // Round the sky from east through south to west between 06:00 and 18:00; at night the sun
    // stays just under the horizon on the same circle.
    const double turn = (hours - 6) / 12 * std::numbers::pi;
    const double elevation = std::max(-0.05, 50 * std::numbers::pi / 180 * std::sin(turn));
    light.SunX = std::cos(turn) * std::cos(elevation);
    light.SunY = std::sin(turn) * std::cos(elevation);
    light.SunZ = std::sin(elevation);
    return light;
}

bool LightMoved(const TLookLight& built, const TLookLight& now) {
    if (built.Night != now.Night) return true;
    const double dot = built.SunX * now.SunX + built.SunY * now.SunY + built.SunZ * now.SunZ;
    return dot < std::cos(3 * std::numbers::pi / 180);
}

// Ear clipping.

namespace {

double Cross(const TLookPoint& o, const TLookPoint& a, const TLookPoint& b) {
    return double(a.X - o.X) * (b.Y - o.Y) - double(a.Y - o.Y) * (b.X - o.X);
}

bool InTriangle(const TLookPoint& p, const TLookPoint& a, const TLookPoint& b,
                const TLookPoint& c) {
    return Cross(a, b, p) >= 0 && Cross(b, c, p) >= 0 && Cross(c, a, p) >= 0;
}

} // namespace

std::vector<std::array<int, 3>> TriangulateRing(const std::vector<TLookPoint>& ring) {
    std::vector<std::array<int, 3>> out;
    if (ring.size() < 3) return out;
    std::vector<int> left(ring.size());
    for (std::size_t i = 0; i < ring.size(); ++i)
        left[i] = int(i);
    // Work counter-clockwise (positive area in x right, y down is clockwise on screen: only
    // the sign matters here).
    if (LookRingArea(ring) < 0) std::reverse(left.begin(), left.end());
    std::size_t i = 0, sinceEar = 0;
    while (left.size() > 3 && sinceEar < left.size()) {
        const std::size_t n = left.size();
        const int a = left[(i + n - 1) % n], b = left[i % n], c = left[(i + 1) % n];
        bool ear = Cross(ring[a], ring[b], ring[c]) > 0;
        for (std::size_t k = 0; ear && k < n; ++k) {
            const int p = left[k];
            if (p == a || p == b || p == c) continue;
            if (ring[p] == ring[a] || ring[p] == ring[b] || ring[p] == ring[c]) continue;
            if (InTriangle(ring[p], ring[a], ring[b], ring[c])) ear = false;
        }
        if (ear) {
            out.push_back({a, b, c});
            left.erase(left.begin() + std::ptrdiff_t(i % n));
            sinceEar = 0;
            if (i >= left.size()) i = 0;
        } else {
            i = (i + 1) % n;
            ++sinceEar;
        }
    }
    if (left.size() == 3 && Cross(ring[left[0]], ring[left[1]], ring[left[2]]) > 0)
        out.push_back({left[0], left[1], left[2]});
    return out;
}

// The plan.

namespace {

struct TColour3 {
    float R, G, B;
};

constexpr TColour3 Scale(TLookColour c) {
    return {c.R / 255.0f, c.G / 255.0f, c.B / 255.0f};
}

TLookVertex Vertex(double x, double y, double z, double u, double v, TColour3 c, double shade,
                   std::uint8_t alpha = 255) {
    const auto channel = [shade](float value) {
        return std::uint8_t(std::clamp(std::lround(value * shade * 255), 0L, 255L));
    };
    return {float(x),     float(-y),    float(z),     float(u), float(v),
            channel(c.R), channel(c.G), channel(c.B), alpha};
}

// A point on the ground with its texture running with the map.
TLookVertex GroundVertex(double x, double y, double z, TLookTexture texture, TColour3 c,
                         double shade) {
    const double metres = TextureMetres(texture);
    return Vertex(x, y, z, x / metres, -y / metres, c, shade);
}

std::vector<TLookVertex>& RunFor(std::vector<TLookRun>& runs, TLookTexture texture) {
    if (runs.empty() || runs.back().Texture != texture) runs.push_back({texture, {}});
    return runs.back().Triangles;
}

// Segments found by the cells of a grid they pass near: sorted (cell, id) pairs.
class TSegmentGrid {
  public:
    static constexpr double Cell = 50;
    void Add(double x1, double y1, double x2, double y2, double reach, int id) {
        const int cx1 = CellOf(std::min(x1, x2) - reach), cx2 = CellOf(std::max(x1, x2) + reach);
        const int cy1 = CellOf(std::min(y1, y2) - reach), cy2 = CellOf(std::max(y1, y2) + reach);
        for (int cy = cy1; cy <= cy2; ++cy)
            for (int cx = cx1; cx <= cx2; ++cx)
                Entries.push_back({Key(cx, cy), id});
    }
    void Seal() {
        std::sort(Entries.begin(), Entries.end());
        Entries.erase(std::unique(Entries.begin(), Entries.end()), Entries.end());
    }
    // The ids of segments added with their reach over the cell of (x, y).
    template <class F> void ForNear(double x, double y, F f) const {
        const std::int64_t key = Key(CellOf(x), CellOf(y));
        auto it = std::lower_bound(Entries.begin(), Entries.end(), std::make_pair(key, INT32_MIN));
        for (; it != Entries.end() && it->first == key; ++it)
            f(it->second);
    }

  private:
    static int CellOf(double v) { return int(std::floor(v / Cell)); }
    static std::int64_t Key(int cx, int cy) { return std::int64_t(cx) * 1000003 + cy; }
    std::vector<std::pair<std::int64_t, int>> Entries;
};

struct TStreetSegment {
    int Street, Index; // the line's points Index and Index + 1
    int Id;            // its number in the plan's segments
};

std::uint32_t Mix(std::uint32_t h, std::uint32_t v) {
    h ^= v + 0x9E3779B9u + (h << 6) + (h >> 2);
    h *= 0x85EBCA6Bu;
    return h ^ (h >> 13);
}

TColour3 AreaColour(TAreaKind kind) {
    switch (kind) {
    case TAreaKind::Water:
        return {0.27f, 0.42f, 0.52f};
    case TAreaKind::Park:
        return {0.36f, 0.54f, 0.27f};
    case TAreaKind::Grass:
        return {0.41f, 0.57f, 0.29f};
    case TAreaKind::Square:
        return {0.69f, 0.66f, 0.61f};
    case TAreaKind::Wood:
        return {0.26f, 0.42f, 0.21f};
    }
    return {0.5f, 0.5f, 0.5f};
}

TLookTexture AreaTexture(TAreaKind kind) {
    switch (kind) {
    case TAreaKind::Water:
        return WaterTexture;
    case TAreaKind::Square:
        return PavingTexture;
    default:
        return GrassTexture;
    }
}

enum class TBed : std::uint8_t { Ballast, Grass, Paving };

} // namespace

struct TLookPlan {
    float OriginX = 0, OriginY = 0;
    int Columns = 0, Rows = 0;
    struct TTilePlan {
        std::vector<TLookRun> Areas; // unshaded
        std::vector<TStreetSegment> Streets;
        std::vector<int> Rails, Buildings, Walls; // map objects, look buildings, lone walls
        std::vector<int> Trees;                   // rows of trees
    };
    std::vector<TTilePlan> Tiles;
    std::vector<std::vector<int>> BuildingWalls; // by look building: its map walls; empty: none
    std::vector<TBed> RailBeds;                  // by map object
    TSegmentGrid StreetGrid;                     // carriageways, by segment number
    std::vector<TStreetSegment> Segments;
    TSegmentGrid RailGrid; // track centre lines, by object index
};

namespace {

// Whether (x, y) lies on a carriageway of the look, other than segment `skip`.
bool OnCarriageway(const TLookPlan& plan, const TCityLook& look, double x, double y, int skip = -1,
                   double margin = 0) {
    bool found = false;
    plan.StreetGrid.ForNear(x, y, [&](int id) {
        if (found || id == skip) return;
        const TStreetSegment& s = plan.Segments[std::size_t(id)];
        const TLookStreet& street = look.Streets[std::size_t(s.Street)];
        const TLookPoint& a = street.Line[std::size_t(s.Index)];
        const TLookPoint& b = street.Line[std::size_t(s.Index) + 1];
        const double half = street.Width / 2 - margin;
        if (half > 0 && PointSegmentDistSq(x, y, a.X, a.Y, b.X, b.Y) < half * half) found = true;
    });
    return found;
}

// Whether a map segment comes within `distance` of a track's centre line.
bool NearTrack(const TLookPlan& plan, const TMap& map, double x1, double y1, double x2, double y2,
               double distance) {
    bool near = false;
    const auto test = [&](int id) {
        if (near) return;
        const TMapObject& o = map.Objects[std::size_t(id)];
        if (SegmentDistSq(x1, y1, x2, y2, o.X1, o.Y1, o.X2, o.Y2) < distance * distance)
            near = true;
    };
    // The rails were added with a reach of 25 m, which covers the clearance from any cell the
    // segment passes: sample it at cell-sized steps.
    const double length = std::hypot(x2 - x1, y2 - y1);
    const int steps = int(length / 20) + 1;
    for (int k = 0; k <= steps && !near; ++k) {
        const double t = double(k) / steps;
        plan.RailGrid.ForNear(x1 + (x2 - x1) * t, y1 + (y2 - y1) * t, test);
    }
    return near;
}

bool InRing(const std::vector<TLookPoint>& ring, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const TLookPoint& a = ring[i];
        const TLookPoint& b = ring[j];
        if ((a.Y > y) != (b.Y > y) && x < (b.X - a.X) * (y - a.Y) / (b.Y - a.Y) + a.X)
            inside = !inside;
    }
    return inside;
}

// The convex polygon of a triangle cut to a box (Sutherland and Hodgman).
std::vector<TLookPoint> ClipToBox(std::vector<TLookPoint> poly, const TLookBox& box) {
    const auto clip = [&poly](auto inside, auto cross) {
        std::vector<TLookPoint> out;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const TLookPoint& a = poly[i];
            const TLookPoint& b = poly[(i + 1) % poly.size()];
            const bool ina = inside(a), inb = inside(b);
            if (ina) out.push_back(a);
            if (ina != inb) out.push_back(cross(a, b));
        }
        poly = std::move(out);
    };
    const auto atX = [](float x) {
        return [x](const TLookPoint& a, const TLookPoint& b) {
            const float t = (x - a.X) / (b.X - a.X);
            return TLookPoint{x, a.Y + t * (b.Y - a.Y)};
        };
    };
    const auto atY = [](float y) {
        return [y](const TLookPoint& a, const TLookPoint& b) {
            const float t = (y - a.Y) / (b.Y - a.Y);
            return TLookPoint{a.X + t * (b.X - a.X), y};
        };
    };
    clip([&](const TLookPoint& p) { return p.X >= box.MinX; }, atX(box.MinX));
    if (!poly.empty()) clip([&](const TLookPoint& p) { return p.X <= box.MaxX; }, atX(box.MaxX));
    if (!poly.empty()) clip([&](const TLookPoint& p) { return p.Y >= box.MinY; }, atY(box.MinY));
    if (!poly.empty()) clip([&](const TLookPoint& p) { return p.Y <= box.MaxY; }, atY(box.MaxY));
    return poly;
}

struct TWallIndex {
    std::vector<std::pair<std::array<std::int16_t, 4>, int>> Keys;
    static std::array<std::int16_t, 4> Key(int x1, int y1, int x2, int y2) {
        if (std::tie(x2, y2) < std::tie(x1, y1)) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        return {std::int16_t(x1), std::int16_t(y1), std::int16_t(x2), std::int16_t(y2)};
    }
    int Find(const TWallKey& k) const {
        const auto key = Key(k.X1, k.Y1, k.X2, k.Y2);
        auto it = std::lower_bound(Keys.begin(), Keys.end(), std::make_pair(key, -1));
        return it != Keys.end() && it->first == key ? it->second : -1;
    }
};

} // namespace

// The tiles.

TLookCity::TLookCity() = default;
TLookCity::~TLookCity() = default;

void TLookCity::Prepare(const TMap& map, const TCityLook& look) {
    const std::size_t lookSize = look.Streets.size() * 7 + look.Areas.size() * 131 +
                                 look.Buildings.size() * 1031 + look.Stops.size() * 10007;
    if (Plan && LookSeen == &look && LookSize == lookSize && Objects == map.Objects) return;
    Objects = map.Objects;
    LookSeen = &look;
    LookSize = lookSize;
    Plan = std::make_unique<TLookPlan>();
    TLookPlan& plan = *Plan;

    // The tiles' grid over everything there is to draw.
    float minX = std::numeric_limits<float>::max(), minY = minX;
    float maxX = std::numeric_limits<float>::lowest(), maxY = maxX;
    const auto cover = [&](float x, float y) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    };
    for (const TMapObject& o : map.Objects) {
        const std::uint8_t kind = o.Kind();
        if (kind != Wall && kind != HighWall && kind != Rail) continue;
        cover(o.X1, o.Y1);
        cover(o.X2, o.Y2);
    }
    for (const TLookStreet& s : look.Streets)
        for (const TLookPoint& p : s.Line)
            cover(p.X, p.Y);
    for (const TLookArea& a : look.Areas)
        for (const TLookPoint& p : a.Ring)
            cover(p.X, p.Y);
    TileList.clear();
    if (minX > maxX) return;
    plan.OriginX = std::floor(minX / LookTileSize) * LookTileSize;
    plan.OriginY = std::floor(minY / LookTileSize) * LookTileSize;
    plan.Columns = int((maxX - plan.OriginX) / LookTileSize) + 1;
    plan.Rows = int((maxY - plan.OriginY) / LookTileSize) + 1;
    plan.Tiles.resize(std::size_t(plan.Columns) * std::size_t(plan.Rows));
    TileList.resize(plan.Tiles.size());
    for (int r = 0; r < plan.Rows; ++r)
        for (int c = 0; c < plan.Columns; ++c) {
            TLookTile& tile = TileList[std::size_t(r * plan.Columns + c)];
            tile.Box = {plan.OriginX + c * LookTileSize, plan.OriginY + r * LookTileSize,
                        plan.OriginX + (c + 1) * LookTileSize,
                        plan.OriginY + (r + 1) * LookTileSize};
            tile.Min[0] = tile.Min[1] = tile.Min[2] = std::numeric_limits<float>::max();
            tile.Max[0] = tile.Max[1] = tile.Max[2] = std::numeric_limits<float>::lowest();
        }
    const auto tileOf = [&plan](double x, double y) {
        const int c = std::clamp(int((x - plan.OriginX) / LookTileSize), 0, plan.Columns - 1);
        const int r = std::clamp(int((y - plan.OriginY) / LookTileSize), 0, plan.Rows - 1);
        return r * plan.Columns + c;
    };
    const auto grow = [this](int index, double x1, double y1, double x2, double y2, double top) {
        TLookTile& t = TileList[std::size_t(index)];
        t.Min[0] = std::min(t.Min[0], float(std::min(x1, x2)));
        t.Min[1] = std::min(t.Min[1], float(std::min(y1, y2)));
        t.Max[0] = std::max(t.Max[0], float(std::max(x1, x2)));
        t.Max[1] = std::max(t.Max[1], float(std::max(y1, y2)));
        t.Min[2] = 0;
        t.Max[2] = std::max(t.Max[2], float(top));
    };

    // Areas: triangles cut to the tiles they cross.
    for (const TLookArea& area : look.Areas) {
        const TLookTexture texture = AreaTexture(area.Kind);
        const TColour3 colour = AreaColour(area.Kind);
        for (const auto& t : TriangulateRing(area.Ring)) {
            const TLookPoint& a = area.Ring[std::size_t(t[0])];
            const TLookPoint& b = area.Ring[std::size_t(t[1])];
            const TLookPoint& c = area.Ring[std::size_t(t[2])];
            const int c1 = tileOf(std::min({a.X, b.X, c.X}), std::min({a.Y, b.Y, c.Y}));
            const int c2 = tileOf(std::max({a.X, b.X, c.X}), std::max({a.Y, b.Y, c.Y}));
            for (int r = c1 / plan.Columns; r <= c2 / plan.Columns; ++r)
                for (int col = c1 % plan.Columns; col <= c2 % plan.Columns; ++col) {
                    const int index = r * plan.Columns + col;
                    const std::vector<TLookPoint> poly =
                        ClipToBox({a, b, c}, TileList[std::size_t(index)].Box);
                    if (poly.size() < 3) continue;
                    std::vector<TLookVertex>& run =
                        RunFor(plan.Tiles[std::size_t(index)].Areas, texture);
                    for (std::size_t k = 1; k + 1 < poly.size(); ++k) {
                        // A corner of the tile on the triangle's edge leaves slivers of no area.
                        if (std::fabs(Cross(poly[0], poly[k], poly[k + 1])) < 1e-6) continue;
                        for (const TLookPoint* p : {&poly[0], &poly[k], &poly[k + 1]}) {
                            run.push_back(GroundVertex(p->X, p->Y, 0, texture, colour, 1));
                            grow(index, p->X, p->Y, p->X, p->Y, 0);
                        }
                    }
                }
        }
    }

    // Streets by their segments' middles; their carriageways in a grid for the kerbs and beds.
    for (std::size_t s = 0; s < look.Streets.size(); ++s) {
        const TLookStreet& street = look.Streets[s];
        const double reach = street.Width / 2 + (street.Pavements ? 3.5 : 0.5);
        for (std::size_t i = 0; i + 1 < street.Line.size(); ++i) {
            const TLookPoint& a = street.Line[i];
            const TLookPoint& b = street.Line[i + 1];
            const TStreetSegment segment{int(s), int(i), int(plan.Segments.size())};
            plan.StreetGrid.Add(a.X, a.Y, b.X, b.Y, street.Width / 2, int(plan.Segments.size()));
            plan.Segments.push_back(segment);
            const int index = tileOf((a.X + b.X) / 2, (a.Y + b.Y) / 2);
            plan.Tiles[std::size_t(index)].Streets.push_back(segment);
            grow(index, std::min(a.X, b.X) - reach, std::min(a.Y, b.Y) - reach,
                 std::max(a.X, b.X) + reach, std::max(a.Y, b.Y) + reach, KerbHeight);
        }
    }
    plan.StreetGrid.Seal();

    // Rails, and what their bed is made of.
    plan.RailBeds.assign(map.Objects.size(), TBed::Ballast);
    std::vector<int> green;
    for (std::size_t a = 0; a < look.Areas.size(); ++a)
        if (look.Areas[a].Kind == TAreaKind::Park || look.Areas[a].Kind == TAreaKind::Grass ||
            look.Areas[a].Kind == TAreaKind::Wood)
            green.push_back(int(a));
    std::vector<std::array<float, 4>> greenBoxes;
    for (int a : green) {
        std::array<float, 4> box{
            std::numeric_limits<float>::max(), std::numeric_limits<float>::max(),
            std::numeric_limits<float>::lowest(), std::numeric_limits<float>::lowest()};
        for (const TLookPoint& p : look.Areas[std::size_t(a)].Ring) {
            box[0] = std::min(box[0], p.X);
            box[1] = std::min(box[1], p.Y);
            box[2] = std::max(box[2], p.X);
            box[3] = std::max(box[3], p.Y);
        }
        greenBoxes.push_back(box);
    }
    for (std::size_t i = 0; i < map.Objects.size(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (!o.IsRail() || (o.X1 == o.X2 && o.Y1 == o.Y2)) continue;
        plan.RailGrid.Add(o.X1, o.Y1, o.X2, o.Y2, 25, int(i));
        const double mx = (o.X1 + o.X2) / 2.0, my = (o.Y1 + o.Y2) / 2.0;
        if (OnCarriageway(plan, look, mx, my)) {
            plan.RailBeds[i] = TBed::Paving;
        } else {
            for (std::size_t g = 0; g < green.size(); ++g) {
                const auto& box = greenBoxes[g];
                if (mx < box[0] || mx > box[2] || my < box[1] || my > box[3]) continue;
                if (InRing(look.Areas[std::size_t(green[g])].Ring, mx, my)) {
                    plan.RailBeds[i] = TBed::Grass;
                    break;
                }
            }
        }
        const int index = tileOf(mx, my);
        plan.Tiles[std::size_t(index)].Rails.push_back(int(i));
        // The joints' arcs and beds reach a little past the ends.
        grow(index, std::min(o.X1, o.X2) - 8.0, std::min(o.Y1, o.Y2) - 8.0,
             std::max(o.X1, o.X2) + 8.0, std::max(o.Y1, o.Y2) + 8.0, 7.0);
    }
    plan.RailGrid.Seal();

    // Buildings whose walls are all on the map, and the walls no building claims.
    TWallIndex walls;
    for (std::size_t i = 0; i < map.Objects.size(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (o.Kind() == Wall || o.Kind() == HighWall)
            walls.Keys.push_back({TWallIndex::Key(o.X1, o.Y1, o.X2, o.Y2), int(i)});
    }
    std::stable_sort(walls.Keys.begin(), walls.Keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<bool> claimed(map.Objects.size(), false);
    plan.BuildingWalls.resize(look.Buildings.size());
    for (std::size_t b = 0; b < look.Buildings.size(); ++b) {
        const TLookBuilding& building = look.Buildings[b];
        std::vector<int> found;
        for (const TWallKey& key : building.Walls) {
            const int wall = walls.Find(key);
            if (wall < 0) {
                found.clear();
                break;
            }
            found.push_back(wall);
        }
        if (found.empty()) continue;
        double sx = 0, sy = 0;
        float x1 = std::numeric_limits<float>::max(), y1 = x1;
        float x2 = std::numeric_limits<float>::lowest(), y2 = x2;
        for (int w : found) {
            claimed[std::size_t(w)] = true;
            const TMapObject& o = map.Objects[std::size_t(w)];
            sx += o.X1 + o.X2;
            sy += o.Y1 + o.Y2;
            x1 = std::min({x1, float(o.X1), float(o.X2)});
            y1 = std::min({y1, float(o.Y1), float(o.Y2)});
            x2 = std::max({x2, float(o.X1), float(o.X2)});
            y2 = std::max({y2, float(o.Y1), float(o.Y2)});
        }
        for (const TLookPoint& p : building.Outline) {
            x1 = std::min(x1, p.X);
            y1 = std::min(y1, p.Y);
            x2 = std::max(x2, p.X);
            y2 = std::max(y2, p.Y);
        }
        const int index = tileOf(sx / (2.0 * found.size()), sy / (2.0 * found.size()));
        plan.Tiles[std::size_t(index)].Buildings.push_back(int(b));
        grow(index, x1 - 0.5, y1 - 0.5, x2 + 0.5, y2 + 0.5,
             std::max(1.0f, building.Height) + std::max(0.0f, building.RoofHeight));
        plan.BuildingWalls[b] = std::move(found);
    }
    for (std::size_t i = 0; i < map.Objects.size(); ++i) {
        const TMapObject& o = map.Objects[i];
        if ((o.Kind() != Wall && o.Kind() != HighWall) || claimed[i]) continue;
        if (o.X1 == o.X2 && o.Y1 == o.Y2) continue; // a post has no face to draw
        const int index = tileOf((o.X1 + o.X2) / 2.0, (o.Y1 + o.Y2) / 2.0);
        plan.Tiles[std::size_t(index)].Walls.push_back(int(i));
        grow(index, std::min(o.X1, o.X2) - 0.5, std::min(o.Y1, o.Y2) - 0.5,
             std::max(o.X1, o.X2) + 0.5, std::max(o.Y1, o.Y2) + 0.5, o.Kind() == Wall ? 5.0 : 20.0);
    }
    // A tree's skirt reaches 5 m out and its crown 24 m up.
    for (std::size_t i = 0; i < map.Objects.size(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (o.Kind() != Trees) continue;
        const int index = tileOf((o.X1 + o.X2) / 2.0, (o.Y1 + o.Y2) / 2.0);
        plan.Tiles[std::size_t(index)].Trees.push_back(int(i));
        grow(index, std::min(o.X1, o.X2) - 6.0, std::min(o.Y1, o.Y2) - 6.0,
             std::max(o.X1, o.X2) + 6.0, std::max(o.Y1, o.Y2) + 6.0, 24.0);
    }
}

void TLookCity::TilesNear(double x, double y, double distance, std::vector<int>& out) const {
    out.clear();
    for (std::size_t i = 0; i < TileList.size(); ++i) {
        const TLookTile& t = TileList[i];
        if (t.Min[0] > t.Max[0]) continue; // nothing in it
        const double dx = std::max({t.Min[0] - x, 0.0, x - t.Max[0]});
        const double dy = std::max({t.Min[1] - y, 0.0, y - t.Max[1]});
        if (dx * dx + dy * dy <= distance * distance) out.push_back(int(i));
    }
}

// Building a tile.

namespace {

class TTileBuilder {
  public:
    TTileBuilder(const TMap& map, const TCityLook& look, const TLookPlan& plan,
                 const TLookLight& light, TLookTile& tile)
        : Map(map), Look(look), Plan(plan), Light(light), Tile(tile), Up(light.Shade(0, 0, 1)) {}

    void Areas(const std::vector<TLookRun>& runs) {
        for (const TLookRun& run : runs) {
            std::vector<TLookVertex>& out = RunFor(Tile.Ground[AreaLayer], run.Texture);
            for (TLookVertex v : run.Triangles) {
                v.R = std::uint8_t(v.R * Up);
                v.G = std::uint8_t(v.G * Up);
                v.B = std::uint8_t(v.B * Up);
                out.push_back(v);
            }
        }
    }

    void Street(const TStreetSegment& segment) {
        const TLookStreet& street = Look.Streets[std::size_t(segment.Street)];
        const TLookPoint& a = street.Line[std::size_t(segment.Index)];
        const TLookPoint& b = street.Line[std::size_t(segment.Index) + 1];
        const bool last = std::size_t(segment.Index) + 2 == street.Line.size();
        const double half = std::max(1.0f, street.Width / 2);
        TLookTexture texture = AsphaltTexture;
        TColour3 colour{0.34f, 0.34f, 0.36f};
        if (street.Kind == TStreetKind::Pedestrian) {
            texture = PavingTexture;
            colour = {0.70f, 0.66f, 0.60f};
        } else if (street.Kind == TStreetKind::Service) {
            colour = {0.38f, 0.38f, 0.40f};
        }
        const bool pavements = street.Pavements && street.Kind == TStreetKind::Road;
        if (pavements) {
            const TColour3 slabs{0.64f, 0.62f, 0.60f};
            Band(PavementLayer, PavementTexture, slabs, a, b, half + 3, last);
        }
        Band(StreetLayer, texture, colour, a, b, half, last);
        if (pavements) Kerbs(segment, a, b, half);
    }

    void Rail(int index) {
        const TMapObject& o = Map.Objects[std::size_t(index)];
        const double length = Length(o);
        const double sx = o.X1, sy = o.Y1, ex = o.X2, ey = o.Y2;
        const double ux = (ex - sx) / length, uy = (ey - sy) / length;
        const TBed bed = Plan.RailBeds[std::size_t(index)];
        TLookTexture texture = BallastTexture;
        TColour3 colour{0.58f, 0.55f, 0.51f};
        if (bed == TBed::Grass) {
            texture = GrassTexture;
            colour = {0.37f, 0.53f, 0.27f};
        } else if (bed == TBed::Paving) {
            texture = PavingTexture;
            colour = {0.63f, 0.59f, 0.55f};
        }
        const TLookPoint a{float(sx), float(sy)}, b{float(ex), float(ey)};
        Band(TrackBedLayer, texture, colour, a, b, 1.6, true);

        // The rails along the same lines as the classic look's: straight parts 5 m short of
        // either end, and arcs into each successor.
        constexpr double g = 0.762, c = 5;
        std::vector<std::vector<TLookPoint>> lines; // centre, then each rail
        const auto straight = [&](double from, double to) {
            lines.push_back({{float(sx + from * ux), float(sy + from * uy)},
                             {float(sx + to * ux), float(sy + to * uy)}});
        };
        if (length > 2 * c) straight(c, length - c);
        const TLinkRec* link = Map.Link(index);
        for (int s = 0; link && s < 2; ++s) {
            const int next = link->Next[s];
            if (s == 1 && next == link->Next[0]) break;
            if (next == NoObject || next >= Map.ObjectCount()) continue;
            const double j = HalfAngleCot(o, Map.Objects[std::size_t(next)]);
            if (j == 0) {
                straight(length - c, length + c);
                continue;
            }
            const double half = std::atan(1 / j);
            const double radius = c * j;
            const double ax = ex - c * ux, ay = ey - c * uy;
            std::vector<TLookPoint> arc{{float(ax), float(ay)}};
            for (int k = 1; k <= 10; ++k) {
                const double turn = k * half / 10, co = std::cos(turn), si = std::sin(turn);
                const double wx = ux * co - uy * si, wy = uy * co + ux * si;
                const double chord = 2 * si * radius;
                arc.push_back({float(ax + chord * wx), float(ay + chord * wy)});
            }
            lines.push_back(std::move(arc));
        }
        for (const std::vector<TLookPoint>& line : lines) {
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                const TLookPoint& p = line[k];
                const TLookPoint& q = line[k + 1];
                const double dx = q.X - p.X, dy = q.Y - p.Y, l = std::hypot(dx, dy);
                if (l <= 0) continue;
                const double lx = dx / l, ly = dy / l, mx = ly, my = -lx;
                if (bed != TBed::Paving) Sleepers(p, lx, ly, mx, my, l);
                for (const double side : {g, -g}) {
                    const double x1 = p.X + side * mx, y1 = p.Y + side * my;
                    const double x2 = q.X + side * mx, y2 = q.Y + side * my;
                    RailPiece(x1, y1, x2, y2, mx, my, bed == TBed::Paving);
                }
            }
        }
    }

    void Building(int index) {
        const TLookBuilding& building = Look.Buildings[std::size_t(index)];
        const std::vector<int>& walls = Plan.BuildingWalls[std::size_t(index)];
        const double height = std::clamp(double(building.Height), 1.0, 300.0);
        const int levels =
            building.Levels > 0 ? building.Levels : std::max(1, int(std::lround(height / 3)));
        std::uint32_t seed = 0x5EED;
        for (const TWallKey& k : building.Walls)
            seed = Mix(Mix(seed, std::uint16_t(k.X1) | std::uint32_t(std::uint16_t(k.Y1)) << 16),
                       std::uint16_t(k.X2) | std::uint32_t(std::uint16_t(k.Y2)) << 16);
        TColour3 wallColour = Scale(building.WallColour);
        if (building.WallColour == TLookColour{}) wallColour = Palette(seed);
        // The middle of the footprint: walls face away from it.
        double cx = 0, cy = 0;
        if (!building.Outline.empty()) {
            for (const TLookPoint& p : building.Outline) {
                cx += p.X;
                cy += p.Y;
            }
            cx /= double(building.Outline.size());
            cy /= double(building.Outline.size());
        } else {
            for (int w : walls) {
                cx += (Map.Objects[std::size_t(w)].X1 + Map.Objects[std::size_t(w)].X2) / 2.0;
                cy += (Map.Objects[std::size_t(w)].Y1 + Map.Objects[std::size_t(w)].Y2) / 2.0;
            }
            cx /= double(walls.size());
            cy /= double(walls.size());
        }
        const double bay = building.Use == TBuildingUse::Industry ? 7 : 3.5;
        for (int w : walls) {
            const TMapObject& o = Map.Objects[std::size_t(w)];
            double nx = o.Y2 - o.Y1, ny = -(o.X2 - o.X1);
            if (nx * ((o.X1 + o.X2) / 2.0 - cx) + ny * ((o.Y1 + o.Y2) / 2.0 - cy) < 0) {
                nx = -nx;
                ny = -ny;
            }
            WallFace(o, height, levels, bay, building.Use == TBuildingUse::Shops, wallColour, nx,
                     ny, false, Mix(seed, std::uint32_t(w)));
        }
        Roof(building, height, wallColour, seed);
    }

    // The row's trees as the classic look draws them: the row's colour seeds them, so they are
    // the same trees in both looks, and no generator of the world's is touched.
    void TreeRow(int index) {
        TSceneView unlit;
        unlit.DayLight = 1; // the day light is applied when drawing
        TSceneVertexLists lists;
        TSceneBuilder builder(unlit, lists);
        TRandom random;
        builder.DrawTreeRow(Map.Objects[std::size_t(index)], random);
        const auto byte = [](float c) {
            return std::uint8_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255));
        };
        for (const TSceneVertex& v : lists.Triangles)
            Tile.Trees.push_back({v.X, v.Y, v.Z, 0, 0, byte(v.R), byte(v.G), byte(v.B), 255});
    }

    void LoneWall(int index) {
        const TMapObject& o = Map.Objects[std::size_t(index)];
        const double height = o.Kind() == Wall ? 5 : 20;
        const int levels = o.Kind() == Wall ? 2 : 6;
        const TColour3 colour{o.Red / 255.0f, o.Green / 255.0f, o.Blue / 255.0f};
        WallFace(o, height, levels, 3.5, false, colour, o.Y2 - o.Y1, -(o.X2 - o.X1), true,
                 Mix(0x1A11u, std::uint32_t(index)));
    }

  private:
    static TColour3 Palette(std::uint32_t seed) {
        static const TColour3 colours[] = {{0.86f, 0.80f, 0.68f}, {0.80f, 0.72f, 0.62f},
                                           {0.90f, 0.87f, 0.80f}, {0.76f, 0.60f, 0.50f},
                                           {0.84f, 0.78f, 0.58f}, {0.72f, 0.74f, 0.76f},
                                           {0.93f, 0.91f, 0.86f}, {0.70f, 0.52f, 0.44f}};
        return colours[seed % std::size(colours)];
    }

    void Triangle(std::vector<TLookVertex>& out, const TLookVertex& a, const TLookVertex& b,
                  const TLookVertex& c) {
        out.push_back(a);
        out.push_back(b);
        out.push_back(c);
    }
    void Quad(std::vector<TLookVertex>& out, const TLookVertex& a, const TLookVertex& b,
              const TLookVertex& c, const TLookVertex& d) {
        Triangle(out, a, b, c);
        Triangle(out, a, c, d);
    }

    // A flat band `half` wide either side of a→b, with a round joint at a (and at b when `end`).
    void Band(TGroundLayer layer, TLookTexture texture, TColour3 colour, const TLookPoint& a,
              const TLookPoint& b, double half, bool end) {
        std::vector<TLookVertex>& out = RunFor(Tile.Ground[layer], texture);
        const double dx = b.X - a.X, dy = b.Y - a.Y, l = std::hypot(dx, dy);
        const auto at = [&](double x, double y) {
            return GroundVertex(x, y, 0, texture, colour, Up);
        };
        if (l > 0) {
            const double nx = dy / l * half, ny = -dx / l * half;
            Quad(out, at(a.X + nx, a.Y + ny), at(b.X + nx, b.Y + ny), at(b.X - nx, b.Y - ny),
                 at(a.X - nx, a.Y - ny));
        }
        Round(out, at, a, half);
        if (end) Round(out, at, b, half);
    }
    template <class F>
    void Round(std::vector<TLookVertex>& out, F at, const TLookPoint& p, double radius) {
        constexpr int sides = 8;
        for (int k = 0; k < sides; ++k) {
            const double a1 = 2 * std::numbers::pi * k / sides;
            const double a2 = 2 * std::numbers::pi * (k + 1) / sides;
            Triangle(out, at(p.X, p.Y),
                     at(p.X + radius * std::cos(a1), p.Y + radius * std::sin(a1)),
                     at(p.X + radius * std::cos(a2), p.Y + radius * std::sin(a2)));
        }
    }

    // Kerbs along both edges of a carriageway, left out where they would cross another street.
    void Kerbs(const TStreetSegment& segment, const TLookPoint& a, const TLookPoint& b,
               double half) {
        const double dx = b.X - a.X, dy = b.Y - a.Y, l = std::hypot(dx, dy);
        if (l <= 0) return;
        const double ux = dx / l, uy = dy / l, nx = uy, ny = -ux;
        const int pieces = std::max(1, int(std::ceil(l)));
        const TColour3 stone{0.72f, 0.71f, 0.69f};
        std::vector<TLookVertex>& out = Tile.Mesh.Solid[NoTexture];
        for (const double side : {1.0, -1.0}) {
            // The face looks into the carriageway; the top runs outwards to the pavement.
            const double face = Light.Shade(-side * nx, -side * ny, 0);
            for (int k = 0; k < pieces; ++k) {
                const double t1 = l * k / pieces, t2 = l * (k + 1) / pieces;
                const double x1 = a.X + t1 * ux + side * half * nx;
                const double y1 = a.Y + t1 * uy + side * half * ny;
                const double x2 = a.X + t2 * ux + side * half * nx;
                const double y2 = a.Y + t2 * uy + side * half * ny;
                if (OnCarriageway(Plan, Look, x1, y1, segment.Id, 0.05) ||
                    OnCarriageway(Plan, Look, x2, y2, segment.Id, 0.05))
                    continue;
                const double ox = side * 0.25 * nx, oy = side * 0.25 * ny;
                Quad(out, Vertex(x1, y1, 0, 0, 0, stone, face),
                     Vertex(x2, y2, 0, 0, 0, stone, face),
                     Vertex(x2, y2, KerbHeight, 0, 0, stone, face),
                     Vertex(x1, y1, KerbHeight, 0, 0, stone, face));
                Quad(out, Vertex(x1, y1, KerbHeight, 0, 0, stone, Up),
                     Vertex(x2, y2, KerbHeight, 0, 0, stone, Up),
                     Vertex(x2 + ox, y2 + oy, KerbHeight, 0, 0, stone, Up),
                     Vertex(x1 + ox, y1 + oy, KerbHeight, 0, 0, stone, Up));
            }
        }
    }

    void Sleepers(const TLookPoint& p, double lx, double ly, double mx, double my, double l) {
        std::vector<TLookVertex>& out = RunFor(Tile.Ground[RailLayer], SleeperTexture);
        const TColour3 wood{0.45f, 0.36f, 0.29f};
        for (double t = 0.3; t < l; t += 0.65) {
            const double cx = p.X + t * lx, cy = p.Y + t * ly;
            const double ax = 1.25 * mx, ay = 1.25 * my, bx = 0.11 * lx, by = 0.11 * ly;
            Quad(out, Vertex(cx - ax - bx, cy - ay - by, 0, 0, 0, wood, Up),
                 Vertex(cx + ax - bx, cy + ay - by, 0, 1, 0, wood, Up),
                 Vertex(cx + ax + bx, cy + ay + by, 0, 1, 1, wood, Up),
                 Vertex(cx - ax + bx, cy - ay + by, 0, 0, 1, wood, Up));
        }
    }

    // One rail between two points: flush with the paving in a street, else a bar on sleepers.
    void RailPiece(double x1, double y1, double x2, double y2, double mx, double my, bool flush) {
        const double w = 0.036;
        const double ax = w * mx, ay = w * my;
        if (flush) {
            const TColour3 groove{0.22f, 0.22f, 0.23f}, steel{0.62f, 0.62f, 0.64f};
            std::vector<TLookVertex>& out = RunFor(Tile.Ground[RailLayer], NoTexture);
            const double gx = 2.2 * ax, gy = 2.2 * ay;
            Quad(out, Vertex(x1 - gx, y1 - gy, 0, 0, 0, groove, Up),
                 Vertex(x2 - gx, y2 - gy, 0, 0, 0, groove, Up),
                 Vertex(x2 + gx, y2 + gy, 0, 0, 0, groove, Up),
                 Vertex(x1 + gx, y1 + gy, 0, 0, 0, groove, Up));
            Quad(out, Vertex(x1 - ax, y1 - ay, 0, 0, 0, steel, Up),
                 Vertex(x2 - ax, y2 - ay, 0, 0, 0, steel, Up),
                 Vertex(x2 + ax, y2 + ay, 0, 0, 0, steel, Up),
                 Vertex(x1 + ax, y1 + ay, 0, 0, 0, steel, Up));
            return;
        }
        const TColour3 steel{0.55f, 0.54f, 0.55f}, top{0.78f, 0.78f, 0.80f};
        std::vector<TLookVertex>& out = Tile.Mesh.Solid[NoTexture];
        const double h = RailHeight;
        Quad(out, Vertex(x1 - ax, y1 - ay, h, 0, 0, top, Up),
             Vertex(x2 - ax, y2 - ay, h, 0, 0, top, Up), Vertex(x2 + ax, y2 + ay, h, 0, 0, top, Up),
             Vertex(x1 + ax, y1 + ay, h, 0, 0, top, Up));
        for (const double side : {1.0, -1.0}) {
            const double sx = side * ax, sy = side * ay;
            const double shade = Light.Shade(side * mx, side * my, 0);
            Quad(out, Vertex(x1 + sx, y1 + sy, 0, 0, 0, steel, shade),
                 Vertex(x2 + sx, y2 + sy, 0, 0, 0, steel, shade),
                 Vertex(x2 + sx, y2 + sy, h, 0, 0, steel, shade),
                 Vertex(x1 + sx, y1 + sy, h, 0, 0, steel, shade));
        }
    }

    // A wall of the map to `height`: a facade of `levels` storeys in bays about `bay` wide, a
    // shop front on the ground floor; at night some windows lit, on the side (nx, ny) points
    // to, or on both sides of a wall that belongs to no building.
    void WallFace(const TMapObject& o, double height, int levels, double bay, bool shops,
                  TColour3 colour, double nx, double ny, bool bothSides, std::uint32_t seed) {
        const double length = Length(o);
        if (length <= 0) return;
        const double shade = bothSides ? std::max(Light.Shade(nx, ny, 0), Light.Shade(-nx, -ny, 0))
                                       : Light.Shade(nx, ny, 0);
        const int bays = std::max(1, int(std::lround(length / bay)));
        const double storey = height / levels;
        const double x1 = o.X1, y1 = o.Y1, x2 = o.X2, y2 = o.Y2;
        const auto face = [&](TLookTexture texture, double z1, double z2, double v1, double v2) {
            Quad(Tile.Mesh.Solid[texture], Vertex(x1, y1, z1, 0, v1, colour, shade),
                 Vertex(x2, y2, z1, bays, v1, colour, shade),
                 Vertex(x2, y2, z2, bays, v2, colour, shade),
                 Vertex(x1, y1, z2, 0, v2, colour, shade));
        };
        if (shops && levels > 1) {
            face(ShopTexture, 0, storey, 0, 1);
            face(FacadeTexture, storey, height, 1, levels);
        } else {
            face(FacadeTexture, 0, height, 0, levels);
        }
        if (!Light.Night) return;
        // Lit windows: about one in three, the same ones every night.
        const double l = std::hypot(nx, ny);
        const double ox = nx / l * 0.06, oy = ny / l * 0.06;
        const double ux = (x2 - x1) / length, uy = (y2 - y1) / length;
        const TColour3 lamp{1.0f, 0.84f, 0.55f};
        for (int s = shops ? 1 : 0; s < std::min(levels, 60); ++s)
            for (int b = 0; b < std::min(bays, 200); ++b) {
                if (Mix(seed, std::uint32_t(s * 1000 + b)) % 100 >= 33) continue;
                const double t1 = (b + WindowLeft) / bays * length;
                const double t2 = (b + WindowRight) / bays * length;
                const double z1 = (s + WindowBottom) * storey, z2 = (s + WindowTop) * storey;
                for (const double side : {1.0, -1.0}) {
                    if (side < 0 && !bothSides) break;
                    const double px = x1 + t1 * ux + side * ox, py = y1 + t1 * uy + side * oy;
                    const double qx = x1 + t2 * ux + side * ox, qy = y1 + t2 * uy + side * oy;
                    if (z1 < ClearTo && z2 > ClearFrom &&
                        NearTrack(Plan, Map, px, py, qx, qy, TrackClearance))
                        continue;
                    Quad(Tile.Mesh.Shining[NoTexture], Vertex(px, py, z1, 0, 0, lamp, 1),
                         Vertex(qx, qy, z1, 0, 0, lamp, 1), Vertex(qx, qy, z2, 0, 0, lamp, 1),
                         Vertex(px, py, z2, 0, 0, lamp, 1));
                }
            }
    }

    void Roof(const TLookBuilding& building, double height, TColour3 wallColour,
              std::uint32_t seed) {
        const std::vector<TLookPoint>& ring = building.Outline;
        if (ring.size() < 3) return;
        // A low roof over a track would stand in the tram's way.
        if (height < ClearTo)
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const TLookPoint& a = ring[i];
                const TLookPoint& b = ring[(i + 1) % ring.size()];
                if (NearTrack(Plan, Map, a.X, a.Y, b.X, b.Y, TrackClearance)) return;
                bool inside = false;
                Plan.RailGrid.ForNear(a.X, a.Y, [&](int id) {
                    const TMapObject& o = Map.Objects[std::size_t(id)];
                    if (InRing(ring, o.X1, o.Y1)) inside = true;
                });
                if (inside) return;
            }
        const bool pitched = building.Roof != TRoofShape::Flat && ring.size() == 4;
        TColour3 colour = Scale(building.RoofColour);
        if (building.RoofColour == TLookColour{})
            colour = pitched ? TColour3{0.60f, 0.30f, 0.22f} : TColour3{0.47f, 0.46f, 0.45f};
        (void)seed;
        std::vector<TLookVertex>& out = Tile.Mesh.Solid[RoofTexture];
        const double metres = TextureMetres(RoofTexture);
        if (!pitched) {
            for (const auto& t : TriangulateRing(ring)) {
                const auto at = [&](int k) {
                    const TLookPoint& p = ring[std::size_t(k)];
                    return Vertex(p.X, p.Y, height, p.X / metres, -p.Y / metres, colour, Up);
                };
                Triangle(out, at(t[0]), at(t[1]), at(t[2]));
            }
            return;
        }
        // The ridge along the longer sides, at the middle between them.
        int first = 0; // the longer sides are first->first+1 and first+2->first+3
        const auto side = [&](int k) {
            const TLookPoint& p = ring[std::size_t(k % 4)];
            const TLookPoint& q = ring[std::size_t((k + 1) % 4)];
            return std::hypot(q.X - p.X, q.Y - p.Y);
        };
        if (side(1) + side(3) > side(0) + side(2)) first = 1;
        const TLookPoint p0 = ring[std::size_t(first)], p1 = ring[std::size_t((first + 1) % 4)];
        const TLookPoint p2 = ring[std::size_t((first + 2) % 4)],
                         p3 = ring[std::size_t((first + 3) % 4)];
        const double shortSide = std::min(side(first + 1), side(first + 3));
        const double rise = building.RoofHeight > 0 ? building.RoofHeight : 0.4 * shortSide;
        const double top = height + rise;
        double r0x = (p3.X + p0.X) / 2, r0y = (p3.Y + p0.Y) / 2;
        double r1x = (p1.X + p2.X) / 2, r1y = (p1.Y + p2.Y) / 2;
        if (building.Roof == TRoofShape::Hipped) {
            const double rl = std::hypot(r1x - r0x, r1y - r0y);
            const double in = std::min(shortSide / 2, rl / 2 - 0.01);
            if (rl > 0) {
                const double dx = (r1x - r0x) / rl * in, dy = (r1y - r0y) / rl * in;
                r0x += dx;
                r0y += dy;
                r1x -= dx;
                r1y -= dy;
            }
        }
        const auto slope = [&](const std::array<std::array<double, 3>, 3>& p, TColour3 c,
                               std::vector<TLookVertex>& into) {
            const double ax = p[1][0] - p[0][0], ay = p[1][1] - p[0][1], az = p[1][2] - p[0][2];
            const double bx = p[2][0] - p[0][0], by = p[2][1] - p[0][1], bz = p[2][2] - p[0][2];
            double nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
            if (nz < 0) {
                nx = -nx;
                ny = -ny;
                nz = -nz;
            }
            const double shade = nz < 1e-6 ? Light.Shade(nx, ny, 0) : Light.Shade(nx, ny, nz);
            for (const auto& q : p)
                into.push_back(
                    Vertex(q[0], q[1], q[2], (q[0] + q[1]) / metres, q[2] / metres * 2, c, shade));
        };
        const std::array<double, 3> a{p0.X, p0.Y, height}, b{p1.X, p1.Y, height},
            c{p2.X, p2.Y, height}, d{p3.X, p3.Y, height}, r0{r0x, r0y, top}, r1{r1x, r1y, top};
        slope({a, b, r1}, colour, out);
        slope({a, r1, r0}, colour, out);
        slope({c, d, r0}, colour, out);
        slope({c, r0, r1}, colour, out);
        // The ends: gables are walls, hips are roof.
        if (building.Roof == TRoofShape::Gabled) {
            slope({b, c, r1}, wallColour, Tile.Mesh.Solid[NoTexture]);
            slope({d, a, r0}, wallColour, Tile.Mesh.Solid[NoTexture]);
        } else {
            slope({b, c, r1}, colour, out);
            slope({d, a, r0}, colour, out);
        }
    }

    const TMap& Map;
    const TCityLook& Look;
    const TLookPlan& Plan;
    const TLookLight& Light;
    TLookTile& Tile;
    const double Up; // the shade of a face looking up
};

} // namespace

TLookTile& TLookCity::Tile(const TMap& map, const TCityLook& look, int index,
                           const TLookLight& light) {
    TLookTile& tile = TileList[std::size_t(index)];
    if (tile.Built && !LightMoved(tile.Light, light)) return tile;
    for (auto& layer : tile.Ground)
        layer.clear();
    tile.Mesh.Clear();
    tile.Trees.clear();
    tile.Light = light;
    tile.Built = true;
    tile.Serial = ++BuildCount;
    const TLookPlan::TTilePlan& plan = Plan->Tiles[std::size_t(index)];
    TTileBuilder builder(map, look, *Plan, light, tile);
    builder.Areas(plan.Areas);
    for (const TStreetSegment& s : plan.Streets)
        builder.Street(s);
    for (int r : plan.Rails)
        builder.Rail(r);
    for (int b : plan.Buildings)
        builder.Building(b);
    for (int w : plan.Walls)
        builder.LoneWall(w);
    for (int t : plan.Trees)
        builder.TreeRow(t);
    BuildTileParts(map, look, tile.Box, light, tile.Mesh);
    return tile;
}

void TLookCity::BuildAll(const TMap& map, const TCityLook& look, const TLookLight& light) {
    Prepare(map, look);
    for (std::size_t i = 0; i < TileList.size(); ++i)
        Tile(map, look, int(i), light);
}

} // namespace vell
