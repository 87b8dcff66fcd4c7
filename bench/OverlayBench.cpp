// The top view's "Показать занятые пути" on the demo city with every planned tram out: the
// overlay alone (who waits for whom, the held rails, the rings), and a whole timer tick at
// the top speed (1024 world steps, the plan, the overlay), which has 50 ms.
#include "game/TrackOverlay.h"
#include "model/RouteTable.h"
#include "model/draw/MapBitmaps.h"
#include "model/draw/PlanView.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "tools/citygen/Cities.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace vell;

struct TDemoRun {
    TDemoRun() : Map(citygen::MakeDemoCity().Map), Random(12345) {
        Selection = SelectMap(*Map);
        World = std::make_unique<TWorld>(*Map, Random);
        World->StartWorld();
        Outcome = PreRun(*World, Selection.TotalTrams);
        World->PlayerTram = World->VellTable[0].get();
        // The default view of the top view: the middle of the city.
        Map->ViewX = 4300;
        Map->ViewY = 3700;
    }
    std::unique_ptr<TMap> Map;
    TRandom Random;
    std::unique_ptr<TWorld> World;
    TMapSelection Selection;
    TRunAhead Outcome = TRunAhead::NoWorld;
    TMapBitmaps Bitmaps;
};

TDemoRun& Demo() {
    static TDemoRun run;
    return run;
}

void DrawOverlay(TDemoRun& run) {
    QPainter plan(&run.Bitmaps.PlanBitmap);
    const TJamPicture jams = LookForJams(*run.World);
    DrawHeldRails(plan, *run.World, jams, run.Map->ViewX, run.Map->ViewY);
    DrawJamMarks(plan, *run.World, jams, run.Map->ViewX, run.Map->ViewY);
}

void BM_TrackOverlay(benchmark::State& state) {
    TDemoRun& run = Demo();
    if (run.Outcome != TRunAhead::Ready) state.SkipWithError("not every planned tram came out");
    for (auto _ : state) {
        state.PauseTiming();
        for (int s = 0; s < 64; ++s)
            run.World->WorldStep(); // a different moment each time
        state.ResumeTiming();
        DrawOverlay(run);
    }
    state.counters["trams"] = run.World->VellCount;
}
BENCHMARK(BM_TrackOverlay)->Unit(benchmark::kMillisecond);

void BM_TopViewTickAt1024WithOverlay(benchmark::State& state) {
    TDemoRun& run = Demo();
    if (run.Outcome != TRunAhead::Ready) state.SkipWithError("not every planned tram came out");
    for (auto _ : state) {
        for (int s = 0; s < 1024; ++s)
            run.World->WorldStep();
        DrawPlan(*run.Map, run.Bitmaps, 0);
        DrawOverlay(run);
    }
}
BENCHMARK(BM_TopViewTickAt1024WithOverlay)->Unit(benchmark::kMillisecond);

} // namespace
