// The whole import of a large made-up network (bench/SyntheticNetwork.h: about 250 km of track
// in 16 streets of double track, 48 lines, turning loops at every end), as `VellSim import`
// makes it without writing the map: from a PBF file, the form extracts usually come in, and from
// OSM XML in memory, whose parsing costs more. The goal: under 3 ms of CPU per km of track, all
// threads counted (run it under /usr/bin/time for the memory); the counters give the track, the
// map's objects, the routes and the CPU time per km.
#include "bench/SyntheticNetwork.h"
#include "import/Import.h"
#include "import/OsmRead.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using namespace vell::import;

vell::bench::TSyntheticNetwork Network(int streets) {
    vell::bench::TSyntheticNetwork network;
    network.Streets = streets;
    network.TurningLines = streets * streets / 2;
    return network;
}

void Import(benchmark::State& state, const TOsmInput& input) {
    double trackKm = 0, objects = 0, routes = 0;
    for (auto _ : state) {
        const TImportResult result = ImportCity(input, {});
        trackKm = result.Report.TrackInSquareM / 1000;
        objects = result.Map->ObjectCount();
        routes = double(result.Report.Routes.size());
    }
    state.counters["track_km"] = trackKm;
    state.counters["objects"] = objects;
    state.counters["routes"] = routes;
    // Seconds per km of track, shown with its unit prefix ("3m" is 3 ms a km).
    state.counters["time_per_km"] = benchmark::Counter(
        trackKm, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ImportSyntheticPbf(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("vell-synthetic-" + std::to_string(getpid()) + ".osm.pbf");
    vell::bench::WriteSyntheticNetwork(path.string(), Network(int(state.range(0))));
    Import(state, TOsmInput::File(path.string()));
    std::filesystem::remove(path);
}

void BM_ImportSyntheticXml(benchmark::State& state) {
    const std::string osm = vell::bench::SyntheticNetworkOsm(Network(int(state.range(0))));
    Import(state, TOsmInput::Memory(osm, "osm"));
}

// 4 streets each way: about 125 km of track; 8: about 250 km. CPU time is all threads'.
BENCHMARK(BM_ImportSyntheticPbf)
    ->Arg(4)
    ->Arg(8)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportSyntheticXml)
    ->Arg(4)
    ->Arg(8)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
