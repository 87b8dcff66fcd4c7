// The import of networks larger than the real extracts here (a made-up grid of streets of double
// track, as bench/import_bench times it), and the city read beside the rails: the same map and
// report as read after them.
#include "bench/SyntheticNetwork.h"
#include "import/Import.h"
#include "import/ImportReport.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vell::import {
namespace {

using test::OsmFile;

// A grid of three streets each way, every street a line and four lines turning from one street
// into another (a right-hand curve one way, a left-hand one over the other tracks back), all
// ending at stubs: every line is laid, with a loop at each end, and the network is sound.
TEST(ImportCity, AGridOfDoubleTrackGivesEveryLineWithItsLoops) {
    bench::TSyntheticNetwork grid;
    grid.Streets = 3;
    grid.TurningLines = 4;
    const std::string osm = bench::SyntheticNetworkOsm(grid);
    const TImportResult result = ImportCity(TOsmInput::Memory(osm, "osm"), {});
    const TImportReport& report = result.Report;
    EXPECT_TRUE(result.Map->NetworkOk);
    EXPECT_LT(report.NetworkResult, 0);
    EXPECT_TRUE(report.FaultyRails.empty());
    // 6 streets of 7.8 km, two tracks each.
    EXPECT_NEAR(report.TrackInSquareM, 6 * 2 * 7800, 6 * 2 * 7800 * 0.02);
    ASSERT_EQ(report.Routes.size(), 6u + 4u);
    std::set<std::string> refs;
    for (const TImportedRoute& route : report.Routes) {
        SCOPED_TRACE("route " + route.Ref);
        refs.insert(route.Ref);
        EXPECT_TRUE(route.LoopAtStart);
        EXPECT_TRUE(route.LoopAtEnd);
        EXPECT_FALSE(route.DrivenBack);
        EXPECT_EQ(route.Stops, route.RelationStops);
        EXPECT_GT(route.LengthM, route.RelationLengthM);
    }
    EXPECT_EQ(refs.size(), 10u);
    // Each end of a street is one turning place, shared by the lines that end there.
    EXPECT_EQ(report.Loops, 2 * 6);
    EXPECT_EQ(report.CrowdedLoops, 0);
}

// Read while the rails are laid (no progress to report to) or after them (a window's progress
// is given), the city is the same: the same map, byte for byte in its objects, and the same
// report, on an extract with thousands of buildings and trees.
TEST(ImportCity, TheCityReadBesideTheRailsIsTheCityReadAfterThem) {
    VELL_NEED_OSM_FOLDER();
    for (const char* name : {"porto.osm.pbf", "Helsinki.osm.pbf"}) {
        SCOPED_TRACE(name);
        const TOsmInput input = TOsmInput::File(OsmFile(name));
        const TImportResult beside = ImportCity(input, {});
        TImportProgress progress;
        const TImportResult after = ImportCity(input, {}, &progress);
        EXPECT_GT(beside.Report.Read.Buildings, 100);
        EXPECT_GT(beside.Report.Read.Trees + beside.Report.Read.TreeRows, 100);
        EXPECT_GT(beside.Report.City.Walls, 100);
        EXPECT_EQ(beside.Map->Objects, after.Map->Objects);
        EXPECT_EQ(ImportReportText(beside.Report), ImportReportText(after.Report));
        EXPECT_EQ(beside.Report.Read.BuildingsClipped, after.Report.Read.BuildingsClipped);
        EXPECT_EQ(beside.Report.Read.Parks, after.Report.Read.Parks);
    }
}

// A damaged extract whose track reads but whose city does not fails as it did, read beside the
// rails or not: one read error, no map.
TEST(ImportCity, ACityThatCannotBeReadBesideTheRailsFailsAsAfterThem) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("oslo-skoyen.osm.pbf"));
    TOsmExtract network = ReadTramNetwork(input);
    // The city is read from a file that is not there any more.
    const TOsmInput gone = TOsmInput::File(OsmFile("no-such-extract.osm.pbf"));
    EXPECT_THROW(ImportFromNetwork(network, gone, {}), TReadError);
    TImportProgress progress;
    EXPECT_THROW(ImportFromNetwork(network, gone, {}, &progress), TReadError);
}

} // namespace
} // namespace vell::import
