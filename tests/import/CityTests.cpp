// The city around the imported track: walls clear of the rails, poles and arches across the
// track, rows of trees of the least length, the object limit, and a real city loaded back.
#include "import/City.h"
#include "import/Import.h"
#include "import/OsmRead.h"
#include "import/TrackSquare.h"
#include "model/Geometry.h"
#include "tests/import/OsmDataFolder.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vell::import {
namespace {

namespace maps = vell::test;

const TProjection Porto({41.15, -8.61});

// An outline given in map metres.
TOsmOutline Outline(std::initializer_list<TPointM> points, int levels = 0, double height = 0) {
    static TOsmId id = 1000;
    TOsmOutline outline;
    outline.Id = ++id;
    for (const TPointM p : points)
        outline.Points.push_back(Porto.ToGeo(p));
    outline.Levels = levels;
    outline.Height = height;
    return outline;
}

TOsmOutline Square(double x, double y, double side, int levels = 0) {
    return Outline({{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}, {x, y}}, levels);
}

// A double line from x0 to x1 along y = 5000, in rails of `piece` metres: eastbound at 5003
// (trams keep right, south of the line when heading east), westbound at 4998.
void AddDoubleLine(TMap& map, int x0, int x1, int piece = 40) {
    for (int x = x0; x < x1; x += piece)
        maps::AddRail(map, x, 5003, std::min(x + piece, x1), 5003);
    for (int x = x1; x > x0; x -= piece)
        maps::AddRail(map, x, 4998, std::max(x - piece, x0), 4998);
}

std::vector<TMapObject> OfKind(const TMap& map, std::uint8_t kind) {
    std::vector<TMapObject> found;
    for (const TMapObject& o : map.Objects)
        if (o.Kind() == kind) found.push_back(o);
    return found;
}

// The least distance from the segment o to a rail of the map.
double DistanceToRails(const TMap& map, const TMapObject& o) {
    double least = 1e9;
    for (const TMapObject& rail : map.Objects)
        if (rail.IsRail()) least = std::min(least, std::sqrt(SegmentDistSq(o, rail)));
    return least;
}

bool HasSegment(const std::vector<TMapObject>& objects, int x1, int y1, int x2, int y2) {
    return std::any_of(objects.begin(), objects.end(), [&](const TMapObject& o) {
        return o.X1 == x1 && o.Y1 == y1 && o.X2 == x2 && o.Y2 == y2;
    });
}

TEST(AddCity, BuildingsBecomeWallsClearOfTheTrack) {
    auto map = maps::NewMap();
    AddDoubleLine(*map, 4000, 5000);
    TOsmExtract city;
    city.Buildings = {
        Square(4100, 5020, 30), // beside the track
        Outline({{4300, 4990}, {4330, 4990}, {4330, 5010}, {4300, 5010}, {4300, 4990}}), // over it
        Square(4500, 5050, 20, 5), // five levels: tall
        Square(4600, 5050, 20, 4), // four: not
        Outline({{4700, 5050}, {4720, 5050}, {4720, 5070}, {4700, 5070}, {4700, 5050}}, 0, 30),
        // A wiggle of half a metre on the north side and a bump of three on the south.
        Outline({{4800, 5050},
                 {4810, 5050.5},
                 {4820, 5050},
                 {4820, 5070},
                 {4810, 5073},
                 {4800, 5070},
                 {4800, 5050}}),
    };
    const TCityMade made = AddCity(*map, city, Porto, true);
    const std::vector<TMapObject> walls = OfKind(*map, Wall), high = OfKind(*map, HighWall);
    EXPECT_EQ(made.Walls, int(walls.size()));
    EXPECT_EQ(made.HighWalls + made.Poles, int(high.size()));
    EXPECT_EQ(made.Buildings, 6);
    EXPECT_EQ(made.BuildingsLeftOut, 0);

    // Beside the track: the outline as it is, in one colour.
    EXPECT_TRUE(HasSegment(walls, 4100, 5020, 4130, 5020));
    EXPECT_TRUE(HasSegment(walls, 4130, 5050, 4100, 5050));
    // Over the track: the sides along it stay, the sides across it lose what lies within 2 m of
    // a rail, and nothing of it crosses one.
    EXPECT_TRUE(HasSegment(walls, 4300, 4990, 4330, 4990));
    EXPECT_TRUE(HasSegment(walls, 4330, 5010, 4300, 5010));
    EXPECT_TRUE(HasSegment(walls, 4330, 4990, 4330, 4995));
    EXPECT_TRUE(HasSegment(walls, 4330, 5006, 4330, 5010));
    EXPECT_EQ(made.WallsCutAtTrack, 2);
    for (const std::vector<TMapObject>* kind : {&walls, &high})
        for (const TMapObject& wall : *kind) {
            EXPECT_GE(DistanceToRails(*map, wall), WallClearance)
                << wall.X1 << "," << wall.Y1 << " " << wall.X2 << "," << wall.Y2;
            EXPECT_FALSE(wall.X1 == wall.X2 && wall.Y1 == wall.Y2 && wall.Kind() == Wall);
        }
    // Tall by levels or by height.
    EXPECT_TRUE(HasSegment(high, 4500, 5050, 4520, 5050));
    EXPECT_TRUE(HasSegment(walls, 4600, 5050, 4620, 5050));
    EXPECT_TRUE(HasSegment(high, 4700, 5050, 4720, 5050));
    // The wiggle is smoothed away, the bump is not.
    EXPECT_TRUE(HasSegment(walls, 4800, 5050, 4820, 5050));
    EXPECT_TRUE(HasSegment(walls, 4820, 5070, 4810, 5073));
    EXPECT_EQ(std::count_if(walls.begin(), walls.end(),
                            [](const TMapObject& w) {
                                return std::min(w.X1, w.X2) >= 4800 && std::max(w.X1, w.X2) <= 4820;
                            }),
              5);

    auto bare = maps::NewMap();
    AddDoubleLine(*bare, 4000, 5000);
    const TCityMade none = AddCity(*bare, city, Porto, false);
    EXPECT_EQ(none.Walls + none.HighWalls + none.Buildings, 0);
    EXPECT_TRUE(OfKind(*bare, Wall).empty());
}

TEST(AddCity, PolesStandClearOfEveryRailAndArchesSpanTheTrack) {
    auto map = maps::NewMap();
    AddDoubleLine(*map, 3000, 5000);
    // A branch leaving the eastbound rail at a switch, a track crossing the line, and a single
    // one-way track.
    maps::AddRail(*map, 4000, 5003, 4030, 5030);
    maps::AddRail(*map, 4030, 5030, 4060, 5070);
    maps::AddRail(*map, 4500, 4960, 4500, 5040);
    for (int y = 6000; y < 6400; y += 50)
        maps::AddRail(*map, 3000, y, 3000, y + 50);
    const int rails = map->ObjectCount();
    const TCityMade made = AddCity(*map, TOsmExtract{}, Porto, true);
    EXPECT_EQ(made.Borders, 4);
    EXPECT_EQ(made.Arches * 2, made.Poles);
    EXPECT_EQ(made.ArchesLeftOut, 0);
    EXPECT_EQ(map->ObjectCount(), rails + 4 + 3 * made.Arches);

    int acrossSingle = 0;
    std::vector<int> acrossDouble;
    for (int i = rails; i < map->ObjectCount(); ++i) {
        const TMapObject& o = map->Objects[i];
        if (o.Kind() != Arch) continue;
        ASSERT_GE(i, rails + 2);
        // Each arch comes after its two poles, which stand at its ends, as the editor makes them.
        const TMapObject& from = map->Objects[i - 2];
        const TMapObject& to = map->Objects[i - 1];
        EXPECT_EQ(from.Kind(), HighWall);
        EXPECT_EQ(to.Kind(), HighWall);
        EXPECT_TRUE(from.X1 == from.X2 && from.Y1 == from.Y2 && from.X1 == o.X1 && from.Y1 == o.Y1);
        EXPECT_TRUE(to.X1 == to.X2 && to.Y1 == to.Y2 && to.X1 == o.X2 && to.Y1 == o.Y2);
        EXPECT_EQ(o.Red, 136);
        EXPECT_EQ(to.Blue, 136);
        EXPECT_GE(DistanceToRails(*map, from), PoleClearance) << from.X1 << "," << from.Y1;
        EXPECT_GE(DistanceToRails(*map, to), PoleClearance) << to.X1 << "," << to.Y1;
        // Across both rails of the line and beyond each, or across the single track.
        if (o.X1 == o.X2 && std::min(o.Y1, o.Y2) <= 4998 - PoleOutside &&
            std::max(o.Y1, o.Y2) >= 5003 + PoleOutside && std::max(o.Y1, o.Y2) < 5020)
            acrossDouble.push_back(o.X1);
        if (o.Y1 == o.Y2 && o.Y1 > 6000 && o.Y1 < 6400 && std::min(o.X1, o.X2) < 3000 &&
            std::max(o.X1, o.X2) > 3000)
            ++acrossSingle;
    }
    // About every 35 m along the 2 km line, once for both directions, and none where a pole
    // would stand on the crossing track.
    EXPECT_GE(acrossDouble.size(), 50u);
    EXPECT_LE(acrossDouble.size(), 60u);
    std::sort(acrossDouble.begin(), acrossDouble.end());
    for (std::size_t k = 0; k < acrossDouble.size(); ++k) {
        EXPECT_GT(std::abs(acrossDouble[k] - 4500), 2);
        if (k > 0) {
            EXPECT_GE(acrossDouble[k] - acrossDouble[k - 1], 20) << acrossDouble[k];
            EXPECT_LE(acrossDouble[k] - acrossDouble[k - 1], 45) << acrossDouble[k];
        }
    }
    EXPECT_EQ(acrossSingle, 11); // 400 m
}

TEST(AddCity, TreesMakeRowsOfTwentyMetresClearOfTheTrack) {
    auto map = maps::NewMap();
    AddDoubleLine(*map, 4000, 5000);
    TOsmExtract city;
    city.TreeRows = {
        Outline({{4100, 5100}, {4112, 5100}}),               // 12 m: lengthened
        Outline({{4200, 5100}, {4212, 5100}}),               // two ways of one row, meeting
        Outline({{4224, 5100}, {4212, 5100}}),               // end to end, drawn either way
        Outline({{4300, 4980}, {4300, 5030}}),               // across the track
        Outline({{4400, 5100}, {4408, 5100}, {4400, 5100}}), // closed and small: nothing
    };
    city.Parks = {Square(4500, 5100, 40), Square(4600, 5100, 4)};
    for (int k = 0; k < 5; ++k) // a row of single trees 8 m apart
        city.Trees.push_back(Porto.ToGeo({4700.0 + 8 * k, 5150}));
    city.Trees.push_back(Porto.ToGeo({4900, 5030})); // a lone tree near the track
    const TCityMade made = AddCity(*map, city, Porto, true);
    const std::vector<TMapObject> rows = OfKind(*map, Trees);
    EXPECT_EQ(made.Trees, int(rows.size()));
    for (const TMapObject& row : rows) {
        EXPECT_FALSE(IsInvalidObject(row));
        EXPECT_GE(DistanceToRails(*map, row), TreeClearance);
        EXPECT_LE(std::max({row.Red, row.Green, row.Blue}), 254);
    }
    auto rowsWithin = [&](int x0, int x1, int y0, int y1) {
        return std::count_if(rows.begin(), rows.end(), [&](const TMapObject& r) {
            return std::min(r.X1, r.X2) >= x0 && std::max(r.X1, r.X2) <= x1 &&
                   std::min(r.Y1, r.Y2) >= y0 && std::max(r.Y1, r.Y2) <= y1;
        });
    };
    EXPECT_TRUE(HasSegment(rows, 4095, 5100, 4117, 5100));
    EXPECT_EQ(rowsWithin(4200, 4224, 5100, 5100), 1); // one row of 24 m
    EXPECT_EQ(rowsWithin(4299, 4301, 4980, 5030), 1); // its part south of the track
    EXPECT_EQ(rowsWithin(4390, 4420, 5090, 5110), 0);
    EXPECT_EQ(rowsWithin(4500, 4540, 5100, 5140), 4); // the park's edges
    EXPECT_EQ(rowsWithin(4590, 4620, 5090, 5120), 0); // a patch of 4 m: nothing
    EXPECT_TRUE(HasSegment(rows, 4700, 5150, 4732, 5150));
    EXPECT_EQ(rowsWithin(4880, 4920, 5030, 5030), 1); // along the rails
    EXPECT_EQ(int(rows.size()), 9);
}

// A row drawn across a block, or within a building (a yard OpenStreetMap draws as part of the
// building), would stand trees in the building: only the parts outside it are kept.
TEST(AddCity, TreeRowsKeepOutOfBuildings) {
    auto map = maps::NewMap();
    AddDoubleLine(*map, 4000, 5000);
    TOsmExtract city;
    city.Buildings = {Square(4100, 5100, 30), Square(4300, 5100, 60)};
    city.TreeRows = {
        Outline({{4060, 5115}, {4170, 5115}}), // across the first building
        Outline({{4310, 5130}, {4350, 5130}}), // within the second
    };
    AddCity(*map, city, Porto, true);
    const std::vector<TMapObject> rows = OfKind(*map, Trees);
    auto inside = [](const TMapObject& row, int x0, int y0, int side) {
        for (double t = 0; t <= 1; t += 0.05) {
            const double x = row.X1 + t * (row.X2 - row.X1), y = row.Y1 + t * (row.Y2 - row.Y1);
            if (x > x0 - TreeWallClearance && x < x0 + side + TreeWallClearance &&
                y > y0 - TreeWallClearance && y < y0 + side + TreeWallClearance)
                return true;
        }
        return false;
    };
    for (const TMapObject& row : rows) {
        EXPECT_FALSE(inside(row, 4100, 5100, 30)) << row.X1 << " " << row.X2;
        EXPECT_FALSE(inside(row, 4300, 5100, 60)) << row.X1 << " " << row.X2;
    }
    // Both sides of the block keep their trees.
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const TMapObject& r) {
        return std::max(r.X1, r.X2) < 4100 && std::min(r.X1, r.X2) <= 4061;
    }));
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const TMapObject& r) {
        return std::min(r.X1, r.X2) > 4130 && std::max(r.X1, r.X2) >= 4169;
    }));
    EXPECT_EQ(rows.size(), 2u);
}

