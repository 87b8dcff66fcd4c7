// Generated test cities: stacked tram loops joined by crossovers, with houses and trees.
#pragma once

#include "model/Map.h"

#include <memory>

namespace vell::test {

struct TCityPlan {
    int Loops = 4;          // loops stacked from top to bottom, alternately clockwise
    int LoopWidth = 2000;   // metres
    int RailLength = 50;    // metres per rail along the long sides
    int CrossoverEvery = 8; // a pair of crossovers between neighbouring loops every n rails
    int StopEvery = 6;      // every n-th rail of a long side is a stop
    int HousesPerRail = 1;  // walls along the outer sides
    int Routes = 4;         // routes laid across the loops
    int MinInterval = 5;    // route intervals are drawn from MinInterval..MaxInterval minutes
    int MaxInterval = 30;
    unsigned Seed = 1;
    int MaxObjects = 65535; // stop adding houses at this count
};

// A sound network (every rail continues, no more than six near rails) with routes in slots
// 1, 2, 3, ... that run through several loops.
std::unique_ptr<TMap> GenerateCity(const TCityPlan& plan);

// The benchmarks' stress city: every route slot used, every five minutes, on forty loops 9 km
// wide: more trams than the table holds.
TCityPlan StressPlan();

} // namespace vell::test
