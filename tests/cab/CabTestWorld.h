// A small city for the cab tests: one ring of rails with route 1 on it, selected as the game
// selects a map, and a world that can run over it.
#pragma once

#include "model/Map.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "tests/support/TestMaps.h"

#include <memory>
#include <stdexcept>
#include <vector>

namespace vell::test {

struct TCabWorld {
    std::unique_ptr<TMap> Map = NewMap();
    std::vector<int> Ring; // clockwise on the plan; the top side, eastwards, comes first
    TRandom Random{20240607};
    std::unique_ptr<TWorld> World;

    // A ring of 1000 x 600 m whose rails have this speed grade, route 1 with `cars` cars.
    explicit TCabWorld(std::uint8_t grade = 100, std::uint8_t cars = 1) {
        Ring = AddRing(*Map, 1000, 1000, 2000, 1600, 4, grade);
        SetRoute(*Map, 0, 0, {Ring[0], Ring[5]}, cars, 5);
        Map->FileName = "cab-test.vl";
        if (SelectMap(*Map).NetworkResult != -1) throw std::runtime_error("ring network faulty");
        World = std::make_unique<TWorld>(*Map, Random);
    }

    // Starts the world and runs it until route 1 has a tram in service: the player's tram.
    TVell& StartWithPlayer() {
        World->StartWorld();
        if (WaitForTram(*World, 0, 0) != TRunAhead::Ready)
            throw std::runtime_error("route 1 never ran");
        return *FindPlayerTram(*World, 0, 0);
    }
};

} // namespace vell::test
