// Building the rail network and laying routes on dense generated cities of 1,000 to 65,535
// objects; the all-pairs reference build beside the grid-based one.
#include "model/Random.h"
#include "tests/support/GeneratedCity.h"
#include "tests/support/NetworkReference.h"

#include <benchmark/benchmark.h>

#include <map>

namespace {

using namespace vell;
using namespace vell::test;

TCityPlan PlanFor(int objects) {
    TCityPlan plan;
    plan.MaxObjects = objects;
    plan.Routes = 30;
    plan.HousesPerRail = 20; // houses fill the city up to its object count
    if (objects <= 1000) {
        plan.Loops = 2;
        plan.LoopWidth = 1500;
    } else if (objects <= 10000) {
        plan.Loops = 12;
        plan.LoopWidth = 4000;
    } else {
        plan.Loops = 120;
        plan.LoopWidth = 9000;
        plan.CrossoverEvery = 20;
    }
    return plan;
}

const TMap& City(int objects) {
    static std::map<int, std::unique_ptr<TMap>> cities;
    auto& city = cities[objects];
    if (!city) city = GenerateCity(PlanFor(objects));
    return *city;
}

void BM_BuildNetwork(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(map->BuildNetwork());
    state.counters["objects"] = map->ObjectCount();
    state.counters["sound"] = map->NetworkOk;
}
BENCHMARK(BM_BuildNetwork)->Arg(1000)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);

void BM_ReferenceBuildNetwork(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(ReferenceBuildNetwork(*map));
    state.counters["objects"] = map->ObjectCount();
}
BENCHMARK(BM_ReferenceBuildNetwork)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(65535)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// A route of 30 waypoints down through the top fifteen loops of the large city and back up:
// legs between neighbouring loops, whose switches together still fit the 1024 choices.
void BM_LayRoute30(benchmark::State& state) {
    auto map = std::make_unique<TMap>(City(65535));
    map->BuildNetwork();
    // The first rail of each loop's top side: loops are laid one after another.
    std::vector<int> loopStarts;
    for (int i = 0; i < map->ObjectCount(); ++i) {
        const TMapObject& o = map->Objects[i];
        if (o.IsRail() && (i == 0 || map->Objects[i - 1].Y1 != o.Y1) && o.Y1 == o.Y2 &&
            (loopStarts.empty() || map->Objects[loopStarts.back()].Y1 < o.Y1 - 30))
            loopStarts.push_back(i);
    }
    TRouteRec& route = map->Route(8, 12);
    route.WaypointCount = 30;
    for (int w = 0; w < 30; ++w)
        route.Waypoints[w] = std::uint16_t(loopStarts[w < 15 ? w : 29 - w] + 40 + w);
    for (auto _ : state)
        map->LayRoute(8, 12);
    state.counters["choices"] = route.ChoiceCount;
    state.counters["usable"] = route.Usable;
}
BENCHMARK(BM_LayRoute30)->Unit(benchmark::kMillisecond);

} // namespace
