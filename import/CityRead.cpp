// Reading the city inside the square: multipolygon relations first, to know which ways are the
// outer edges of buildings and parks; then the nodes inside the square and a margin around it,
// in libosmium's location index; then the ways that use them. Memory grows with what the square
// and its margin hold.
#include "import/IdSet.h"
#include "import/OsmPass.h"
#include "import/OsmRead.h"
#include "import/OsmTags.h"

#include <osmium/index/map/sparse_mem_array.hpp>
#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace vell::import {

namespace {

// A building cut by the square's edge is kept whole when all its nodes lie within this margin.
constexpr double MarginMetres = 200;
constexpr double MetresPerDegreeLat = 111132;
constexpr double MetresPerDegreeLonAtEquator = 111320;

bool HasTag(const osmium::TagList& tags, const char* key, const char* value) {
    const char* found = tags[key];
    return found != nullptr && std::strcmp(found, value) == 0;
}

bool IsBuilding(const osmium::TagList& tags) {
    const char* building = tags["building"];
    return building != nullptr && std::strcmp(building, "no") != 0;
}

// Green areas whose edges become rows of trees: parks and gardens, forests and woods, grass and
// recreation grounds.
bool IsPark(const osmium::TagList& tags) {
    return HasTag(tags, "leisure", "park") || HasTag(tags, "leisure", "garden") ||
           HasTag(tags, "landuse", "forest") || HasTag(tags, "natural", "wood") ||
           HasTag(tags, "landuse", "grass") || HasTag(tags, "landuse", "recreation_ground");
}

void ReadHeights(const osmium::TagList& tags, TOsmOutline& outline) {
    if (const char* levels = tags["building:levels"]) outline.Levels = LevelsOfTag(levels);
    if (const char* height = tags["height"]) outline.Height = HeightOfTag(height);
}

TGeoBox Grown(const TGeoBox& box, double metres) {
    const double farthestLat =
        std::min(89.0, std::max(std::abs(box.SouthWest.Lat), std::abs(box.NorthEast.Lat)));
    const double dLat = metres / MetresPerDegreeLat;
    const double dLon =
        metres / (MetresPerDegreeLonAtEquator * std::cos(farthestLat * std::numbers::pi / 180));
    return {{box.SouthWest.Lat - dLat, box.SouthWest.Lon - dLon},
            {box.NorthEast.Lat + dLat, box.NorthEast.Lon + dLon}};
}

// A multipolygon building or park, whose outer ways come in the way pass.
struct TArea {
    TOsmId Id = 0;
    bool Building = false;
    TOsmOutline Heights; // levels and height of a building
    std::size_t OuterWays = 0, OuterWaysSeen = 0;
    bool Inside = false;  // a node of an outer way lies in the square
    bool Complete = true; // every outer way seen has all its nodes located
    bool PieceKept = false;
    std::vector<TOsmOutline> Outlines;
};

class TCityReader {
  public:
    TCityReader(const TOsmInput& input, const TGeoBox& box, TOsmExtract& extract,
                TImportProgress* progress)
        : Input(input), Box(box), Margin(Grown(box, MarginMetres)), Extract(extract),
          Progress(progress) {}

    void Read() {
        CheckPbfEndsWithABlock(Input);
        ReadPass(
            Input, osmium::osm_entity_bits::relation,
            [this](const osmium::memory::Buffer& buffer) { ReadAreas(buffer); }, Pass(0));
        std::sort(OuterOf.begin(), OuterOf.end());
        for (const auto& [way, area] : OuterOf)
            OuterWays.Add(way);
        OuterWays.Seal();
        ReadPass(
            Input, osmium::osm_entity_bits::node,
            [this](const osmium::memory::Buffer& buffer) { ReadNodes(buffer); }, Pass(1));
        Locations.sort();
        ReadPass(
            Input, osmium::osm_entity_bits::way,
            [this](const osmium::memory::Buffer& buffer) { ReadWays(buffer); }, Pass(2));
        KeepAreas();
    }

  private:
    TPassProgress Pass(int index) const { return {Progress, EImportStage::ReadingCity, index, 3}; }

    void ReadAreas(const osmium::memory::Buffer& buffer) {
        for (const osmium::Relation& relation : buffer.select<osmium::Relation>()) {
            const osmium::TagList& tags = relation.tags();
            if (!HasTag(tags, "type", "multipolygon")) continue;
            const bool building = IsBuilding(tags);
            if (!building && !IsPark(tags)) continue;
            TArea area;
            area.Id = relation.id();
            area.Building = building;
            ReadHeights(tags, area.Heights);
            for (const osmium::RelationMember& member : relation.members()) {
                const std::string_view role = member.role();
                if (member.type() != osmium::item_type::way || (role != "outer" && role != ""))
                    continue;
                OuterOf.emplace_back(member.ref(), Areas.size());
                ++area.OuterWays;
            }
            if (area.OuterWays > 0) Areas.push_back(std::move(area));
        }
    }

    void ReadNodes(const osmium::memory::Buffer& buffer) {
        for (const osmium::Node& node : buffer.select<osmium::Node>()) {
            const osmium::Location location = node.location();
            if (!location.valid()) continue;
            const TGeoPoint at{location.lat(), location.lon()};
            if (!Margin.Contains(at)) continue;
            Locations.set(static_cast<osmium::unsigned_object_id_type>(node.id()), location);
            if (Box.Contains(at) && HasTag(node.tags(), "natural", "tree")) {
                Extract.Trees.push_back(at);
                ++Extract.Counts.Trees;
            }
        }
    }

    // The way's points, with whether each is located (within the margin) and whether any lies
    // in the square.
    struct TPoints {
        std::vector<TGeoPoint> Points;
        std::vector<bool> Located;
        bool Inside = false, Complete = true;
    };

