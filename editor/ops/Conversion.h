// Turning double tracks into what they stand for: two rails with right-hand traffic and, by
// kind, catenary poles with arches, kerbs and rows of trees.
#pragma once

#include "model/Map.h"
#include "model/Random.h"

#include <cstdint>

namespace vell {

struct TOffset {
    int X = 0, Y = 0;
    bool operator==(const TOffset&) const = default;
};

// Squared distance of q from the infinite line through u and v; 0 when u = v.
double PointLineDistSq(TOffset q, TOffset u, TOffset v);

// The shortest small offset at vertex p that lies strictly inside the angle between the
// directions to a and to e (on either side) and at least 2 m from both lines; (0, 0) if none.
TOffset ChooseOffset(TOffset a, TOffset p, TOffset e);

// Converts every double track (kinds 6..9) with rails of the given speed grade; tree colours
// come from `random`. Converted double tracks are deleted. Returns false when the map filled
// up: the tracks not converted then stay beside the parts already added.
bool ConvertDoubleTracks(TMap& map, std::uint8_t grade, TRandom& random);

} // namespace vell
