// The detailed look's city built without OpenGL: the sun, the setting, the tiles' ground, track
// bed and rails, the buildings' walls and roofs, the track's clearance, and building once.
#include "cab/look/LookScene.h"
#include "cab/look/LookTextures.h"
#include "import/Import.h"
#include "model/Geometry.h"
#include "tests/cab/scene/LookTestCity.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>

namespace vell::test {
namespace {

// Map points of OpenGL vertices.
double MapX(const TLookVertex& v) {
    return v.X;
}
double MapY(const TLookVertex& v) {
    return -v.Y;
}

template <class F> void ForEachTriangle(const std::vector<TLookVertex>& list, F f) {
    for (std::size_t i = 0; i + 2 < list.size(); i += 3)
        f(list[i], list[i + 1], list[i + 2]);
}

// Every triangle that stands: the depth-tested and the shining ones of every tile.
template <class F> void ForEachStandingTriangle(const TLookCity& city, F f) {
    for (const TLookTile& tile : city.Tiles()) {
        for (const auto& list : tile.Mesh.Solid)
            ForEachTriangle(list, f);
        for (const auto& list : tile.Mesh.Shining)
            ForEachTriangle(list, f);
    }
}

// The centre lines of the map's rails, found by 20 m cells.
struct TTrackLines {
    explicit TTrackLines(const TMap& map) : Map(map) {
        for (std::size_t i = 0; i < map.Objects.size(); ++i) {
            const TMapObject& o = map.Objects[i];
            if (!o.IsRail()) continue;
            const int x1 = Cell(std::min(o.X1, o.X2) - 3), x2 = Cell(std::max(o.X1, o.X2) + 3);
            const int y1 = Cell(std::min(o.Y1, o.Y2) - 3), y2 = Cell(std::max(o.Y1, o.Y2) + 3);
            for (int y = y1; y <= y2; ++y)
                for (int x = x1; x <= x2; ++x)
                    Cells[{x, y}].push_back(int(i));
        }
    }
    static int Cell(double v) { return int(std::floor(v / 20)); }
    // The least distance from the polygon (map points) to a track's centre line, 1e9 when none
    // is near.
    double Distance(const std::vector<std::array<double, 2>>& poly) const {
        double best = 1e9;
        double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
        for (const auto& p : poly) {
            minX = std::min(minX, p[0]);
            maxX = std::max(maxX, p[0]);
            minY = std::min(minY, p[1]);
            maxY = std::max(maxY, p[1]);
        }
        std::vector<int> seen;
        for (int y = Cell(minY); y <= Cell(maxY); ++y)
            for (int x = Cell(minX); x <= Cell(maxX); ++x) {
                const auto it = Cells.find({x, y});
                if (it == Cells.end()) continue;
                for (int r : it->second) {
                    const TMapObject& o = Map.Objects[std::size_t(r)];
                    for (std::size_t k = 0; k < poly.size(); ++k) {
                        const auto& a = poly[k];
                        const auto& b = poly[(k + 1) % poly.size()];
                        best = std::min(best, std::sqrt(SegmentDistSq(a[0], a[1], b[0], b[1], o.X1,
                                                                      o.Y1, o.X2, o.Y2)));
                    }
                }
            }
        return best;
    }
    const TMap& Map;
    std::map<std::pair<int, int>, std::vector<int>> Cells;
};

// What of a triangle lies between two heights, as map points.
std::vector<std::array<double, 2>> BetweenHeights(const TLookVertex& a, const TLookVertex& b,
                                                  const TLookVertex& c, double low, double high) {
    std::vector<std::array<double, 3>> poly{
        {MapX(a), MapY(a), a.Z}, {MapX(b), MapY(b), b.Z}, {MapX(c), MapY(c), c.Z}};
    const auto clip = [&poly](double level, bool above) {
        std::vector<std::array<double, 3>> out;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const auto& p = poly[i];
            const auto& q = poly[(i + 1) % poly.size()];
            const bool inP = above ? p[2] >= level : p[2] <= level;
            const bool inQ = above ? q[2] >= level : q[2] <= level;
            if (inP) out.push_back(p);
            if (inP != inQ) {
                const double t = (level - p[2]) / (q[2] - p[2]);
                out.push_back({p[0] + t * (q[0] - p[0]), p[1] + t * (q[1] - p[1]), level});
            }
        }
        poly = std::move(out);
    };
    clip(low, true);
    if (!poly.empty()) clip(high, false);
    std::vector<std::array<double, 2>> flat;
    for (const auto& p : poly)
        flat.push_back({p[0], p[1]});
    return flat;
}

// How many standing triangles come within the clearance of a track between its heights.
int InTheTrack(const TMap& map, const TLookCity& city, std::string* where = nullptr) {
    const TTrackLines lines(map);
    int found = 0;
    // A hair inside the heights: the rails' and kerbs' tops, a wall's foot, are not in it.
    ForEachStandingTriangle(
        city, [&](const TLookVertex& a, const TLookVertex& b, const TLookVertex& c) {
            const auto part = BetweenHeights(a, b, c, ClearFrom + 1e-3, ClearTo - 1e-3);
            if (part.empty()) return;
            if (lines.Distance(part) < TrackClearance - 1e-3) {
                if (where && found == 0)
                    *where = "(" + std::to_string(MapX(a)) + ", " + std::to_string(MapY(a)) + ", " +
                             std::to_string(a.Z) + ")";
                ++found;
            }
        });
    return found;
}

// Whether a wall of the map has a face on the look's facade or shop texture standing on the
// ground at both its ends.
bool WallStandsOnTheGround(const TLookCity& city, const TMapObject& wall) {
    bool start = false, end = false;
    for (const TLookTile& tile : city.Tiles())
        for (const TLookTexture texture : {FacadeTexture, ShopTexture})
            for (const TLookVertex& v : tile.Mesh.Solid[texture]) {
                if (v.Z != 0) continue;
                if (std::hypot(MapX(v) - wall.X1, MapY(v) - wall.Y1) < 1e-3) start = true;
                if (std::hypot(MapX(v) - wall.X2, MapY(v) - wall.Y2) < 1e-3) end = true;
            }
    return start && end;
}

// The triangles at or above `height` within the box of an outline: a building's roof, and its
// gables.
std::vector<std::array<TLookVertex, 3>>
RoofOf(const TLookCity& city, const std::vector<TLookPoint>& outline, double height) {
    float x1 = 1e9f, y1 = 1e9f, x2 = -1e9f, y2 = -1e9f;
    for (const TLookPoint& p : outline) {
        x1 = std::min(x1, p.X);
        y1 = std::min(y1, p.Y);
        x2 = std::max(x2, p.X);
        y2 = std::max(y2, p.Y);
    }
    std::vector<std::array<TLookVertex, 3>> roof;
    for (const TLookTile& tile : city.Tiles())
        for (const TLookTexture texture : {RoofTexture, NoTexture})
            ForEachTriangle(tile.Mesh.Solid[texture],
                            [&](const TLookVertex& a, const TLookVertex& b, const TLookVertex& c) {
                                for (const TLookVertex* v : {&a, &b, &c})
                                    if (v->Z < height - 1e-3 || MapX(*v) < x1 - 0.01 ||
                                        MapX(*v) > x2 + 0.01 || MapY(*v) < y1 - 0.01 ||
                                        MapY(*v) > y2 + 0.01)
                                        return;
                                roof.push_back({a, b, c});
                            });
    return roof;
}

// Whether the point (x, y) at `height` lies on an edge of one of the triangles.
bool OnAnEdge(const std::vector<std::array<TLookVertex, 3>>& roof, double x, double y,
              double height) {
    for (const auto& t : roof)
        for (int k = 0; k < 3; ++k) {
            const TLookVertex& a = t[std::size_t(k)];
            const TLookVertex& b = t[std::size_t((k + 1) % 3)];
            if (std::fabs(a.Z - height) > 1e-3 || std::fabs(b.Z - height) > 1e-3) continue;
            if (PointSegmentDistSq(x, y, MapX(a), MapY(a), MapX(b), MapY(b)) < 1e-4) return true;
        }
    return false;
}

double TriangleArea(const TLookVertex& a, const TLookVertex& b, const TLookVertex& c) {
    return std::fabs((b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X)) / 2;
}

// The ground layer's vertices of `texture` within `radius` of a map point.
int GroundNear(const TLookCity& city, TGroundLayer layer, TLookTexture texture, double x, double y,
               double radius) {
    int count = 0;
    for (const TLookTile& tile : city.Tiles())
        for (const TLookRun& run : tile.Ground[layer])
            if (run.Texture == texture)
                for (const TLookVertex& v : run.Triangles)
                    if (std::hypot(MapX(v) - x, MapY(v) - y) < radius) ++count;
    return count;
}

// Whether a triangle of the ground layer's `texture` covers the map point (x, y).
bool Covers(const TLookCity& city, TGroundLayer layer, TLookTexture texture, double x, double y) {
    const auto side = [](double px, double py, const TLookVertex& a, const TLookVertex& b) {
        return (MapX(b) - MapX(a)) * (py - MapY(a)) - (MapY(b) - MapY(a)) * (px - MapX(a));
    };
    for (const TLookTile& tile : city.Tiles())
        for (const TLookRun& run : tile.Ground[layer]) {
            if (run.Texture != texture) continue;
            for (std::size_t i = 0; i + 2 < run.Triangles.size(); i += 3) {
                const TLookVertex &a = run.Triangles[i], &b = run.Triangles[i + 1],
                                  &c = run.Triangles[i + 2];
                if (side(MapX(c), MapY(c), a, b) == 0) continue; // no area
                const double s1 = side(x, y, a, b), s2 = side(x, y, b, c), s3 = side(x, y, c, a);
                if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) return true;
            }
        }
    return false;
}

