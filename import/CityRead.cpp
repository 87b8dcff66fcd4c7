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
#include <optional>
#include <string_view>

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

std::string TagOr(const osmium::TagList& tags, const char* key) {
    const char* value = tags[key];
    return value ? value : "";
}

void ReadBuildingTags(const osmium::TagList& tags, TOsmOutline& outline) {
    if (const char* levels = tags["building:levels"]) outline.Levels = LevelsOfTag(levels);
    if (const char* height = tags["height"]) outline.Height = HeightOfTag(height);
    TOsmBuildingTags& look = outline.Look;
    look.Type = TagOr(tags, "building");
    look.RoofShape = TagOr(tags, "roof:shape");
    if (const char* roof = tags["roof:height"]) look.RoofHeight = HeightOfTag(roof);
    look.WallColour = TagOr(tags, "building:colour");
    look.RoofColour = TagOr(tags, "roof:colour");
    look.Shop = tags["shop"] != nullptr;
    look.Amenity = TagOr(tags, "amenity");
}

// The ground the detailed look paints: water, parks, woods, grass and paved squares. A
// multipolygon is an area by its type; a way only when closed.
std::optional<TAreaKind> LookAreaKind(const osmium::TagList& tags, bool multipolygon) {
    if (HasTag(tags, "natural", "water") || HasTag(tags, "waterway", "riverbank") ||
        HasTag(tags, "landuse", "reservoir") || HasTag(tags, "landuse", "basin"))
        return TAreaKind::Water;
    if (HasTag(tags, "leisure", "park") || HasTag(tags, "leisure", "garden"))
        return TAreaKind::Park;
    if (HasTag(tags, "landuse", "forest") || HasTag(tags, "natural", "wood"))
        return TAreaKind::Wood;
    if (HasTag(tags, "landuse", "grass") || HasTag(tags, "landuse", "meadow") ||
        HasTag(tags, "landuse", "village_green"))
        return TAreaKind::Grass;
    if (HasTag(tags, "place", "square") ||
        (HasTag(tags, "highway", "pedestrian") && (multipolygon || HasTag(tags, "area", "yes"))))
        return TAreaKind::Square;
    return std::nullopt;
}

struct TStreetClass {
    std::string_view Highway;
    double Width;
    TStreetKind Kind;
};

// The carriageway by the street's class where its tags give no width.
constexpr TStreetClass StreetClasses[] = {
    {"motorway", 14, TStreetKind::Road},     {"motorway_link", 7, TStreetKind::Road},
    {"trunk", 12, TStreetKind::Road},        {"trunk_link", 7, TStreetKind::Road},
    {"primary", 10, TStreetKind::Road},      {"primary_link", 7, TStreetKind::Road},
    {"secondary", 9, TStreetKind::Road},     {"secondary_link", 7, TStreetKind::Road},
    {"tertiary", 8, TStreetKind::Road},      {"tertiary_link", 6, TStreetKind::Road},
    {"residential", 6.5, TStreetKind::Road}, {"unclassified", 6, TStreetKind::Road},
    {"living_street", 5, TStreetKind::Road}, {"road", 6, TStreetKind::Road},
    {"service", 3.5, TStreetKind::Service},  {"pedestrian", 6, TStreetKind::Pedestrian},
};
constexpr double LaneWidth = 3.25;
constexpr double LeastStreetWidth = 2, MostStreetWidth = 40;

