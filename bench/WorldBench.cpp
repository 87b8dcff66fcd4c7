// The world step on generated cities: about a hundred trams in service, the full table of
// 1024 trams, and a whole simulated day checked for soundness at the end.
#include "model/RouteTable.h"
#include "model/Units.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/GeneratedCity.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

using namespace vell;
using namespace vell::test;

// Twelve loops 4 km wide with 20 routes: about a hundred trams once all are out.
TCityPlan HundredPlan() {
    TCityPlan plan;
    plan.Loops = 12;
    plan.LoopWidth = 4000;
    plan.Routes = 20;
    plan.Seed = 5;
    return plan;
}

// A started world with every planned tram out (or the table full), kept between benchmarks.
struct TBenchWorld {
    explicit TBenchWorld(const TCityPlan& plan) : Sim(GenerateCity(plan), 12345) {
        Outcome = PreRun(*Sim.World, Sim.Selection.TotalTrams);
    }
    int InService() const {
        int n = 0;
        for (int k = 0; k < Sim.World->VellCount; ++k)
            n += Sim.World->VellTable[k]->Active;
        return n;
    }
    TSimulation Sim;
    TRunAhead Outcome;
};

TBenchWorld& Prepared(const std::string& name, const TCityPlan& plan) {
    static std::map<std::string, std::unique_ptr<TBenchWorld>> worlds;
    auto& world = worlds[name];
    if (!world) world = std::make_unique<TBenchWorld>(plan);
    return *world;
}

void Report(benchmark::State& state, const TBenchWorld& w) {
    state.SetItemsProcessed(state.iterations()); // items per second: world steps per second
    state.counters["trams"] = w.Sim.World->VellCount;
    state.counters["in_service"] = w.InService();
    state.counters["planned"] = w.Sim.Selection.TotalTrams;
    state.counters["objects"] = w.Sim.Map->ObjectCount();
    // One step per 50 ms timer tick is real time (near enough): x1024 is 20,480 steps per second.
    state.counters["x_real_time"] =
        benchmark::Counter(double(state.iterations()) / 20, benchmark::Counter::kIsRate);
}

void BM_WorldStepHundredTrams(benchmark::State& state) {
    TBenchWorld& w = Prepared("hundred", HundredPlan());
    for (auto _ : state)
        w.Sim.World->WorldStep();
    Report(state, w);
}
BENCHMARK(BM_WorldStepHundredTrams)->MinTime(3)->Unit(benchmark::kMicrosecond);

void BM_WorldStepFullTable(benchmark::State& state) {
    TBenchWorld& w = Prepared("stress", StressPlan());
    if (w.Outcome != TRunAhead::TableFull) state.SkipWithError("the table did not fill");
    for (auto _ : state)
        w.Sim.World->WorldStep();
    Report(state, w);
}
BENCHMARK(BM_WorldStepFullTable)->MinTime(3)->Unit(benchmark::kMicrosecond);

// Twenty-four simulated hours of the hundred-tram city from a fresh start: no tram may end
// with an undefined number, and every counter must match the trams' marks.
void BM_Day(benchmark::State& state) {
    for (auto _ : state) {
        TSimulation sim(GenerateCity(HundredPlan()), 777);
        const long long steps = RoundHalfEven(24 * 60 * TicksPerMinute);
        for (long long s = 0; s < steps; ++s)
            sim.World->WorldStep();
        std::string why;
        if (!OccupancyConsistent(*sim.World, &why)) state.SkipWithError(why.c_str());
        int offRoute = 0, inService = 0;
        for (int k = 0; k < sim.World->VellCount; ++k) {
            const TVell& t = *sim.World->VellTable[k];
            if (!TramFinite(t)) state.SkipWithError("a tram holds an undefined number");
            offRoute += !t.OnRoute;
            inService += t.Active;
        }
        state.counters["steps"] = double(steps);
        state.counters["trams"] = sim.World->VellCount;
        state.counters["in_service"] = inService;
        state.counters["off_route"] = offRoute;
        state.counters["steps_per_second"] =
            benchmark::Counter(double(steps), benchmark::Counter::kIsRate);
    }
}
BENCHMARK(BM_Day)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
