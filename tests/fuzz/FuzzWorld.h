// The world the save and replay fuzzers restore into: the ring map (VELL_RING_MAP), loaded and
// selected once, which a save or a replay names by path and hash.
#pragma once

#include "model/RouteTable.h"
#include "sim/World.h"

#include <cstdlib>
#include <vector>

namespace vell {

struct TFuzzWorld {
    TFuzzWorld() {
        Map.FileName = VELL_RING_MAP;
        if (!Map.LoadFromFile() || SelectMap(Map).NetworkResult >= 0) std::abort();
        Objects = Map.Objects;
        Routes = Map.Routes;
    }
    // The map as loaded and selected: a restore starts from it every time.
    void Reset() {
        World.StopWorld();
        Map.Objects = Objects;
        Map.Routes = Routes;
    }
    TMap Map;
    std::vector<TMapObject> Objects;
    TRouteTable Routes;
    TRandom Random{1};
    TWorld World{Map, Random};
};

} // namespace vell
