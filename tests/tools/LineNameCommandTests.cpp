// The names riders know the lines of a real city by, beside the map VellSim imports: the same
// bytes every time, carried by resave, and a spoilt file passed over in one line while the
// command goes on.
#include "model/Map.h"
#include "model/MapExtras.h"
#include "tests/import/OsmDataFolder.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace vell::test {
namespace {

using import::test::OsmFile;

TEST(VellSimLineNames, AnImportedCityKeepsItsLineNamesBesideTheMap) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    const std::string extract = OsmFile("munchen.osm.pbf");
    const TRun imported = Sim({"import", extract, dir.Path("m.vl")});
    ASSERT_EQ(imported.Code, 0) << imported.Err;
    ASSERT_TRUE(std::filesystem::exists(dir.Path("m.vlx")));

    // Every imported route carries its name, here the ref it has in OpenStreetMap (the night
    // lines, N17..., in free slots).
    auto map = NewMap();
    map->FileName = dir.Path("m.vl");
    ASSERT_TRUE(map->LoadFromFile());
    EXPECT_EQ(map->ExtrasWarning, "");
    int named = 0;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            if (!map->Route(i, j).InUse()) continue;
            SCOPED_TRACE(RouteDisplayName(i, j));
            const std::optional<std::string> name = LineName(*map, i, j);
            ASSERT_TRUE(name);
            // The report names the line by its slot and the same name.
            EXPECT_NE(imported.Out.find("\n  " + RouteDisplayName(i, j) + " «" + *name + "»"),
                      std::string::npos)
                << *name;
            ++named;
        }
    EXPECT_GE(named, 12);
    // Beside them, the city's look for the cab, fitting the map it was made with.
    EXPECT_EQ(map->Extras.LookWarning, "");
    EXPECT_GT(map->Extras.Look.Buildings.size(), 1000u);
    EXPECT_GT(map->Extras.Look.Streets.size(), 100u);
    EXPECT_FALSE(map->Extras.Look.Stops.empty());

    // The same extract gives the same bytes, the map's and the names'.
    ASSERT_EQ(Sim({"import", extract, dir.Path("again.vl")}).Code, 0);
    EXPECT_EQ(ReadBytes(dir.Path("again.vl")), ReadBytes(dir.Path("m.vl")));
    EXPECT_EQ(ReadBytes(dir.Path("again.vlx")), ReadBytes(dir.Path("m.vlx")));

    // resave carries them.
    ASSERT_EQ(Sim({"resave", dir.Path("m.vl"), dir.Path("copy.vl")}).Code, 0);
    EXPECT_EQ(ReadBytes(dir.Path("copy.vlx")), ReadBytes(dir.Path("m.vlx")));

    // A spoilt file: the map is read and the command goes on, the file named in one line.
    std::vector<std::uint8_t> bytes = ReadBytes(dir.Path("m.vlx"));
    bytes[bytes.size() - 1] ^= 1;
    WriteBytes(dir.Path("m.vlx"), bytes);
    const TRun info = Sim({"info", dir.Path("m.vl")});
    EXPECT_EQ(info.Code, 0);
    EXPECT_EQ(std::count(info.Err.begin(), info.Err.end(), '\n'), 1) << info.Err;
    EXPECT_NE(info.Err.find(dir.Path("m.vlx")), std::string::npos) << info.Err;
}

} // namespace
} // namespace vell::test
