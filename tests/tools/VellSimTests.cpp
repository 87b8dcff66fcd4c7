// VellSim's commands run in-process: output, exit codes and bad input.
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"
#include "tools/Commands.h"
#include "tools/ToolMap.h"
#ifdef VELL_WITH_DRAWING
#include "tools/SimLanguage.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace vell::test {
namespace {

class VellSim : public ::testing::Test {
  protected:
    void SetUp() override {
        auto map = NewMap();
        int a = AddRail(*map, 100, 100, 200, 100);
        int b = AddRail(*map, 200, 100, 200, 200);
        AddObject(*map, Wall, 0, 0, 50, 50);
        AddObject(*map, HighWall, 0, 0, 50, 50);
        AddObject(*map, HighWall, 0, 0, 50, 50);
        SetRoute(*map, 0, 11, {a, b}, 2, 15);
        SetRoute(*map, 4, 0, {b});
        map->FileName = Dir.Path("city.vl");
        ASSERT_TRUE(map->SaveToFile());
    }
    TTempDir Dir;
};

TEST_F(VellSim, InfoAddsTheDefaultExtensionAndCountsKinds) {
    TRun r = Sim({"info", Dir.Path("city")});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("Карта: " + Dir.Path("city.vl")), std::string::npos);
    EXPECT_NE(r.Out.find("Объектов: 5"), std::string::npos);
    EXPECT_NE(r.Out.find("Выс. стена: 2"), std::string::npos);
    EXPECT_NE(r.Out.find("1А: точки 0, 1; вагонов 2; интервал 15 мин"), std::string::npos);
    EXPECT_NE(r.Out.find("5: точки 1; вагонов 1; интервал 10 мин (маршрут не задан)"),
              std::string::npos);
}

TEST_F(VellSim, InfoJson) {
    TRun r = Sim({"info", Dir.Path("city.vl"), "--json"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("\"object_count\": 5"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\"Rail\": 2"), std::string::npos);
    EXPECT_NE(r.Out.find("{\"name\": \"1А\", \"row\": 0, \"col\": 11, \"in_use\": true, "
                         "\"waypoints\": [0, 1], \"cars\": 2, \"interval_min\": 15}"),
              std::string::npos)
        << r.Out;
}

// The routes in the order of the game's route table (1, 1А, 2, 10), not of the slots (1, 10,
// 1А, 2), in both outputs.
TEST_F(VellSim, InfoListsRoutesInTheRouteTableOrder) {
    auto map = NewMap();
    const int a = AddRail(*map, 100, 100, 200, 100);
    for (auto [row, column] : {std::pair{0, 1}, {1, 0}, {0, 11}, {0, 0}})
        SetRoute(*map, row, column, {a});
    map->FileName = Dir.Path("routes.vl");
    ASSERT_TRUE(map->SaveToFile());
    TRun r = Sim({"info", Dir.Path("routes.vl")});
    EXPECT_NE(r.Out.find("\n  1: точки 0;"), std::string::npos) << r.Out;
    std::vector<std::size_t> at;
    for (const char* name : {"\n  1: ", "\n  1А: ", "\n  2: ", "\n  10: "})
        at.push_back(r.Out.find(name));
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && at.back() != std::string::npos) << r.Out;
    r = Sim({"info", Dir.Path("routes.vl"), "--json"});
    at.clear();
    for (const char* name :
         {"\"name\": \"1\"", "\"name\": \"1А\"", "\"name\": \"2\"", "\"name\": \"10\""})
        at.push_back(r.Out.find(name));
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && at.back() != std::string::npos) << r.Out;
}

TEST_F(VellSim, ResaveRoundTripsTheBytes) {
    TRun r = Sim({"resave", Dir.Path("city.vl"), Dir.Path("copy.vl")});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(ReadBytes(Dir.Path("copy.vl")), ReadBytes(Dir.Path("city.vl")));
}

