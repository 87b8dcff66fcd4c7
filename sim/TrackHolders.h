// What the tools beside the simulation (jams, trace, overlay) read of the world's track
// occupancy and of the marks each tram holds. They read it only through these few functions,
// so that a change in how the world stores its occupancy or its marks touches this one place.
#pragma once

#include "sim/World.h"

#include <cstdint>
#include <vector>

namespace vell {

// The occupancy counter of one map object: how many marks trams hold on it.
inline int OccupancyOf(const TWorld& world, int object) {
    return world.Occupancy[std::size_t(object)];
}

// Map objects whose occupancy counter is not 0.
inline int OccupiedObjectCount(const TWorld& world) {
    int count = 0;
    for (std::uint16_t c : world.Occupancy)
        count += c != 0;
    return count;
}

// The rails close to `object` whose marks also make it not free (empty entries left out).
template <class Visit> void ForEachNearRail(const TWorld& world, int object, Visit visit) {
    for (std::uint16_t m : world.Rails()[object].Link.Near)
        if (m != NoObject) visit(int(m));
}
inline std::vector<int> NearRailsOf(const TWorld& world, int object) {
    std::vector<int> near;
    ForEachNearRail(world, object, [&](int m) { near.push_back(m); });
    return near;
}

// The objects the tram holds a mark on (its reservation on its route, or the rails under it),
// one entry per mark, from its rear forwards.
inline std::vector<int> HeldObjectsOf(const TVell& tram) {
    return tram.MarkedObjects();
}
// The same, appended to `objects`.
inline void AppendHeldObjects(const TVell& tram, std::vector<int>& objects) {
    tram.MarkedObjects(objects);
}

} // namespace vell
