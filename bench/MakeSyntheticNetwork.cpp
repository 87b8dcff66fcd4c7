// Writes the made-up tram network for timing `VellSim import` on it, as PBF where the name ends
// in ".pbf", else as OSM XML:
//   make_synthetic_network OUT [STREETS]   (8 streets each way: about 250 km of track)
#include "bench/SyntheticNetwork.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_synthetic_network OUT.osm|OUT.osm.pbf [STREETS]\n");
        return 2;
    }
    vell::bench::TSyntheticNetwork network;
    if (argc == 3) {
        network.Streets = std::atoi(argv[2]);
        if (network.Streets < 2 || network.Streets > 10) {
            std::fprintf(stderr, "make_synthetic_network: STREETS is 2 to 10\n");
            return 2;
        }
        network.TurningLines = network.Streets * network.Streets / 2;
    }
    try {
        vell::bench::WriteSyntheticNetwork(argv[1], network);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_synthetic_network: %s\n", e.what());
        return 2;
    }
    return 0;
}
