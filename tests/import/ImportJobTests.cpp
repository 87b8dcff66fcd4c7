// The import as a window runs it: in a thread of its own, reporting how far it has come, to be
// cancelled at any time; and the preview of its routes before it starts.
#include "import/Import.h"
#include "import/ImportJob.h"
#include "import/ImportStep.h"
#include "model/Route.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

namespace vell::import {
namespace {

using test::OsmFile;

TEST(ImportJob, ReportsItsProgressAndGivesTheMapOfAPlainImport) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("heidelberg.test.pbf"));
    TImportOptions options;
    options.Routes = {"21", "24"};
    TImportJob<TImportResult> job(
        [&](TImportProgress& progress) { return ImportCity(input, options, &progress); });
    std::vector<double> seen;
    while (!job.Done()) {
        seen.push_back(job.Progress().Fraction());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const TImportResult result = job.Take();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(job.Progress().Fraction(), 1.0);
    EXPECT_EQ(job.Progress().Stage(), EImportStage::BuildingCity);

    const TImportResult plain = ImportCity(input, options);
    ASSERT_GT(plain.Map->ObjectCount(), 0);
    EXPECT_EQ(result.Map->Objects, plain.Map->Objects);
    // Reading the network once for the preview and importing from it makes the same map.
    const TImportResult fromNetwork = ImportFromNetwork(ReadTramNetwork(input), input, options);
    EXPECT_EQ(fromNetwork.Map->Objects, plain.Map->Objects);
}

TEST(ImportJob, ACancelledImportThrowsAndKeepsNothing) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("heidelberg.test.pbf"));
    TImportProgress cancelled;
    cancelled.Cancel();
    // Not a read error: a window says nothing about a cancelled import.
    EXPECT_THROW(ImportCity(input, {}, &cancelled), TImportCancelled);
    TOsmExtract network = ReadTramNetwork(input);
    EXPECT_THROW(ImportFromNetwork(network, input, {}, &cancelled), TImportCancelled);
    EXPECT_THROW(ReadCity(input, PreviewImport(network, {}).Square, network, &cancelled),
                 TImportCancelled);
    EXPECT_TRUE(network.Buildings.empty() && network.Trees.empty() && network.TreeRows.empty());

    // A job that only ends when cancelled: Take gives the cancellation, and a job left running
    // is cancelled and waited for when it goes.
    auto untilCancelled = [](TImportProgress& progress) {
        for (;;) {
            progress.Check();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    };
    TImportJob<int> job(untilCancelled);
    EXPECT_FALSE(job.Done());
    job.Cancel();
    EXPECT_THROW(job.Take(), TImportCancelled);
    { TImportJob<int> leftRunning(untilCancelled); }
}

// The import's one error path: whatever a step throws is one line for the user, a cancel is
// only a cancel, and a step that goes through ends with neither.
TEST(ImportStep, EveryExceptionIsOneLineAndACancelIsNoError) {
    const std::string extract = "city.osm.pbf";
    const std::string ownFault = "Не удалось импортировать city.osm.pbf.";
    const std::string memory = "Не хватило памяти, чтобы прочитать city.osm.pbf.";
    struct TCase {
        std::function<void()> Throw;
        std::string Line;
    };
    const std::vector<TCase> cases = {
        {[] { throw TReadError("В выписке нет трамвайных путей."); },
         "В выписке нет трамвайных путей."},
        {[] { throw std::bad_alloc(); }, memory},
        {[] { throw std::logic_error("the city changed the rail network"); }, ownFault},
        {[] { std::vector<int>().at(3); }, ownFault}, // std::out_of_range
        {[] { throw std::runtime_error("osmium"); }, ownFault},
        {[] { throw 42; }, ownFault}, // not even an exception class
    };
    for (const TCase& c : cases) {
        const TImportStepEnd end = RunImportStep(extract, c.Throw);
        EXPECT_EQ(end.Error, c.Line);
        EXPECT_TRUE(end.Failed() && end.Stopped());
        EXPECT_FALSE(end.Cancelled);
        EXPECT_EQ(end.Error.find('\n'), std::string::npos);
    }

    const TImportStepEnd cancelled = RunImportStep(extract, [] {
        TImportProgress p;
        p.Cancel();
        p.Check();
    });
    EXPECT_TRUE(cancelled.Cancelled && cancelled.Stopped());
    EXPECT_FALSE(cancelled.Failed());

    int ran = 0;
    const TImportStepEnd done = RunImportStep(extract, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(done.Stopped() || done.Failed() || done.Cancelled);
}

TEST(PreviewImport, ListsTheRoutesTheImportTakesAndWhyOthersAreSkipped) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("munchen.osm.pbf"));
    const TOsmExtract network = ReadTramNetwork(input);
    const TImportPreview preview = PreviewImport(network, {});
    TImportOptions noCity;
    noCity.Buildings = false;
    const TImportResult imported = ImportFromNetwork(network, input, noCity);
    EXPECT_EQ(preview.Centre.Lat, imported.Report.Centre.Lat);
    EXPECT_EQ(preview.Centre.Lon, imported.Report.Centre.Lon);
    std::vector<std::string> taken, skipped;
    for (const TRoutePreview& route : preview.Routes) {
        if (route.Skipped()) {
            skipped.push_back(route.Ref);
            EXPECT_EQ(route.Row, -1);
        } else {
            taken.push_back(route.Ref);
            EXPECT_GT(route.RelationLengthM, 0);
        }
    }
    std::vector<std::string> made;
    for (const TImportedRoute& route : imported.Report.Routes)
        made.push_back(route.Ref);
    EXPECT_EQ(taken, made);
    // Munich's night lines, whose refs are no slot's, take free slots under their own names.
    EXPECT_NE(std::find(taken.begin(), taken.end(), "N17"), taken.end());
    for (const TRoutePreview& route : preview.Routes)
        if (route.Ref == "N17") {
            EXPECT_EQ(route.Name, "N17");
            EXPECT_NE(RouteDisplayName(route.Row, route.Column), "17");
        }

    // A square far from the track holds none of it, and no route.
    TImportOptions elsewhere;
    elsewhere.Center = TGeoPoint{preview.Centre.Lat + 0.5, preview.Centre.Lon};
    const TImportPreview empty = PreviewImport(network, elsewhere);
    EXPECT_EQ(empty.TrackInSquareM, 0);
    EXPECT_TRUE(std::none_of(empty.Routes.begin(), empty.Routes.end(),
                             [](const TRoutePreview& r) { return !r.Skipped(); }));
}

} // namespace
} // namespace vell::import