const TLookLight Noon = LookLightAt(12);
const TLookLight Midnight = LookLightAt(23);

TEST(LookLight, TheSunRisesInTheEastStandsSouthAtNoonAndSetsInTheWest) {
    const TLookLight morning = LookLightAt(6), noon = LookLightAt(12), evening = LookLightAt(18);
    EXPECT_NEAR(morning.SunX, 1, 1e-9);
    EXPECT_NEAR(morning.SunZ, 0, 1e-9);
    EXPECT_NEAR(noon.SunY, std::cos(50 * std::numbers::pi / 180), 1e-9);
    EXPECT_NEAR(noon.SunZ, std::sin(50 * std::numbers::pi / 180), 1e-9);
    EXPECT_NEAR(evening.SunX, -1, 1e-9);
    EXPECT_DOUBLE_EQ(noon.DayLight, 1);
    EXPECT_FALSE(noon.Night);
    EXPECT_DOUBLE_EQ(LookLightAt(23).DayLight, 0.1);
    EXPECT_TRUE(LookLightAt(23).Night);
    EXPECT_TRUE(LookLightAt(2.5).Night);
    // A wall facing the sun is lit fully, one facing away at the floor.
    EXPECT_FLOAT_EQ(noon.Shade(0, 1, 0), float(0.55 + 0.45 * noon.SunY));
    EXPECT_FLOAT_EQ(noon.Shade(0, -1, 0), 0.55f);
    // A few minutes move the sun too little to build the tiles again; an hour does not.
    EXPECT_FALSE(LightMoved(LookLightAt(10), LookLightAt(10.1)));
    EXPECT_TRUE(LightMoved(LookLightAt(10), LookLightAt(11)));
    // Nightfall lights the windows, however little the sun moved.
    TLookLight dusk = LookLightAt(19), nightfall = dusk;
    nightfall.Night = true;
    EXPECT_FALSE(dusk.Night);
    EXPECT_TRUE(LightMoved(dusk, nightfall));
}

