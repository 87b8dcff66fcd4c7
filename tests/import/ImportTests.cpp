// The whole import on real extracts: the routes a city's relations give, laid so that trams
// follow them and stop where the relations stop, and the same map every time.
#include "import/Import.h"
#include "import/PlaneGeometry.h"
#include "import/TrackSquare.h"
#include "model/Route.h"
#include "model/RouteWalk.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>

namespace vell::import {
namespace {

using test::OsmFile;

double Distance(TPointM p, const TMapObject& rail) {
    return SegmentDistance(p, {double(rail.X1), double(rail.Y1)},
                           {double(rail.X2), double(rail.Y2)});
}

// Where a stop lies along its direction's track, when within 40 m of it.
std::optional<double> PlaceAlong(const TRouteStop& stop, const TDirection& direction,
                                 const TTrackGraph& graph) {
    double best = 40, at = 0, walked = 0;
    for (std::size_t k = 0; k + 1 < direction.Nodes.size(); ++k) {
        const TPointM a = graph.Points.at(direction.Nodes[k]);
        const TPointM b = graph.Points.at(direction.Nodes[k + 1]);
        const double d = SegmentDistance(stop.At, a, b);
        if (d < best) best = d, at = walked + std::hypot(stop.At.X - a.X, stop.At.Y - a.Y);
        walked += std::hypot(b.X - a.X, b.Y - a.Y);
    }
    if (best < 40) return at;
    return std::nullopt;
}

// How many of a direction's stops by its track are out of order along it: those less the
// longest run of them whose places along it grow.
int OutOfOrder(const TDirection& direction, const TTrackGraph& graph) {
    std::vector<double> tails; // the least last place of an increasing run of each length
    int placed = 0;
    for (const TRouteStop& stop : direction.Stops) {
        const std::optional<double> x = PlaceAlong(stop, direction, graph);
        if (!x) continue;
        ++placed;
        auto it = std::lower_bound(tails.begin(), tails.end(), *x);
        if (it == tails.end())
            tails.push_back(*x);
        else
            *it = *x;
    }
    return placed - int(tails.size());
}

// Heidelberg's extract holds its whole network: every relation whose ref fits a slot gives a
// usable route, whose circuit is as long as its relations' track in the square (plus the turning
// loops at its ends), and whose trams stop at the relations' stops in their order.
TEST(ImportCity, HeidelbergRoutesFollowTheirRelationsAndStopsInOrder) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("heidelberg.test.pbf"));
    const TImportResult result = ImportCity(input, {});
    const TMap& map = *result.Map;
    const TImportReport& report = result.Report;
    ASSERT_LT(report.NetworkResult, 0);
    ASSERT_TRUE(map.NetworkOk);

    // Every ref of a slot is imported.
    const TOsmExtract network = ReadTramNetwork(input);
    std::set<std::string> refs, imported;
    for (const TOsmRoute& relation : network.Routes)
        if (RouteSlotOfName(relation.Ref)) refs.insert(relation.Ref);
    for (const TImportedRoute& route : report.Routes)
        imported.insert(route.Ref);
    EXPECT_EQ(imported, refs);
    EXPECT_GE(refs.size(), 5u);
    // The depot's and the cut routes' track is left out, and said to be.
    EXPECT_GT(report.UnusedTrackM, 100);
    EXPECT_LT(report.UnusedTrackM, 0.5 * report.TrackInSquareM);
    // Heidelberg's single track used both ways is laid as double track, and named.
    EXPECT_GT(report.SingleTrackBothWaysM, 500);
    EXPECT_LT(report.SingleTrackBothWaysM, 0.2 * report.TrackInSquareM);

