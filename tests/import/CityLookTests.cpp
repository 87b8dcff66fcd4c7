// The detailed look's data as the import makes it from real extracts: the river whole where the
// extract holds it and left out where it is broken, the streets and stops, the buildings' heights,
// roofs and colours from their tags, and the whole look saved beside the map and read back.
#include "import/CityParts.h"
#include "import/Import.h"
#include "import/OsmRead.h"
#include "import/TrackSquare.h"
#include "model/MapExtras.h"
#include "tests/import/OsmDataFolder.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace vell::import {
namespace {

namespace maps = vell::test;

// An extract read and its map built as the import does, with the look's buildings matched to
// the outlines they were made from.
struct TLookedCity {
    TOsmExtract City;
    std::unique_ptr<TProjection> Projection;
    std::unique_ptr<TMap> Map;
    TCityLook Look;
    // A building's walls (neighbours share some) -> its outline
    std::map<std::vector<std::array<int, 4>>, std::size_t> SourceOfWalls;

    explicit TLookedCity(const std::string& file) {
        const TOsmInput input = TOsmInput::File(test::OsmFile(file));
        City = ReadTramNetwork(input);
        Projection = std::make_unique<TProjection>(DensestTrackSquare(City));
        TImportResult built = BuildTramMap(City, *Projection, TImportOptions{});
        ReadCity(input, SquareBox(*Projection), City);
        Map = std::move(built.Map);
        // The walls as AddCity makes them, to tell each look building's outline.
        const TSegmentGrid rails = RailGrid(*Map);
        const TDistanceField track(rails);
        const TBuildingWalls walls = BuildingWalls(City.Buildings, *Projection, rails, track);
        for (std::size_t k = 0; k < walls.Buildings.size(); ++k) {
            std::vector<std::array<int, 4>> ends;
            for (const TMapObject& w : walls.Buildings[k])
                ends.push_back({w.X1, w.Y1, w.X2, w.Y2});
            SourceOfWalls[ends] = walls.Sources[k];
        }
        AddCity(*Map, City, *Projection, true, &Look);
    }