TEST(LookSetting, ByTheMapIsDetailedWhereTheMapHasLookData) {
    TLookTestCity city;
    EXPECT_FALSE(UsesDetailedLook(TLookSetting::ByMap, *city.Map));
    EXPECT_FALSE(UsesDetailedLook(TLookSetting::Classic, *city.Map));
    EXPECT_TRUE(UsesDetailedLook(TLookSetting::Detailed, *city.Map));
    city.Map->Extras.Look = city.Look;
    EXPECT_TRUE(UsesDetailedLook(TLookSetting::ByMap, *city.Map));
    EXPECT_FALSE(UsesDetailedLook(TLookSetting::Classic, *city.Map));
}

TEST(LookTriangulation, RingsOfEitherTurnAreCoveredOnceAndCrossedRingsEndQuietly) {
    std::vector<TLookPoint> ring{{0, 0}, {40, 0}, {40, 15}, {20, 15}, {20, 30}, {0, 30}};
    for (int turn = 0; turn < 2; ++turn) {
        const auto triangles = TriangulateRing(ring);
        ASSERT_EQ(triangles.size(), ring.size() - 2);
        double area = 0;
        for (const auto& t : triangles) {
            const TLookPoint &a = ring[std::size_t(t[0])], &b = ring[std::size_t(t[1])],
                             &c = ring[std::size_t(t[2])];
            area += std::fabs((b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X)) / 2;
        }
        EXPECT_NEAR(area, 40 * 15 + 20 * 15, 1e-6);
        std::reverse(ring.begin(), ring.end());
    }
    const std::vector<TLookPoint> bowtie{{0, 0}, {10, 10}, {10, 0}, {0, 10}};
    EXPECT_LE(TriangulateRing(bowtie).size(), 2u);
    EXPECT_TRUE(TriangulateRing({{0, 0}, {1, 1}}).empty());
}

