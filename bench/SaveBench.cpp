// The world save of the stress city with its table full (1,024 trams): the save's size, writing
// it to a file (the map's hash and the safe save included) and restoring it into a world.
#include "model/RouteTable.h"
#include "sim/Jams.h"
#include "sim/RunAhead.h"
#include "sim/RunStatistics.h"
#include "sim/World.h"
#include "sim/save/WorldSave.h"
#include "tools/citygen/Cities.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <unistd.h>

namespace {

using namespace vell;

// The stress city saved to a scratch folder (a save names its map file), run ahead until every
// planned tram is out, with the run's watchers; kept between benchmarks.
struct TSavedCity {
    TSavedCity()
        : Folder(std::filesystem::temp_directory_path() /
                 ("vell-save-bench-" + std::to_string(::getpid()))),
          Map(citygen::MakeStressCity().Map), Random(12345) {
        std::filesystem::create_directories(Folder);
        Map->FileName = (Folder / "stress.vl").string();
        if (!Map->SaveToFile()) {
            std::fprintf(stderr, "save_bench: cannot write %s\n", Map->FileName.c_str());
            std::exit(2);
        }
        const int planned = SelectMap(*Map).TotalTrams;
        World = std::make_unique<TWorld>(*Map, Random);
        Statistics = std::make_unique<TRunStatistics>(*World);
        Jams = std::make_unique<TJamWatch>(*World, 5461);
        World->StartWorld();
        Outcome = PreRun(*World, planned);
        Run = {12345, 0, Statistics.get(), Jams.get(), {}};
    }
    ~TSavedCity() {
        std::error_code ignored;
        std::filesystem::remove_all(Folder, ignored);
    }
    std::string SavePath() const { return (Folder / "city.vls").string(); }
    std::filesystem::path Folder;
    std::unique_ptr<TMap> Map;
    TRandom Random;
    std::unique_ptr<TWorld> World;
    std::unique_ptr<TRunStatistics> Statistics;
    std::unique_ptr<TJamWatch> Jams;
    TRunState Run;
    TRunAhead Outcome = TRunAhead::NoWorld;
};

TSavedCity& City() {
    static TSavedCity city;
    return city;
}

bool Full(benchmark::State& state, const TSavedCity& city) {
    if (city.Outcome == TRunAhead::Ready && city.World->VellCount == MaxVells) return true;
    state.SkipWithError("the stress city's table did not fill");
    return false;
}

// The save's bytes in memory; "bytes" is the save's size (goal: under 1 MB).
void BM_EncodeSave(benchmark::State& state) {
    TSavedCity& city = City();
    if (!Full(state, city)) return;
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = EncodeWorldSave(*city.World, city.Run, city.Map->FileName, 0).size();
    state.counters["bytes"] = double(bytes);
    state.counters["trams"] = city.World->VellCount;
}
BENCHMARK(BM_EncodeSave)->Unit(benchmark::kMillisecond);

// The save written to a file as the game and VellSim write it (goal: under 50 ms).
void BM_WriteSave(benchmark::State& state) {
    TSavedCity& city = City();
    if (!Full(state, city)) return;
    for (auto _ : state) {
        const std::string error = WriteWorldSave(city.SavePath(), *city.World, city.Run);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    state.counters["bytes"] = double(std::filesystem::file_size(city.SavePath()));
}
BENCHMARK(BM_WriteSave)->Unit(benchmark::kMillisecond);

// The save read from its file and restored into a second world over the same map, its map's
// hash checked as --continue does.
void BM_RestoreSave(benchmark::State& state) {
    TSavedCity& city = City();
    if (!Full(state, city)) return;
    const std::string written = WriteWorldSave(city.SavePath(), *city.World, city.Run);
    if (!written.empty()) state.SkipWithError(written.c_str());
    TMap map;
    TWorldSave save;
    std::string error;
    if (!ReadWorldSave(city.SavePath(), save, error) || !LoadSavedMap(save, map, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    SelectMap(map);
    TRandom random(1);
    TWorld world(map, random);
    TRunStatistics statistics(world);
    TJamWatch jams(world, 5461);
    TRunState run{0, 0, &statistics, &jams, {}};
    for (auto _ : state) {
        state.PauseTiming();
        world.StopWorld();
        state.ResumeTiming();
        if (!ReadWorldSave(city.SavePath(), save, error) ||
            !RestoreWorld(save, world, run, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    state.counters["trams"] = world.VellCount;
    state.counters["same"] =
        WorldStateDigest(world, run) == WorldStateDigest(*city.World, city.Run);
}
BENCHMARK(BM_RestoreSave)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
