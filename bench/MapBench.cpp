// Reading, writing and cleaning up the largest maps the format allows.
#include "model/Map.h"
#include "model/MapFile.h"
#include "model/Random.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace vell;

TMapFileContents LargeMap(int objects) {
    TRandom random(1);
    TMapFileContents contents;
    for (int k = 0; k < objects; ++k) {
        int x = 10 + random.Below(9900), y = 10 + random.Below(9900);
        contents.Objects.push_back(
            MakeObject(std::uint8_t(random.Below(6)), x, y, x + 20 + random.Below(60), y + 15));
    }
    for (auto& row : contents.Routes)
        for (TStoredRoute& r : row) {
            r.WaypointCount = 31;
            for (int k = 0; k < 31; ++k)
                r.Waypoints[k] = std::uint16_t(random.Below(objects));
        }
    return contents;
}

void BM_ParseAndApply(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = SerializeMapFile(LargeMap(int(state.range(0))));
    auto map = std::make_unique<TMap>();
    for (auto _ : state) {
        TMapFileContents contents;
        ParseMapFile(bytes, contents);
        map->ApplyLoadedContents(std::move(contents));
        benchmark::DoNotOptimize(map->ObjectCount());
    }
}
BENCHMARK(BM_ParseAndApply)->Arg(1000)->Arg(65535)->Unit(benchmark::kMillisecond);

void BM_Serialize(benchmark::State& state) {
    auto map = std::make_unique<TMap>();
    map->ApplyLoadedContents(LargeMap(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(SerializeMapFile(map->StoredContents()));
}
BENCHMARK(BM_Serialize)->Arg(65535)->Unit(benchmark::kMillisecond);

} // namespace
