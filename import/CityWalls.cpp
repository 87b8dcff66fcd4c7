// Buildings as walls: each outline simplified, rounded to whole metres and cut to the valid map,
// each edge a wall (a high wall for a tall building) with the parts near a rail taken away, so
// that no tram drives through a building that OpenStreetMap draws over its track (an arcade, a
// passage). Nearest to the track first, so that the object limit leaves out the far ones.
#include "import/CityParts.h"

#include "import/PlaneGeometry.h"

#include <algorithm>
#include <limits>

namespace vell::import {

namespace {

struct TColour {
    std::uint8_t Red, Green, Blue;
};

// Stone and plaster, the same for a building on every import (chosen by its identifier).
constexpr TColour WallColours[] = {
    {176, 168, 156}, {196, 186, 168}, {160, 150, 140}, {186, 176, 170}};
constexpr TColour HighWallColours[] = {{150, 150, 156}, {170, 164, 154}, {136, 140, 148}};

bool IsTall(const TOsmOutline& building) {
    const double height = building.Height > 0 ? building.Height : building.Levels * MetresPerLevel;
    return height >= HighWallFrom;
}

template <std::size_t N> TColour ColourOf(TOsmId id, const TColour (&colours)[N]) {
    return colours[static_cast<std::size_t>(id < 0 ? -(id + 1) : id) % N];
}

// The outline in whole metres, simplified, without repeated points.
std::vector<TPointM> Outline(const TOsmOutline& building, const TProjection& projection) {
    std::vector<TPointM> points;
    for (const TPointM p : Simplified(OnMap(building.Points, projection), OutlineTolerance)) {
        const TPointM q = Rounded(p);
        if (points.empty() || q.X != points.back().X || q.Y != points.back().Y) points.push_back(q);
    }
    return points;
}

struct TBuilding {
    double Distance = 0; // from the track
    TObjectGroup Walls;
    std::size_t Source = 0;
    std::vector<TPointM> Outline;
};

} // namespace

TBuildingWalls BuildingWalls(const std::vector<TOsmOutline>& buildings,
                             const TProjection& projection, const TSegmentGrid& rails,
                             const TDistanceField& track) {
    TBuildingWalls result;
    std::vector<TBuilding> made;
    for (std::size_t index = 0; index < buildings.size(); ++index) {
        const TOsmOutline& building = buildings[index];
        std::vector<TPointM> outline = Outline(building, projection);
        const bool tall = IsTall(building);
        const TColour colour =
            tall ? ColourOf(building.Id, HighWallColours) : ColourOf(building.Id, WallColours);
        TBuilding walls{std::numeric_limits<double>::infinity(), {}, index, {}};
        for (std::size_t k = 1; k < outline.size(); ++k) {
            const TPointM a = outline[k - 1], b = outline[k];
            walls.Distance = std::min({walls.Distance, track.Distance(a),
                                       track.Distance(0.5 * (a + b)), track.Distance(b)});
            TClearPieces pieces =
                ClearPiecesOnMap(a, b, rails, WallClearance, tall ? HighWall : Wall, 1);
            if (pieces.Cut) ++result.WallsCutAtTrack;
            for (TMapObject& wall : pieces.Pieces) {
                wall.Red = colour.Red, wall.Green = colour.Green, wall.Blue = colour.Blue;
                walls.Walls.push_back(wall);
            }
        }
        walls.Outline = std::move(outline);
        if (!walls.Walls.empty()) made.push_back(std::move(walls));
    }
    std::stable_sort(made.begin(), made.end(), [](const TBuilding& x, const TBuilding& y) {
        return x.Distance < y.Distance;
    });
    for (TBuilding& building : made) {
        result.Buildings.push_back(std::move(building.Walls));
        result.Sources.push_back(building.Source);
        result.Outlines.push_back(std::move(building.Outline));
    }
    return result;
}

} // namespace vell::import