TEST_F(VellSim, BadInputExitsWithTwoAndAMessage) {
    WriteBytes(Dir.Path("short.vl"), {'V', 'L', 1, 0, 5});
    WriteBytes(Dir.Path("empty.vl"), {});
    struct Case {
        std::vector<std::string> Args;
        std::string Message;
    } cases[] = {
        {{}, "Usage: VellSim"},
        {{"info", Dir.Path("none.vl")}, "файл не найден или не читается"},
        {{"info", Dir.Path("short.vl")}, "файл обрывается раньше времени"},
        {{"info", Dir.Path("empty.vl")}, "файл обрывается раньше времени"},
        {{"info", Dir.Root().string() + "/"}, "не удалось открыть карту"},
        {{"resave", Dir.Path("city.vl"), Dir.Path("no/folder/x.vl")}, "не удалось записать"},
    };
    for (const Case& c : cases) {
        TRun r = Sim(c.Args);
        EXPECT_EQ(r.Code, tool::ExitBadInput) << c.Message;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_TRUE(r.Out.empty());
    }
}

class VellSimNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        auto map = NewMap();
        Ring = AddRing(*map, 100, 100, 900, 400, 4, 150);
        map->Objects[Ring[1]].SetStopType(3);
        map->Objects[Ring[5]].SetStopType(1);
        for (int k = 0; k < 30; ++k)
            AddObject(*map, HighWall, 300, 150 + k, 340, 150 + k);
        SetRoute(*map, 0, 11, {Ring[0], Ring[5]}, 2, 15); // 1А
        SetRoute(*map, 0, 1, {Ring[2], Ring[6]}, 1, 5);   // 10
        map->FileName = Dir.Path("ring.vl");
        ASSERT_TRUE(map->SaveToFile());
        // The same map with a dead end.
        AddRail(*map, 2000, 2000, 2100, 2000);
        map->FileName = Dir.Path("broken.vl");
        ASSERT_TRUE(map->SaveToFile());
    }
    TTempDir Dir;
    std::vector<int> Ring;
};

TEST_F(VellSimNetwork, CheckOfASoundNetwork) {
    TRun r = Sim({"check", Dir.Path("ring")});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "С рельсами всё в порядке\n");
    r = Sim({"check", Dir.Path("ring"), "--json"});
    EXPECT_EQ(r.Out, "{\"network_ok\": true, \"result\": -1, \"faulty\": []}\n");
}

TEST_F(VellSimNetwork, CheckListsFaultyRailsAndExitsWithOne) {
    TRun r = Sim({"check", Dir.Path("broken.vl")});
    EXPECT_EQ(r.Code, tool::ExitFindings);
    const int dead = int(Ring.size()) + 30;
    EXPECT_NE(r.Out.find("рельс " + std::to_string(dead) + " (2000, 2000) - (2100, 2000): тупик"),
              std::string::npos)
        << r.Out;
    r = Sim({"check", Dir.Path("broken.vl"), "--json"});
    EXPECT_EQ(r.Out, "{\"network_ok\": false, \"result\": " + std::to_string(dead) +
                         ", \"faulty\": [{\"index\": " + std::to_string(dead) +
                         ", \"rules\": [\"dead_end\"]}]}\n");
}

TEST_F(VellSimNetwork, RoutesTableInGameOrder) {
    TRun r = Sim({"routes", Dir.Path("ring.vl")});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("№   Остановок  Длина (м)"), std::string::npos) << r.Out;
    EXPECT_LT(r.Out.find("\n1А "), r.Out.find("\n10 "));
    EXPECT_NE(r.Out.find("Всего трамваев: "), std::string::npos);

    r = Sim({"routes", Dir.Path("ring.vl"), "--json"});
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out.rfind("{\"network_ok\": true, \"total_trams\": ", 0), 0u) << r.Out;
    const std::size_t first = r.Out.find("\"name\": \"1А\"");
    const std::size_t second = r.Out.find("\"name\": \"10\"");
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(second, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_NE(r.Out.find("\"stops\": 2, "), std::string::npos);
    EXPECT_NE(r.Out.find("\"choice_count\": 0, \"choices\": [], "), std::string::npos);
    // 30 high walls near the first stop (12) and none near the second.
    EXPECT_NE(r.Out.find("\"catchments\": [12, 0]"), std::string::npos) << r.Out;
}

