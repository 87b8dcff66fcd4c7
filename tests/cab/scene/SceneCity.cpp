// Cities and a running world for the benchmark and the screenshot harness.
#include "SceneCity.h"

#include "GeneratedCity.h"

#include <cmath>

namespace vell::test {

namespace {

int Add(TMap& map, std::uint8_t kind, int x1, int y1, int x2, int y2, std::uint8_t r,
        std::uint8_t g, std::uint8_t b) {
    TMapObject o = MakeObject(kind, x1, y1, x2, y2);
    o.Red = r;
    o.Green = g;
    o.Blue = b;
    map.Objects.push_back(o);
    return map.ObjectCount() - 1;
}

} // namespace

std::unique_ptr<TMap> DemoStandInCity() {
    TCityPlan plan;
    plan.Loops = 8;
    plan.LoopWidth = 3000;
    plan.StopEvery = 4;
    plan.HousesPerRail = 2;
    plan.Routes = 16;
    plan.Seed = 7;
    auto map = GenerateCity(plan);
    // What a drawn city has and the generated one lacks: short rows of trees inside the loops,
    // poles and kerbs beside the track, arches over it (one end on a house, one standing free).
    // The generated loops' top sides run at y = 100 + 60 k from x = 100, 40 m above the bottoms.
    for (int k = 0; k < plan.Loops; ++k) {
        const int top = 100 + 60 * k;
        for (int m = 0; m < 14; ++m) {
            const int x = 160 + 200 * m;
            Add(*map, Trees, x, top + 14, x + 60 + 10 * (m % 3), top + 14, std::uint8_t(30 + 7 * m),
                std::uint8_t(120 + 10 * k), 30);
            Add(*map, Trees, x + 80, top + 26, x + 140, top + 26, std::uint8_t(90 - 5 * m), 140,
                std::uint8_t(20 + 3 * k));
            Add(*map, Border, x, top + 3, x + 100, top + 3, 120, 120, 120);
        }
        for (int x = 125; x < 100 + plan.LoopWidth; x += 50)
            Add(*map, Wall, x, top + 2, x, top + 2, 90, 90, 100);
        for (int x = 455; x < 100 + plan.LoopWidth; x += 400)
            Add(*map, Arch, x, top - 4, x, top + 5, 200, 60, 60);
    }
    return map;
}

std::unique_ptr<TMap> StressCity() {
    TCityPlan plan;
    plan.Loops = 120;
    plan.LoopWidth = 9000;
    plan.CrossoverEvery = 20;
    plan.HousesPerRail = 20;
    plan.Routes = 30;
    return GenerateCity(plan);
}

std::unique_ptr<TMap> LoadCity(const std::string& path) {
    auto map = std::make_unique<TMap>();
    map->FileName = path;
    if (!map->LoadFromFile()) return nullptr;
    return map;
}

void MarkFreeArchEnds(TMap& map) {
    for (TMapObject& a : map.Objects) {
        if (a.Kind() != Arch) continue;
        a.SetStartGrab(true);
        a.SetEndGrab(true);
        for (const TMapObject& w : map.Objects) {
            if (w.Kind() != Wall && w.Kind() != HighWall) continue;
            if ((a.X1 == w.X1 && a.Y1 == w.Y1) || (a.X1 == w.X2 && a.Y1 == w.Y2))
                a.SetStartGrab(false);
            if ((a.X2 == w.X1 && a.Y2 == w.Y1) || (a.X2 == w.X2 && a.Y2 == w.Y2))
                a.SetEndGrab(false);
        }
    }
}

TRunningCity::TRunningCity(std::unique_ptr<TMap> map, std::uint32_t seed)
    : Map(std::move(map)), Random(seed) {
    Selection = SelectMap(*Map);
    World = std::make_unique<TWorld>(*Map, Random);
    World->StartWorld();
    MarkFreeArchEnds(*Map);
}

void TRunningCity::RunAhead(long long maxSteps) {
    for (long long s = 0;
         s < maxSteps && World->VellCount < Selection.TotalTrams && World->VellCount < MaxVells;
         ++s)
        World->WorldStep();
}

TVell* TRunningCity::PickPlayerTram() {
    for (int k = 0; k < World->VellCount; ++k)
        if (World->VellTable[k]->Active) return World->PlayerTram = World->VellTable[k].get();
    return nullptr;
}

void PutEyeOnTram(const TVell& tram, double look, TSceneView& view) {
    const TCarAxisXY pose = tram.CarPose(0);
    view.CamX = pose.Centre.X - 4 * pose.Dir.X;
    view.CamY = pose.Centre.Y - 4 * pose.Dir.Y;
    // Forward is -Dir; the view direction of heading h is (sin h, -cos h).
    view.CamHeading = std::atan2(-pose.Dir.X, pose.Dir.Y) + look;
    view.PlayerTram = &tram;
}

} // namespace vell::test