TEST(AddCity, KeepsTheObjectLimitWithTheBuildingsNearestTheTrack) {
    const auto railed = [] {
        auto map = maps::NewMap();
        AddDoubleLine(*map, 4000, 5000);
        return map;
    };
    // Ten buildings 20 to 200 m south of the track, listed out of order, and a row of trees.
    TOsmExtract city;
    for (const int d : {120, 40, 200, 60, 20, 180, 100, 80, 160, 140})
        city.Buildings.push_back(Square(4500, 5003 + d, 10));
    city.TreeRows.push_back(Outline({{4100, 5300}, {4200, 5300}}));
    auto sized = railed();
    const int before = sized->ObjectCount();
    const TCityMade all = AddCity(*sized, TOsmExtract{}, Porto, true);
    const int catenary = sized->ObjectCount() - before;
    ASSERT_EQ(catenary, 4 + 3 * all.Arches);

    // Room for three buildings after the border and the catenary.
    auto map = railed();
    while (map->ObjectCount() < MaxObjects - catenary - 3 * 4)
        maps::AddObject(*map, Border, 1, 1, 2, 2);
    const std::vector<TMapObject> kept = map->Objects;
    const TCityMade made = AddCity(*map, city, Porto, true);
    EXPECT_EQ(map->ObjectCount(), MaxObjects);
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), map->Objects.begin()));
    EXPECT_EQ(made.Arches, all.Arches);
    EXPECT_EQ(made.Buildings, 3);
    EXPECT_EQ(made.BuildingsLeftOut, 7);
    EXPECT_EQ(made.Trees, 0);
    EXPECT_EQ(made.TreeRowsLeftOut, 1);
    const std::vector<TMapObject> walls = OfKind(*map, Wall);
    for (const int d : {20, 40, 60})
        EXPECT_TRUE(HasSegment(walls, 4500, 5003 + d, 4510, 5003 + d)) << d;
    for (const TMapObject& wall : walls)
        EXPECT_LE(std::max(wall.Y1, wall.Y2), 5003 + 70);

    // Full already: nothing is added, nothing is lost.
    const TCityMade full = AddCity(*map, city, Porto, true);
    EXPECT_EQ(map->ObjectCount(), MaxObjects);
    EXPECT_EQ(full.Borders + full.Arches + full.Buildings + full.Trees, 0);
    EXPECT_EQ(full.BuildingsLeftOut, 10);
}

