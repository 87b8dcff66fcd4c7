// Lines made from the track where no route relation gives one: drivable paths chosen by the track
// they add, on a drawn network, and Volgograd's extract, which has tram track but no relation.
#include "import/Import.h"
#include "import/ImportReport.h"
#include "import/PlaneGeometry.h"
#include "import/TrackLines.h"
#include "import/TrackSquare.h"
#include "model/Route.h"
#include "model/RouteTable.h"
#include "model/Utf8.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <set>

namespace vell::import {
namespace {

using test::OsmFile;

// A network drawn node by node, each track a run of nodes 50 m apart.
struct TDrawnTrack {
    TTrackGraph Graph;
    TOsmId NextId = 1;

    // A track from `from` heading `degrees` (0 east, 90 south) for `length` metres, from the
    // node `start` when given; its node ids in order.
    std::vector<TOsmId> Track(TPointM from, double degrees, double length, TOsmId start = 0) {
        const double a = degrees * std::numbers::pi / 180;
        const TPointM step{50 * std::cos(a), 50 * std::sin(a)};
        std::vector<TOsmId> nodes;
        if (start != 0) {
            nodes.push_back(start);
            from = Graph.Points.at(start);
        } else {
            nodes.push_back(Add(from));
        }
        for (int k = 1; k * 50 <= length + 1e-9; ++k)
            nodes.push_back(Add(from + double(k) * step));
        for (std::size_t k = 1; k < nodes.size(); ++k)
            Link(nodes[k - 1], nodes[k]);
        return nodes;
    }
    TOsmId Add(TPointM p) {
        Graph.Points[NextId] = p;
        return NextId++;
    }
    void Link(TOsmId a, TOsmId b) {
        Graph.Neighbours[a].push_back(b);
        Graph.Neighbours[b].push_back(a);
    }
};

// The sharpest turn along a path, in degrees.
double SharpestTurn(const TTrackGraph& graph, const std::vector<TOsmId>& path) {
    double sharpest = 0;
    for (std::size_t k = 1; k + 1 < path.size(); ++k) {
        const TPointM in = graph.Points.at(path[k]) - graph.Points.at(path[k - 1]);
        const TPointM out = graph.Points.at(path[k + 1]) - graph.Points.at(path[k]);
        const double c = std::clamp(Dot(Unit(in), Unit(out)), -1.0, 1.0);
        sharpest = std::max(sharpest, std::acos(c) * 180 / std::numbers::pi);
    }
    return sharpest;
}

bool Holds(const std::vector<TOsmId>& path, TOsmId node) {
    return std::find(path.begin(), path.end(), node) != path.end();
}

// A trunk of 3 km west to east; a branch leaving it at 2 km in three bends of 20° for 2 km; a
// branch of 800 m leaving it at 1 km at a right angle (no tram turns there); a spur of 200 m;
// and the trunk's other track 3.2 m beside its first kilometre. The first line is the trunk's
// first 2 km and the long branch (4 km); the next adds the trunk's last kilometre, running on
// the first line's track to the far end; the right-angled branch makes a line of its own; the
// spur and the other track add too little.
TEST(TrackLinePaths, TakeTheLongestDrivablePathThenWhatAddsMostTrack) {
    TDrawnTrack d;
    const std::vector<TOsmId> trunk = d.Track({1000, 5000}, 0, 3000);
    const TOsmId fork = trunk[40], corner = trunk[20];
    std::vector<TOsmId> branch = d.Track({}, -20, 100, fork);
    branch = d.Track({}, -40, 100, branch.back());
    branch = d.Track({}, -60, 1800, branch.back());
    const std::vector<TOsmId> square = d.Track({}, -90, 800, corner);
    const std::vector<TOsmId> spur = d.Track({}, 20, 200, trunk[50]);
    const std::vector<TOsmId> twin = d.Track({1000, 5003.2}, 0, 1000);

    const std::vector<std::vector<TOsmId>> paths = TrackLinePaths(d.Graph, {});
    ASSERT_EQ(paths.size(), 3u);
    for (const auto& path : paths)
        EXPECT_LE(SharpestTurn(d.Graph, path), SharpestTurnDegrees);
    // The longest: the trunk's start to the branch's end, either way round.
    EXPECT_NEAR(d.Graph.Length(paths[0]), 4000, 1);
    EXPECT_TRUE(Holds(paths[0], trunk.front()) && Holds(paths[0], branch.back()));
    EXPECT_FALSE(Holds(paths[0], trunk.back()));
    // The trunk's last kilometre, on to the trunk's start along the first line's own track
    // rather than along the other track beside it.
    EXPECT_TRUE(Holds(paths[1], trunk.back()) && Holds(paths[1], trunk.front()));
    EXPECT_NEAR(d.Graph.Length(paths[1]), 3000, 1);
    // The branch a tram cannot turn into from the trunk, alone.
    EXPECT_NEAR(d.Graph.Length(paths[2]), 800, 1);
    EXPECT_TRUE(Holds(paths[2], square.back()));
    for (const auto& path : paths) {
        EXPECT_FALSE(Holds(path, spur.back()));
        EXPECT_FALSE(Holds(path, twin[5]));
    }

    // Service track (here the long branch) is no line's.
    TTrackPathOptions options;
    for (std::size_t k = 1; k < branch.size(); ++k)
        options.Excluded.insert(std::minmax(branch[k - 1], branch[k]));
    const std::vector<std::vector<TOsmId>> withoutBranch = TrackLinePaths(d.Graph, options);
    ASSERT_FALSE(withoutBranch.empty());
    EXPECT_NEAR(d.Graph.Length(withoutBranch[0]), 3000, 1);
    // The slots run out.
    options.MostPaths = 1;
    EXPECT_EQ(TrackLinePaths(d.Graph, options).size(), 1u);
}

// 60° is the sharpest turn a line takes, at a node where two tracks join as anywhere: two tracks
// of 500 m joined at 59° make one line, at 61° two.
TEST(TrackLinePaths, TurnNoSharperThanSixtyDegrees) {
    for (const auto& [turn, lines] : {std::pair{59.0, 1u}, std::pair{61.0, 2u}}) {
        SCOPED_TRACE(turn);
        TDrawnTrack d;
        const std::vector<TOsmId> first = d.Track({4000, 5000}, 0, 500);
        // The second track joins the first one's end: a junction of the two ways.
        d.Track({}, turn, 500, first.back());
        const auto paths = TrackLinePaths(d.Graph, {});
        ASSERT_EQ(paths.size(), lines);
        EXPECT_NEAR(d.Graph.Length(paths[0]), lines == 1 ? 1000 : 500, 1);
    }
    // A ring of gentle bends with no junction: a line round all of it but a gap of about 100 m
    // (a segment of 52 m each side of where it was opened), for the turning loops at its ends.
    TDrawnTrack ring;
    std::vector<TOsmId> nodes;
    for (int k = 0; k < 36; ++k) {
        const double a = k * std::numbers::pi / 18;
        nodes.push_back(ring.Add({5000 + 300 * std::cos(a), 5000 + 300 * std::sin(a)}));
        if (k > 0) ring.Link(nodes[k - 1], nodes[k]);
    }
    ring.Link(nodes.back(), nodes.front());
    const auto round = TrackLinePaths(ring.Graph, {});
    ASSERT_EQ(round.size(), 1u);
    EXPECT_EQ(round[0].size(), 35u);
    EXPECT_NEAR(ring.Graph.Length(round[0]), 34 * 600 * std::sin(std::numbers::pi / 36), 1e-6);
}

// Track outside the square less its margin is no line's, and a network too small makes none.
TEST(TrackLinePaths, KeepInsideTheMarginAndLeaveOutTinyNetworks) {
    TDrawnTrack d;
    d.Track({50, 5000}, 0, 1000);
    const auto paths = TrackLinePaths(d.Graph, {});
    ASSERT_EQ(paths.size(), 1u);
    for (TOsmId n : paths[0])
        EXPECT_GE(d.Graph.Points.at(n).X, 200);
    TDrawnTrack tiny;
    tiny.Track({5000, 5000}, 0, 50);
    EXPECT_TRUE(TrackLinePaths(tiny.Graph, {}).empty());
}

TEST(TrackLineName, TheStopsAtItsEndsCutTo24Characters) {
    auto stops = [](std::vector<std::string> names) {
        std::vector<TRouteStop> result;
        for (std::string& name : names)
            result.push_back({std::move(name), {}, false});
        return result;
    };
    EXPECT_EQ(TrackLineName(stops({"", "Вокзал", "Парк", ""}), "1"), "Вокзал \u2013 Парк");
    EXPECT_EQ(TrackLineName(stops({"Кольцо", "Мост", "Кольцо"}), "1"), "Кольцо");
    EXPECT_EQ(TrackLineName(stops({"", ""}), "2А"), "2А");
    EXPECT_EQ(TrackLineName({}, "2А"), "2А");
    // Too long: both ends stay in sight, each cut where it must be, the cut shown.
    const std::string cut = TrackLineName(stops({"Площадь Ленина", "Кубанская улица"}), "1");
    EXPECT_EQ(cut, "Площадь Л\u2026 \u2013 Кубанская\u2026");
    EXPECT_EQ(TrackLineName(stops({"Улица Маршала Рокоссо", "Парк"}), "1"),
              "Улица Маршала Ро\u2026 \u2013 Парк");
    EXPECT_EQ(Utf8Length(TrackLineName(stops({"Улица Маршала Рокоссо", "Парк"}), "1")), 24u);
    EXPECT_EQ(TrackLineName(stops({"Голубинская улица — Учебный комбинат"}), "1"),
              "Голубинская улица — Уче\u2026");
}

// Volgograd's extract has 9 km of tram track and stops but no route relation: lines are made
// from the track, cover most of it, each stops along its way and is said to be made from the
// track, in slots from the table's first, with the names of its end stops; the preview lists
// them the same.
TEST(ImportCity, VolgogradGetsLinesMadeFromItsTrack) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("volgograd_centre_sumo.osm.xml.gz"));
    const TOsmExtract network = ReadTramNetwork(input);
    ASSERT_TRUE(network.Routes.empty());
    const TProjection projection(SquareCentre(network, std::nullopt));
    const TImportResult result = BuildTramMap(network, projection, {});
    const TImportReport& report = result.Report;
    const TMap& map = *result.Map;
    ASSERT_LT(report.NetworkResult, 0);
    ASSERT_GE(report.Routes.size(), 2u);
    const std::vector<std::pair<int, int>> order = RouteTableOrder();
    for (std::size_t k = 0; k < report.Routes.size(); ++k) {
        const TImportedRoute& route = report.Routes[k];
        SCOPED_TRACE(route.Ref);
        EXPECT_EQ(route.Source, ELineSource::Track);
        EXPECT_EQ(std::pair(route.Row, route.Column), order[k]);
        EXPECT_EQ(route.Ref, RouteDisplayName(route.Row, route.Column));
        EXPECT_TRUE(map.Route(route.Row, route.Column).Usable);
        EXPECT_GE(route.Stops, 2);
        // Named by its end stops, which Volgograd's stops all have.
        EXPECT_NE(route.Name.find(" \u2013 "), std::string::npos) << route.Name;
        EXPECT_LE(Utf8Length(route.Name), 24u);
        EXPECT_NE(RouteNotes(route).find("сделан по путям"), std::string::npos);
    }

