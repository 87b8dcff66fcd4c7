// Reading the tram network: route relations first, to know which ways and nodes they name; then
// the ways, keeping the tram tracks and the platforms; then the nodes, keeping the stops and the
// locations of the nodes kept so far. Nothing else of the file stays in memory.
#include "import/IdSet.h"
#include "import/OsmPass.h"
#include "import/OsmRead.h"
#include "import/OsmTags.h"

#include "model/Texts.h"

#include <osmium/osm/node.hpp>
#include <osmium/osm/relation.hpp>
#include <osmium/osm/way.hpp>

#include <cstring>
#include <map>

namespace vell::import {

namespace {

bool HasTag(const osmium::TagList& tags, const char* key, const char* value) {
    const char* found = tags[key];
    return found != nullptr && std::strcmp(found, value) == 0;
}

std::string TagOr(const osmium::TagList& tags, const char* key) {
    const char* found = tags[key];
    return found != nullptr ? std::string(found) : std::string();
}

char MemberType(osmium::item_type type) {
    switch (type) {
    case osmium::item_type::node:
        return 'n';
    case osmium::item_type::way:
        return 'w';
    default:
        return 'r';
    }
}

bool IsPlatformRole(const std::string& role) {
    return role.starts_with("platform");
}

// The ids route relations name, kept apart by kind, and whether the file holds each.
struct TMembers {
    TIdSet Ids;
    std::vector<bool> Found;

    void Seal() {
        Ids.Seal();
        Found.assign(Ids.Size(), false);
    }
    bool Mark(TOsmId id) {
        const std::ptrdiff_t index = Ids.Find(id);
        if (index < 0) return false;
        Found[static_cast<std::size_t>(index)] = true;
        return true;
    }
    bool Holds(TOsmId id) {
        const std::ptrdiff_t index = Ids.Find(id);
        return index >= 0 && Found[static_cast<std::size_t>(index)];
    }
};

// A platform drawn as a way: its place is the centre of its nodes, known after the node pass.
struct TPlatformWay {
    TOsmStop Stop;
    std::vector<TOsmId> Nodes;
};

class TTramNetworkReader {
  public:
    TTramNetworkReader(const TOsmInput& input, TImportProgress* progress)
        : Input(input), Progress(progress) {}

    TOsmExtract Read() {
        CheckPbfEndsWithABlock(Input);
        ReadPass(
            Input, osmium::osm_entity_bits::relation,
            [this](const osmium::memory::Buffer& buffer) { ReadRoutes(buffer); }, Pass(0));
        SealMembers();
        ReadPass(
            Input, osmium::osm_entity_bits::way | osmium::osm_entity_bits::relation,
            [this](const osmium::memory::Buffer& buffer) { ReadWays(buffer); }, Pass(1));
        TrackNodes.Seal();
        PlatformNodes.Seal();
        ReadPass(
            Input, osmium::osm_entity_bits::node,
            [this](const osmium::memory::Buffer& buffer) { ReadNodes(buffer); }, Pass(2));
        PlacePlatformWays();
        CountMissing();
        CheckTrack();
        return std::move(Extract);
    }

  private:
    TPassProgress Pass(int index) const { return {Progress, EImportStage::ReadingTrack, index, 3}; }

    void ReadRoutes(const osmium::memory::Buffer& buffer) {
        for (const osmium::Relation& relation : buffer.select<osmium::Relation>()) {
            ++Extract.Counts.Relations;
            const osmium::TagList& tags = relation.tags();
            if (HasTag(tags, "type", "route_master")) AddMaster(relation);
            if (!HasTag(tags, "route", "tram")) continue;
            TOsmRoute route;
            route.Id = relation.id();
            route.Ref = TagOr(tags, "ref");
            route.Name = TagOr(tags, "name");
            route.From = TagOr(tags, "from");
            route.To = TagOr(tags, "to");
            route.IntervalMinutes = IntervalMinutesOfTag(TagOr(tags, "interval"));
            route.Version2 = HasTag(tags, "public_transport:version", "2");
            for (const osmium::RelationMember& member : relation.members())
                AddMember(route, member);
            Extract.Routes.push_back(std::move(route));
        }
    }

    // A route master's ref, for the routes it lists that have none of their own.
    void AddMaster(const osmium::Relation& master) {
        const std::string ref = TagOr(master.tags(), "ref");
        if (ref.empty()) return;
        for (const osmium::RelationMember& member : master.members())
            if (member.type() == osmium::item_type::relation)
                MasterRefs.emplace(member.ref(), ref); // the first master listing it
    }

