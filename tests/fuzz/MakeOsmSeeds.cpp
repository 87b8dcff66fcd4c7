// Writes the OpenStreetMap reader's fuzzing seeds into a folder: the tram network of a real
// extract as a small PBF file and as OSM XML. Without the extract it writes none and says so.
// Usage: make_osm_seeds EXTRACT FOLDER
#include "tests/import/SmallExtract.h"

#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make_osm_seeds EXTRACT FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    if (!std::filesystem::exists(argv[1])) {
        std::cerr << "make_osm_seeds: " << argv[1] << " is missing: no seeds\n";
        return 0;
    }
    for (const char* format : {"pbf", "osm"})
        std::ofstream(folder / (std::string("tram.") + format), std::ios::binary)
            << vell::import::test::SmallTramExtract(argv[1], format);
    return 0;
}
