// A small city for the detailed look's tests: a street with a tram down its middle and a side
// street across it, the track leaving the street into a park and turning, a river, a square,
// and buildings of every kind the look draws, two of them over the track with their walls cut
// back from it as the import cuts them.
#pragma once

#include "cab/look/LookScene.h"
#include "model/Map.h"

#include <memory>
#include <vector>

namespace vell::test {

struct TLookTestCity {
    TLookTestCity();
    std::unique_ptr<TMap> Map;
    TCityLook Look;
    // The track: in the street (x 100 to 700 along y = 500), then in the park, then a turn
    // south-east, then straight on south.
    std::vector<int> Rails;
    // Look buildings by what they are.
    int Gabled = -1;        // a shop house north of the street, pitched roof
    int Flat = -1;          // an L-shaped block south of the street
    int LowOverTrack = -1;  // 3 m high over the track: it can have no roof
    int HighOverTrack = -1; // 12 m high over the track, hipped
    int Unmatched = -1;     // one of its walls is not on the map: drawn as plain walls
    int LoneWall = -1;      // a high wall of no building (map object)
};

// The map's walls and rails of `city` put into its map, each look building keyed by its walls.
void AddLookBuilding(TMap& map, TCityLook& look, TLookBuilding building,
                     const std::vector<std::array<int, 4>>& walls, bool onMap = true);

} // namespace vell::test