    // Most of the track lies on a line's path or beside it (the other track of the street):
    // all but the depot's tracks and short stubs.
    const TTrackGraph graph = BuildTrackGraph(network, projection);
    TCircuitOptions options;
    TCircuits circuits = PlanCircuits(network, graph, projection, options);
    AddTrackLines(network, graph, projection, options, circuits);
    ASSERT_EQ(circuits.Plans.size(), report.Routes.size());
    double total = 0, covered = 0;
    for (const auto& [a, neighbours] : graph.Neighbours)
        for (TOsmId b : neighbours) {
            if (b < a) continue;
            const TPointM pa = graph.Points.at(a), pb = graph.Points.at(b);
            const double length = Norm(pb - pa);
            total += length;
            const TPointM middle = 0.5 * (pa + pb);
            bool near = false;
            for (const TCircuitPlan& plan : circuits.Plans)
                for (std::size_t k = 1; k < plan.Forward.Nodes.size() && !near; ++k)
                    near = SegmentDistance(middle, graph.Points.at(plan.Forward.Nodes[k - 1]),
                                           graph.Points.at(plan.Forward.Nodes[k])) < 10;
            if (near) covered += length;
        }
    EXPECT_NEAR(total, 9000, 100);
    EXPECT_GT(covered, 0.85 * total) << covered << " of " << total;

