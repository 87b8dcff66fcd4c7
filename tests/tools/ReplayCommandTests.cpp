// VellSim replay on two drives over the demo city, recorded as the game records them: their final
// digests are fixed, so a change to the world step, the recorder or the reader shows here.
#include "tests/sim/ScriptedDrive.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace vell::test {
namespace {

const std::string DemoMap = VELL_MAPS_DIR "/demo.vl";

struct TGolden {
    const char* Name;
    bool (TScriptedDrive::*Drive)();
    std::uint32_t Seed;
    const char* Digest;
    const char* Ending; // what the text says of the player's tram at the end
};

TEST(ReplayCommand, DemoDrivesEndWithTheirDigests) {
    const TGolden drives[] = {
        {"ordinary", &TScriptedDrive::DriveOrdinary, 11, "7683a4d5ef0c4492", "Аварии нет"},
        {"crash", &TScriptedDrive::DriveIntoCrash, 5, "bdd7def0c8a6b588",
         "Авария: опрокидывание на повороте"},
    };
    TTempDir dir;
    for (const TGolden& golden : drives) {
        SCOPED_TRACE(golden.Name);
        TScriptedDrive drive(DemoMap, golden.Seed);
        ASSERT_TRUE((drive.*golden.Drive)());
        const std::string path = dir.Path(std::string(golden.Name) + ".vlrec");
        ASSERT_EQ(WriteReplay(path, drive.Recorded()), "");
        const std::string steps = std::to_string(drive.Run.Steps - drive.StartStep);

        const TRun text = Sim({"replay", path});
        ASSERT_EQ(text.Code, 0) << text.Err;
        EXPECT_NE(text.Out.find("Отпечаток мира: " + std::string(golden.Digest) + "\n"),
                  std::string::npos)
            << text.Out;
        EXPECT_NE(text.Out.find("Шаги мира: с " + std::to_string(drive.StartStep) + " по " +
                                std::to_string(drive.Run.Steps) + ", всего " + steps + "\n"),
                  std::string::npos)
            << text.Out;
        EXPECT_NE(text.Out.find("Трамвай игрока: маршрут 1, поезд " +
                                std::to_string(drive.Player().Number) + "\n"),
                  std::string::npos)
            << text.Out;
        EXPECT_NE(text.Out.find(golden.Ending), std::string::npos) << text.Out;

        const TRun json = Sim({"replay", path, "--json"});
        ASSERT_EQ(json.Code, 0) << json.Err;
        EXPECT_NE(json.Out.find("\"steps\": " + steps + ", "), std::string::npos) << json.Out;
        EXPECT_NE(json.Out.find("\"digest\": \"" + std::string(golden.Digest) + "\"}"),
                  std::string::npos)
            << json.Out;
        EXPECT_NE(json.Out.find(drive.Player().Accident ? "\"accident\": true, \"crash\": {"
                                                        : "\"accident\": false, \"crash\": null"),
                  std::string::npos)
            << json.Out;
    }
}

TEST(ReplayCommand, RefusesWhatIsNoReplay) {
    TTempDir dir;
    WriteBytes(dir.Path("map.vlrec"), ReadBytes(DemoMap));
    const TRun wrong = Sim({"replay", dir.Path("map.vlrec")});
    EXPECT_EQ(wrong.Code, 2);
    EXPECT_EQ(wrong.Out, "");
    EXPECT_EQ(wrong.Err, "VellSim: Это не файл записи поездки.\n");
    const TRun missing = Sim({"replay", dir.Path("none.vlrec")});
    EXPECT_EQ(missing.Code, 2);
    EXPECT_EQ(missing.Err.rfind("VellSim: Не удалось прочитать запись поездки ", 0), 0u)
        << missing.Err;
    EXPECT_EQ(Sim({"replay"}).Code, 2);
}

// Ctrl+C on a replay of 2^31 steps (hours of stepping): it stops after the step it is in, says
// where, and exits as a shell counts a signal. The signal is sent once the command watches for
// it (or after 30 s, when it never does: then it ends the test program).
TEST(ReplayCommand, CtrlCStopsALongReplayWithItsLine) {
    TTempDir dir;
    TScriptedDrive drive(DemoMap, 11);
    TReplay replay = drive.Recorded();
    replay.EndStep = drive.StartStep + MaxReplaySteps;
    const std::string path = dir.Path("long.vlrec");
    ASSERT_EQ(WriteReplay(path, replay), "");
    std::thread interrupter([] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        struct sigaction now {};
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            sigaction(SIGINT, nullptr, &now);
        } while (now.sa_handler == SIG_DFL && std::chrono::steady_clock::now() < until);
        // Some steps played first.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(getpid(), SIGINT);
    });
    const TRun stopped = Sim({"replay", path});
    interrupter.join();
    EXPECT_EQ(stopped.Code, 128 + SIGINT);
    EXPECT_EQ(stopped.Out, "");
    EXPECT_EQ(stopped.Err.rfind("VellSim: Запись остановлена на шаге ", 0), 0u) << stopped.Err;
    EXPECT_NE(stopped.Err.find(" из " + std::to_string(replay.EndStep) + ".\n"), std::string::npos)
        << stopped.Err;
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL);
}

} // namespace
} // namespace vell::test
