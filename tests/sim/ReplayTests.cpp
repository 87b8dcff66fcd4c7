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
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

namespace {
// The largest single allocation while it is watched: what a reader takes on a file's word.
bool WatchingAllocations = false;
std::size_t LargestAllocation = 0;
} // namespace

// Not inlined: the compiler would pair a free() inlined at a delete with its own new.
[[gnu::noinline]] void* operator new(std::size_t size) {
    if (WatchingAllocations) LargestAllocation = std::max(LargestAllocation, size);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
    std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

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
    EXPECT_EQ(edited([](TBytes& b) { b[4] = 3; }, false),
              "Запись поездки другой версии формата (3): эта программа читает версию 2.");
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

// Decoded while the allocations are watched: the line (or "accepted") and the largest one.
std::pair<std::string, std::size_t> DecodedWatched(const std::vector<std::uint8_t>& bytes) {
    LargestAllocation = 0;
    WatchingAllocations = true;
    const std::string said = Decoded(bytes);
    WatchingAllocations = false;
    return {said, LargestAllocation};
}

TEST(Replay, ARecordingPastItsLengthOrEventsIsRefusedBeforeItIsReadOrPlayed) {
    TTempDir dir;
    std::filesystem::copy_file(VELL_MAPS_DIR "/ring.vl", dir.Path("ring.vl"));
    TRingDrive ring(dir.Path("ring.vl"));
    const long long start = ring.Drive.StartStep;
    auto encoded = [&](auto edit) {
        TReplay replay = ring.Replay;
        edit(replay);
        return Decoded(EncodeReplay(replay));
    };
    // A quadrillion steps would play for ever; 2^31 is the longest a recording may be.
    EXPECT_EQ(encoded([&](TReplay& r) { r.EndStep = start + 1000000000000000LL; }),
              "Запись поездки повреждена: длиннее 2147483648 шагов мира.");
    EXPECT_EQ(encoded([&](TReplay& r) { r.EndStep = start + MaxReplaySteps + 1; }),
              "Запись поездки повреждена: длиннее 2147483648 шагов мира.");
    EXPECT_EQ(encoded([&](TReplay& r) { r.EndStep = start + MaxReplaySteps; }), "accepted");

    // An event count that the file's bytes could hold, but that the recording's steps or the
    // cap could not: refused before a vector is sized from it (2^22 events would take 128 MB).
    const std::size_t count = SealedHeaderBytes + 4 + ring.Replay.Start.size() + 8;
    auto counted = [&](std::uint32_t events, long long endStep) {
        std::vector<std::uint8_t> bytes = ring.Bytes;
        std::memcpy(bytes.data() + count - 8, &endStep, 8);
        std::memcpy(bytes.data() + count, &events, 4);
        bytes.resize(count + 4 + 2 * std::size_t(events) + 16, 0);
        SealHeader(bytes);
        return DecodedWatched(bytes);
    };
    const std::size_t fileBytes = ring.Bytes.size() + 2 * MaxReplayEvents + 64;
    const auto [manyForTheSteps, largest] = counted(std::uint32_t(MaxReplayEvents), start + 200);
    EXPECT_EQ(manyForTheSteps, "Запись поездки повреждена: событий больше, чем шагов записи.");
    EXPECT_LT(largest, fileBytes);
    const auto [pastTheCap, largestPast] =
        counted(std::uint32_t(MaxReplayEvents + 1), start + MaxReplaySteps);
    EXPECT_EQ(pastTheCap, "Запись поездки повреждена: событий больше, чем шагов записи.");
    EXPECT_LT(largestPast, fileBytes);

    // Commands for nobody: refused as the file is read, before its events.
    TReplay playerless = ring.Replay;
    TWorld& world = ring.Drive.World;
    world.PlayerTram = nullptr;
    std::uint64_t hash = 0;
    ASSERT_TRUE(MapFileHash(dir.Path("ring.vl"), hash));
    playerless.Start = EncodeWorldSave(world, ring.Drive.Run, dir.Path("ring.vl"), hash);
    playerless.EndStep = ring.Drive.Run.Steps + 10;
    playerless.Events = {{ring.Drive.Run.Steps, TPlayerCommands{}}};
    EXPECT_EQ(Decoded(EncodeReplay(playerless)),
              "В начале записи поездки нет трамвая игрока: его команды некому передать.");
    playerless.Events.clear();
    EXPECT_EQ(Decoded(EncodeReplay(playerless)), "accepted");
}

TEST(Replay, TheRecorderStopsAtItsCapsAndKeepsTheDriveUpToThere) {
    TTempDir dir;
    std::filesystem::copy_file(VELL_MAPS_DIR "/ring.vl", dir.Path("ring.vl"));
    // The recorder is told of each step without the world stepping: a driver who moves the
    // controller at every step, past the most events a recording holds.
    TScriptedDrive drive(dir.Path("ring.vl"), 3);
    TVell& tram = drive.Player();
    tram.AutoDrive = false;
    const long long start = drive.StartStep;
    const long long changes = (long long)MaxReplayEvents + 10;
    for (long long k = 0; k < changes; ++k) {
        tram.ManualCommand = k % 2 ? 0.5 : -0.5;
        drive.Recorder.Before(drive.World, drive.Run, start + k);
        EXPECT_EQ(drive.Recorder.Full(), k >= (long long)MaxReplayEvents) << k;
        if (drive.Recorder.Full() != (k >= (long long)MaxReplayEvents)) break;
    }
    TReplay full = drive.Recorder.Drive(start + changes);
    EXPECT_EQ(full.Events.size(), MaxReplayEvents);
    EXPECT_EQ(full.EndStep, start + (long long)MaxReplayEvents);
    EXPECT_EQ(full.Events.back().Step, full.EndStep - 1);
    // What it keeps is a recording the reader takes.
    TReplay read;
    std::string error;
    EXPECT_TRUE(DecodeReplay(EncodeReplay(full), read, error)) << error;
    EXPECT_EQ(read.Events.size(), MaxReplayEvents);
    full = {};
    read = {};

    // A drive that runs on past 2^31 steps ends there.
    drive.Recorder.Start(drive.World, drive.Run);
    ASSERT_FALSE(drive.Recorder.Full());
    drive.Recorder.Before(drive.World, drive.Run, start + 5);
    drive.Recorder.Before(drive.World, drive.Run, start + MaxReplaySteps - 1);
    EXPECT_FALSE(drive.Recorder.Full());
    drive.Recorder.Before(drive.World, drive.Run, start + MaxReplaySteps);
    EXPECT_TRUE(drive.Recorder.Full());
    const TReplay longest = drive.Recorder.Drive(start + MaxReplaySteps + 1000);
    EXPECT_EQ(longest.EndStep, start + MaxReplaySteps);
    EXPECT_EQ(Decoded(EncodeReplay(longest)), "accepted");
    EXPECT_EQ(drive.Recorder.LastSteps(start + MaxReplaySteps + 1000, StepsPerPlayedMinute).EndStep,
              start + MaxReplaySteps);
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
