// Replays of a drive by hand on the demo city (four stops, each reached by hand, with the doors):
// the recording's bytes per world step (goal: under 16 on average), and replaying against
// stepping the world without a player (goal: as fast).
#include "model/RouteTable.h"
#include "sim/World.h"
#include "sim/save/Replay.h"
#include "tests/sim/ScriptedDrive.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

using namespace vell;

// The drive by hand, and one from the same start as long on the autopilot (no command
// changes: its world is the one the plain steps step).
struct TRecordedDrives {
    TRecordedDrives()
        : Hand(VELL_MAPS_DIR "/demo.vl", 11), Autopilot(VELL_MAPS_DIR "/demo.vl", 11) {
        for (int stop = 0; stop < 4; ++stop)
            if (!Hand.DriveOrdinary()) {
                std::fprintf(stderr, "replay_bench: the drive reached no stop\n");
                std::exit(2);
            }
        Steps = Hand.Run.Steps - Hand.StartStep;
        for (long long s = 0; s < Steps; ++s)
            Autopilot.Step({});
        Replays[0] = Hand.Recorded();
        Replays[1] = Autopilot.Recorded();
    }
    test::TScriptedDrive Hand, Autopilot;
    TReplay Replays[2];
    long long Steps = 0;
};

TRecordedDrives& Recorded() {
    static TRecordedDrives drives;
    return drives;
}

// The file's bytes; "bytes_per_step" over the whole file, "event_bytes_per_step" without the
// start save.
void BM_ReplayBytes(benchmark::State& state) {
    TRecordedDrives& drives = Recorded();
    const TReplay& replay = drives.Replays[0];
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = EncodeReplay(replay).size();
    state.counters["steps"] = double(drives.Steps);
    state.counters["events"] = double(replay.Events.size());
    state.counters["bytes"] = double(bytes);
    state.counters["bytes_per_step"] = double(bytes) / double(drives.Steps);
    state.counters["event_bytes_per_step"] =
        double(bytes - replay.Start.size()) / double(drives.Steps);
}
BENCHMARK(BM_ReplayBytes)->Unit(benchmark::kMicrosecond);

// The whole replay: the map read and checked, the start restored, every step with its commands;
// of the drive by hand (0) and of the autopilot's (1).
void BM_RunReplay(benchmark::State& state) {
    TRecordedDrives& drives = Recorded();
    const TReplay& replay = drives.Replays[state.range(0)];
    for (auto _ : state) {
        TMap map;
        TRandom random(0);
        TWorld world(map, random);
        TReplayOutcome outcome;
        std::string error;
        if (!RunReplay(replay, map, world, outcome, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(outcome.Digest);
    }
    state.SetItemsProcessed(state.iterations() * drives.Steps);
}
BENCHMARK(BM_RunReplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same start restored the same way and stepped as often, without a player: the world step
// alone, the autopilot drive's world.
void BM_PlainSteps(benchmark::State& state) {
    TRecordedDrives& drives = Recorded();
    const TWorldSave start = ReplayStart(drives.Replays[1]);
    for (auto _ : state) {
        TMap map;
        TRandom random(0);
        TWorld world(map, random);
        TRunState run;
        std::string error;
        const bool loaded = LoadSavedMap(start, map, error);
        if (loaded) SelectMap(map);
        if (!loaded || !RestoreWorld(start, world, run, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        for (long long s = 0; s < drives.Steps; ++s)
            world.WorldStep();
        benchmark::DoNotOptimize(world.VellCount);
    }
    state.SetItemsProcessed(state.iterations() * drives.Steps);
}
BENCHMARK(BM_PlainSteps)->Unit(benchmark::kMillisecond);

} // namespace
