// The city around the imported track: a border round the square, the catenary poles and arches
// along the rails, the buildings as walls and the trees as rows, within the map's object limit.
#pragma once

#include "import/OsmData.h"
#include "import/Projection.h"
#include "model/Map.h"

namespace vell::import {

// What AddCity made, and what it had to leave out, for the import's report.
struct TCityMade {
    int Borders = 0, Walls = 0, HighWalls = 0, Trees = 0, Poles = 0, Arches = 0;
    int Buildings = 0;        // buildings that got at least one wall
    int BuildingsLeftOut = 0; // by the object limit
    int WallsCutAtTrack = 0;  // building edges cut short or dropped for a rail near them
    int ArchesLeftOut = 0;    // by the object limit (each with its two poles)
    int TreeRowsLeftOut = 0;  // by the object limit
    // pieces of rows left under 20 m by the track, a building or the map's edge, or standing in a
    // building
    int TreeRowsTooShort = 0;
};

// The choices the city is made with.
constexpr double PoleSpacing = 35;  // metres of track between arches
constexpr double PoleOutside = 3;   // a pole stands this far beyond the outer rail
constexpr double PoleClearance = 2; // and never nearer than this to any rail
constexpr double WallClearance = 2; // a tram is 2.5 m wide: walls keep this far from rails
// and trees this far, so that their crowns, which reach up to 3 m out below a tram's roof, keep
// clear of its body
constexpr double TreeClearance = 4.5;
constexpr double TreeWallClearance = 1;  // trees keep off building walls
constexpr double OutlineTolerance = 1.5; // building outlines are simplified to this
// A building at least this tall (its height, else 3 m a level) gets high walls (20 m) rather
// than walls (5 m): the drawn height nearer its own.
constexpr double HighWallFrom = 12.5;
constexpr double MetresPerLevel = 3;
constexpr int LeastTreeRow = 20; // metres: the load-time rule

// Appends to `map`, which holds the imported rails already, in this priority within the
// 65,535-object limit: a border along the edge of the valid map; a catenary arch with a pole at
// each end across the track about every 35 m; the buildings of `city` as walls (when
// `buildings`), nearest to the track first, each whole or not at all; and the tree rows, park
// edges and single trees as rows of trees, nearest to the track first. Nothing already on the
// map changes. The same extract always gives the same objects in the same order.
// When `look` is given, it is set to what the cab's detailed look draws of the city: the streets,
// areas and stops, and the buildings that got walls, keyed by them. It adds no objects.
TCityMade AddCity(TMap& map, const TOsmExtract& city, const TProjection& projection, bool buildings,
                  TCityLook* look = nullptr);

} // namespace vell::import
