// Reading the real extracts beside the project (../shared/osm): the tram network, the choice of
// the square, and the city inside it; and the whole import of each, whose time per km of track
// shows how it scales. Time and memory should grow with the track and the square, not with the
// file (run under /usr/bin/time -v for the memory).
#include "import/Import.h"
#include "import/OsmRead.h"
#include "import/TrackLines.h"
#include "import/TrackSquare.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

using namespace vell::import;

std::string Extract(const char* name) {
    return std::string(VELL_OSM_DIR) + "/" + name;
}

bool Missing(benchmark::State& state, const std::string& path) {
    if (std::filesystem::exists(path)) return false;
    state.SkipWithError((path + " is missing").c_str());
    return true;
}

void BM_ReadTramNetwork(benchmark::State& state, const char* name) {
    const std::string path = Extract(name);
    if (Missing(state, path)) return;
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadTramNetwork(TOsmInput::File(path)).Tracks.size());
}

void BM_DensestTrackSquare(benchmark::State& state, const char* name) {
    const std::string path = Extract(name);
    if (Missing(state, path)) return;
    const TOsmExtract extract = ReadTramNetwork(TOsmInput::File(path));
    for (auto _ : state)
        benchmark::DoNotOptimize(DensestTrackSquare(extract));
}

void BM_ReadCity(benchmark::State& state, const char* name) {
    const std::string path = Extract(name);
    if (Missing(state, path)) return;
    TOsmExtract extract = ReadTramNetwork(TOsmInput::File(path));
    const TGeoBox box = SquareBox(TProjection(DensestTrackSquare(extract)));
    for (auto _ : state) {
        ReadCity(TOsmInput::File(path), box, extract);
        benchmark::DoNotOptimize(extract.Buildings.size());
    }
}

// The three steps one after the other, as an import does them.
void BM_ReadAll(benchmark::State& state, const char* name) {
    const std::string path = Extract(name);
    if (Missing(state, path)) return;
    for (auto _ : state) {
        TOsmExtract extract = ReadTramNetwork(TOsmInput::File(path));
        ReadCity(TOsmInput::File(path), SquareBox(TProjection(DensestTrackSquare(extract))),
                 extract);
        benchmark::DoNotOptimize(extract.Buildings.size());
    }
}

// The whole import, as VellSim import makes it (without writing the map): its counters give the
// track in the square, the map's objects and the time per km of track.
void BM_ImportCity(benchmark::State& state, const char* name) {
    const std::string path = Extract(name);
    if (Missing(state, path)) return;
    double trackKm = 0, objects = 0;
    for (auto _ : state) {
        const TImportResult result = ImportCity(TOsmInput::File(path), {});
        trackKm = result.Report.TrackInSquareM / 1000;
        objects = result.Map->ObjectCount();
    }
    state.counters["track_km"] = trackKm;
    state.counters["objects"] = objects;
    // Seconds of CPU per km of track, shown with its unit prefix ("5m" is 5 ms a km).
    state.counters["time_per_km"] = benchmark::Counter(
        trackKm, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Lines made from the track of each extract as if it had no route relation, and of Heidelberg's
// network six times over side by side, scaled to fit the square (its node count that of about
// 260 km of track): the search's time as networks grow.
void BM_TrackLinePaths(benchmark::State& state, const char* name) {
    const std::string path = Extract(name);
    if (Missing(state, path)) return;
    const TOsmExtract extract = ReadTramNetwork(TOsmInput::File(path));
    const TProjection projection(DensestTrackSquare(extract));
    const TTrackGraph graph = BuildTrackGraph(extract, projection);
    TTrackPathOptions options;
    options.Excluded = ServiceTrackEdges(extract);
    std::size_t lines = 0;
    for (auto _ : state)
        lines = TrackLinePaths(graph, options).size();
    state.counters["lines"] = double(lines);
    state.counters["nodes"] = double(graph.Points.size());
}

void BM_TrackLinePathsSixHeidelbergs(benchmark::State& state) {
    const std::string path = Extract("heidelberg.test.pbf");
    if (Missing(state, path)) return;
    const TOsmExtract extract = ReadTramNetwork(TOsmInput::File(path));
    const TTrackGraph one = BuildTrackGraph(extract, TProjection(DensestTrackSquare(extract)));
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    for (const auto& [id, p] : one.Points) {
        minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    // Three across and two down, in a square less the margins.
    const double scale = std::min(9000 / 3 / (maxX - minX), 9000 / 2 / (maxY - minY));
    TTrackGraph graph;
    const TOsmId step = one.Points.rbegin()->first + 1;
    for (int copy = 0; copy < 6; ++copy) {
        const TOsmId offset = copy * step;
        const TPointM corner{500 + (copy % 3) * 3000.0, 500 + (copy / 3) * 4500.0};
        for (const auto& [id, p] : one.Points)
            graph.Points[id + offset] = {corner.X + scale * (p.X - minX),
                                         corner.Y + scale * (p.Y - minY)};
        for (const auto& [id, neighbours] : one.Neighbours)
            for (TOsmId n : neighbours)
                graph.Neighbours[id + offset].push_back(n + offset);
    }
    std::size_t lines = 0;
    for (auto _ : state)
        lines = TrackLinePaths(graph, {}).size();
    state.counters["lines"] = double(lines);
    state.counters["nodes"] = double(graph.Points.size());
}
BENCHMARK(BM_TrackLinePathsSixHeidelbergs)->Unit(benchmark::kMillisecond);

#define VELL_OSM_BENCH(function)                                                                   \
    BENCHMARK_CAPTURE(function, oslo, "oslo-skoyen.osm.pbf")->Unit(benchmark::kMillisecond);       \
    BENCHMARK_CAPTURE(function, poznan, "poznan-map.osm.gz")->Unit(benchmark::kMillisecond);       \
    BENCHMARK_CAPTURE(function, helsinki, "Helsinki.osm.pbf")->Unit(benchmark::kMillisecond);      \
    BENCHMARK_CAPTURE(function, munchen, "munchen.osm.pbf")->Unit(benchmark::kMillisecond);        \
    BENCHMARK_CAPTURE(function, porto, "porto.osm.pbf")->Unit(benchmark::kMillisecond);            \
    BENCHMARK_CAPTURE(function, heidelberg, "heidelberg.test.pbf")->Unit(benchmark::kMillisecond)

VELL_OSM_BENCH(BM_ReadTramNetwork);
VELL_OSM_BENCH(BM_DensestTrackSquare);
VELL_OSM_BENCH(BM_ReadCity);
VELL_OSM_BENCH(BM_ReadAll);
VELL_OSM_BENCH(BM_ImportCity);
VELL_OSM_BENCH(BM_TrackLinePaths);
BENCHMARK_CAPTURE(BM_TrackLinePaths, volgograd, "volgograd_centre_sumo.osm.xml.gz")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TrackLinePaths, prague, "prague_itinero.osm.pbf")
    ->Unit(benchmark::kMillisecond);

} // namespace
