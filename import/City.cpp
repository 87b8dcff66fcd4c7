// AddCity: the city's parts onto the map in their priority, each group whole or not at all, until
// the object limit.
#include "import/City.h"

#include "import/CityParts.h"

namespace vell::import {

namespace {

constexpr std::uint8_t BorderGrey = 90;

int Room(const TMap& map) {
    return MaxObjects - map.ObjectCount();
}

void Append(TMap& map, const TObjectGroup& group) {
    for (const TMapObject& o : group)
        map.AddObject(o);
}

// Along the edge of the valid map, clockwise from the north-west corner.
void AddBorder(TMap& map, TCityMade& made) {
    constexpr int Low = 0, High = 9999;
    const int corners[5][2] = {{Low, Low}, {High, Low}, {High, High}, {Low, High}, {Low, Low}};
    for (int k = 0; k < 4; ++k) {
        TMapObject border =
            MakeObject(Border, corners[k][0], corners[k][1], corners[k + 1][0], corners[k + 1][1]);
        border.Red = border.Green = border.Blue = BorderGrey;
        if (map.AddObject(border)) ++made.Borders;
    }
}

void AddArches(TMap& map, const std::vector<TObjectGroup>& arches, TCityMade& made) {
    for (const TObjectGroup& arch : arches) {
        if (Room(map) < int(arch.size())) {
            ++made.ArchesLeftOut;
            continue;
        }
        Append(map, arch);
        ++made.Arches;
        made.Poles += int(arch.size()) - 1;
    }
}

// Stops at the first building that does not fit, so that all left out lie farther from the
// track than all kept.
void AddBuildings(TMap& map, const std::vector<TObjectGroup>& buildings, TCityMade& made) {
    for (std::size_t k = 0; k < buildings.size(); ++k) {
        if (Room(map) < int(buildings[k].size())) {
            made.BuildingsLeftOut = int(buildings.size() - k);
            return;
        }
        Append(map, buildings[k]);
        ++made.Buildings;
        for (const TMapObject& wall : buildings[k])
            ++(wall.Kind() == HighWall ? made.HighWalls : made.Walls);
    }
}

void AddTrees(TMap& map, const std::vector<TMapObject>& rows, TCityMade& made) {
    for (const TMapObject& row : rows) {
        if (!map.AddObject(row)) {
            ++made.TreeRowsLeftOut;
            continue;
        }
        ++made.Trees;
    }
}

} // namespace

TCityMade AddCity(TMap& map, const TOsmExtract& city, const TProjection& projection, bool buildings,
                  TCityLook* look) {
    TCityMade made;
    AddBorder(map, made);
    const TSegmentGrid rails = RailGrid(map);
    const TDistanceField track(rails);
    AddArches(map, CatenaryArches(map, rails), made);
    if (look) *look = GroundLook(city, projection, map, rails);
    if (buildings) {
        const TBuildingWalls walls = BuildingWalls(city.Buildings, projection, rails, track);
        made.WallsCutAtTrack = walls.WallsCutAtTrack;
        AddBuildings(map, walls.Buildings, made);
        if (look) AddLookBuildings(*look, city.Buildings, walls, made.Buildings);
    }
    const TTreeRows trees = TreeRows(city, projection, rails, track);
    made.TreeRowsTooShort = trees.TooShort;
    AddTrees(map, trees.Rows, made);
    return made;
}

} // namespace vell::import
