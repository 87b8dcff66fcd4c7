// Waiting passengers at the stops of the map.
#pragma once

#include "model/Map.h"
#include "model/Random.h"

#include <cstdint>
#include <vector>

namespace vell {

// Empties every stop rail.
void ResetWaiting(TMap& map);
// One tick of arrivals: each stop rail that is not full gains a waiting unit with chance 1/100.
// `stopRails` lists the map's stop rails in index order.
void GatherPassengers(TMap& map, TRandom& random, const std::vector<std::uint16_t>& stopRails);
// The same, finding the stop rails itself.
void GatherPassengers(TMap& map, TRandom& random);

// Waiting passengers as shown to people: Waiting units of (w + 1) / 64 passengers, rounded down.
int WaitingPassengers(const TMapObject& stop);

} // namespace vell