TEST(AddCity, TheSameExtractGivesTheSameMapWhichLoadsBackUnchanged) {
    TOsmExtract city;
    city.Buildings = {Square(4100, 5020, 30, 6), Square(4200, 4980, 10)};
    city.TreeRows = {Outline({{4100, 5100}, {4180, 5110}})};
    city.Parks = {Square(4500, 5100, 60)};
    for (int k = 0; k < 30; ++k)
        city.Trees.push_back(Porto.ToGeo({4600.0 + 7 * (k % 10), 5200.0 + 9 * (k / 10)}));
    auto make = [&] {
        auto map = maps::NewMap();
        AddDoubleLine(*map, 4000, 5000);
        AddCity(*map, city, Porto, true);
        return map;
    };
    const auto first = make(), second = make();
    EXPECT_TRUE(first->Objects == second->Objects);
    EXPECT_GT(OfKind(*first, Trees).size(), 3u);

    maps::TTempDir folder;
    first->FileName = folder.Path("city.vl");
    ASSERT_TRUE(first->SaveToFile());
    auto loaded = maps::NewMap();
    loaded->FileName = first->FileName;
    ASSERT_TRUE(loaded->LoadFromFile());
    EXPECT_EQ(loaded->ObjectCount(), first->ObjectCount());
    EXPECT_TRUE(loaded->Objects == first->Objects);
}

