// The whole import of a large made-up network (bench/SyntheticNetwork.h: about 250 km of track
// in 16 streets of double track, 48 lines, turning loops at every end), read from memory, as
// `VellSim import` makes it without writing the map. The goal: under 3 ms of CPU per km of
// track; its counters give the track, the map's objects and the time per km.
#include "bench/SyntheticNetwork.h"
#include "import/Import.h"
#include "import/OsmRead.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace vell::import;

void BM_ImportSynthetic(benchmark::State& state) {
    vell::bench::TSyntheticNetwork network;
    network.Streets = int(state.range(0));
    network.TurningLines = network.Streets * network.Streets / 2;
    const std::string osm = vell::bench::SyntheticNetworkOsm(network);
    double trackKm = 0, objects = 0, routes = 0;
    for (auto _ : state) {
        const TImportResult result = ImportCity(TOsmInput::Memory(osm, "osm"), {});
        trackKm = result.Report.TrackInSquareM / 1000;
        objects = result.Map->ObjectCount();
        routes = double(result.Report.Routes.size());
    }
    state.counters["track_km"] = trackKm;
    state.counters["objects"] = objects;
    state.counters["routes"] = routes;
    // Seconds of CPU per km of track, shown with its unit prefix ("3m" is 3 ms a km).
    state.counters["time_per_km"] = benchmark::Counter(
        trackKm, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
// 4 streets each way: about 62 km; 8: about 250 km.
BENCHMARK(BM_ImportSynthetic)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

} // namespace
