// Drawing the plan view and the overview of a city of 65535 objects, or of the map named by
// VELL_BENCH_MAP=FILE (an imported city, say).
#include "model/Random.h"
#include "model/draw/MapBitmaps.h"
#include "model/draw/PlanView.h"
#include "model/draw/Scheme.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace vell;

// A city over the whole 10 km square: streets every 200 m with tram tracks on every third one
// (100 m rails both ways, every fifth a stop), houses of four walls around each block, rows of
// trees, double tracks, arches and a border, up to 65535 objects. A few rails are selected, as
// a highlighted route.
// VELL_BENCH_MAP=FILE draws that map (an imported city, say) instead, under the same names.
std::unique_ptr<TMap> City() {
    if (const char* file = std::getenv("VELL_BENCH_MAP"); file && *file) {
        auto map = std::make_unique<TMap>();
        map->FileName = file;
        if (!map->LoadFromFile()) {
            std::fprintf(stderr, "draw_bench: cannot load %s\n", file);
            std::exit(2);
        }
        return map;
    }
    auto map = std::make_unique<TMap>();
    TRandom random(11);
    auto add = [&](std::uint8_t kind, int x1, int y1, int x2, int y2) -> TMapObject* {
        if (map->ObjectCount() >= MaxObjects) return nullptr;
        map->Objects.push_back(MakeObject(kind, x1, y1, x2, y2));
        return &map->Objects.back();
    };
    for (int edge = 0; edge < 4; ++edge) {
        const int a = edge % 2 ? 9990 : 10;
        if (edge < 2)
            add(Border, 10, a, 9990, a);
        else
            add(Border, a, 10, a, 9990);
    }
    for (int street = 1; street < 50; street += 3)
        for (int x = 0; x + 100 <= 9900; x += 100)
            for (int side : {-3, 3}) {
                const int y = street * 200 + side;
                TMapObject* r =
                    side < 0 ? add(Rail, x + 50, y, x + 150, y) : add(Rail, x + 150, y, x + 50, y);
                if (!r) continue;
                r->SetSpeedGrade(std::uint8_t(random.Below(256)));
                if (random.Below(5) == 0) r->SetStopType(std::uint8_t(1 + random.Below(3)));
                r->SetSelected(street % 9 == 1);
            }
    const std::uint8_t palette[4][3] = {
        {180, 150, 120}, {120, 120, 140}, {200, 90, 60}, {90, 90, 90}};
    for (int pass = 0; map->ObjectCount() < MaxObjects; ++pass)
        for (int by = 0; by < 50 && map->ObjectCount() < MaxObjects; ++by)
            for (int bx = 0; bx < 50 && map->ObjectCount() < MaxObjects; ++bx) {
                const int x = bx * 200 + 20 + random.Below(120),
                          y = by * 200 + 20 + random.Below(120);
                const int w = 15 + random.Below(40), h = 15 + random.Below(40);
                const std::uint8_t* color = palette[random.Below(4)];
                const std::uint8_t kind = random.Below(6) == 0 ? HighWall : Wall;
                const int corners[5][2] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
                for (int k = 0; k < 4; ++k)
                    if (TMapObject* o = add(kind, corners[k][0], corners[k][1], corners[k + 1][0],
                                            corners[k + 1][1])) {
                        o->Red = color[0];
                        o->Green = color[1];
                        o->Blue = color[2];
                    }
                if (pass % 4 == 0) add(Trees, x - 10, y + h + 8, x + w + 10, y + h + 8);
                if (pass % 16 == 1)
                    add(std::uint8_t(DoubleTrack + random.Below(4)), x, y - 10, x + 150, y - 10);
                if (pass % 16 == 2) add(Arch, x, y + h / 2, x + 12, y + h / 2);
            }
    return map;
}

void BM_DrawPlan(benchmark::State& state) {
    auto map = City();
    map->ViewX = 4700; // the middle of the city
    map->ViewY = 4700;
    TMapBitmaps bitmaps;
    for (auto _ : state)
        DrawPlan(*map, bitmaps, 0);
    state.counters["objects"] = map->ObjectCount();
}
BENCHMARK(BM_DrawPlan)->Unit(benchmark::kMillisecond);

// The worst case: every one of 65535 objects, all kinds mixed, inside the window.
void BM_DrawPlanAllInView(benchmark::State& state) {
    auto map = std::make_unique<TMap>();
    TRandom random(5);
    for (int k = 0; k < MaxObjects; ++k) {
        const int x = 4800 + random.Below(600), y = 4800 + random.Below(600);
        TMapObject o = MakeObject(std::uint8_t(random.Below(10)), x, y, x + random.Below(41) - 20,
                                  y + random.Below(41) - 20);
        o.Red = std::uint8_t(random.Below(256));
        o.Green = std::uint8_t(random.Below(256));
        o.SetSelected(random.Below(10) == 0);
        map->Objects.push_back(o);
    }
    TMapBitmaps bitmaps;
    for (auto _ : state)
        DrawPlan(*map, bitmaps, 0);
}
BENCHMARK(BM_DrawPlanAllInView)->Unit(benchmark::kMillisecond);

void BM_DrawOverview(benchmark::State& state) {
    auto map = City();
    TMapBitmaps bitmaps;
    for (auto _ : state)
        DrawOverview(*map, bitmaps);
}
BENCHMARK(BM_DrawOverview)->Unit(benchmark::kMillisecond);

// The overview drawn object by object with the painter, as the fast path must look.
void BM_DrawOverviewObjectByObject(benchmark::State& state) {
    auto map = City();
    TMapBitmaps bitmaps;
    for (auto _ : state) {
        bitmaps.OverviewBitmap.fill(Qt::black);
        QPainter p(&bitmaps.OverviewBitmap);
        for (const TMapObject& o : map->Objects)
            if (!o.IsRail()) DrawOverviewObject(p, o);
        for (const TMapObject& o : map->Objects)
            if (o.IsRail() && !o.Selected()) DrawOverviewObject(p, o);
        for (const TMapObject& o : map->Objects)
            if (o.IsRail() && o.Selected()) DrawOverviewObject(p, o);
    }
}
BENCHMARK(BM_DrawOverviewObjectByObject)->Unit(benchmark::kMillisecond);

} // namespace
