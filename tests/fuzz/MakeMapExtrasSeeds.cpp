// Writes the fuzzing seeds of the file beside a map into a folder, each the body of a file without
// its seal (the fuzz target seals what it is given): a city's look (the walls of
// MapExtrasFuzz.cpp's map, streets, areas and stops), a look that fits no map, and the ground
// alone. Usage: make_map_extras_seeds FOLDER
#include "model/Map.h"
#include "model/MapExtras.h"
#include "model/SealedFile.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

using namespace vell;

TLookBuilding Building(TMap& map, int x, int y, int w, int h) {
    TLookBuilding b;
    const int c[5][2] = {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}};
    for (int k = 0; k < 4; ++k) {
        map.AddObject(MakeObject(Wall, c[k][0], c[k][1], c[k + 1][0], c[k + 1][1]));
        b.Walls.push_back({std::int16_t(c[k][0]), std::int16_t(c[k][1]), std::int16_t(c[k + 1][0]),
                           std::int16_t(c[k + 1][1])});
        b.Outline.push_back({float(c[k][0]), float(c[k][1])});
    }
    b.Height = 12;
    b.Levels = 4;
    b.WallColour = {200, 190, 170};
    b.RoofColour = {150, 70, 50};
    return b;
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& file) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data() + SealedHeaderBytes),
               std::streamsize(file.size() - SealedHeaderBytes));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_map_extras_seeds FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    TMap map;
    map.NewMap();
    TCityLook look;
    look.Buildings.push_back(Building(map, 100, 100, 20, 10));
    look.Buildings.push_back(Building(map, 140, 100, 15, 15));
    look.Buildings.back().Roof = TRoofShape::Hipped;
    look.Buildings.back().RoofHeight = 5;
    look.Streets.push_back({TStreetKind::Road, 9, true, {{90, 50}, {300, 50}, {320, 80}}});
    look.Streets.push_back({TStreetKind::Pedestrian, 6, false, {{90, 60}, {95, 90}}});
    look.Areas.push_back({TAreaKind::Water, {{0, 0}, {80, 0}, {80, 40}, {0, 40}}});
    look.Areas.push_back({TAreaKind::Wood, {{10, 10}, {30, 10}, {20, 30}}});
    look.Stops.push_back({"Батальха", {120, 46.5f}, {{110, 45}, {130, 45}, {130, 47}}});
    look.Stops.push_back({"", {200, 55}, {}});
    map.Extras.Look = look;
    Write(folder / "look.vlx", EncodeMapExtras(map));
    // Each building with a wall that is not on the map: a look made for another map.
    map.Extras.Look.Buildings[0].Walls[0].X1 = 7;
    map.Extras.Look.Buildings[1].Walls[0].X1 = 7;
    Write(folder / "look-elsewhere.vlx", EncodeMapExtras(map));
    map.Extras.Look.Buildings.clear();
    Write(folder / "ground.vlx", EncodeMapExtras(map));
    return 0;
}