    TPoints PointsOf(const osmium::Way& way) const {
        TPoints points;
        for (const osmium::NodeRef& node : way.nodes()) {
            const osmium::Location location =
                Locations.get_noexcept(static_cast<osmium::unsigned_object_id_type>(node.ref()));
            const bool located = location.valid();
            const TGeoPoint at = located ? TGeoPoint{location.lat(), location.lon()} : TGeoPoint{};
            points.Points.push_back(at);
            points.Located.push_back(located);
            points.Complete = points.Complete && located;
            points.Inside = points.Inside || (located && Box.Contains(at));
        }
        return points;
    }

    void ReadWays(const osmium::memory::Buffer& buffer) {
        for (const osmium::Way& way : buffer.select<osmium::Way>()) {
            const osmium::TagList& tags = way.tags();
            const bool building = IsBuilding(tags);
            const bool treeRow = HasTag(tags, "natural", "tree_row");
            const bool park = IsPark(tags);
            const bool outer = OuterWays.Find(way.id()) >= 0;
            if (!building && !treeRow && !park && !outer) continue;
            const TPoints points = PointsOf(way);
            if (building) KeepBuilding(way.id(), tags, points);
            if (treeRow && KeepPieces(way.id(), points, Extract.TreeRows))
                ++Extract.Counts.TreeRows;
            if (park && KeepPieces(way.id(), points, Extract.Parks)) ++Extract.Counts.Parks;
            if (outer) AddOuterWay(way.id(), building, points);
        }
    }

    // Kept whole, or dropped when a node lies beyond the margin or is missing from the file, or
    // when the extract left it a single node.
    void KeepBuilding(TOsmId id, const osmium::TagList& tags, const TPoints& points) {
        if (!points.Inside) return;
        if (!points.Complete || points.Points.size() < 2) {
            ++Extract.Counts.BuildingsClipped;
            return;
        }
        TOsmOutline outline;
        outline.Id = id;
        outline.Points = points.Points;
        ReadHeights(tags, outline);
        Extract.Buildings.push_back(std::move(outline));
        ++Extract.Counts.Buildings;
    }

    // The runs of located points of a way with a point in the square, each of two points or more
    // its own outline: a park or a tree row cut by the margin keeps what lies within it.
    static bool KeepPieces(TOsmId id, const TPoints& points, std::vector<TOsmOutline>& into) {
        if (!points.Inside) return false;
        bool kept = false;
        TOsmOutline piece;
        piece.Id = id;
        for (std::size_t k = 0; k <= points.Points.size(); ++k) {
            if (k < points.Points.size() && points.Located[k]) {
                piece.Points.push_back(points.Points[k]);
                continue;
            }
            if (piece.Points.size() >= 2) {
                into.push_back(piece);
                kept = true;
            }
            piece.Points.clear();
        }
        return kept;
    }

    void AddOuterWay(TOsmId id, bool wayIsBuilding, const TPoints& points) {
        const auto first =
            std::lower_bound(OuterOf.begin(), OuterOf.end(), std::pair<TOsmId, std::size_t>(id, 0));
        for (auto it = first; it != OuterOf.end() && it->first == id; ++it) {
            TArea& area = Areas[it->second];
            ++area.OuterWaysSeen;
            area.Inside = area.Inside || points.Inside;
            area.Complete = area.Complete && points.Complete;
            // A building way is a building of its own already.
            if (area.Building && wayIsBuilding) continue;
            if (area.Building) {
                // Only what lies within the margin is stored: the rest drops the building.
                if (!area.Complete) {
                    area.Outlines.clear();
                    continue;
                }
                if (points.Points.size() < 2) continue;
                TOsmOutline outline = area.Heights;
                outline.Id = area.Id;
                outline.Points = points.Points;
                area.Outlines.push_back(std::move(outline));
            } else if (points.Inside) {
                area.PieceKept = KeepPieces(area.Id, points, Extract.Parks) || area.PieceKept;
            }
        }
    }

    // A building relation is kept whole or dropped, as a building way is.
    void KeepAreas() {
        for (TArea& area : Areas) {
            if (!area.Building) {
                if (area.PieceKept) ++Extract.Counts.Parks;
                continue;
            }
            if (!area.Inside) continue;
            if (!area.Complete || area.OuterWaysSeen < area.OuterWays) {
                ++Extract.Counts.BuildingsClipped;
                continue;
            }
            for (TOsmOutline& outline : area.Outlines)
                Extract.Buildings.push_back(std::move(outline));
            ++Extract.Counts.Buildings;
        }
    }

    const TOsmInput& Input;
    const TGeoBox Box, Margin;
    TOsmExtract& Extract;
    TImportProgress* Progress;
    std::vector<TArea> Areas;
    std::vector<std::pair<TOsmId, std::size_t>> OuterOf; // outer way, index in Areas
    TIdSet OuterWays;
    osmium::index::map::SparseMemArray<osmium::unsigned_object_id_type, osmium::Location> Locations;
};

void ClearCity(TOsmExtract& extract) {
    extract.Buildings.clear();
    extract.TreeRows.clear();
    extract.Parks.clear();
    extract.Trees.clear();
    TReadCounts& counts = extract.Counts;
    counts.Buildings = counts.BuildingsClipped = 0;
    counts.Trees = counts.TreeRows = counts.Parks = 0;
}

} // namespace

void ReadCity(const TOsmInput& input, const TGeoBox& box, TOsmExtract& extract,
              TImportProgress* progress) {
    ClearCity(extract);
    try {
        TCityReader(input, box, extract, progress).Read();
    } catch (...) {
        ClearCity(extract);
        RethrowAsReadError(input);
    }
}

} // namespace vell::import
