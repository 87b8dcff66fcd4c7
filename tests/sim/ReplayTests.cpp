// Replays: a recorded drive played back over its map ends in the same world as the drive, from
// its start or from its last minute, and a file that is not a sound replay of its map is refused
// with its line.
#include "model/RouteTable.h"
#include "sim/save/Replay.h"
#include "tests/sim/ScriptedDrive.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

namespace vell::test {
namespace {

const std::string DemoMap = VELL_MAPS_DIR "/demo.vl";

struct TPlayed {
    std::string Error;
    TReplayOutcome Outcome;
};

TPlayed Play(const TReplay& replay) {
    TMap map;
    TRandom random(0);
    TWorld world(map, random);
    TPlayed played;
    if (!RunReplay(replay, map, world, played.Outcome, played.Error) && played.Error.empty())
        played.Error = "refused without a reason";
    return played;
}

// The replay of the whole drive and of its last minute end where the drive ended.
void ExpectReplayedAsDriven(TScriptedDrive& drive) {
    // Long enough for the recorder to hold a snapshot a minute before the end.
    ASSERT_GE(drive.Run.Steps - drive.StartStep, 2 * StepsPerPlayedMinute);
    const TReplay replay = drive.Recorded();
    TReplay decoded;
    std::string error;
    ASSERT_TRUE(DecodeReplay(EncodeReplay(replay), decoded, error)) << error;
    EXPECT_EQ(decoded.Start, replay.Start);
    EXPECT_EQ(decoded.EndStep, drive.Run.Steps);
    ASSERT_EQ(decoded.Events.size(), replay.Events.size());
    for (std::size_t k = 0; k < replay.Events.size(); ++k) {
        EXPECT_EQ(decoded.Events[k].Step, replay.Events[k].Step);
        EXPECT_TRUE(decoded.Events[k].Commands == replay.Events[k].Commands) << k;
        EXPECT_EQ(decoded.Events[k].Bell, replay.Events[k].Bell) << k;
    }
    const std::uint64_t driven = ReplayDigest(drive.World, drive.Run);
    const TPlayed whole = Play(decoded);
    ASSERT_EQ(whole.Error, "");
    EXPECT_EQ(whole.Outcome.StartStep, drive.StartStep);
    EXPECT_EQ(whole.Outcome.EndStep, drive.Run.Steps);
    EXPECT_EQ(whole.Outcome.Number, drive.Player().Number);
    EXPECT_EQ(whole.Outcome.Accident, drive.Player().Accident);
    EXPECT_EQ(whole.Outcome.Digest, driven);

    const TReplay last = drive.Recorder.LastSteps(drive.Run.Steps, StepsPerPlayedMinute);
    const TPlayed lastMinute = Play(last);
    ASSERT_EQ(lastMinute.Error, "");
    EXPECT_GT(lastMinute.Outcome.StartStep, drive.StartStep);
    EXPECT_LE(lastMinute.Outcome.StartStep, drive.Run.Steps - StepsPerPlayedMinute);
    EXPECT_GT(lastMinute.Outcome.StartStep, drive.Run.Steps - 2 * StepsPerPlayedMinute);
    EXPECT_EQ(lastMinute.Outcome.Digest, driven);
}

TEST(Replay, PlaysAnOrdinaryDriveBackToTheSameWorld) {
    TScriptedDrive drive(DemoMap, 11);
    ASSERT_TRUE(drive.DriveOrdinary());
    EXPECT_TRUE(drive.DoorsOpenedAtStop);
    EXPECT_FALSE(drive.Player().Accident);
    bool byHand = false, open = false, close = false, autopilotAgain = false;
    for (const TReplayEvent& e : drive.Recorded().Events) {
        byHand = byHand || !e.Commands.Autopilot;
        open = open || e.Commands.Open;
        close = close || e.Commands.Close;
        autopilotAgain = autopilotAgain || (byHand && e.Commands.Autopilot);
    }
    EXPECT_TRUE(byHand && open && close && autopilotAgain);
    ExpectReplayedAsDriven(drive);
}

TEST(Replay, PlaysACrashBackToTheSameWorld) {
    TScriptedDrive drive(DemoMap, 5);
    ASSERT_TRUE(drive.DriveIntoCrash());
    EXPECT_NE(drive.Player().Crash.Cause, TAccidentCause::None);
    ExpectReplayedAsDriven(drive);
}

// A short drive over a copy of the ring map: by hand a little, then the autopilot.
struct TRingDrive {
    explicit TRingDrive(const std::string& mapPath) : Drive(mapPath, 3) {
        TPlayerCommands hand;
        hand.Autopilot = false;
        hand.Controller = 0.3;
        for (int s = 0; s < 120; ++s)
            Drive.Step(hand);
        hand.Autopilot = true;
        for (int s = 0; s < 80; ++s)
            Drive.Step(hand);
        Replay = Drive.Recorded();
        Bytes = EncodeReplay(Replay);
    }
    TScriptedDrive Drive;
    TReplay Replay;
    std::vector<std::uint8_t> Bytes;
};

std::string Decoded(const std::vector<std::uint8_t>& bytes) {
    TReplay replay;
    std::string error;
    if (DecodeReplay(bytes, replay, error)) return "accepted";
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    return error;
}

TEST(Replay, TheBellIsRecordedAndRungAgainWithoutChangingTheWorld) {
    // The same drive under the autopilot, once with the bell rung now and then (twice running,
    // once on the first step) and once without.
    const std::vector<long long> bells = {0, 30, 31, 150};
    TScriptedDrive rung(DemoMap, 5), silent(DemoMap, 5);
    for (long long s = 0; s < 200; ++s) {
        rung.Step({}, std::find(bells.begin(), bells.end(), s) != bells.end());
        silent.Step({});
    }
    EXPECT_EQ(ReplayDigest(rung.World, rung.Run), ReplayDigest(silent.World, silent.Run));
    EXPECT_TRUE(silent.Recorded().Events.empty());

    TReplay replay;
    std::string error;
    ASSERT_TRUE(DecodeReplay(EncodeReplay(rung.Recorded()), replay, error)) << error;
    ASSERT_EQ(replay.Events.size(), bells.size());
    TMap map;
    ASSERT_TRUE(LoadSavedMap(ReplayStart(replay), map, error)) << error;
    SelectMap(map);
    TRandom random(0);
    TWorld world(map, random);
    TRunState run;
    TReplayPlayer player(replay);
    ASSERT_TRUE(StartReplay(replay, world, run, player, 0, error)) << error;
    std::vector<long long> heard;
    for (; !player.Finished(run.Steps); ++run.Steps) {
        if (player.Before(world, run.Steps)) heard.push_back(run.Steps - rung.StartStep);
        world.WorldStep();
    }
    EXPECT_EQ(heard, bells);
    EXPECT_EQ(ReplayDigest(world, run), ReplayDigest(rung.World, rung.Run));
}

TEST(Replay, RefusesDamagedFilesWithTheirLine) {
    TTempDir dir;
    std::filesystem::copy_file(VELL_MAPS_DIR "/ring.vl", dir.Path("ring.vl"));
    TRingDrive ring(dir.Path("ring.vl"));
    const std::vector<std::uint8_t>& good = ring.Bytes;
    ASSERT_EQ(Decoded(good), "accepted");
    ASSERT_GE(ring.Replay.Events.size(), 2u);
    // The body: the start save's length and bytes, the end step, the event count, the events.
    const std::size_t count = SealedHeaderBytes + 4 + ring.Replay.Start.size() + 8;
    std::size_t flags = count + 4;
    while (good[flags] & 0x80)
        ++flags;
    ++flags;

    auto edited = [&](auto edit, bool reseal) {
        std::vector<std::uint8_t> bytes = good;
        edit(bytes);
        if (reseal) SealHeader(bytes);
        return Decoded(bytes);
    };
    using TBytes = std::vector<std::uint8_t>;
    EXPECT_EQ(edited([](TBytes& b) { b.resize(b.size() - 5); }, false),
              "Файл записи поездки обрывается раньше времени.");
    EXPECT_EQ(edited([](TBytes& b) { b[0] = 'X'; }, false), "Это не файл записи поездки.");
    EXPECT_EQ(edited([](TBytes& b) { b[4] = 2; }, false),
              "Запись поездки другой версии формата (2): эта программа читает версию 1.");
    EXPECT_EQ(edited([](TBytes& b) { b.back() ^= 1; }, false),
              "Файл записи поездки повреждён: контрольная сумма не сходится.");
    EXPECT_EQ(edited([&](TBytes& b) { b[flags] |= 0x40; }, true),
              "Запись поездки повреждена: неизвестные флаги события.");
    EXPECT_EQ(edited([&](TBytes& b) { b[count + 3] = 0x7F; }, true),
              "Запись поездки повреждена: событий больше, чем помещается в файле.");
    EXPECT_EQ(edited([](TBytes& b) { b.push_back(0); }, true),
              "Запись поездки повреждена: лишние данные после событий.");
    EXPECT_EQ(edited([](TBytes& b) { b[SealedHeaderBytes + 4 + 2] ^= 1; }, true),
              "Начало записи поездки не читается: Это не файл сохранения мира.");

    // Events and steps out of range, as a writer with a fault would make them.
    const long long start = ring.Drive.StartStep;
    auto encoded = [&](auto edit) {
        TReplay replay = ring.Replay;
        edit(replay);
        return Decoded(EncodeReplay(replay));
    };
    const std::string outOfOrder =
        "Запись поездки повреждена: события не по порядку шагов или после конца.";
    EXPECT_EQ(encoded([](TReplay& r) { r.Events[1].Step = r.Events[0].Step; }), outOfOrder);
    EXPECT_EQ(encoded([](TReplay& r) { r.Events.back().Step = r.EndStep; }), outOfOrder);
    EXPECT_EQ(encoded([&](TReplay& r) { r.EndStep = start - 1; }),
              "Запись поездки повреждена: конец раньше начала.");
    for (double controller : {1.5, -1.0001, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(encoded([&](TReplay& r) { r.Events[0].Commands.Controller = controller; }),
                  "Запись поездки повреждена: контроллер вне пределов -1..1.");
    EXPECT_EQ(encoded([&](TReplay& r) { r.Events[0].Step = start - 1; }),
              "Запись поездки повреждена: события обрываются.");

    // Through a file, the same.
    WriteBytes(dir.Path("cut.vlrec"), TBytes(good.begin(), good.end() - 1));
    TReplay read;
    std::string error;
    EXPECT_FALSE(ReadReplay(dir.Path("cut.vlrec"), read, error));
    EXPECT_EQ(error, "Файл записи поездки обрывается раньше времени.");
    ASSERT_EQ(WriteReplay(dir.Path("drive.vlrec"), ring.Replay), "");
    ASSERT_TRUE(ReadReplay(dir.Path("drive.vlrec"), read, error)) << error;
    EXPECT_EQ(read.Events.size(), ring.Replay.Events.size());
}

TEST(Replay, RefusesToPlayWhatDoesNotFit) {
    TTempDir dir;
    const std::string mapPath = dir.Path("ring.vl");
    std::filesystem::copy_file(VELL_MAPS_DIR "/ring.vl", mapPath);
    TRingDrive ring(mapPath);
    ASSERT_EQ(Play(ring.Replay).Error, "");

    // Commands, but nobody to give them to: refused, not dereferenced.
    TReplay playerless;
    TWorld& world = ring.Drive.World;
    world.PlayerTram = nullptr;
    std::uint64_t hash = 0;
    ASSERT_TRUE(MapFileHash(mapPath, hash));
    playerless.Start = EncodeWorldSave(world, ring.Drive.Run, mapPath, hash);
    playerless.EndStep = ring.Drive.Run.Steps + 10;
    playerless.Events = {{ring.Drive.Run.Steps, TPlayerCommands{}}};
    EXPECT_EQ(Play(playerless).Error,
              "В начале записи поездки нет трамвая игрока: его команды некому передать.");
    playerless.Events.clear();
    EXPECT_EQ(Play(playerless).Error, "");

    std::vector<std::uint8_t> bytes = ReadBytes(mapPath);
    bytes.back() ^= 1;
    WriteBytes(mapPath, bytes);
    EXPECT_EQ(Play(ring.Replay).Error, "Карта " + mapPath + " изменилась после сохранения.");
}

} // namespace
} // namespace vell::test
