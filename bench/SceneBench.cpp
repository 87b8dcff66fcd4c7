// Frame time of the cab view's scene: the vertex lists alone, and whole frames drawn by OpenGL
// into a 640 x 480 offscreen framebuffer and finished, on the ring map, the demo city and the
// generated stress city (near 65535 objects, 1024 trams planned), at the default visibility
// distances and at 2000 m. The eye rides in turn in the cabs of up to 16 trams of a running world.
// VELL_BENCH_MAP=FILE measures that map instead, under each city's name. VELL_LOOK=detailed
// measures the detailed look instead, in benchmarks named "...Detailed"; the classic when unset.
// Needs an X display: xvfb-run -a -s "-screen 0 1280x1024x24" scene_bench
#include "cab/look/LookGL.h"
#include "cab/scene/SceneBuild.h"
#include "tests/cab/scene/OffscreenGL.h"
#include "tests/cab/scene/SceneCity.h"
#include "tools/citygen/Cities.h"

#include <QGuiApplication>

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <vector>

namespace {

using namespace vell;
using namespace vell::test;

constexpr int FrameWidth = 640, FrameHeight = 480;

struct TBenchCity {
    std::unique_ptr<TRunningCity> City;
    std::vector<TSceneView> Eyes;
};

// VELL_BENCH_MAP=FILE puts that map (an imported city, say) in place of each built-in city,
// under the same benchmark names.
std::unique_ptr<TMap> MakeCity(int which) {
    if (const char* file = std::getenv("VELL_BENCH_MAP"); file && *file) return LoadCity(file);
    switch (which) {
    case 0:
        return LoadCity(VELL_MAPS_DIR "/ring.vl");
    case 1:
        return LoadCity(VELL_MAPS_DIR "/demo.vl");
    default:
        return citygen::MakeStressCity().Map;
    }
}

const char* CityName(int which) {
    static const char* names[] = {"ring", "demo", "stress"};
    return names[which];
}

TBenchCity& City(int which) {
    static std::map<int, TBenchCity> cities;
    TBenchCity& c = cities[which];
    if (c.City) return c;
    auto map = MakeCity(which);
    if (!map) return c;
    c.City = std::make_unique<TRunningCity>(std::move(map));
    // Every planned tram out, then ten minutes more so that they spread along their routes.
    c.City->RunAhead(200000);
    for (int s = 0; s < 11000; ++s)
        c.City->World->WorldStep();
    TWorld& world = *c.City->World;
    for (int k = 0; k < world.VellCount && c.Eyes.size() < 16; ++k) {
        if (!world.VellTable[k]->Active) continue;
        TSceneView view;
        PutEyeOnTram(*world.VellTable[k], 0, view);
        c.Eyes.push_back(view);
    }
    return c;
}

// Made on first use, gone before the application object is.
std::unique_ptr<TOffscreenGL> GL;

TOffscreenGL& Context() {
    if (!GL) {
        GL = std::make_unique<TOffscreenGL>(FrameWidth, FrameHeight);
        if (GL->Ok()) {
            SetUpCabContext(FrameWidth, FrameHeight, FrameHeight / 400.0f);
            std::fprintf(stderr, "OpenGL renderer: %s\n", GL->Renderer().c_str());
        }
    }
    return *GL;
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

void SetDistances(TSceneView& view, int distance) {
    if (distance == 0) {
        view.ViewDistWall = 500;
        view.ViewDistTree = 200;
        view.ViewDistVell = 200;
    } else {
        view.ViewDistWall = view.ViewDistTree = view.ViewDistVell = distance;
    }
}

void Count(benchmark::State& state, const TSceneLists& lists, std::size_t frames) {
    state.counters["line_vertices"] = double(lists.Lines.size());
    state.counters["triangle_vertices"] =
        double(lists.Triangles.size() + lists.IndexedTriangles.size());
    state.counters["quad_vertices"] = double(lists.Quads.size());
    state.counters["eyes"] = double(frames);
}

// The rails and trees are built into the lists' cache the first time they are seen: one frame
// from every eye first, so that the timing is of the frames that follow, as in a game.
void WarmUp(TBenchCity& c, int distance, TSceneLists& lists) {
    for (TSceneView view : c.Eyes) {
        SetDistances(view, distance);
        BuildScene(*c.City->Map, *c.City->World, c.City->Random, view, lists);
    }
}

// The vertex lists alone, without OpenGL.
void BM_BuildScene(benchmark::State& state) {
    TBenchCity& c = City(int(state.range(0)));
    if (c.Eyes.empty()) {
        state.SkipWithError("no city or no tram to ride");
        return;
    }
    state.SetLabel(CityName(int(state.range(0))));
    TSceneLists lists;
    WarmUp(c, int(state.range(1)), lists);
    std::size_t eye = 0;
    for (auto _ : state) {
        TSceneView view = c.Eyes[eye++ % c.Eyes.size()];
        SetDistances(view, int(state.range(1)));
        BuildScene(*c.City->Map, *c.City->World, c.City->Random, view, lists);
        benchmark::DoNotOptimize(lists.Quads.data());
    }
    Count(state, lists, c.Eyes.size());
}

// Whole frames: ground and sky, the scene, and glFinish so that the rasterising is counted.
void BM_RenderFrame(benchmark::State& state) {
    TBenchCity& c = City(int(state.range(0)));
    TOffscreenGL& gl = Context();
    if (c.Eyes.empty() || !gl.Ok()) {
        state.SkipWithError(gl.Ok() ? "no city or no tram to ride" : gl.Error().c_str());
        return;
    }
    state.SetLabel(CityName(int(state.range(0))));
    TSceneLists lists;
    WarmUp(c, int(state.range(1)), lists);
    std::size_t eye = 0;
    const double cpuStart = ProcessCpuMs();
    for (auto _ : state) {
        TSceneView view = c.Eyes[eye++ % c.Eyes.size()];
        SetDistances(view, int(state.range(1)));
        DrawCabFrame(*c.City->Map, *c.City->World, c.City->Random, view, lists);
        glFinish();
    }
    // The renderer's own threads rasterise: on a busy machine the wall time says more about the
    // other processes than about the frame, the CPU time of every thread of this one does not.
    state.counters["all_threads_cpu_ms"] =
        (ProcessCpuMs() - cpuStart) /
        double(std::max<benchmark::IterationCount>(1, state.iterations()));
    Count(state, lists, c.Eyes.size());
}

// The detailed look's sun by day.
TLookLight BenchLight() {
    return LookLightAt(10.5);
}

// The detailed look: every tile of the city built from nothing, as the first frames of a game
// on the map build the ones they see.
void BM_BuildTilesDetailed(benchmark::State& state) {
    TBenchCity& c = City(int(state.range(0)));
    if (!c.City) {
        state.SkipWithError("no city");
        return;
    }
    state.SetLabel(CityName(int(state.range(0))));
    std::size_t vertices = 0;
    for (auto _ : state) {
        TLookCity city;
        city.BuildAll(*c.City->Map, c.City->Map->Extras.Look, BenchLight());
        state.PauseTiming();
        vertices = 0;
        for (const TLookTile& tile : city.Tiles()) {
            for (const auto& layer : tile.Ground)
                for (const TLookRun& run : layer)
                    vertices += run.Triangles.size();
            for (const auto& list : tile.Mesh.Solid)
                vertices += list.size();
        }
        state.ResumeTiming();
    }
    state.counters["vertices"] = double(vertices);
}

// Whole frames of the detailed look, its tiles built by one frame from every eye first.
void BM_RenderFrameDetailed(benchmark::State& state) {
    TBenchCity& c = City(int(state.range(0)));
    TOffscreenGL& gl = Context();
    if (c.Eyes.empty() || !gl.Ok()) {
        state.SkipWithError(gl.Ok() ? "no city or no tram to ride" : gl.Error().c_str());
        return;
    }
    state.SetLabel(CityName(int(state.range(0))));
    TLookRenderer renderer;
    const TLookLight light = BenchLight();
    for (TSceneView view : c.Eyes) {
        SetDistances(view, int(state.range(1)));
        DrawLookFrame(*c.City->Map, *c.City->World, c.City->Random, view, light, renderer);
    }
    glFinish();
    std::size_t eye = 0;
    const double cpuStart = ProcessCpuMs();
    int tiles = 0;
    for (auto _ : state) {
        TSceneView view = c.Eyes[eye++ % c.Eyes.size()];
        SetDistances(view, int(state.range(1)));
        DrawLookFrame(*c.City->Map, *c.City->World, c.City->Random, view, light, renderer);
        glFinish();
        tiles += renderer.TilesDrawn;
    }
    const double frames = double(std::max<benchmark::IterationCount>(1, state.iterations()));
    state.counters["all_threads_cpu_ms"] = (ProcessCpuMs() - cpuStart) / frames;
    state.counters["tiles"] = tiles / frames;
    state.counters["eyes"] = double(c.Eyes.size());
}

// Arguments: city (0 ring, 1 demo, 2 stress), distance (0 for 500/200/200, else all).
void Cities(benchmark::internal::Benchmark* b) {
    for (int city = 0; city < 3; ++city)
        for (int distance : {0, 2000})
            b->Args({city, distance});
    b->ArgNames({"city", "dist"})->Unit(benchmark::kMillisecond);
}

void CitiesOnce(benchmark::internal::Benchmark* b) {
    for (int city = 0; city < 3; ++city)
        b->Args({city});
    b->ArgNames({"city"})->Unit(benchmark::kMillisecond)->Iterations(3);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (DetailedLookFromEnvironment()) {
        benchmark::RegisterBenchmark("BM_BuildTilesDetailed", BM_BuildTilesDetailed)
            ->Apply(CitiesOnce);
        benchmark::RegisterBenchmark("BM_RenderFrameDetailed", BM_RenderFrameDetailed)
            ->Apply(Cities);
    } else {
        benchmark::RegisterBenchmark("BM_BuildScene", BM_BuildScene)->Apply(Cities);
        benchmark::RegisterBenchmark("BM_RenderFrame", BM_RenderFrame)->Apply(Cities);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    GL.reset();
    return 0;
}
