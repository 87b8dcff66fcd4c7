// A large tram network made up as OSM XML, for timing the import where no real extract of that
// size is at hand: a grid of streets of double track (each track its own way, 3.2 m from the
// other, bending gently between the crossings), crossing tracks sharing a node, stop positions
// every few hundred metres, and route relations, each direction its own: one line along each
// street, and lines that turn from one street into another through a right-hand curve one way
// and a left-hand one (crossing the other tracks) back. Every line ends at a stub, where the
// import makes its turning loops.
#pragma once

#include <string>

namespace vell::bench {

struct TSyntheticNetwork {
    int Streets = 8;       // in each direction
    double Spacing = 975;  // metres between parallel streets
    double Length = 7800;  // metres of each street
    double Bend = 12;      // metres the tracks swing sideways between crossings
    double NodeStep = 9;   // metres between the nodes of a way
    double StopStep = 325; // metres between the stops of a track
    int TurningLines = 32; // at most one for each crossing of two streets
};

// The network as OSM XML; its track is about 2 x Streets x 2 x Length metres.
std::string SyntheticNetworkOsm(const TSyntheticNetwork& network = {});
// Writes it to `path`: as PBF where the name ends in ".pbf", the form extracts usually come in,
// else as OSM XML. Throws std::exception when it cannot.
void WriteSyntheticNetwork(const std::string& path, const TSyntheticNetwork& network = {});

} // namespace vell::bench