// A real city of dense buildings: within the limit, the rails as the import laid them and their
// network still sound, and the map loads back as it was.
TEST(AddCity, PortoFitsTheLimitAndKeepsItsNetwork) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(test::OsmFile("porto.osm.pbf"));
    TOsmExtract extract = ReadTramNetwork(input);
    const TProjection projection(DensestTrackSquare(extract));
    TImportResult imported = BuildTramMap(extract, projection, TImportOptions{});
    ReadCity(input, SquareBox(projection), extract);
    TMap& map = *imported.Map;
    ASSERT_EQ(imported.Report.NetworkResult, -1);
    const std::vector<TMapObject> rails = map.Objects;

    const TCityMade made = AddCity(map, extract, projection, true);
    EXPECT_LE(map.ObjectCount(), MaxObjects);
    EXPECT_EQ(map.ObjectCount(), int(rails.size()) + made.Borders + made.Walls + made.HighWalls +
                                     made.Poles + made.Arches + made.Trees);
    EXPECT_GT(made.Buildings, 10000);
    EXPECT_GT(made.Arches, 100);
    EXPECT_GT(made.Trees, 1000);
    EXPECT_TRUE(std::equal(rails.begin(), rails.end(), map.Objects.begin()));
    EXPECT_EQ(std::count_if(map.Objects.begin(), map.Objects.end(), IsInvalidObject), 0);
    map.FreeNetwork();
    EXPECT_EQ(map.BuildNetwork(), -1);
    map.ClearMarks();

    maps::TTempDir folder;
    map.FileName = folder.Path("porto.vl");
    ASSERT_TRUE(map.SaveToFile());
    auto loaded = maps::NewMap();
    loaded->FileName = map.FileName;
    ASSERT_TRUE(loaded->LoadFromFile());
    EXPECT_TRUE(loaded->Objects == map.Objects);
}

} // namespace
} // namespace vell::import