TEST_F(VellSimNetwork, RoutesOnABrokenNetworkSayToCheckTheMap) {
    TRun r = Sim({"routes", Dir.Path("broken.vl")});
    EXPECT_EQ(r.Code, tool::ExitFindings);
    EXPECT_NE(r.Out.find("Ошибка с рельсами!"), std::string::npos);
    r = Sim({"routes", Dir.Path("broken.vl"), "--json"});
    EXPECT_EQ(r.Out, "{\"network_ok\": false, \"total_trams\": 0, \"routes\": []}\n");
}

#ifdef VELL_WITH_DRAWING
// Cyrillic in `text` beyond the map's route names ("1А", "2Б").
bool HasCyrillicBesideRouteNames(std::string text) {
    text = std::regex_replace(text, std::regex("[1-9](А|Б)"), "");
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (unsigned char)c >= 0xD0 && (unsigned char)c <= 0xD3; });
}

// Under an English locale VellSim tells everything in English: its reports, the route table's
// headers, what it wrote and every file error; the route names stay as the map has them.
TEST_F(VellSimNetwork, UnderAnEnglishLocaleEveryMessageIsEnglish) {
    const tool::TSimLanguage english(TLanguage::English);
    WriteBytes(Dir.Path("short.vl"), {'V', 'L', 1, 0, 5});
    const std::string ring = Dir.Path("ring.vl");
    struct Case {
        std::vector<std::string> Args;
        int Code;
        std::string Said;
    } cases[] = {
        {{"info", ring}, tool::ExitOk, "  1А: points "},
        {{"routes", ring},
         tool::ExitOk,
         "No.  Stops  Length (m)  Spacing (m)  Time (min)  Avg. speed  Interval (min)  Cars"},
        {{"run", ring, "--minutes", "1", "--seed", "1"}, tool::ExitOk, "World steps per second: "},
        {{"run", Dir.Path("broken.vl")},
         tool::ExitFindings,
         "Rail error!\nCheck the map in the editor (VellSim check " + Dir.Path("broken.vl") + ")"},
        {{"resave", ring, Dir.Path("copy.vl")},
         tool::ExitOk,
         "Map written: " + Dir.Path("copy.vl") + " (objects: " + std::to_string(Ring.size() + 30) +
             ")"},
        {{"convert", ring, Dir.Path("converted.vl")},
         tool::ExitOk,
         "Map written: " + Dir.Path("converted.vl") + " (objects before " +
             std::to_string(Ring.size() + 30) + ", now "},
        {{"resave", ring, Dir.Path("no/folder/x.vl")},
         tool::ExitBadInput,
         "VellSim: could not write the map " + Dir.Path("no/folder/x.vl")},
        {{"convert", ring, Dir.Path("no/folder/x.vl")},
         tool::ExitBadInput,
         "VellSim: could not write the map " + Dir.Path("no/folder/x.vl")},
        {{"info", Dir.Path("none")},
         tool::ExitBadInput,
         "VellSim: could not open the map " + Dir.Path("none.vl") +
             ": the file is missing or cannot be read"},
        {{"check", Dir.Path("short.vl")},
         tool::ExitBadInput,
         "VellSim: could not open the map " + Dir.Path("short.vl") + ": the file ends too early"},
    };
    for (const Case& c : cases) {
        const TRun r = Sim(c.Args);
        EXPECT_EQ(r.Code, c.Code) << c.Said << ": " << r.Err;
        EXPECT_NE((r.Out + r.Err).find(c.Said), std::string::npos) << r.Out << r.Err;
        EXPECT_FALSE(HasCyrillicBesideRouteNames(r.Out + r.Err)) << r.Out << r.Err;
    }
}
#endif

