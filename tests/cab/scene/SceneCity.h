// A running world on a city to look at, for the benchmark and the screenshot harness: the map
// selected and its arches prepared as a game's start does, trams run ahead, the eye on a tram
// as the cab places it.
#pragma once

#include "cab/scene/Scene.h"
#include "model/Map.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "sim/World.h"

#include <memory>
#include <string>

namespace vell::test {

// A map file; none when it cannot be read.
std::unique_ptr<TMap> LoadCity(const std::string& path);

struct TRunningCity {
    explicit TRunningCity(std::unique_ptr<TMap> map, std::uint32_t seed = 1);
    std::unique_ptr<TMap> Map;
    TRandom Random;
    TMapSelection Selection;
    std::unique_ptr<TWorld> World;

    // Runs the world until every planned tram is out, or `maxSteps`.
    void RunAhead(long long maxSteps);
    // The first active tram in table order; it becomes the player's tram.
    TVell* PickPlayerTram();
};

// The eye as the cab's game loop places it in `tram`, turned by `look` radians (the mouse).
void PutEyeOnTram(const TVell& tram, double look, TSceneView& view);

} // namespace vell::test
