// VellSim import on the real extracts beside the project: maps that pass the network check and
// run an hour without an accident, the report, the same bytes every time, and bad input.
#include "tests/import/OsmDataFolder.h"
#include "tests/import/UnusableExtract.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"
#include "tools/SimLanguage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace vell::test {
namespace {

using import::test::OsmFile;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* const Attribution = "© OpenStreetMap contributors";

// Every extract beside the project, whatever it shows (names for refs, a loop, no relations, a
// crowded station, XML under any name), gives a sound map whose trams run an hour clear.
TEST(VellSimImport, EachExtractGivesASoundMapThatRunsAnHourWithoutAccident) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(OsmFile("")))
        if (entry.is_regular_file() && entry.path().filename().string().rfind("README", 0) != 0)
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_GE(names.size(), 12u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string map = dir.Path(name + ".vl");
        const TRun imported = Sim({"import", OsmFile(name), map});
        ASSERT_EQ(imported.Code, 0) << imported.Err << imported.Out;
        EXPECT_EQ(imported.Out.rfind(Attribution, 0), 0u);
        EXPECT_NE(imported.Out.find("Рельсовая сеть: в порядке"), std::string::npos);
        EXPECT_NE(imported.Out.find("Город: бордёров 4, столбов "), std::string::npos);
        EXPECT_EQ(Sim({"check", map}).Code, 0);

        const TRun run = Sim({"run", map, "--minutes", "60", "--seed", "1", "--json"});
        ASSERT_EQ(run.Code, 0) << run.Err;
        EXPECT_NE(run.Out.find("\"dispatched\": "), std::string::npos);
        EXPECT_FALSE(std::regex_search(run.Out, std::regex("\"dispatched\": 0,")));
        EXPECT_FALSE(std::regex_search(run.Out, std::regex("\"accident_ticks\": [1-9]")));
        EXPECT_FALSE(std::regex_search(run.Out, std::regex("\"off_route\": [1-9]")));
        EXPECT_NE(run.Out.find("\"deadlocks\": []"), std::string::npos) << run.Out;
    }
}

// Volgograd's extract, OSM XML in gzip under the name SUMO's wizard gives it, has track but no
// route relation: its lines are made from the track, said so, and run without a deadlock.
TEST(VellSimImport, AnExtractWithoutRelationsGetsLinesMadeFromItsTrack) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    const std::string map = dir.Path("volgograd.vl");
    const TRun imported =
        Sim({"import", OsmFile("volgograd_centre_sumo.osm.xml.gz"), map, "--no-buildings"});
    ASSERT_EQ(imported.Code, 0) << imported.Err << imported.Out;
    EXPECT_NE(imported.Out.find("Рельсовая сеть: в порядке"), std::string::npos);
    EXPECT_NE(imported.Out.find("\n  1 «"), std::string::npos) << imported.Out;
    EXPECT_NE(imported.Out.find("\n  1А «"), std::string::npos) << imported.Out;
    const std::regex line("\n  [1-9](?:А|Б)? «[^\n]*");
    int lines = 0, fromTrack = 0;
    for (auto it = std::sregex_iterator(imported.Out.begin(), imported.Out.end(), line);
         it != std::sregex_iterator(); ++it) {
        ++lines;
        fromTrack += it->str().find("сделан по путям") != std::string::npos;
    }
    EXPECT_GE(lines, 2);
    EXPECT_EQ(fromTrack, lines);
    const TRun run = Sim({"run", map, "--minutes", "120", "--seed", "1", "--json"});
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_NE(run.Out.find("\"deadlocks\": []"), std::string::npos) << run.Out;
    EXPECT_FALSE(std::regex_search(run.Out, std::regex("\"accident_ticks\": [1-9]")));
}

TEST(VellSimImport, JsonReportAndTheSameBytesEveryTime) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    const std::string extract = OsmFile("oslo-skoyen.osm.pbf");
    const TRun text = Sim({"import", extract, dir.Path("a.vl"), "--cars", "3"});
    ASSERT_EQ(text.Code, 0) << text.Err;
    const TRun json = Sim({"import", extract, dir.Path("b"), "--cars", "3", "--json"});
    ASSERT_EQ(json.Code, 0) << json.Err;
    EXPECT_EQ(json.Out.rfind("{\"attribution\": \"© OpenStreetMap contributors\"", 0), 0u)
        << json.Out;
    EXPECT_NE(json.Out.find("\"ref\": \"13\""), std::string::npos);
    // Each line's slot, the name riders know and where it came from, in the text too.
    EXPECT_NE(json.Out.find("\"slot\": \"13\", \"name\": \"13\", \"source\": \"relation\""),
              std::string::npos)
        << json.Out;
    EXPECT_NE(text.Out.find("\n  13 «13» (из отношений OSM): "), std::string::npos) << text.Out;
    EXPECT_NE(json.Out.find("\"cars\": 3"), std::string::npos);
    EXPECT_NE(json.Out.find("\"network_ok\": true"), std::string::npos);
    EXPECT_EQ(Bytes(dir.Path("a.vl")), Bytes(dir.Path("b.vl")));
    EXPECT_GT(Bytes(dir.Path("a.vl")).size(), 100u);
    EXPECT_TRUE(std::regex_search(json.Out, std::regex("\"walls\": [1-9]"))) << json.Out;

    // Without buildings: the same track and trees, no walls.
    const TRun bare = Sim({"import", extract, dir.Path("c.vl"), "--no-buildings", "--json"});
    ASSERT_EQ(bare.Code, 0) << bare.Err;
    EXPECT_NE(bare.Out.find("\"walls\": 0, \"high_walls\": 0"), std::string::npos) << bare.Out;
    EXPECT_LT(Bytes(dir.Path("c.vl")).size(), Bytes(dir.Path("a.vl")).size());
}