// A street the look draws, with its width and kind; none for paths, steps, tracks, streets
// being built, areas and streets in tunnels.
std::optional<TOsmStreet> StreetOf(const osmium::TagList& tags) {
    const char* highway = tags["highway"];
    if (highway == nullptr || HasTag(tags, "area", "yes")) return std::nullopt;
    const char* tunnel = tags["tunnel"];
    if (tunnel != nullptr && std::strcmp(tunnel, "no") != 0 &&
        std::strcmp(tunnel, "building_passage") != 0)
        return std::nullopt;
    const auto found =
        std::find_if(std::begin(StreetClasses), std::end(StreetClasses),
                     [highway](const TStreetClass& c) { return c.Highway == highway; });
    if (found == std::end(StreetClasses)) return std::nullopt;
    TOsmStreet street;
    street.Kind = found->Kind;
    street.Width = found->Width;
    const double width = tags["width"] ? HeightOfTag(tags["width"]) : 0;
    const int lanes = tags["lanes"] ? LevelsOfTag(tags["lanes"]) : 0;
    if (width > 0)
        street.Width = width;
    else if (lanes > 0)
        street.Width = lanes * LaneWidth;
    street.Width = std::clamp(street.Width, LeastStreetWidth, MostStreetWidth);
    const bool motorway = std::string_view(highway).starts_with("motorway");
    street.Pavements = street.Kind == TStreetKind::Road && !motorway &&
                       !HasTag(tags, "sidewalk", "no") && !HasTag(tags, "sidewalk", "none");
    return street;
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

// An outer way of a multipolygon the look paints, kept until its ring is joined.
struct TRingWay {
    std::vector<TOsmId> Nodes;
    std::vector<TGeoPoint> Points;
    bool Complete = true;
};

// A multipolygon building, park or other area of the ground, whose outer ways come in the way
// pass.
struct TArea {
    TOsmId Id = 0;
    bool Building = false;
    bool Park = false; // its edges are rows of trees
    std::optional<TAreaKind> Look;
    std::vector<TRingWay> RingWays;
    std::vector<std::vector<std::pair<std::size_t, bool>>> Rings; // ways in order, reversed
    TOsmOutline Heights;                                          // levels and height of a building
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
        LocateFarRings();
        KeepAreas();
    }

  private:
    TPassProgress Pass(int index) const { return {Progress, EImportStage::ReadingCity, index, 3}; }

    void ReadAreas(const osmium::memory::Buffer& buffer) {
        for (const osmium::Relation& relation : buffer.select<osmium::Relation>()) {
            const osmium::TagList& tags = relation.tags();
            if (!HasTag(tags, "type", "multipolygon")) continue;
            const bool building = IsBuilding(tags);
            const bool park = IsPark(tags);
            const std::optional<TAreaKind> look = LookAreaKind(tags, true);
            if (!building && !park && !look) continue;
            TArea area;
            area.Id = relation.id();
            area.Building = building;
            area.Park = !building && park;
            area.Look = building ? std::nullopt : look;
            ReadBuildingTags(tags, area.Heights);
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
            const std::optional<TOsmStreet> street = building ? std::nullopt : StreetOf(tags);
            const std::optional<TAreaKind> lookArea =
                building || !IsClosed(way) ? std::nullopt : LookAreaKind(tags, false);
            if (!building && !treeRow && !park && !outer && !street && !lookArea) continue;
            const TPoints points = PointsOf(way);
            if (building) KeepBuilding(way.id(), tags, points);
            if (treeRow && KeepPieces(way.id(), points, Extract.TreeRows))
                ++Extract.Counts.TreeRows;
            if (park && KeepPieces(way.id(), points, Extract.Parks)) ++Extract.Counts.Parks;
            if (street) KeepStreet(way.id(), *street, points);
            if (lookArea && points.Inside && points.Complete)
                Extract.Areas.push_back(
                    {way.id(), *lookArea, {points.Points.begin(), points.Points.end() - 1}});
            if (outer) AddOuterWay(way, building, points);
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
        ReadBuildingTags(tags, outline);
        Extract.Buildings.push_back(std::move(outline));
        ++Extract.Counts.Buildings;
    }

    static bool IsClosed(const osmium::Way& way) {
        const osmium::WayNodeList& nodes = way.nodes();
        return nodes.size() >= 4 && nodes.front().ref() == nodes.back().ref();
    }

    // Each run of located points of a street with a point in the square, as a street of its own.
    void KeepStreet(TOsmId id, const TOsmStreet& street, const TPoints& points) {
        if (!points.Inside) return;
        TOsmStreet piece = street;
        piece.Id = id;
        for (std::size_t k = 0; k <= points.Points.size(); ++k) {
            if (k < points.Points.size() && points.Located[k]) {
                piece.Points.push_back(points.Points[k]);
                continue;
            }
            if (piece.Points.size() >= 2) Extract.Streets.push_back(piece);
            piece.Points.clear();
        }
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

    void AddOuterWay(const osmium::Way& way, bool wayIsBuilding, const TPoints& points) {
        const TOsmId id = way.id();
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
            } else {
                if (area.Park && points.Inside)
                    area.PieceKept = KeepPieces(area.Id, points, Extract.Parks) || area.PieceKept;
                if (area.Look) {
                    TRingWay ring;
                    ring.Complete = points.Complete;
                    for (const osmium::NodeRef& node : way.nodes())
                        ring.Nodes.push_back(node.ref());
                    if (ring.Complete) ring.Points = points.Points;
                    area.RingWays.push_back(std::move(ring));
                }
            }
        }
    }

    // A building relation is kept whole or dropped, as a building way is.
    void KeepAreas() {
        for (TArea& area : Areas) {
            if (!area.Building) {
                if (area.PieceKept) ++Extract.Counts.Parks;
                if (area.Look && area.Inside) KeepRings(area);
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

    // The outer ways joined end to end into closed rings, by their nodes: each ring as its ways
    // in order, each with whether it runs backwards. A ring that cannot be closed with the ways
    // the extract holds is left out: drawn, it would cut across the city.
    void JoinRings(TArea& area) {
        const std::vector<TRingWay>& ways = area.RingWays;
        std::vector<bool> used(ways.size(), false);
        for (std::size_t first = 0; first < ways.size(); ++first) {
            if (used[first] || ways[first].Nodes.size() < 2) continue;
            used[first] = true;
            std::vector<std::pair<std::size_t, bool>> ring{{first, false}};
            const TOsmId start = ways[first].Nodes.front();
            TOsmId end = ways[first].Nodes.back();
            std::size_t nodes = ways[first].Nodes.size();
            while (end != start) {
                std::size_t next = ways.size();
                bool reversed = false;
                for (std::size_t k = 0; k < ways.size() && next == ways.size(); ++k) {
                    if (used[k] || ways[k].Nodes.size() < 2) continue;
                    if (ways[k].Nodes.front() == end)
                        next = k;
                    else if (ways[k].Nodes.back() == end)
                        next = k, reversed = true;
                }
                if (next == ways.size()) break;
                used[next] = true;
                ring.emplace_back(next, reversed);
                end = reversed ? ways[next].Nodes.front() : ways[next].Nodes.back();
                nodes += ways[next].Nodes.size() - 1;
            }
            if (end != start || nodes < 4) {
                ++Extract.AreasLeftOpen;
                continue;
            }
            area.Rings.push_back(std::move(ring));
        }
    }

    // A closed ring may run far beyond the square's margin (Porto's river goes on for kilometres
    // up and down stream): the nodes of its ways are read in one more pass over the nodes, only
    // when there is such a ring.
    void LocateFarRings() {
        TIdSet far;
        for (TArea& area : Areas) {
            if (!area.Look || !area.Inside) continue;
            JoinRings(area);
            for (const auto& ring : area.Rings)
                for (const auto& [way, reversed] : ring)
                    if (!area.RingWays[way].Complete)
                        for (const TOsmId node : area.RingWays[way].Nodes)
                            far.Add(node);
        }
        if (far.Size() == 0) return;
        far.Seal();
        std::vector<osmium::Location> found(far.Size());
        ReadPass(
            Input, osmium::osm_entity_bits::node,
            [&](const osmium::memory::Buffer& buffer) {
                for (const osmium::Node& node : buffer.select<osmium::Node>()) {
                    const std::ptrdiff_t at = far.Find(node.id());
                    if (at >= 0) found[std::size_t(at)] = node.location();
                }
            },
            Pass(2));
        for (TArea& area : Areas)
            for (TRingWay& way : area.RingWays) {
                if (way.Complete || !area.Look || !area.Inside) continue;
                way.Points.clear();
                way.Complete = true;
                for (const TOsmId node : way.Nodes) {
                    const std::ptrdiff_t at = far.Find(node);
                    const osmium::Location location =
                        at >= 0 ? found[std::size_t(at)] : osmium::Location();
                    if (!location.valid()) {
                        way.Complete = false;
                        way.Points.clear();
                        break;
                    }
                    way.Points.push_back({location.lat(), location.lon()});
                }
            }
    }

    // The rings joined, as points; one with a node the extract lacks is left out.
    void KeepRings(const TArea& area) {
        for (const auto& ring : area.Rings) {
            std::vector<TGeoPoint> points;
            bool complete = true;
            for (const auto& [index, reversed] : ring) {
                const TRingWay& way = area.RingWays[index];
                complete = complete && way.Complete;
                if (!complete) break;
                const std::size_t skip = points.empty() ? 0 : 1;
                if (reversed)
                    points.insert(points.end(), way.Points.rbegin() + long(skip),
                                  way.Points.rend());
                else
                    points.insert(points.end(), way.Points.begin() + long(skip), way.Points.end());
            }
            if (!complete) {
                ++Extract.AreasLeftOpen;
                continue;
            }
            points.pop_back();
            Extract.Areas.push_back({area.Id, *area.Look, std::move(points)});
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
    extract.Streets.clear();
    extract.Areas.clear();
    extract.AreasLeftOpen = 0;
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
