// VellSim replay on two drives over the demo city, recorded as the game records them: their final
// digests are fixed, so a change to the world step, the recorder or the reader shows here.
#include "sim/CrashText.h"
#include "tests/sim/ScriptedDrive.h"
#include "tests/support/SimRunner.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
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
         "Авария: Трамвай опрокинулся на повороте"},
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

// A recording moved with its map plays on in its new folder to the same digest; elsewhere its
// map is named with --map, checked by its bytes. (The map is no bundled map's namesake, which
// would be found among them.)
TEST(ReplayCommand, ARecordingMovedWithItsMapPlaysThere) {
    namespace fs = std::filesystem;
    TTempDir dir;
    fs::create_directories(dir.Path("home"));
    fs::copy_file(DemoMap, dir.Path("home/tram.vl"));
    TScriptedDrive drive(dir.Path("home/tram.vl"), 11);
    TPlayerCommands hand;
    hand.Autopilot = false;
    hand.Controller = 0.5;
    for (int s = 0; s < 200; ++s)
        drive.Step(hand);
    ASSERT_EQ(WriteReplay(dir.Path("home/drive.vlrec"), drive.Recorded()), "");
    const TRun there = Sim({"replay", dir.Path("home/drive.vlrec"), "--json"});
    ASSERT_EQ(there.Code, 0) << there.Err;
    const std::string digest = there.Out.substr(there.Out.find("\"digest\""));

    fs::rename(dir.Path("home"), dir.Path("away"));
    const TRun moved = Sim({"replay", dir.Path("away/drive.vlrec"), "--json"});
    ASSERT_EQ(moved.Code, 0) << moved.Err;
    EXPECT_NE(moved.Out.find(digest), std::string::npos) << moved.Out;
    EXPECT_NE(moved.Out.find("\"map\": \"" + dir.Path("away/tram.vl") + "\""), std::string::npos)
        << moved.Out;

    fs::rename(dir.Path("away/tram.vl"), dir.Path("city.vl"));
    const TRun lost = Sim({"replay", dir.Path("away/drive.vlrec")});
    EXPECT_EQ(lost.Code, 2);
    EXPECT_EQ(lost.Err, "VellSim: Нет карты сохранения: " + dir.Path("home/tram.vl") + "\n");
    const TRun named = Sim({"replay", dir.Path("away/drive.vlrec"), "--map", dir.Path("city.vl")});
    ASSERT_EQ(named.Code, 0) << named.Err;
    EXPECT_NE(named.Out.find("Карта: " + dir.Path("city.vl") + "\n"), std::string::npos);
    const TRun wrong =
        Sim({"replay", dir.Path("away/drive.vlrec"), "--map", VELL_MAPS_DIR "/ring.vl"});
    EXPECT_EQ(wrong.Code, 2);
    EXPECT_NE(wrong.Err.find("её байты другие"), std::string::npos) << wrong.Err;
}

// A crash told by VellSim replay in the very words of the cab's message, figures rounded as
// the cab rounds them: the demo city's drive into a bend, and full traction from the start on a
// ring whose 1 km straight allows 117 x 0.3 + 15 = 50.1 km/h.
TEST(ReplayCommand, ACrashReadsAsTheCabSaysIt) {
    TTempDir dir;
    TScriptedDrive bend(DemoMap, 5);
    ASSERT_TRUE(bend.DriveIntoCrash());
    auto ring = NewMap();
    const std::vector<int> rails = AddRing(*ring, 1000, 1000, 2100, 1400, 1, 117);
    SetRoute(*ring, 0, 0, {rails[0], rails[5]}, 1, 5);
    ring->FileName = dir.Path("ring.vl");
    ASSERT_TRUE(ring->SaveToFile());
    TScriptedDrive straight(ring->FileName, 3);
    TPlayerCommands hand;
    hand.Autopilot = false;
    hand.Controller = 1;
    for (int s = 0; s < 40000 && !straight.Player().Accident; ++s)
        straight.Step(hand);
    ASSERT_EQ(straight.Player().Crash.Cause, TAccidentCause::Overspeed);
    EXPECT_EQ(CrashReason(straight.Player().Crash),
              "Сход с рельсов: скорость 50.2 км/ч выше предела этого пути 50.1 км/ч.");
    int k = 0;
    for (TScriptedDrive* drive : {&bend, &straight}) {
        const std::string path = dir.Path(std::to_string(k++) + ".vlrec");
        ASSERT_EQ(WriteReplay(path, drive->Recorded()), "");
        const std::string reason = CrashReason(drive->Player().Crash);
        ASSERT_NE(reason, "");
        const TRun text = Sim({"replay", path});
        ASSERT_EQ(text.Code, 0) << text.Err;
        EXPECT_NE(text.Out.find("\nАвария: " + reason + "\n"), std::string::npos) << text.Out;
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