TEST(LookCity, WallsStandOnTheGroundAndRoofsCloseTheirBuildings) {
    TLookTestCity test;
    TLookCity city;
    city.BuildAll(*test.Map, test.Look, Noon);
    for (const TMapObject& o : test.Map->Objects)
        if (o.Kind() == Wall || o.Kind() == HighWall) {
            EXPECT_TRUE(WallStandsOnTheGround(city, o))
                << o.X1 << "," << o.Y1 << " - " << o.X2 << "," << o.Y2;
        }

    for (const int index : {test.Gabled, test.Flat, test.HighOverTrack}) {
        const TLookBuilding& building = test.Look.Buildings[std::size_t(index)];
        const auto roof = RoofOf(city, building.Outline, building.Height);
        ASSERT_FALSE(roof.empty()) << index;
        // The roof's edge runs along the top of every wall, cut walls too.
        for (const TWallKey& w : building.Walls)
            for (int k = 0; k <= 8; ++k) {
                const double x = w.X1 + (w.X2 - w.X1) * k / 8.0;
                const double y = w.Y1 + (w.Y2 - w.Y1) * k / 8.0;
                EXPECT_TRUE(OnAnEdge(roof, x, y, building.Height))
                    << "building " << index << " at " << x << ", " << y;
            }
        // Seen from above it covers the footprint, once.
        double area = 0, footprint = 0;
        for (const auto& t : roof)
            area += TriangleArea(t[0], t[1], t[2]);
        for (std::size_t k = 0; k < building.Outline.size(); ++k) {
            const TLookPoint& a = building.Outline[k];
            const TLookPoint& b = building.Outline[(k + 1) % building.Outline.size()];
            footprint += (double(a.X) * b.Y - double(b.X) * a.Y) / 2;
        }
        // A gabled roof's ends are upright: they cover nothing.
        EXPECT_NEAR(area, std::fabs(footprint), 1e-2) << index;
    }
    // The pitched roofs rise to their ridge; the flat one stays at the eaves.
    float gabledTop = 0, flatTop = 0;
    for (const auto& t : RoofOf(city, test.Look.Buildings[std::size_t(test.Gabled)].Outline, 14))
        for (const TLookVertex& v : t)
            gabledTop = std::max(gabledTop, v.Z);
    for (const auto& t : RoofOf(city, test.Look.Buildings[std::size_t(test.Flat)].Outline, 9))
        for (const TLookVertex& v : t)
            flatTop = std::max(flatTop, v.Z);
    EXPECT_FLOAT_EQ(gabledTop, 18);
    EXPECT_FLOAT_EQ(flatTop, 9);
    // The building whose walls are not all on the map has no roof: its walls stand as plain
    // walls, 5 m high.
    EXPECT_TRUE(
        RoofOf(city, test.Look.Buildings[std::size_t(test.Unmatched)].Outline, 5.01).empty());
}