    void AddMember(TOsmRoute& route, const osmium::RelationMember& member) {
        TOsmMember kept{MemberType(member.type()), member.ref(), member.role()};
        const bool platform = IsPlatformRole(kept.Role);
        if (kept.Type == 'n') {
            NodeMembers.Ids.Add(kept.Ref);
            if (platform) PlatformMemberNodes.Add(kept.Ref);
        } else if (kept.Type == 'w') {
            WayMembers.Ids.Add(kept.Ref);
            if (platform) PlatformMemberWays.Add(kept.Ref);
        } else {
            RelationMembers.Ids.Add(kept.Ref);
        }
        route.Members.push_back(std::move(kept));
    }

    void SealMembers() {
        for (TOsmRoute& route : Extract.Routes)
            if (auto it = MasterRefs.find(route.Id); it != MasterRefs.end())
                route.MasterRef = it->second;
        MasterRefs.clear();
        Extract.Counts.RouteRelations = static_cast<long long>(Extract.Routes.size());
        NodeMembers.Seal();
        WayMembers.Seal();
        RelationMembers.Seal();
        PlatformMemberNodes.Seal();
        PlatformMemberWays.Seal();
    }

    void ReadWays(const osmium::memory::Buffer& buffer) {
        for (const osmium::OSMObject& object : buffer.select<osmium::OSMObject>()) {
            if (object.type() == osmium::item_type::relation) {
                RelationMembers.Mark(object.id());
                continue;
            }
            if (object.type() != osmium::item_type::way) continue;
            const auto& way = static_cast<const osmium::Way&>(object);
            ++Extract.Counts.Ways;
            WayMembers.Mark(way.id());
            const osmium::TagList& tags = way.tags();
            if (tags.empty()) continue;
            if (HasTag(tags, "railway", "tram")) AddTrack(way);
            if (HasTag(tags, "public_transport", "platform") && HasTag(tags, "tram", "yes"))
                ++Extract.Counts.TramPlatforms;
            AddStopWay(way);
        }
    }

    void AddTrack(const osmium::Way& way) {
        TOsmTrack track;
        track.Id = way.id();
        track.Service = TagOr(way.tags(), "service");
        track.MaxSpeed = MaxSpeedOfTag(TagOr(way.tags(), "maxspeed"));
        track.Oneway = OnewayOfTag(TagOr(way.tags(), "oneway"));
        track.Nodes.reserve(way.nodes().size());
        for (const osmium::NodeRef& node : way.nodes()) {
            track.Nodes.push_back(node.ref());
            TrackNodes.Add(node.ref());
        }
        Extract.Tracks.push_back(std::move(track));
    }

    // A platform way a tram uses, or a way tagged as a tram stop (mapped as a platform area).
    void AddStopWay(const osmium::Way& way) {
        const osmium::TagList& tags = way.tags();
        const bool platformTag =
            HasTag(tags, "public_transport", "platform") || HasTag(tags, "railway", "platform");
        const bool tramStopTag = HasTag(tags, "railway", "tram_stop");
        const bool forTrams =
            HasTag(tags, "tram", "yes") || tramStopTag || PlatformMemberWays.Find(way.id()) >= 0;
        if (!(platformTag && forTrams) && !tramStopTag) return;
        TPlatformWay platform;
        platform.Stop.Id = way.id();
        platform.Stop.Type = 'w';
        platform.Stop.Kind = TStopKind::Platform;
        platform.Stop.Name = TagOr(tags, "name");
        for (const osmium::NodeRef& node : way.nodes()) {
            platform.Nodes.push_back(node.ref());
            PlatformNodes.Add(node.ref());
        }
        PlatformWays.push_back(std::move(platform));
    }

    void ReadNodes(const osmium::memory::Buffer& buffer) {
        for (const osmium::Node& node : buffer.select<osmium::Node>()) {
            ++Extract.Counts.Nodes;
            const osmium::Location location = node.location();
            const bool located = location.valid();
            const TGeoPoint at{located ? location.lat() : 0.0, located ? location.lon() : 0.0};
            const bool member = NodeMembers.Mark(node.id());
            if (located &&
                (member || TrackNodes.Find(node.id()) >= 0 || PlatformNodes.Find(node.id()) >= 0))
                Extract.Locations[node.id()] = at;
            if (!node.tags().empty()) AddStopNode(node, located, at);
        }
    }