    // The plans again, for the stops in the relations' order.
    const TProjection projection(report.Centre);
    const TTrackGraph graph = BuildTrackGraph(network, projection);
    const TCircuits circuits = PlanCircuits(network, graph, projection, {});
    for (const TImportedRoute& route : report.Routes) {
        SCOPED_TRACE("route " + route.Ref);
        const TRouteRec& rec = map.Route(route.Row, route.Column);
        ASSERT_TRUE(rec.Usable);
        const int loops = int(route.LoopAtStart) + int(route.LoopAtEnd);
        EXPECT_GE(route.LengthM, 0.9 * route.RelationLengthM);
        // A turning loop of radius 13-25 m with its way in and out adds at most 300 m.
        EXPECT_LE(route.LengthM, 1.1 * route.RelationLengthM + 300 * loops);

        std::vector<int> walk, stops;
        WalkRoute(map, rec, [&](int rail) {
            walk.push_back(rail);
            if (map.Objects[rail].IsStop()) stops.push_back(rail);
        });
        ASSERT_FALSE(walk.empty());
        const auto plan = std::find_if(circuits.Plans.begin(), circuits.Plans.end(),
                                       [&](const TCircuitPlan& p) { return p.Ref == route.Ref; });
        ASSERT_NE(plan, circuits.Plans.end());
        // Stops that lie by their direction's track in the square are visited, each at a stop
        // rail after the previous one's, from wherever the walk starts.
        std::vector<const TRouteStop*> byTrack;
        for (const TDirection* direction : {&plan->Forward, &plan->Backward})
            for (const TRouteStop& stop : direction->Stops)
                if (PlaceAlong(stop, *direction, graph)) byTrack.push_back(&stop);
        const int near = int(byTrack.size());
        // The most of them visited in order: the longest common subsequence of the stops and
        // the stop rails (near each other), over every start of the walk.
        int visited = 0;
        const std::size_t n = stops.size();
        for (std::size_t start = 0; start < n; ++start) {
            std::vector<std::vector<int>> common(byTrack.size() + 1, std::vector<int>(n + 1, 0));
            for (std::size_t i = 1; i <= byTrack.size(); ++i)
                for (std::size_t k = 1; k <= n; ++k)
                    common[i][k] =
                        Distance(byTrack[i - 1]->At, map.Objects[stops[(start + k - 1) % n]]) < 45
                            ? common[i - 1][k - 1] + 1
                            : std::max(common[i - 1][k], common[i][k - 1]);
            visited = std::max(visited, common[byTrack.size()][n]);
        }
        // OpenStreetMap's relations list a few stops out of their order along the ways (a
        // terminus listed last): those cannot be visited in order.
        const int disorder = OutOfOrder(plan->Forward, graph) + OutOfOrder(plan->Backward, graph);
        EXPECT_GE(visited, near - disorder) << stops.size() << " stop rails";
        EXPECT_GE(near, route.RelationStops / 3);
        EXPECT_EQ(route.Stops, int(stops.size()));
    }
}

// Poznań's relations list no stops: their trams stop at the tram stops on their track.
TEST(ImportCity, RelationsWithoutStopsStopAlongTheirTrack) {
    VELL_NEED_OSM_FOLDER();
    const TOsmInput input = TOsmInput::File(OsmFile("poznan-map.osm.gz"));
    for (const TOsmRoute& relation : ReadTramNetwork(input).Routes)
        for (const TOsmMember& member : relation.Members)
            ASSERT_TRUE(member.Role.rfind("stop", 0) != 0 && member.Role.rfind("platform", 0) != 0)
                << relation.Ref;
    const TImportResult result = ImportCity(input, {});
    ASSERT_GE(result.Report.Routes.size(), 5u);
    for (const TImportedRoute& route : result.Report.Routes) {
        SCOPED_TRACE("route " + route.Ref);
        EXPECT_GE(route.RelationStops, 2);
        EXPECT_EQ(route.Stops, route.RelationStops);
    }
}