TEST(LookCity, NothingStandsInTheTrackByDayOrByNight) {
    TLookTestCity test;
    for (const TLookLight& light : {Noon, Midnight}) {
        TLookCity city;
        city.BuildAll(*test.Map, test.Look, light);
        std::string where;
        EXPECT_EQ(InTheTrack(*test.Map, city, &where), 0) << where;
        // The low building over the track keeps its walls but can have no roof.
        const TLookBuilding& low = test.Look.Buildings[std::size_t(test.LowOverTrack)];
        EXPECT_TRUE(RoofOf(city, low.Outline, low.Height).empty());
        for (const TWallKey& w : low.Walls)
            EXPECT_TRUE(WallStandsOnTheGround(city, MakeObject(Wall, w.X1, w.Y1, w.X2, w.Y2)));
    }
}

TEST(LookCity, TheTrackBedIsPavingInTheStreetGrassInTheParkBallastElsewhere) {
    TLookTestCity test;
    TLookCity city;
    city.BuildAll(*test.Map, test.Look, Noon);
    const auto bed = [&](int rail, TLookTexture texture) {
        const TMapObject& o = test.Map->Objects[std::size_t(rail)];
        return Covers(city, TrackBedLayer, texture, (o.X1 + o.X2) / 2.0, (o.Y1 + o.Y2) / 2.0);
    };
    EXPECT_TRUE(bed(test.Rails[0], PavingTexture));
    EXPECT_FALSE(bed(test.Rails[0], BallastTexture));
    EXPECT_TRUE(bed(test.Rails[2], PavingTexture));
    EXPECT_TRUE(bed(test.Rails[3], GrassTexture));
    EXPECT_FALSE(bed(test.Rails[3], BallastTexture));
    EXPECT_TRUE(bed(test.Rails[5], BallastTexture));
    EXPECT_FALSE(bed(test.Rails[5], PavingTexture));
    // Sleepers on ballast and grass, none in the street, where the rails lie flush.
    EXPECT_EQ(GroundNear(city, RailLayer, SleeperTexture, 200, 500, 90), 0);
    EXPECT_TRUE(Covers(city, RailLayer, NoTexture, 200, 500 - 0.762));
    EXPECT_TRUE(Covers(city, RailLayer, NoTexture, 200, 500 + 0.762));
    EXPECT_FALSE(Covers(city, RailLayer, NoTexture, 200, 500));
    EXPECT_GT(GroundNear(city, RailLayer, SleeperTexture, 800, 500, 90), 0);
    EXPECT_GT(GroundNear(city, RailLayer, SleeperTexture, 1000, 700, 90), 0);
    // The ground has the look's areas, streets and pavements.
    EXPECT_TRUE(Covers(city, AreaLayer, WaterTexture, 500, 250));
    EXPECT_TRUE(Covers(city, AreaLayer, GrassTexture, 850, 600));
    EXPECT_FALSE(Covers(city, AreaLayer, GrassTexture, 850, 700));
    // The square's bite is not paved.
    EXPECT_TRUE(Covers(city, AreaLayer, PavingTexture, 525, 625));
    EXPECT_FALSE(Covers(city, AreaLayer, PavingTexture, 475, 625));
    EXPECT_TRUE(Covers(city, StreetLayer, AsphaltTexture, 150, 505));
    EXPECT_FALSE(Covers(city, StreetLayer, AsphaltTexture, 150, 509));
    EXPECT_TRUE(Covers(city, StreetLayer, PavingTexture, 250, 602));
    EXPECT_TRUE(Covers(city, PavementLayer, PavementTexture, 150, 509));
    EXPECT_FALSE(Covers(city, PavementLayer, PavementTexture, 150, 511));
    // Rails on the bed stand up from it; kerbs stand at the street's edges but not across the
    // side street.
    int railTops = 0, kerbsAcross = 0, kerbs = 0;
    for (const TLookTile& tile : city.Tiles())
        for (const TLookVertex& v : tile.Mesh.Solid[NoTexture]) {
            if (v.Z == RailHeight && std::fabs(MapY(v) - 500) < 1 && MapX(v) > 700 && MapX(v) < 900)
                ++railTops;
            if (v.Z == KerbHeight && std::fabs(std::fabs(MapY(v) - 500) - 7) < 0.3) {
                ++kerbs;
                if (std::fabs(MapX(v) - 400) < 4.9) ++kerbsAcross;
            }
        }
    EXPECT_GT(railTops, 0);
    EXPECT_GT(kerbs, 0);
    EXPECT_EQ(kerbsAcross, 0);
}

