// Arch ends against wall ends.
#include "cab/Arches.h"

#include <cstdint>
#include <unordered_set>

namespace vell {

namespace {

std::uint32_t PointKey(std::int16_t x, std::int16_t y) {
    return std::uint32_t(std::uint16_t(x)) << 16 | std::uint16_t(y);
}

} // namespace

void PrepareArches(TMap& map) {
    // The wall ends once, rather than every wall for every arch: a converted double track
    // brings thousands of arches.
    std::unordered_set<std::uint32_t> wallEnds;
    for (const TMapObject& w : map.Objects)
        if (w.Kind() == Wall || w.Kind() == HighWall) {
            wallEnds.insert(PointKey(w.X1, w.Y1));
            wallEnds.insert(PointKey(w.X2, w.Y2));
        }
    for (TMapObject& a : map.Objects) {
        if (a.Kind() != Arch) continue;
        a.SetStartGrab(!wallEnds.contains(PointKey(a.X1, a.Y1)));
        a.SetEndGrab(!wallEnds.contains(PointKey(a.X2, a.Y2)));
    }
}

} // namespace vell
