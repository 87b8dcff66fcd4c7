// VellSim score: a recorded drive gets the evaluation its drive had, in text and JSON; the
// autopilot as the driver of the demo city; damaged input is one line and exit 2.
#include "model/Texts.h"
#include "tests/sim/ScriptedDrive.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

namespace vell::test {
namespace {

const std::string DemoMap = VELL_MAPS_DIR "/demo.vl";

std::string Member(const std::string& json, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(json, m, std::regex("\"" + name + "\": ([^,}]+)"))) return {};
    return m[1];
}

TEST(VellSimScore, ARecordingScoresAsItsDriveDidAndDamageIsOneLine) {
    TTempDir dir;
    const TShift shift{TShiftKind::Circuits, 1};
    TScriptedDrive drive(DemoMap, 11, &shift);
    ASSERT_TRUE(drive.DriveOrdinary());
    const TEvaluation live = drive.Score.Evaluation();
    ASSERT_GT(live.StopsReached, 0);
    // Scoring changes nothing in the world: the same drive unscored ends in the same world.
    TScriptedDrive unscored(DemoMap, 11);
    ASSERT_TRUE(unscored.DriveOrdinary());
    EXPECT_EQ(ReplayDigest(unscored.World, unscored.Run), ReplayDigest(drive.World, drive.Run));
    const std::string path = dir.Path("drive.vlrec");
    ASSERT_EQ(WriteReplay(path, drive.Recorded()), "");

    // The drive ends where the recording does: as the player left it.
    TShiftScore left = drive.Score;
    left.EndByPlayer(drive.Run.Steps);
    const TEvaluation expected = left.Evaluation();
    const TRun json = Sim({"score", path, "--json"});
    ASSERT_EQ(json.Code, 0) << json.Err;
    EXPECT_EQ(Member(json.Out, "total"), FormatFixed(expected.Total, 2)) << json.Out;
    EXPECT_EQ(Member(json.Out, "stars"), std::to_string(expected.Stars));
    EXPECT_EQ(Member(json.Out, "end"), "\"left\"");
    EXPECT_EQ(Member(json.Out, "driver"), "\"player\"");
    EXPECT_EQ(Member(json.Out, "kind"), "\"circuits\"");
    EXPECT_EQ(Member(json.Out, "stops_reached"), std::to_string(expected.StopsReached));
    EXPECT_EQ(Member(json.Out, "planned_stops"), std::to_string(expected.PlannedStops));
    for (const char* category : {"timetable", "stopping", "speed", "comfort"})
        EXPECT_NE(json.Out.find("\"" + std::string(category) + "\": {\"points\": "),
                  std::string::npos);
    // The autopilot drove part of it: those legs earned nothing, each said so.
    EXPECT_TRUE(live.UsedAutopilot);
    EXPECT_NE(json.Out.find("\"rule\": \"autopilot\""), std::string::npos);

    const TRun text = Sim({"score", path});
    ASSERT_EQ(text.Code, 0) << text.Err;
    EXPECT_NE(text.Out.find("Итог: " + FormatFixed(expected.Total, 2) + " из 100"),
              std::string::npos)
        << text.Out;
    EXPECT_NE(text.Out.find("Перегон на автопилоте"), std::string::npos);

    // A damaged recording: exit 2 and one line.
    std::vector<char> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[bytes.size() / 2] ^= 0x10;
    const std::string damaged = dir.Path("damaged.vlrec");
    std::ofstream(damaged, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    const TRun bad = Sim({"score", damaged});
    EXPECT_EQ(bad.Code, 2);
    EXPECT_EQ(std::count(bad.Err.begin(), bad.Err.end(), '\n'), 1) << bad.Err;
    EXPECT_EQ(Sim({"score", dir.Path("missing.vlrec")}).Code, 2);
    EXPECT_EQ(Sim({"score", path, "--route", "1"}).Code, 2);
}

// The autopilot as the driver keeps the demo city's timetable well enough for four stars, the
// same figures for the same seed; its legs count.
TEST(VellSimScore, TheAutopilotEarnsThreeOrFourStarsOnTheDemoCity) {
    const std::vector<std::string> args = {"score", "--autopilot", DemoMap, "--route",
                                           "1",     "--minutes",   "60",    "--seed",
                                           "1",     "--json"};
    const TRun run = Sim(args);
    ASSERT_EQ(run.Code, 0) << run.Err;
    EXPECT_GE(std::stoi(Member(run.Out, "stars")), 3) << run.Out;
    EXPECT_EQ(Member(run.Out, "driver"), "\"autopilot\"");
    EXPECT_EQ(Member(run.Out, "end"), "\"done\"");
    EXPECT_EQ(run.Out.find("\"rule\": \"autopilot\""), std::string::npos);
    EXPECT_EQ(Sim(args).Out, run.Out);
    EXPECT_EQ(Sim({"score", "--autopilot", DemoMap, "--route", "1", "--minutes", "0"}).Code, 2);
    EXPECT_EQ(Sim({"score", "--autopilot", DemoMap, "--minutes", "10"}).Code, 2);
}

} // namespace
} // namespace vell::test
