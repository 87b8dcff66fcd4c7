// The network build, the game's map selection, the world step, the run-ahead before a game, a
// 150-minute run and the drawing on the generated cities: the demo city of maps/demo.vl and the
// stress city (65535 objects, routes planning 1024 trams). Argument 0 is the demo city, 1 the
// stress city; VELL_BENCH_MAP=FILE measures that map under both.
#include "model/RouteTable.h"
#include "model/Units.h"
#include "model/draw/MapBitmaps.h"
#include "model/draw/PlanView.h"
#include "sim/RunAhead.h"
#include "sim/RunStatistics.h"
#include "sim/World.h"
#include "tools/citygen/Cities.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace vell;
using namespace vell::citygen;

// VELL_BENCH_MAP=FILE puts that map (an imported city, say) in place of both cities.
const TMap& City(int which) {
    static std::array<std::unique_ptr<TMap>, 2> cities;
    if (cities[which]) return *cities[which];
    if (const char* file = std::getenv("VELL_BENCH_MAP"); file && *file) {
        cities[which] = std::make_unique<TMap>();
        cities[which]->FileName = file;
        if (!cities[which]->LoadFromFile()) {
            std::fprintf(stderr, "city_bench: cannot load %s\n", file);
            std::exit(2);
        }
    } else {
        cities[which] = (which ? MakeStressCity() : MakeDemoCity()).Map;
    }
    return *cities[which];
}

void Name(benchmark::State& state) {
    state.SetLabel(state.range(0) ? "stress" : "demo");
}

void BM_BuildNetwork(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    for (auto _ : state) {
        map->FreeNetwork();
        benchmark::DoNotOptimize(map->BuildNetwork());
    }
    int rails = 0;
    for (const TMapObject& o : map->Objects)
        rails += o.IsRail();
    state.counters["objects"] = map->ObjectCount();
    state.counters["rails"] = rails;
    state.counters["sound"] = map->NetworkOk;
    Name(state);
}
BENCHMARK(BM_BuildNetwork)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Choosing the map in the game: catchments, the network, every route laid with its figures.
void BM_SelectMap(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    int trams = 0;
    for (auto _ : state)
        trams = SelectMap(*map).TotalTrams;
    state.counters["planned_trams"] = trams;
    Name(state);
}
BENCHMARK(BM_SelectMap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A world with every planned tram dispatched, kept between benchmarks.
struct TRunningCity {
    explicit TRunningCity(int which) : Map(std::make_unique<TMap>(City(which))), Random(12345) {
        Selection = SelectMap(*Map);
        World = std::make_unique<TWorld>(*Map, Random);
        World->StartWorld();
        Outcome = PreRun(*World, Selection.TotalTrams);
    }
    std::unique_ptr<TMap> Map;
    TRandom Random;
    std::unique_ptr<TWorld> World;
    TMapSelection Selection;
    TRunAhead Outcome = TRunAhead::NoWorld;
};

TRunningCity& Running(int which) {
    static std::array<std::unique_ptr<TRunningCity>, 2> worlds;
    if (!worlds[which]) worlds[which] = std::make_unique<TRunningCity>(which);
    return *worlds[which];
}

void BM_WorldStep(benchmark::State& state) {
    TRunningCity& city = Running(int(state.range(0)));
    if (city.Outcome != TRunAhead::Ready) state.SkipWithError("not every planned tram came out");
    for (auto _ : state)
        city.World->WorldStep();
    int inService = 0;
    for (int k = 0; k < city.World->VellCount; ++k)
        inService += city.World->VellTable[k]->Active;
    state.SetItemsProcessed(state.iterations()); // world steps per second
    state.counters["trams"] = city.World->VellCount;
    state.counters["in_service"] = inService;
    // One step per 50 ms timer tick is (near enough) real time.
    state.counters["x_real_time"] =
        benchmark::Counter(double(state.iterations()) / 20, benchmark::Counter::kIsRate);
    Name(state);
}
BENCHMARK(BM_WorldStep)->Arg(0)->Arg(1)->MinTime(3)->Unit(benchmark::kMicrosecond);

// "Прогонять перед стартом": a fresh world run ahead until the last planned tram is out.
void BM_PreRun(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    const TMapSelection selection = SelectMap(*map);
    long long steps = 0;
    for (auto _ : state) {
        TRandom random(12345);
        TWorld world(*map, random);
        world.StartWorld();
        steps = 0;
        const TRunAhead outcome = PreRun(world, selection.TotalTrams, [&](int) { ++steps; });
        if (outcome != TRunAhead::Ready) state.SkipWithError("not every planned tram came out");
    }
    state.counters["steps"] = double(steps);
    state.counters["planned_trams"] = selection.TotalTrams;
    Name(state);
}
BENCHMARK(BM_PreRun)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// VellSim run MAP --minutes 150: the world from its start, watched as the run command does.
void BM_Run150Minutes(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    SelectMap(*map);
    const long long steps = RoundHalfEven(150 * TicksPerMinute);
    int trams = 0;
    for (auto _ : state) {
        TRandom random(1);
        TWorld world(*map, random);
        world.StartWorld();
        TRunStatistics statistics(world);
        for (long long s = 0; s < steps; ++s) {
            world.WorldStep();
            statistics.Observe();
        }
        trams = world.VellCount;
    }
    state.counters["steps"] = double(steps);
    state.counters["trams"] = trams;
    state.counters["steps_per_second"] =
        benchmark::Counter(double(steps) * double(state.iterations()), benchmark::Counter::kIsRate);
    Name(state);
}
BENCHMARK(BM_Run150Minutes)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The plan at the default view (the middle of the demo city; a built-up part of the stress
// city) and the overview of the whole map.
void BM_DrawPlan(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    TMapBitmaps bitmaps;
    for (auto _ : state)
        DrawPlan(*map, bitmaps, 0);
    state.counters["objects"] = map->ObjectCount();
    Name(state);
}
BENCHMARK(BM_DrawPlan)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DrawOverview(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    TMapBitmaps bitmaps;
    for (auto _ : state)
        DrawOverview(*map, bitmaps);
    Name(state);
}
BENCHMARK(BM_DrawOverview)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