// The same extract and options give the same map, object for object, and the same report.
TEST(ImportCity, IsRepeatable) {
    VELL_NEED_OSM_FOLDER();
    for (const char* name : {"heidelberg.test.pbf", "munchen.osm.pbf"}) {
        SCOPED_TRACE(name);
        TImportOptions options;
        options.Routes = {"21", "23", "16", "17", "27"};
        const TImportResult a = ImportCity(TOsmInput::File(OsmFile(name)), options);
        const TImportResult b = ImportCity(TOsmInput::File(OsmFile(name)), options);
        ASSERT_GT(a.Map->ObjectCount(), 0);
        EXPECT_EQ(a.Map->Objects, b.Map->Objects);
        EXPECT_EQ(a.Report.Routes.size(), b.Report.Routes.size());
        for (const TImportedRoute& route : a.Report.Routes)
            EXPECT_NE(std::find(options.Routes.begin(), options.Routes.end(), route.Ref),
                      options.Routes.end());
    }
}

// A route of a few metres of track (an extract cut close around it) is left out with why,
// not laid as rails shorter than the network allows.
TEST(BuildTramMap, LeavesOutARouteTooShortForRails) {
    TOsmExtract extract;
    const TGeoPoint centre{59.92, 10.68};
    for (int i = 0; i < 3; ++i)
        extract.Locations[i + 1] = {centre.Lat + i * 0.0001, centre.Lon}; // 11 m apart
    extract.Tracks.push_back({10, {1, 2, 3}, "", 0, 0});
    TOsmRoute route;
    route.Id = 20;
    route.Ref = "5";
    route.Version2 = true;
    route.Members.push_back({'w', 10, "", false});
    extract.Routes.push_back(route);
    const TImportResult result = BuildTramMap(extract, TProjection(centre), {});
    EXPECT_TRUE(result.Report.Routes.empty());
    EXPECT_EQ(result.Map->ObjectCount(), 0);
    ASSERT_EQ(result.Report.LeftOut.size(), 1u);
    EXPECT_EQ(result.Report.LeftOut[0].What, "маршрут 5");
    EXPECT_NE(result.Report.LeftOut[0].Why.find("меньше 25 м"), std::string::npos);
}

// A map too full for the rails leaves every route out with why, reading no rail it could not
// add (the loops were once shaped from the index of a rail never added).
TEST(LayRails, AMapTooFullLeavesTheRoutesOut) {
    VELL_NEED_OSM_FOLDER();
    const TOsmExtract network = ReadTramNetwork(TOsmInput::File(OsmFile("oslo-skoyen.osm.pbf")));
    const TProjection projection(DensestTrackSquare(network));
    const TTrackGraph graph = BuildTrackGraph(network, projection);
    const TCircuits circuits = PlanCircuits(network, graph, projection, {});
    ASSERT_EQ(circuits.Plans.size(), 1u);
    TMap map;
    while (map.ObjectCount() < 65535 - 10)
        ASSERT_TRUE(map.AddObject(MakeObject(Wall, 0, 0, 5, 5)));
    const TRailNetwork rails = LayRails(map, graph, circuits.Plans);
    ASSERT_EQ(rails.Circuits.size(), 1u);
    EXPECT_TRUE(rails.Circuits[0].Failed);
    EXPECT_EQ(rails.Circuits[0].Why, "на карте не хватило места для рельсов");
    EXPECT_EQ(map.ObjectCount(), 65535);
}

// Around a point far from every track there is nothing to import: a clear error.
TEST(ImportCity, RefusesASquareWithoutTrack) {
    VELL_NEED_OSM_FOLDER();
    TImportOptions options;
    options.Center = TGeoPoint{49.0, 8.0};
    try {
        ImportCity(TOsmInput::File(OsmFile("heidelberg.test.pbf")), options);
        FAIL() << "imported a square without track";
    } catch (const TReadError& e) {
        EXPECT_NE(std::string(e.what()).find("нет трамвайных путей"), std::string::npos);
    }
}

} // namespace
} // namespace vell::import
