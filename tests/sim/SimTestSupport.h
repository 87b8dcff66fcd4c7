// Scenario maps and helpers for the simulation tests: a world over a selected map, stepping
// until something happens, and the world's invariants.
#pragma once

#include "model/Map.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "sim/World.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vell::test {

// A map selected as the game does, and a started world over it.
struct TSimulation {
    explicit TSimulation(std::unique_ptr<TMap> map, std::uint32_t seed = 1);
    std::unique_ptr<TMap> Map;
    TRandom Random;
    std::unique_ptr<TWorld> World;
    TMapSelection Selection;

    TVell& Tram(int slot) { return *World->VellTable[slot]; }
    // The tram with this Number (the order of creation).
    TVell& TramNumber(int number);
    // World steps until `done` holds after a step; the steps taken, or -1 after `limit`.
    long long StepUntil(const std::function<bool()>& done, long long limit);
};

// A clockwise ring around (100, 100) - (1100, 300): ten rails of 96 m along the top from
// x = 120 (indices 0..9), corners cut at 45 degrees, the bottom one rail (index 13).
struct TRingMap {
    std::unique_ptr<TMap> Map;
    std::vector<int> Rails;
};
TRingMap RingMap(std::uint8_t grade = 100);
constexpr int RingTopPieces = 10;
constexpr int RingBottom = 13;

// The ring with a bypass: at the end of top rail 2 (x = 408) a left branch runs 20 m north
// over three rails (the middle one, 112 m, may be a stop) and rejoins at the start of top
// rail 5 (x = 600).
struct TBypassMap {
    std::unique_ptr<TMap> Map;
    std::vector<int> Rails;
    std::vector<int> Bypass; // out, along, back
};
TBypassMap BypassMap(bool stopOnBypass);

// The ring crossed by a second ring whose vertical sides run at x = 460 and x = 640, across the
// ring's top (inside rails 3 and 5) and its bottom.
struct TCrossingMap {
    std::unique_ptr<TMap> Map;
    std::vector<int> Rails, Cross;
};
TCrossingMap CrossingMap();

// Two clockwise loops side by side that share their middle side at x = 600, split into five
// rails of 112 m: the west loop (route 1, one car, every 5 minutes) runs down it, the east loop
// (route 2) up. Trams that enter it from both ends at once meet in the middle and wait for each
// other for good.
struct TSingleTrackMap {
    std::unique_ptr<TMap> Map;
    std::set<int> Section; // the rails of the shared side, both ways
};
TSingleTrackMap SingleTrackMap();

// Occupancy equals the marks the trams hold; `why` says where it does not.
bool OccupancyConsistent(const TWorld& world, std::string* why = nullptr);
// Every real field of the tram is finite.
bool TramFinite(const TVell& tram);
// No two active trams have car bodies within 2.4 m of each other.
bool ActiveTramsApart(const TWorld& world, double* closestSq = nullptr);
// A digest of every tram's state, to tell runs apart.
std::uint64_t WorldDigest(const TWorld& world);

} // namespace vell::test
