// The shift's score after each world step (goal: under 2 µs a step): the demo city's route 1
// driven by the autopilot as the scored driver, the world's own steps left out of the time.
#include "model/RouteTable.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "sim/shift/ShiftScore.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace vell;

void ScoreAfterStep(benchmark::State& state) {
    TMap map;
    map.FileName = VELL_MAPS_DIR "/demo.vl";
    if (!map.LoadFromFile() || SelectMap(map).NetworkResult >= 0) std::exit(2);
    TRandom random(1);
    TWorld world(map, random);
    world.StartWorld();
    if (WaitForTram(world, 0, 0) != TRunAhead::Ready || !FindPlayerTram(world, 0, 0)) {
        std::fprintf(stderr, "score_bench: route 1 does not run\n");
        std::exit(2);
    }
    long long step = 0;
    TShiftScore score;
    // An open shift never ends: every step is scored however long the benchmark runs.
    score.Start(world, TShift{}, step, true);
    for (auto _ : state) {
        world.WorldStep();
        ++step;
        const auto start = std::chrono::steady_clock::now();
        score.AfterStep(world, step);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["stops"] = double(score.StopsReached());
    state.counters["events"] = double(score.Evaluation().Events.size());
}
BENCHMARK(ScoreAfterStep)->UseManualTime()->Iterations(200000)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