TEST(LookCity, AMapWithoutLookDataDrawsRailsOnBallastAndPlainWalls) {
    TLookTestCity test;
    const TCityLook none;
    TLookCity city;
    city.BuildAll(*test.Map, none, Midnight);
    for (const int rail : test.Rails) {
        const TMapObject& o = test.Map->Objects[std::size_t(rail)];
        EXPECT_TRUE(
            Covers(city, TrackBedLayer, BallastTexture, (o.X1 + o.X2) / 2.0, (o.Y1 + o.Y2) / 2.0));
    }
    std::size_t ground = 0, roofs = 0, lit = 0;
    float top = 0;
    for (const TLookTile& tile : city.Tiles()) {
        for (TGroundLayer layer : {AreaLayer, PavementLayer, StreetLayer})
            ground += tile.Ground[layer].size();
        roofs += tile.Mesh.Solid[RoofTexture].size();
        lit += tile.Mesh.Shining[NoTexture].size();
        for (const TLookVertex& v : tile.Mesh.Solid[FacadeTexture])
            top = std::max(top, v.Z);
    }
    EXPECT_EQ(ground, 0u);
    EXPECT_EQ(roofs, 0u);
    EXPECT_GT(lit, 0u);       // at night some windows are lit
    EXPECT_FLOAT_EQ(top, 20); // the high wall
    for (const TMapObject& o : test.Map->Objects)
        if (o.Kind() == Wall || o.Kind() == HighWall) {
            EXPECT_TRUE(WallStandsOnTheGround(city, o));
        }
    EXPECT_EQ(InTheTrack(*test.Map, city), 0);
}

