// A running world for the benchmark and the screenshot harness.
#include "tests/cab/scene/SceneCity.h"

#include "cab/Arches.h"
#include "cab/CabState.h"

namespace vell::test {

std::unique_ptr<TMap> LoadCity(const std::string& path) {
    auto map = std::make_unique<TMap>();
    map->FileName = path;
    if (!map->LoadFromFile()) return nullptr;
    return map;
}

TRunningCity::TRunningCity(std::unique_ptr<TMap> map, std::uint32_t seed)
    : Map(std::move(map)), Random(seed) {
    Selection = SelectMap(*Map);
    World = std::make_unique<TWorld>(*Map, Random);
    World->StartWorld();
    PrepareArches(*Map);
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
    // The cab turns the view by 0.01 rad per pixel of the mouse's look offset.
    const TCameraPose eye = CabCamera(tram, look / 0.01, 0);
    view.CamX = eye.X;
    view.CamY = eye.Y;
    view.CamHeading = eye.Heading;
    view.PlayerTram = &tram;
}

} // namespace vell::test