TEST_F(VellSimNetwork, BadMapsAreRefusedByEveryCommand) {
    WriteBytes(Dir.Path("bad.vl"), {'V', 'L', 9});
    for (const char* command : {"check", "routes"}) {
        EXPECT_EQ(Sim({command, Dir.Path("bad.vl")}).Code, tool::ExitBadInput);
        EXPECT_EQ(Sim({command, Dir.Path("missing.vl")}).Code, tool::ExitBadInput);
    }
}

TEST_F(VellSim, ConvertTurnsDoubleTracksIntoASoundNetwork) {
    auto map = NewMap();
    const std::vector<std::pair<int, int>> corners = {{1000, 1000}, {1500, 1000}, {1700, 1200},
                                                      {1700, 1600}, {1500, 1800}, {1000, 1800},
                                                      {800, 1600},  {800, 1200}};
    for (std::size_t k = 0; k < corners.size(); ++k)
        AddObject(*map, DoubleTrackPoles, corners[k].first, corners[k].second,
                  corners[(k + 1) % 8].first, corners[(k + 1) % 8].second);
    map->FileName = Dir.Path("double.vl");
    ASSERT_TRUE(map->SaveToFile());
    EXPECT_EQ(Sim({"check", Dir.Path("double.vl")}).Code, 0); // no rails yet: nothing to check

    TRun r = Sim({"convert", Dir.Path("double.vl"), Dir.Path("rails.vl"), "--grade", "200"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_NE(r.Out.find("объектов было 8, стало 40"), std::string::npos) << r.Out;
    EXPECT_EQ(Sim({"check", Dir.Path("rails.vl")}).Code, 0);
    TRun info = Sim({"info", Dir.Path("rails.vl"), "--json"});
    EXPECT_NE(info.Out.find("\"Rail\": 16"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("\"DoubleTrackPoles\": 0"), std::string::npos);
    // Repeatable: the same input gives the same file.
    ASSERT_EQ(Sim({"convert", Dir.Path("double.vl"), Dir.Path("again.vl"), "--grade", "200"}).Code,
              0);
    EXPECT_EQ(ReadBytes(Dir.Path("again.vl")), ReadBytes(Dir.Path("rails.vl")));
    EXPECT_EQ(Sim({"convert", Dir.Path("double.vl"), Dir.Path("x.vl"), "--grade", "256"}).Code,
              tool::ExitBadInput);
}

TEST_F(VellSim, SeedIsAcceptedBeforeTheCommand) {
    EXPECT_EQ(Sim({"--seed", "42", "info", Dir.Path("city.vl")}).Code, 0);
    EXPECT_EQ(Sim({"--seed=42", "info", Dir.Path("city.vl")}).Code, 0);
}

#ifdef VELL_WITH_SOUND
// A drive on a ring of the cab tests' kind: a whole WAV file of the minute asked for, never
// over the map, and the route named or refused in plain words.
TEST_F(VellSim, DriveWritesTheCabsSoundAsAWavFile) {
    auto map = NewMap();
    const std::vector<int> ring = AddRing(*map, 1000, 1000, 2000, 1600, 4);
    SetRoute(*map, 0, 0, {ring[0], ring[5]}, 1, 5);
    map->FileName = Dir.Path("ring.vl");
    ASSERT_TRUE(map->SaveToFile());
    const std::string wav = Dir.Path("drive.wav");
    const TRun r =
        Sim({"drive", map->FileName, "--route", "1", "--minutes", "1", "--seed", "5", wav});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const std::vector<std::uint8_t> bytes = ReadBytes(wav);
    ASSERT_GT(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    // A minute of 22050 stereo frames of 4 bytes, and the header.
    EXPECT_NEAR(double(bytes.size()), 44 + 60 * 22050 * 4, 4 * 22050 * 0.1);
    const std::vector<std::uint8_t> mapBytes = ReadBytes(map->FileName);
    EXPECT_EQ(Sim({"drive", map->FileName, "--route", "1", map->FileName}).Code, 2);
    EXPECT_EQ(ReadBytes(map->FileName), mapBytes);
    const TRun noRoute = Sim({"drive", map->FileName, "--route", "9", wav});
    EXPECT_EQ(noRoute.Code, 2);
    EXPECT_NE(noRoute.Err.find("9"), std::string::npos) << noRoute.Err;
    EXPECT_EQ(Sim({"drive", map->FileName, "--route", "1", "--minutes", "61", wav}).Code, 2);
}
#endif

// Mistakes in the arguments: one English line naming the command, then the way to the help.
TEST_F(VellSim, UsageErrorsAreOneLineAndAHint) {
    const std::string map = Dir.Path("city.vl");
    struct Case {
        std::vector<std::string> Args;
        std::string Line;
    } cases[] = {
        {{"info"}, "VellSim info: wrong number of arguments"},
        {{"info", map, map}, "VellSim info: wrong number of arguments"},
        {{"info", map, "--jsn"}, "VellSim info: unknown option --jsn"},
        {{"info", map, "--json=yes"}, "VellSim info: unknown option --json=yes"},
        {{"run", map, "--minutes"}, "VellSim run: option --minutes needs a value"},
        {{"run", map, "--minutes", "-1"},
         "VellSim run: --minutes takes a whole number from 0 to 10080"},
        {{"run", map, "--seed=4294967296"},
         "VellSim run: --seed takes a whole number from 0 to 4294967295"},
        {{"convert", map, Dir.Path("x.vl"), "--grade", "256"},
         "VellSim convert: --grade takes a whole number from 0 to 255"},
        {{"--frobnicate", "info"}, "VellSim: unknown option --frobnicate"},
        {{"--seed", "x", "info", map}, "VellSim: --seed takes a whole number from 0 to 4294967295"},
        {{"--seed"}, "VellSim: option --seed needs a value"},
        {{"launch"}, "VellSim: unknown command launch"},
        // The options before the command are only the global ones.
        {{"--json", "info", map}, "VellSim: unknown option --json"},
    };
    for (const Case& c : cases) {
        TRun r = Sim(c.Args);
        EXPECT_EQ(r.Code, tool::ExitBadInput) << c.Line;
        EXPECT_EQ(r.Err, c.Line + "\nTry 'VellSim --help'.\n");
        EXPECT_TRUE(r.Out.empty()) << r.Out;
    }
    EXPECT_FALSE(std::filesystem::exists(Dir.Path("x.vl")));
}

TEST_F(VellSim, HelpAndVersionGoToStandardOutput) {
    for (const char* help : {"--help", "-h"}) {
        TRun r = Sim({help});
        EXPECT_EQ(r.Code, 0);
        EXPECT_TRUE(r.Err.empty());
        EXPECT_EQ(r.Out.rfind("Usage: VellSim [--seed N] COMMAND ...\n", 0), 0u) << r.Out;
        // Every command of the table is in the usage.
        for (const char* command :
             {"info MAP", "resave IN OUT", "check MAP", "routes MAP", "convert IN OUT", "run MAP"})
            EXPECT_NE(r.Out.find(std::string("\n  ") + command), std::string::npos) << command;
    }
    // The help wins over a seed before it, as any global option is read in order.
    EXPECT_EQ(Sim({"--seed", "1", "--help"}).Code, 0);
    // Without a command the usage is the error.
    TRun bare = Sim({});
    EXPECT_EQ(bare.Code, tool::ExitBadInput);
    EXPECT_EQ(bare.Err, Sim({"--help"}).Out);

    TRun version = Sim({"--version"});
    EXPECT_EQ(version.Code, 0);
    EXPECT_TRUE(version.Err.empty());
    EXPECT_TRUE(std::regex_match(version.Out, std::regex("VellSim [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.Out;
}

} // namespace
} // namespace vell::test
