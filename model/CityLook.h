// What the cab's detailed look knows of an imported city beyond the map's objects: the streets and
// their widths, the areas (water, parks, grass, squares), the buildings' heights, roofs, colours
// and use, and the stops' platforms and names. An import makes it from the extract; it lives in the
// file beside the map (MapExtras.h), never in the map file, which has no room for it.
//
// A building is keyed by its walls' end points, not by object numbers: the editor renumbers
// objects and the import cuts walls back near the rails, so a building applies while the map
// still has the walls it was made with. Streets, areas and stops are drawn where they lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vell {

// A point in map metres (x right, y down), to a tenth of a metre in the file.
struct TLookPoint {
    float X = 0, Y = 0;
    bool operator==(const TLookPoint&) const = default;
};

// A ring's area, positive when it runs anticlockwise as the map shows it (y down).
inline double LookRingArea(const std::vector<TLookPoint>& ring) {
    double twice = 0;
    for (std::size_t k = 0; k < ring.size(); ++k) {
        const TLookPoint a = ring[k], b = ring[(k + 1) % ring.size()];
        twice += double(a.X) * b.Y - double(b.X) * a.Y;
    }
    return twice / 2;
}

struct TLookColour {
    std::uint8_t R = 0, G = 0, B = 0;
    bool operator==(const TLookColour&) const = default;
};

enum class TStreetKind : std::uint8_t {
    Road,       // asphalt between kerbs, pavements beside it
    Pedestrian, // paving wall to wall, no kerb
    Service,    // a narrow asphalt lane, no pavement
};
constexpr int StreetKindCount = 3;

struct TLookStreet {
    TStreetKind Kind = TStreetKind::Road;
    float Width = 0; // the carriageway from kerb to kerb, metres (2 to 40)
    bool Pavements = true;
    std::vector<TLookPoint> Line; // its centre line, two points or more
    bool operator==(const TLookStreet&) const = default;
};

enum class TAreaKind : std::uint8_t {
    Water,
    Park,   // a park or garden: grass with paths left to the streets
    Grass,  // grass, a meadow, a verge
    Square, // a paved square or pedestrian area
    Wood,   // a wood or forest floor
};
constexpr int AreaKindCount = 5;

// A closed ring (the first point not repeated), three points or more, not crossing itself.
struct TLookArea {
    TAreaKind Kind = TAreaKind::Grass;
    std::vector<TLookPoint> Ring;
    bool operator==(const TLookArea&) const = default;
};

enum class TRoofShape : std::uint8_t {
    Flat,
    Gabled, // a ridge along the longer side: only on four-corner footprints
    Hipped, // four slopes: only on four-corner footprints
};
constexpr int RoofShapeCount = 3;

enum class TBuildingUse : std::uint8_t {
    Home,  // flats and houses
    Shops, // shops on the ground floor, flats or offices above
    Offices,
    Industry, // sheds, garages, warehouses: few, large windows
    Church,
    Other,
};
constexpr int BuildingUseCount = 6;

// A wall of the map by its end points, whole metres as the map stores them.
struct TWallKey {
    std::int16_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool operator==(const TWallKey&) const = default;
};

struct TLookBuilding {
    std::vector<TWallKey> Walls;     // the map's walls it was made with: the key
    std::vector<TLookPoint> Outline; // the whole footprint as a ring, the walls' corners on it
    float Height = 0;                // metres to the eaves (1 to 300)
    float RoofHeight = 0;            // metres from the eaves to the ridge; 0 for a flat roof
    std::uint8_t Levels = 0;         // storeys of windows (1 to 100)
    TRoofShape Roof = TRoofShape::Flat;
    TBuildingUse Use = TBuildingUse::Home;
    TLookColour WallColour, RoofColour;
    bool operator==(const TLookBuilding&) const = default;
};

struct TLookStop {
    std::string Name;                 // as riders know it, cleaned as line names are; may be empty
    TLookPoint At;                    // where its sign stands
    std::vector<TLookPoint> Platform; // the platform's ring, empty when the extract has none
    bool operator==(const TLookStop&) const = default;
};

struct TCityLook {
    std::vector<TLookStreet> Streets;
    std::vector<TLookArea> Areas; // in the order they are to be painted on the ground
    std::vector<TLookBuilding> Buildings;
    std::vector<TLookStop> Stops;

    bool Empty() const {
        return Streets.empty() && Areas.empty() && Buildings.empty() && Stops.empty();
    }
    bool operator==(const TCityLook&) const = default;
};

} // namespace vell
