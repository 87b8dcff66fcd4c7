// Writes the world save reader's fuzzing seeds into a folder: saves of a run over a map at a few
// steps, from the world just started to trams out on every route, with the run's watchers.
// Usage: make_world_save_seeds MAP FOLDER
#include "model/RouteTable.h"
#include "sim/Jams.h"
#include "sim/RunStatistics.h"
#include "sim/World.h"
#include "sim/save/WorldSave.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    using namespace vell;
    if (argc != 3) {
        std::cerr << "usage: make_world_save_seeds MAP FOLDER\n";
        return 2;
    }
    TMap map;
    map.FileName = argv[1];
    if (!map.LoadFromFile() || SelectMap(map).NetworkResult >= 0) {
        std::cerr << "make_world_save_seeds: " << argv[1] << " does not run\n";
        return 1;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    TRandom random(7);
    TWorld world(map, random);
    TRunStatistics statistics(world);
    TJamWatch jams(world, 100);
    TRunState run{7, 0, &statistics, &jams, {}};
    world.StartWorld();
    for (long long at : {0, 50, 1500, 6000, 12000}) {
        for (; run.Steps < at; ++run.Steps) {
            world.WorldStep();
            statistics.Observe();
            jams.Observe();
        }
        const std::vector<std::uint8_t> bytes = EncodeWorldSave(world, run, argv[1], 0);
        std::ofstream(folder / ("step-" + std::to_string(at) + ".vls"), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    // A save with a shift being scored: the first tram taken as the player's, on the autopilot.
    TShiftScore shift;
    for (int k = 0; k < world.VellCount && !world.PlayerTram; ++k)
        if (world.VellTable[std::size_t(k)]->Active)
            world.PlayerTram = world.VellTable[std::size_t(k)].get();
    if (world.PlayerTram) {
        shift.Start(world, {TShiftKind::Minutes, 15}, run.Steps, true);
        run.Shift = &shift;
        for (long long end = run.Steps + 3000; run.Steps < end;) {
            world.WorldStep();
            shift.AfterStep(world, ++run.Steps);
        }
        const std::vector<std::uint8_t> bytes = EncodeWorldSave(world, run, argv[1], 0);
        std::ofstream(folder / "shift.vls", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    return 0;
}
