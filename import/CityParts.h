// The steps of AddCity, each making its objects without regard to the map's object limit, in the
// order they are to go onto the map, and the geometry they share.
#pragma once

#include "import/City.h"
#include "import/SegmentGrid.h"
#include "model/MapObject.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vell::import {

// Objects that go onto the map together or not at all.
using TObjectGroup = std::vector<TMapObject>;

// The colour of poles and arches, as the editor's double track gives them.
constexpr std::uint8_t CatenaryGrey = 136;

// The map's rails, each named by its object index.
TSegmentGrid RailGrid(const TMap& map);

// Across the track about every PoleSpacing metres: each group a pole (a high wall of no
// length), the pole on the other side and the arch from the first to the second.
std::vector<TObjectGroup> CatenaryArches(const TMap& map, const TSegmentGrid& rails);

struct TBuildingWalls {
    std::vector<TObjectGroup> Buildings; // each building's walls, nearest to the track first
    // For each of Buildings: its outline's index in the buildings given, and the outline in
    // whole metres as its walls were made from it
    std::vector<std::size_t> Sources;
    std::vector<std::vector<TPointM>> Outlines;
    int WallsCutAtTrack = 0;
};
TBuildingWalls BuildingWalls(const std::vector<TOsmOutline>& buildings,
                             const TProjection& projection, const TSegmentGrid& rails,
                             const TDistanceField& track);

struct TTreeRows {
    std::vector<TMapObject> Rows; // nearest to the track first, their bytes drawn in that order
    int TooShort = 0;
};
TTreeRows TreeRows(const TOsmExtract& city, const TProjection& projection,
                   const TSegmentGrid& rails, const TDistanceField& track);

// ---- The detailed look's data (CityLookDerive.cpp) ----

// The streets, the areas of the ground and the stops (at the map's stop rails) as the cab's
// detailed look draws them; no buildings.
TCityLook GroundLook(const TOsmExtract& city, const TProjection& projection, const TMap& map,
                     const TSegmentGrid& rails);
// The first `kept` buildings of `walls` (those on the map), each keyed by its walls, with its
// outline, height, roof, colours and use from its tags.
void AddLookBuildings(TCityLook& look, const std::vector<TOsmOutline>& buildings,
                      const TBuildingWalls& walls, int kept);
// A colour as building:colour and roof:colour give it: "#rgb", "#rrggbb" or a common name
// ("white", "dark_grey", "Red"); none for anything else.
std::optional<TLookColour> ColourOfTag(std::string_view value);

// ---- Shared geometry (CityGeometry.cpp) ----

std::vector<TPointM> OnMap(const std::vector<TGeoPoint>& points, const TProjection& projection);

// The Douglas-Peucker simplification: the points kept are the ends and those that lie more
// than `tolerance` off the line kept around them.
std::vector<TPointM> Simplified(const std::vector<TPointM>& points, double tolerance);

// A point rounded to whole metres, halves to even.
TPointM Rounded(TPointM p);

// The pieces of a-b within the valid map (0..9999) that keep `clearance` from every rail, as
// objects of `kind` with whole-metre ends, each at least `least` metres long.
struct TClearPieces {
    std::vector<TMapObject> Pieces;
    bool Cut = false; // a rail took part of it away
    int TooShort = 0; // pieces dropped for being shorter than `least`
};
TClearPieces ClearPiecesOnMap(TPointM a, TPointM b, const TSegmentGrid& rails, double clearance,
                              std::uint8_t kind, double least);

} // namespace vell::import
