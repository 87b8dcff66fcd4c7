// The generated cities: the bundled demo city and a stress city for benchmarks.
#pragma once

#include "model/Map.h"
#include "tools/citygen/CityPlan.h"
#include "tools/citygen/TrackBuilder.h"

#include <memory>

namespace vell::citygen {

struct TGeneratedCity {
    std::unique_ptr<TMap> Map;
    TBuiltNetwork Network;
};

// Draws the town, then lays the network over it (the map maker's order), with every random
// choice drawn from one generator seeded with `seed`; or the network first, leaving the town
// whatever room remains up to its MaxObjects. Throws TPlanError.
enum class TOrder { TownFirst, NetworkFirst };
TGeneratedCity GenerateCity(const TTownPlan& town, const TNetworkPlan& network, std::uint32_t seed,
                            TOrder order = TOrder::TownFirst);

// The demo city of maps/demo.vl: the same bytes every time.
const TTownPlan& DemoTownPlan();
const TNetworkPlan& DemoNetworkPlan();
TGeneratedCity MakeDemoCity();

// A city for benchmarks near the limits: close to 65535 objects, and routes that together plan
// 1024 trams, the size of the tram table.
TGeneratedCity MakeStressCity();

// The small ring of maps/ring.vl (no network plan: its rails are laid one by one).
TGeneratedCity MakeRingCity();

} // namespace vell::citygen
