// The detailed look's city without OpenGL: the map cut into square tiles, each built once into
// ground layers (painted in order without depth writes) and a mesh drawn with the depth test, and
// built again only when the map changes or the sun has moved noticeably.
#pragma once

#include "cab/look/LookMesh.h"
#include "cab/look/LookParts.h"
#include "model/CityLook.h"
#include "model/MapObject.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace vell {

class TMap;

// The look chosen in the cab's graphics settings; ByMap (the first) is detailed where the map
// has look data.
enum class TLookSetting : std::uint8_t { ByMap, Classic, Detailed };
constexpr int LookSettingCount = 3;
bool UsesDetailedLook(TLookSetting setting, const TMap& map);

// The sun on a fixed path (the map has no latitude): rising in the east (+x) at 06:00, highest,
// 50 degrees up, to the south (+y) at 12:00, setting in the west at 18:00; the day light as the
// classic look's; night below 0.4 of it. `hours` is the local time, 0 to 24.
TLookLight LookLightAt(double hours);
// Whether a tile built for `built` should be built again for `now`.
bool LightMoved(const TLookLight& built, const TLookLight& now);

constexpr float LookTileSize = 250;
constexpr float KerbHeight = 0.12f;
constexpr float RailHeight = 0.15f;
// The track's clearance: nothing of a building within this of a track's centre line between
// the two heights.
constexpr double TrackClearance = 1.7, ClearFrom = 0.35, ClearTo = 4.5;

// Painted in this order, without depth writes: each layer over the ones before.
enum TGroundLayer : std::uint8_t {
    AreaLayer,     // water, parks, grass, squares, woods, in the look's order
    PavementLayer, // a street's pavements: a band wider than the street, under it
    StreetLayer,   // carriageways
    TrackBedLayer, // ballast, grass or paving under the track
    RailLayer,     // sleepers, and rails flush with the paving in a street
    GroundLayerCount
};

// Triangles on one texture, in the order they were made.
struct TLookRun {
    TLookTexture Texture = NoTexture;
    std::vector<TLookVertex> Triangles;
};

struct TLookTile {
    TLookBox Box; // the tile's square
    // What its geometry covers (it may reach past the square): x, y in map metres, z up.
    float Min[3] = {0, 0, 0}, Max[3] = {0, 0, 0};
    bool Built = false;
    int Serial = 0;   // which build of the city's it is: a new number each time it is built
    TLookLight Light; // what it was built for
    std::array<std::vector<TLookRun>, GroundLayerCount> Ground;
    TLookMesh Mesh; // with depth test and writes: kerbs, rails, walls, roofs, lit windows, parts
    // The map's rows of trees as the classic look makes them (the same trees), unshaded
    // triangles drawn only within the trees' own distance.
    std::vector<TLookVertex> Trees;
};

// What the map and its look give each tile, worked out once per map: which streets, rails,
// buildings and walls it builds, and its areas' triangles already cut to the tile.
struct TLookPlan;

class TLookCity {
  public:
    TLookCity();
    ~TLookCity();
    TLookCity(const TLookCity&) = delete;
    TLookCity& operator=(const TLookCity&) = delete;

    // Plans the tiles for this map and look when they are not the ones planned for (the map's
    // objects or the look changed), which forgets every built tile.
    void Prepare(const TMap& map, const TCityLook& look);
    // The tiles any of whose geometry may lie within `distance` of (x, y).
    void TilesNear(double x, double y, double distance, std::vector<int>& out) const;
    // Builds tile `index` for `light` unless it is built for a light near enough.
    TLookTile& Tile(const TMap& map, const TCityLook& look, int index, const TLookLight& light);
    // Every tile built, for tests and tools.
    void BuildAll(const TMap& map, const TCityLook& look, const TLookLight& light);
    const std::vector<TLookTile>& Tiles() const { return TileList; }
    int Builds() const { return BuildCount; }

  private:
    std::vector<TMapObject> Objects; // the map's objects as planned for
    const TCityLook* LookSeen = nullptr;
    std::size_t LookSize = 0;
    std::unique_ptr<TLookPlan> Plan;
    std::vector<TLookTile> TileList;
    int BuildCount = 0;
};

// Ear clipping of a simple ring (either turn): triangles as indices into it. A ring that crosses
// itself gives the triangles found before clipping stalled.
std::vector<std::array<int, 3>> TriangulateRing(const std::vector<TLookPoint>& ring);

} // namespace vell
