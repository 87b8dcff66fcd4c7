// Reading the city around the track: what each extract holds, and only what lies in the square.
#include "import/OsmRead.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

namespace vell::import {
namespace {

using test::OsmFile;

const TGeoBox World{{-90, -180}, {90, 180}};

TOsmExtract City(const std::string& name, const TGeoBox& box) {
    TOsmExtract extract;
    ReadCity(TOsmInput::File(OsmFile(name)), box, extract);
    return extract;
}

// The counts of ../shared/osm/README.md. Buildings are ways and multipolygons; parks count each
// way or multipolygon once (the README counts tags: three of Munich's ways carry two) and the
// README leaves out multipolygons (Munich 1, Heidelberg 0, Porto 21).
TEST(ReadCity, ReadsTheCityOfEachExtract) {
    VELL_NEED_OSM_FOLDER();
    struct TRow {
        const char* File;
        long long Buildings, Clipped, Trees, TreeRows, Parks;
    };
    // Three of Oslo's building ways are single nodes, cut so by the extract's box.
    for (const TRow& row : {TRow{"munchen.osm.pbf", 2372 + 53, 0, 636, 23, 102 + 1},
                            TRow{"heidelberg.test.pbf", 5, 0, 2, 0, 120},
                            TRow{"oslo-skoyen.osm.pbf", 133 - 3, 3, 107, 0, 2},
                            TRow{"poznan-map.osm.gz", 494, 0, 0, 0, 8},
                            TRow{"porto.osm.pbf", 11353 + 51, 0, 4079, 37, 628 + 21}}) {
        SCOPED_TRACE(row.File);
        const TOsmExtract city = City(row.File, World);
        EXPECT_EQ(city.Counts.Buildings, row.Buildings);
        EXPECT_EQ(city.Counts.BuildingsClipped, row.Clipped);
        EXPECT_EQ(city.Counts.Trees, row.Trees);
        EXPECT_EQ(static_cast<long long>(city.Trees.size()), row.Trees);
        EXPECT_EQ(city.Counts.TreeRows, row.TreeRows);
        EXPECT_EQ(city.Counts.Parks, row.Parks);
        for (const TOsmOutline& building : city.Buildings)
            EXPECT_GE(building.Points.size(), 2u) << building.Id;
    }
    // Hard-clipped: a building with a node the file lacks is dropped, and counted.
    const TOsmExtract helsinki = City("Helsinki.osm.pbf", World);
    EXPECT_EQ(helsinki.Counts.Buildings + helsinki.Counts.BuildingsClipped, 433 + 67);
    EXPECT_GT(helsinki.Counts.BuildingsClipped, 0);
    // Heights and levels where tagged.
    const TOsmExtract porto = City("porto.osm.pbf", World);
    EXPECT_GT(std::count_if(porto.Buildings.begin(), porto.Buildings.end(),
                            [](const TOsmOutline& b) { return b.Levels > 0; }),
              100);
}

// Two halves of Oslo's extract: each tree in one of them, each building whole in the half where
// one of its points lies (so one astride the cut is in both), nothing beyond 200 m of a half.
TEST(ReadCity, KeepsWhatLiesInTheBoxWithTheBuildingsItCuts) {
    VELL_NEED_OSM_FOLDER();
    const double cut = 10.68, margin = 200 / 55800.0; // 200 m in degrees of longitude at 60 N
    const TGeoBox west{{59.91, 10.66}, {59.93, cut}}, east{{59.91, cut}, {59.93, 10.70}};
    const TOsmExtract whole = City("oslo-skoyen.osm.pbf", World);
    long long buildings = 0, trees = 0;
    for (const TGeoBox& box : {west, east}) {
        const TOsmExtract half = City("oslo-skoyen.osm.pbf", box);
        EXPECT_GT(half.Counts.Buildings, 0);
        buildings += half.Counts.Buildings;
        trees += half.Counts.Trees;
        for (const TGeoPoint tree : half.Trees)
            EXPECT_TRUE(box.Contains(tree));
        for (const TOsmOutline& building : half.Buildings) {
            EXPECT_TRUE(std::any_of(building.Points.begin(), building.Points.end(),
                                    [&](TGeoPoint p) { return box.Contains(p); }));
            for (const TGeoPoint p : building.Points) {
                EXPECT_GE(p.Lon, box.SouthWest.Lon - margin);
                EXPECT_LE(p.Lon, box.NorthEast.Lon + margin);
            }
        }
    }
    EXPECT_EQ(trees, whole.Counts.Trees);
    EXPECT_GT(buildings, whole.Counts.Buildings);
    EXPECT_LT(buildings, whole.Counts.Buildings + 20);
}

} // namespace
} // namespace vell::import
