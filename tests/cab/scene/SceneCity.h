// Cities to look at and a running world on them, for the benchmark and the screenshot harness:
// the map selected as the game does, trams run ahead, the eye on a tram as the cab sets it.
#pragma once

#include "Map.h"
#include "Random.h"
#include "RouteTable.h"
#include "Scene.h"
#include "World.h"

#include <memory>
#include <string>

namespace vell::test {

// A generated city standing in for the bundled demo city: eight loops of 3 km side by side with
// crossovers, stops, houses and trees, and sixteen routes.
std::unique_ptr<TMap> DemoStandInCity();
// The densest city: 65535 objects, houses everywhere.
std::unique_ptr<TMap> StressCity();
// A map file; none when it cannot be read.
std::unique_ptr<TMap> LoadCity(const std::string& path);

// Marks the free ends of every arch (no wall or high wall ends there), as a game's start does.
void MarkFreeArchEnds(TMap& map);

struct TRunningCity {
    explicit TRunningCity(std::unique_ptr<TMap> map, std::uint32_t seed = 1);
    std::unique_ptr<TMap> Map;
    TRandom Random;
    TMapSelection Selection;
    std::unique_ptr<TWorld> World;

    // Runs the world until every planned tram is out, or `maxSteps`.
    void RunAhead(long long maxSteps);
    // The first active tram of the first route that has one; makes it the player's tram.
    TVell* PickPlayerTram();
};

// The eye as the cab's game loop places it: 4 m ahead of the first car's centre, looking
// forward, turned by `look` radians.
void PutEyeOnTram(const TVell& tram, double look, TSceneView& view);

} // namespace vell::test