    const TOsmOutline& Source(const TLookBuilding& b) const {
        std::vector<std::array<int, 4>> ends;
        for (const TWallKey& w : b.Walls)
            ends.push_back({w.X1, w.Y1, w.X2, w.Y2});
        return City.Buildings.at(SourceOfWalls.at(ends));
    }
};

const TLookedCity& Porto() {
    static const TLookedCity porto("porto.osm.pbf");
    return porto;
}

double Area(const std::vector<TLookPoint>& ring) {
    return std::abs(LookRingArea(ring));
}

bool Inside(const std::vector<TLookPoint>& ring, double x, double y) {
    bool in = false;
    for (std::size_t k = 0, j = ring.size() - 1; k < ring.size(); j = k++) {
        const TLookPoint a = ring[k], b = ring[j];
        if ((a.Y > y) != (b.Y > y) && x < (b.X - a.X) * (y - a.Y) / (b.Y - a.Y) + a.X) in = !in;
    }
    return in;
}

// The share of the rails' length (by their middles, metre by metre) that lies on water.
double RailsOnWater(const TMap& map, const TCityLook& look) {
    double on = 0, all = 0;
    for (const TMapObject& o : map.Objects) {
        if (!o.IsRail()) continue;
        const double length = std::hypot(o.X2 - o.X1, o.Y2 - o.Y1);
        all += length;
        const double x = (o.X1 + o.X2) / 2.0, y = (o.Y1 + o.Y2) / 2.0;
        for (const TLookArea& a : look.Areas)
            if (a.Kind == TAreaKind::Water && Inside(a.Ring, x, y)) {
                on += length;
                break;
            }
    }
    return all > 0 ? on / all : 0;
}

TEST(CityLookImport, PortoHasTheDouroWholeAndNoRailOnWater) {
    VELL_NEED_OSM_FOLDER();
    const TCityLook& look = Porto().Look;
    double largest = 0;
    for (const TLookArea& a : look.Areas)
        if (a.Kind == TAreaKind::Water) largest = std::max(largest, Area(a.Ring));
    // The river across the extract, a few hundred metres wide: some tenths of a square km.
    EXPECT_GT(largest, 200e3);
    EXPECT_LT(largest, 5e6);
    RecordProperty("largest_water_m2", int(largest));
    EXPECT_LT(RailsOnWater(*Porto().Map, look), 0.01);
    EXPECT_GT(std::count_if(look.Areas.begin(), look.Areas.end(),
                            [](const TLookArea& a) { return a.Kind == TAreaKind::Park; }),
              10);
    // Painted larger first.
    for (std::size_t k = 1; k < look.Areas.size(); ++k)
        EXPECT_GE(Area(look.Areas[k - 1].Ring), Area(look.Areas[k].Ring) - 1);
}

// The Vltava's multipolygon is cut by the extract's box: its rings that cannot be closed are left
// out, and what water is drawn lies off the track but where the bridges cross it.
TEST(CityLookImport, PragueLeavesOutTheBrokenRiver) {
    VELL_NEED_OSM_FOLDER();
    const TLookedCity prague("prague_itinero.osm.pbf");
    EXPECT_GT(prague.City.AreasLeftOpen, 0);
    EXPECT_LT(RailsOnWater(*prague.Map, prague.Look), 0.05);
    for (const TLookArea& a : prague.Look.Areas)
        EXPECT_LT(Area(a.Ring), 20e6);
    EXPECT_GT(prague.Look.Streets.size(), 1000u);
    EXPECT_GT(prague.Look.Buildings.size(), 3000u);
    // Prague maps its platforms: some stops stand on one.
    EXPECT_GT(std::count_if(prague.Look.Stops.begin(), prague.Look.Stops.end(),
                            [](const TLookStop& s) { return s.Platform.size() >= 3; }),
              0);
    RecordProperty("stops", int(prague.Look.Stops.size()));
    RecordProperty("platforms",
                   int(std::count_if(prague.Look.Stops.begin(), prague.Look.Stops.end(),
                                     [](const TLookStop& s) { return !s.Platform.empty(); })));
}

TEST(CityLookImport, PortoBuildingsTakeTheirHeightsLevelsAndRoofsFromTheirTags) {
    VELL_NEED_OSM_FOLDER();
    const TLookedCity& porto = Porto();
    int levelsUsed = 0, heightsUsed = 0, pitched = 0, pitchedTagsOnOtherShapes = 0;
    for (const TLookBuilding& b : porto.Look.Buildings) {
        const TOsmOutline& source = porto.Source(b);
        EXPECT_GE(b.Height, 1);
        EXPECT_GE(b.Levels, 1);
        EXPECT_EQ(b.Levels, std::max(1, int(std::lround(b.Height / 3))));
        if (source.Height > 0) {
            EXPECT_NEAR(b.Height + b.RoofHeight, std::max(source.Height, 1.0), 0.1);
            ++heightsUsed;
        } else if (source.Levels > 0 && source.Levels <= 100) {
            EXPECT_EQ(b.Levels, source.Levels);
            EXPECT_NEAR(b.Height, 3 * source.Levels, 0.05);
            ++levelsUsed;
        }
        // Pitched roofs on four corners alone.
        if (b.Roof != TRoofShape::Flat) {
            ++pitched;
            EXPECT_EQ(b.Outline.size(), 4u);
            EXPECT_GT(b.RoofHeight, 0);
            EXPECT_TRUE(source.Look.RoofShape == "gabled" || source.Look.RoofShape == "hipped" ||
                        source.Look.RoofShape == "half-hipped" ||
                        source.Look.RoofShape == "pyramidal" || source.Look.RoofShape == "mansard");
        } else {
            EXPECT_EQ(b.RoofHeight, 0);
            if (b.Outline.size() != 4 &&
                (source.Look.RoofShape == "gabled" || source.Look.RoofShape == "hipped"))
                ++pitchedTagsOnOtherShapes;
        }
    }
    // Porto tags 5 heights and 667 level counts; most of the buildings lie on the map.
    EXPECT_GE(heightsUsed, 1);
    EXPECT_GT(levelsUsed, 300);
    EXPECT_GT(porto.Look.Buildings.size(), 9000u);
    RecordProperty("pitched", pitched);
    RecordProperty("pitched_tags_on_other_shapes", pitchedTagsOnOtherShapes);
}

TEST(CityLookImport, ColoursComeFromTheTagsWhereMappedAndVaryElsewhere) {
    VELL_NEED_OSM_FOLDER();
    const TLookedCity& porto = Porto();
    int tagged = 0;
    std::map<std::array<int, 3>, int> untaggedTones;
    for (const TLookBuilding& b : porto.Look.Buildings) {
        const TOsmOutline& source = porto.Source(b);
        if (const std::optional<TLookColour> c = ColourOfTag(source.Look.WallColour)) {
            EXPECT_EQ(b.WallColour, *c);
            ++tagged;
        } else {
            ++untaggedTones[{b.WallColour.R, b.WallColour.G, b.WallColour.B}];
        }
    }
    EXPECT_GT(tagged, 0);
    EXPECT_GE(untaggedTones.size(), 5u);
    EXPECT_EQ(ColourOfTag("#ABC"), (TLookColour{0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(ColourOfTag("#a0b1c2"), (TLookColour{0xA0, 0xB1, 0xC2}));
    EXPECT_EQ(ColourOfTag("Dark_Grey"), ColourOfTag("darkgrey"));
    EXPECT_EQ(ColourOfTag("#12345"), std::nullopt);
    EXPECT_EQ(ColourOfTag("#ggg"), std::nullopt);
    EXPECT_EQ(ColourOfTag("sky"), std::nullopt);
}

TEST(CityLookImport, PortoStreetsAndStopsLieWhereTheyShould) {
    VELL_NEED_OSM_FOLDER();
    const TLookedCity& porto = Porto();
    const TCityLook& look = porto.Look;
    EXPECT_GT(look.Streets.size(), 500u);
    bool pedestrian = false, service = false;
    for (const TLookStreet& s : look.Streets) {
        EXPECT_GE(s.Width, 2);
        EXPECT_LE(s.Width, 40);
        pedestrian = pedestrian || s.Kind == TStreetKind::Pedestrian;
        service = service || s.Kind == TStreetKind::Service;
        if (s.Kind != TStreetKind::Road) {
            EXPECT_FALSE(s.Pavements);
        }
    }
    EXPECT_TRUE(pedestrian);
    EXPECT_TRUE(service);
    // A sign at each stop, off the track and named.
    const TSegmentGrid rails = RailGrid(*porto.Map);
    ASSERT_GT(look.Stops.size(), 10u);
    int named = 0;
    for (const TLookStop& s : look.Stops) {
        const TPointM at{s.At.X, s.At.Y};
        EXPECT_GE(rails.DistanceWithin(at, at, 10), 1.7) << s.Name;
        named += !s.Name.empty();
    }
    EXPECT_GT(named, int(look.Stops.size()) * 3 / 4);
}

// The look goes into the file beside the map, reads back as it was, and the import makes the
// same bytes each time.
TEST(CityLookImport, AnImportedLookSavesAndReadsBack) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(test::OsmFile("porto.osm.pbf"));
    TImportResult imported = ImportCity(input, TImportOptions{});
    TMap& map = *imported.Map;
    EXPECT_GT(map.Extras.Look.Buildings.size(), 9000u);
    EXPECT_LE(map.ObjectCount(), MaxObjects);
    maps::TTempDir folder;
    map.FileName = folder.Path("porto.vl");
    ASSERT_TRUE(map.SaveToFile());
    auto loaded = maps::NewMap();
    loaded->FileName = map.FileName;
    ASSERT_TRUE(loaded->LoadFromFile());
    EXPECT_EQ(loaded->ExtrasWarning, "");
    EXPECT_EQ(loaded->Extras.LookWarning, "");
    EXPECT_TRUE(loaded->Extras.Look == map.Extras.Look);
    RecordProperty("vlx_bytes", int(maps::ReadBytes(MapExtrasPath(map.FileName)).size()));
    // Another import of the same extract, the same file.
    TImportResult again = ImportCity(input, TImportOptions{});
    EXPECT_TRUE(EncodeMapExtras(*again.Map) == EncodeMapExtras(map));
}

} // namespace
} // namespace vell::import