    void AddStopNode(const osmium::Node& node, bool located, TGeoPoint at) {
        const osmium::TagList& tags = node.tags();
        const bool tramStop = HasTag(tags, "railway", "tram_stop");
        const bool stopPosition = HasTag(tags, "public_transport", "stop_position") &&
                                  (HasTag(tags, "tram", "yes") || tramStop);
        const bool tramYes = HasTag(tags, "tram", "yes");
        const bool platformTag =
            HasTag(tags, "public_transport", "platform") || HasTag(tags, "railway", "platform");
        const bool platform = platformTag && (tramYes || PlatformMemberNodes.Find(node.id()) >= 0);
        Extract.Counts.TramStops += tramStop ? 1 : 0;
        Extract.Counts.StopPositions += stopPosition ? 1 : 0;
        Extract.Counts.TramPlatforms +=
            HasTag(tags, "public_transport", "platform") && tramYes ? 1 : 0;
        if (!located || !(tramStop || stopPosition || platform)) return;
        TOsmStop stop;
        stop.Id = node.id();
        stop.Type = 'n';
        // Where the tram stops, as precisely as the tags say: on the track, then beside it.
        stop.Kind = stopPosition ? TStopKind::StopPosition
                    : tramStop   ? TStopKind::TramStop
                                 : TStopKind::Platform;
        stop.Name = TagOr(tags, "name");
        stop.At = at;
        Extract.Stops.push_back(std::move(stop));
        Extract.Locations[node.id()] = at;
    }

    // Platform ways after the stop nodes, each at the centre of its located nodes (a closed
    // outline's repeated first node counted once); one with no located node is left out.
    void PlacePlatformWays() {
        for (TPlatformWay& platform : PlatformWays) {
            std::vector<TOsmId>& nodes = platform.Nodes;
            if (nodes.empty()) continue;
            const bool closed = nodes.size() > 3 && nodes.front() == nodes.back();
            platform.Stop.OutlineIsLine = !closed && nodes.front() != nodes.back();
            if (nodes.size() > 1 && nodes.front() == nodes.back()) nodes.pop_back();
            double lat = 0, lon = 0;
            int located = 0;
            for (TOsmId id : nodes) {
                const auto found = Extract.Locations.find(id);
                if (found == Extract.Locations.end()) continue;
                lat += found->second.Lat;
                lon += found->second.Lon;
                ++located;
                platform.Stop.Outline.push_back(found->second);
            }
            if (located == 0) continue;
            // An outline with a node missing would be drawn wrong: none rather.
            if (located != int(nodes.size())) platform.Stop.Outline.clear();
            platform.Stop.At = {lat / located, lon / located};
            Extract.Stops.push_back(std::move(platform.Stop));
        }
        PlatformWays.clear();
    }

    void CountMissing() {
        TReadCounts& counts = Extract.Counts;
        counts.TrackWays = static_cast<long long>(Extract.Tracks.size());
        for (std::size_t k = 0; k < TrackNodes.Size(); ++k)
            if (!Extract.Locations.contains(TrackNodes[k])) ++counts.TrackNodesWithoutLocation;
        for (TOsmRoute& route : Extract.Routes)
            for (TOsmMember& member : route.Members) {
                TMembers& kind = member.Type == 'n'   ? NodeMembers
                                 : member.Type == 'w' ? WayMembers
                                                      : RelationMembers;
                member.Missing = !kind.Holds(member.Ref);
                if (member.Missing) ++counts.RouteMembersMissing;
            }
    }

    void CheckTrack() const {
        if (Extract.Tracks.empty())
            throw TReadError(Arg(translate("Import", "В выписке %1 нет трамвайных путей "
                                                     "(railway=tram)."),
                                 Input.Name()));
        if (Extract.Counts.TrackNodesWithoutLocation == static_cast<long long>(TrackNodes.Size()))
            throw TReadError(Arg(translate("Import", "В выписке %1 нет ни одной точки трамвайных "
                                                     "путей: их узлов нет в файле."),
                                 Input.Name()));
    }

    const TOsmInput& Input;
    TImportProgress* Progress;
    TOsmExtract Extract;
    TMembers NodeMembers, WayMembers, RelationMembers;
    TIdSet PlatformMemberNodes, PlatformMemberWays;
    TIdSet TrackNodes, PlatformNodes;
    std::vector<TPlatformWay> PlatformWays;
    std::map<TOsmId, std::string> MasterRefs; // route relation -> its master's ref
};

} // namespace

TOsmExtract ReadTramNetwork(const TOsmInput& input, TImportProgress* progress) {
    try {
        return TTramNetworkReader(input, progress).Read();
    } catch (...) {
        RethrowAsReadError(input);
    }
}

} // namespace vell::import