TEST(VellSimImport, BadInputLeavesNoMap) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    const std::string out = dir.Path("out.vl");
    auto refused = [&](std::vector<std::string> args, const std::string& says) {
        SCOPED_TRACE(args[1]);
        const TRun r = Sim(args);
        EXPECT_EQ(r.Code, 2);
        EXPECT_NE(r.Err.find(says), std::string::npos) << r.Err;
        // One line, and a pointer to --help after a usage mistake.
        EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), says[0] == '-' ? 2 : 1) << r.Err;
        EXPECT_FALSE(std::filesystem::exists(out));
    };
    const std::string extract = OsmFile("oslo-skoyen.osm.pbf");
    refused({"import", dir.Path("none.osm.pbf"), out}, "Файл не найден");
    refused({"import", extract, out, "--center", "59.9,10.7,1"}, "--center");
    refused({"import", extract, out, "--center", "10,10"}, "нет трамвайных путей");
    refused({"import", extract, out, "--cars", "4"}, "--cars");
    refused({"import", extract, out, "--interval", "31"}, "--interval");
    // Tram ways without a usable segment (all nodes on one spot, one node located), with and
    // without a centre: a line, as for any extract without track.
    const std::string unusable = dir.Path("unusable.osm");
    ASSERT_TRUE(import::test::WriteUnusableTrackExtract(unusable));
    refused({"import", unusable, out}, "нет ни одного участка с допустимыми координатами");
    refused({"import", unusable, out, "--center", "48.1372,11.5755"}, "нет трамвайных путей");

    // A file of text named as an extract is none, told by what it holds.
    const std::string text = dir.Path("text.osm.pbf");
    std::ofstream(text) << "Не выписка.\n";
    refused({"import", text, out}, "не выписка OpenStreetMap");

    // A cut file, and a file named as the output: the extract is never written over.
    const std::string whole = Bytes(extract);
    const std::string cut = dir.Path("cut.osm.pbf");
    std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() / 2);
    refused({"import", cut, out}, "повреждена или оборвана");
    const std::string copy = dir.Path("copy.osm.pbf");
    std::ofstream(copy, std::ios::binary) << whole;
    std::filesystem::create_symlink(copy, out);
    const TRun over = Sim({"import", copy, out});
    EXPECT_EQ(over.Code, 2);
    EXPECT_NE(over.Err.find("поверх выписки"), std::string::npos) << over.Err;
    EXPECT_EQ(Bytes(copy), whole);
}

// The report's counts read right: in English one route (rail, stop, loop) is singular and
// more are plural; the Russian names each count after its noun, as it always has.
TEST(VellSimImport, TheReportsCountsTakeTheirLanguagesForms) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    const std::string extract = OsmFile("Helsinki.osm.pbf");
    const std::regex russian(
        "\nСделано: рельсов \\d+ \\([\\d.]+ км\\), остановок \\d+, разворотных колец \\d+, "
        "маршрутов (\\d+)\n");
    std::smatch found;
    const TRun one = Sim({"import", extract, dir.Path("one.vl"), "--routes", "7"});
    ASSERT_EQ(one.Code, 0) << one.Err;
    ASSERT_TRUE(std::regex_search(one.Out, found, russian)) << one.Out;
    EXPECT_EQ(found[1], "1");

    const tool::TSimLanguage english(TLanguage::English);
    for (const auto& [routes, count] :
         {std::pair<std::string, std::string>{"7", "1"}, {"7,9", "2"}}) {
        const TRun run = Sim({"import", extract, dir.Path("en.vl"), "--routes", routes});
        ASSERT_EQ(run.Code, 0) << run.Err;
        const std::regex made("\nMade: (\\d+) rails? \\([\\d.]+ km\\), (\\d+) stops?, "
                              "(\\d+) turning loops?, (\\d+) routes?\n");
        ASSERT_TRUE(std::regex_search(run.Out, found, made)) << run.Out;
        EXPECT_EQ(found[4], count);
        // Each noun singular exactly when its count is 1.
        for (const char* noun : {"rail", "stop", "turning loop", "route"}) {
            std::smatch form;
            const std::regex counted("(\\d+) " + std::string(noun) + "(s?)[ ,\n]");
            ASSERT_TRUE(std::regex_search(found[0].first, found[0].second, form, counted)) << noun;
            EXPECT_EQ(form[1] == "1", form[2].length() == 0) << form[0];
        }
    }
}

TEST(VellSimImport, NoRouteIsAFinding) {
    VELL_NEED_OSM_FOLDER();
    TTempDir dir;
    const TRun r =
        Sim({"import", OsmFile("oslo-skoyen.osm.pbf"), dir.Path("none.vl"), "--routes", "99"});
    EXPECT_EQ(r.Code, 1) << r.Err;
    EXPECT_NE(r.Out.find("Ни один маршрут не взят"), std::string::npos) << r.Out;
}

} // namespace
} // namespace vell::test
