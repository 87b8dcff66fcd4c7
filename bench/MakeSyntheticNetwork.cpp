// Writes the made-up tram network as an OSM XML file, for timing `VellSim import` on it:
//   make_synthetic_network OUT.osm [STREETS]   (8 streets each way: about 250 km of track)
#include "bench/SyntheticNetwork.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_synthetic_network OUT.osm [STREETS]\n");
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
    std::ofstream out(argv[1], std::ios::binary);
    out << vell::bench::SyntheticNetworkOsm(network);
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_synthetic_network: cannot write %s\n", argv[1]);
        return 2;
    }
    return 0;
}