TEST(LookCity, TilesAreBuiltOnceAgainWhenTheSunMovesAndAfreshWhenTheMapChanges) {
    TLookTestCity test;
    TLookCity city;
    city.BuildAll(*test.Map, test.Look, LookLightAt(10));
    const int tiles = city.Builds();
    ASSERT_GT(tiles, 0);
    city.BuildAll(*test.Map, test.Look, LookLightAt(10.05));
    EXPECT_EQ(city.Builds(), tiles);
    // The same light gives the same bytes.
    TLookCity again;
    again.BuildAll(*test.Map, test.Look, LookLightAt(10));
    ASSERT_EQ(again.Tiles().size(), city.Tiles().size());
    for (std::size_t t = 0; t < city.Tiles().size(); ++t)
        for (int b = 0; b < LookTextureCount; ++b) {
            const auto& one = city.Tiles()[t].Mesh.Solid[std::size_t(b)];
            const auto& two = again.Tiles()[t].Mesh.Solid[std::size_t(b)];
            ASSERT_EQ(one.size(), two.size());
            EXPECT_TRUE(one.empty() ||
                        std::memcmp(one.data(), two.data(), one.size() * sizeof(one[0])) == 0);
        }
    // Nightfall builds every tile again, with lit windows.
    city.BuildAll(*test.Map, test.Look, Midnight);
    EXPECT_EQ(city.Builds(), 2 * tiles);
    std::size_t lit = 0;
    for (const TLookTile& tile : city.Tiles())
        lit += tile.Mesh.Shining[NoTexture].size();
    EXPECT_GT(lit, 0u);
    // A wall moved on the map: the tiles are planned again and the wall stands where it is now.
    TMapObject& wall = test.Map->Objects[std::size_t(test.LoneWall)];
    wall.X2 = 870;
    city.BuildAll(*test.Map, test.Look, Midnight);
    EXPECT_GT(city.Builds(), 2 * tiles);
    EXPECT_TRUE(WallStandsOnTheGround(city, wall));
}

TEST(LookTextures, EveryTextureOfOursIsMadeTheSameEachTime) {
    for (int t = 0; t < LookTextureCount; ++t) {
        const TLookImage image = MakeLookTexture(TLookTexture(t));
        if (t == NoTexture || t == GlyphTexture || t == GlowTexture) {
            EXPECT_EQ(image.Size, 0);
            continue;
        }
        ASSERT_EQ(image.Size, 64) << t;
        EXPECT_EQ(image.Rgba.size(), 64u * 64u * 4u);
        EXPECT_EQ(image.Rgba, MakeLookTexture(TLookTexture(t)).Rgba);
        // Detail, not a flat colour.
        EXPECT_NE(std::count(image.Rgba.begin(), image.Rgba.end(), image.Rgba[0]),
                  std::ptrdiff_t(image.Rgba.size()));
    }
    // The facade's window is dark glass, its wall light.
    const TLookImage facade = MakeLookTexture(FacadeTexture);
    const auto at = [&](double u, double v) {
        const int x = int(u * 64), y = 63 - int(v * 64);
        return facade.Rgba[std::size_t((y * 64 + x) * 4)];
    };
    EXPECT_LT(at(0.4, 0.4), 140);
    EXPECT_GT(at(0.1, 0.5), 200);
}

// An imported city without look data, walls cut near its track by the import: each wall stands
// on the ground, and nothing of the detailed look stands in the track, lit windows included.
TEST(LookCityImported, PortoStandsClearOfItsTrack) {
    VELL_NEED_OSM_FOLDER();
    const import::TImportResult result =
        import::ImportCity(import::TOsmInput::File(import::test::OsmFile("porto.osm.pbf")), {});
    const TMap& map = *result.Map;
    TLookCity city;
    city.BuildAll(map, map.Extras.Look, Midnight);
    std::string where;
    EXPECT_EQ(InTheTrack(map, city, &where), 0) << where;
    int walls = 0, standing = 0;
    for (const TMapObject& o : map.Objects)
        if ((o.Kind() == Wall || o.Kind() == HighWall) && (o.X1 != o.X2 || o.Y1 != o.Y2)) {
            ++walls;
            if (walls % 50 == 0) standing += WallStandsOnTheGround(city, o) ? 1 : 0;
        }
    ASSERT_GT(walls, 1000);
    EXPECT_EQ(standing, walls / 50);
}

} // namespace
} // namespace vell::test
