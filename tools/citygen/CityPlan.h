// The description of a city for the generator: its street grid and blocks, and its tram network
// (termini, junctions, crossings, the lines between them with their stops, and the routes).
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

namespace vell::citygen {

struct TPoint {
    int X = 0, Y = 0;
    auto operator<=>(const TPoint&) const = default;
};

inline TPoint operator+(TPoint a, TPoint b) {
    return {a.X + b.X, a.Y + b.Y};
}
inline TPoint operator-(TPoint a, TPoint b) {
    return {a.X - b.X, a.Y - b.Y};
}
inline TPoint operator*(int k, TPoint a) {
    return {k * a.X, k * a.Y};
}
inline long long Dot(TPoint a, TPoint b) {
    return (long long)a.X * b.X + (long long)a.Y * b.Y;
}
inline long long Cross(TPoint a, TPoint b) {
    return (long long)a.X * b.Y - (long long)a.Y * b.X;
}

struct TColour {
    std::uint8_t R = 0, G = 0, B = 0;
};

// ---- The tram network ----

enum class TNodeKind { Terminus, Junction, Crossing };

// A turning loop around the block beyond a terminus, measured from the end of the line: on
// along the street to the first cross street (Near) and the next (Far), turning left (Width)
// and back. Trams keep right, so the loop turns left and never crosses its own line.
struct TLoopShape {
    int Near = 60, Far = 210, Width = 150;
};

struct TNodePlan {
    std::string Name;
    TNodeKind Kind = TNodeKind::Terminus;
    TPoint At;         // a terminus: the end of its line; a junction or crossing: the centre
    TLoopShape Loop{}; // termini only
};

struct TStopPlan {
    TPoint At;    // on the line's centre; both tracks get a 40 m stop rail centred here
    int Type = 1; // 1, 2 (20 s more in the timetable) or 3 (50 s more)
};

// A double-track line from one node to another over straight stretches that bend by 45 degrees
// or less; its ends at a node run along a street axis. Crossings on the way are found by
// position.
struct TLinePlan {
    std::string From, To;
    std::vector<TPoint> Via;
    std::uint8_t Kind = 7; // DoubleTrackPoles, DoubleTrackLane or DoubleTrackGreen
    std::uint8_t Grade = 136;
    std::vector<TStopPlan> Stops;
};

// A route from one terminus to another through the junctions it turns or runs straight at,
// and back the same way.
struct TRoutePlan {
    std::string Name; // "1", "3А", "10"
    std::vector<std::string> Nodes;
    int Cars = 1;
    int Interval = 10;
};

struct TNetworkPlan {
    std::vector<TNodePlan> Nodes;
    std::vector<TLinePlan> Lines;
    std::vector<TRoutePlan> Routes;
    std::uint8_t LoopGrade = 90;
    std::uint8_t JunctionGrade = 110;
    int TerminusStopType = 3;
};

// ---- The town around it ----

// A street grid with its blocks described by letters, one row of text per row of blocks:
//   P perimeter blocks of houses around a yard, with gateways under arches
//   T tall buildings (high walls) on the central blocks
//   H small houses with gardens
//   M a microdistrict: long blocks of flats in rows with yards between them
//   G a park (garden) with paths, rows of trees and a pond
//   I industry: sheds, a chimney, fences
//   S a square with trees around it
//   ~ the river, = the railway on its embankment, . nothing
// Neighbouring blocks of M, G or I make one area: no street between them unless a track runs
// there.
struct TTownPlan {
    int Left = 0, Top = 0; // the first street of each direction
    int Block = 150;       // street to street
    std::vector<std::string> Blocks;
    std::vector<int> AvenuesX; // wide streets (tram streets) by position
    std::vector<int> AvenuesY;
    std::vector<int> BridgesX;     // streets that cross the river
    std::vector<int> UnderpassesX; // streets that pass under the railway
    std::uint32_t Seed = 1;
    int MaxObjects = 65535;
    // Blocks built in a shuffled order, so that a town cut short by MaxObjects is thinned out
    // evenly rather than left empty at one end.
    bool ShuffleBlocks = false;
    int Columns() const { return Blocks.empty() ? 0 : int(Blocks[0].size()); }
    int Rows() const { return int(Blocks.size()); }
};

} // namespace vell::citygen