    // Where a line runs along an earlier one, it runs on the same track, not on the other track
    // of the street beside it (which would lay four rails side by side).
    std::set<std::pair<TOsmId, TOsmId>> earlier;
    for (const TCircuitPlan& plan : circuits.Plans) {
        const std::vector<TOsmId>& nodes = plan.Forward.Nodes;
        double along = 0, beside = 0;
        for (std::size_t k = 1; k < nodes.size(); ++k) {
            const TPointM a = graph.Points.at(nodes[k - 1]), b = graph.Points.at(nodes[k]);
            const TPointM middle = 0.5 * (a + b);
            bool near = false;
            for (const auto& [p, q] : earlier)
                near = near || SegmentDistance(middle, graph.Points.at(p), graph.Points.at(q)) < 8;
            if (!near) continue;
            (earlier.count(std::minmax(nodes[k - 1], nodes[k])) ? along : beside) += Norm(b - a);
        }
        EXPECT_LE(beside, 0.1 * (along + beside) + 50) << along << " along, " << beside;
        for (std::size_t k = 1; k < nodes.size(); ++k)
            earlier.insert(std::minmax(nodes[k - 1], nodes[k]));
    }

    // The editor's import list shows them before the import.
    const TImportPreview preview = PreviewImport(network, {});
    ASSERT_EQ(preview.Routes.size(), report.Routes.size());
    for (std::size_t k = 0; k < preview.Routes.size(); ++k) {
        EXPECT_EQ(preview.Routes[k].Ref, report.Routes[k].Ref);
        EXPECT_EQ(preview.Routes[k].Name, report.Routes[k].Name);
        EXPECT_FALSE(preview.Routes[k].Skipped());
    }

    // The same lines every time.
    const TImportResult again = BuildTramMap(network, projection, {});
    ASSERT_EQ(again.Map->ObjectCount(), map.ObjectCount());
    for (int i = 0; i < map.ObjectCount(); ++i)
        ASSERT_EQ(std::memcmp(&again.Map->Objects[i], &map.Objects[i], sizeof(TMapObject)), 0);

    // Asked for one slot: that line alone.
    TImportOptions one;
    one.Routes = {report.Routes[1].Ref};
    const TImportResult only = BuildTramMap(network, projection, one);
    ASSERT_EQ(only.Report.Routes.size(), 1u);
    EXPECT_EQ(only.Report.Routes[0].Name, report.Routes[1].Name);
}

// An extract whose relations give lines gets none made from its track.
TEST(ImportCity, RelationsLinesMakeNoTrackLines) {
    VELL_NEED_OSM_FOLDER();
    const TOsmExtract network = ReadTramNetwork(TOsmInput::File(OsmFile("oslo-skoyen.osm.pbf")));
    const TImportPreview preview = PreviewImport(network, {});
    ASSERT_FALSE(preview.Routes.empty());
    const TProjection projection(preview.Centre);
    const TImportResult result = BuildTramMap(network, projection, {});
    ASSERT_FALSE(result.Report.Routes.empty());
    for (const TImportedRoute& route : result.Report.Routes)
        EXPECT_EQ(route.Source, ELineSource::Relation);
    // Nor when the ref asked for is none of its relations'.
    TImportOptions other;
    other.Routes = {"1"};
    EXPECT_TRUE(BuildTramMap(network, projection, other).Report.Routes.empty());
    EXPECT_TRUE(PreviewImport(network, other).Routes.empty());
}

} // namespace
} // namespace vell::import
