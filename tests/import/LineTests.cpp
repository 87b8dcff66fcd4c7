// Which lines the import takes and how: every line that can be laid gets a slot of the route
// table by one rule and keeps the name riders know; a closed line runs one way round on the
// track it has; no line runs against oneway.
#include "import/Import.h"
#include "import/ImportReport.h"
#include "import/TrackSquare.h"
#include "model/Route.h"
#include "model/Utf8.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>

namespace vell::import {
namespace {

using test::OsmFile;
using TSlot = std::pair<int, int>;

TSlot Slot(const char* name) {
    return *RouteSlotOfName(name);
}

const TImportedRoute* Line(const TImportReport& report, const std::string& ref) {
    for (const TImportedRoute& route : report.Routes)
        if (route.Ref == ref) return &route;
    return nullptr;
}

// An extract's tram network, read from its bytes when the file is named as other tools name
// them ("x.osm.xml.gz").
TOsmExtract Network(const std::string& file) {
    if (!file.ends_with(".osm.xml.gz")) return ReadTramNetwork(TOsmInput::File(OsmFile(file)));
    std::ifstream in(OsmFile(file), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return ReadTramNetwork(TOsmInput::Memory(bytes, "osm.gz"));
}

// The tram network of an extract built into a map (no city around it).
TImportResult TramMap(const std::string& file) {
    const TOsmExtract network = Network(file);
    return BuildTramMap(network, TProjection(DensestTrackSquare(network)), {});
}

TCircuits Plans(const std::string& file) {
    const TOsmExtract network = Network(file);
    const TProjection projection(DensestTrackSquare(network));
    return PlanCircuits(network, BuildTrackGraph(network, projection), projection, {});
}

TEST(AssignRouteSlots, OwnSlotsFirstThenDigitsThenLettersThenTableOrder) {
    const std::vector<std::string> names = {"M10",     "3E", "3",  "10", "T3", "179",
                                            "Atlanta", "4",  "4A", "4x", "4y", "1Б"};
    const auto slots = AssignRouteSlots(names);
    ASSERT_EQ(slots.size(), names.size());
    std::map<std::string, TSlot> got;
    for (std::size_t k = 0; k < names.size(); ++k) {
        ASSERT_TRUE(slots[k]) << names[k];
        got[names[k]] = *slots[k];
    }
    EXPECT_EQ(got["3"], Slot("3"));
    EXPECT_EQ(got["10"], Slot("10"));
    EXPECT_EQ(got["4A"], Slot("4А")); // the Latin letter is the slot's own
    // By (digits, ref): 3E before T3, both after 3 took its own slot.
    EXPECT_EQ(got["3E"], Slot("3А"));
    EXPECT_EQ(got["T3"], Slot("3Б"));
    // 4 and 4А taken: 4x takes 4Б, 4y the first free slot in the table's order.
    EXPECT_EQ(got["4x"], Slot("4Б"));
    EXPECT_EQ(got["4y"], Slot("1"));
    // 10 taken: M10 goes on in the table's order, as do 179 (no slot 179) and a name.
    EXPECT_EQ(got["M10"], Slot("1А"));
    EXPECT_EQ(got["179"], Slot("2"));
    EXPECT_EQ(got["Atlanta"], Slot("2А"));
    EXPECT_EQ(got["1Б"], Slot("1Б"));
}

// A small network on a plane near Oslo: nodes by id at metres east and north of the centre.
struct TSmallNetwork {
    TGeoPoint Centre{59.92, 10.68};
    TOsmExtract Extract;

    void Node(TOsmId id, double east, double north) {
        Extract.Locations[id] = {Centre.Lat + north / 111320.0,
                                 Centre.Lon +
                                     east / (111320.0 * std::cos(Centre.Lat * M_PI / 180))};
    }
    void Way(TOsmId id, std::vector<TOsmId> nodes, int oneway = 0) {
        Extract.Tracks.push_back({id, std::move(nodes), "", 0, oneway});
    }
    TOsmRoute& Route(TOsmId id, const std::string& ref, const std::vector<TOsmId>& ways) {
        TOsmRoute route;
        route.Id = id;
        route.Ref = ref;
        route.Version2 = true;
        for (TOsmId way : ways)
            route.Members.push_back({'w', way, "", false});
        Extract.Routes.push_back(route);
        return Extract.Routes.back();
    }
    TCircuits Plan() const {
        const TProjection projection(Centre);
        return PlanCircuits(Extract, BuildTrackGraph(Extract, projection), projection, {});
    }
};

// A 300 m line east (nodes 1-4) and, round a bend at each end, a track beside it 80 m north
// that leads back (nodes 4, 5-12, 1).
TSmallNetwork Rectangle() {
    TSmallNetwork n;
    for (int i = 0; i < 4; ++i)
        n.Node(1 + i, 100.0 * i, 0);
    const double r = 40, s = r * std::sqrt(0.5);
    n.Node(5, 300 + s, r - s), n.Node(6, 300 + r, r), n.Node(7, 300 + s, r + s);
    n.Node(8, 300, 2 * r), n.Node(9, 0, 2 * r);
    n.Node(10, -s, r + s), n.Node(11, -r, r), n.Node(12, -s, r - s);
    return n;
}
const std::vector<TOsmId> WayBack = {4, 5, 6, 7, 8, 9, 10, 11, 12, 1};

TEST(PlanCircuits, EveryLineFindsASlotUntilAll117AreTaken) {
    TSmallNetwork n = Rectangle();
    n.Way(10, {1, 2, 3, 4});
    for (int k = 0; k < RouteRows * RouteColumns + 1; ++k)
        n.Route(100 + k, "L" + std::to_string(1000 + k), {10});
    const TCircuits circuits = n.Plan();
    ASSERT_EQ(circuits.Plans.size(), 117u);
    std::set<TSlot> slots;
    for (const TCircuitPlan& plan : circuits.Plans)
        slots.insert({plan.Row, plan.Column});
    EXPECT_EQ(slots.size(), 117u);
    ASSERT_EQ(circuits.LeftOut.size(), 1u);
    EXPECT_EQ(circuits.LeftOut[0].Ref, "L1117"); // the last by (digits, ref)
    EXPECT_EQ(circuits.LeftOut[0].What, "маршрут L1117");
    EXPECT_EQ(circuits.LeftOut[0].Why, "все 117 мест таблицы маршрутов уже заняты");
}

TEST(PlanCircuits, NamesAreTheRefElseTheMastersElseTheRelationsCutTo24Characters) {
    TSmallNetwork n = Rectangle();
    n.Way(10, {1, 2, 3, 4});
    n.Route(100, "7", {10}).MasterRef = "70";
    TOsmRoute& unnumbered = n.Route(101, "", {10});
    unnumbered.Name = "Линия без номера";
    unnumbered.MasterRef = "N5";
    const std::string longName = "Трамвай по набережной до вокзала"; // 32 characters
    n.Route(102, "", {10}).Name = longName;
    const TCircuits circuits = n.Plan();
    ASSERT_EQ(circuits.Plans.size(), 3u);
    std::map<std::string, const TCircuitPlan*> byRef;
    for (const TCircuitPlan& plan : circuits.Plans)
        byRef[plan.Ref] = &plan;
    EXPECT_EQ(byRef.at("7")->Name, "7");
    // Grouped by the relation's name, called by its master's ref, slotted by its digits.
    ASSERT_TRUE(byRef.count("Линия без номера"));
    EXPECT_EQ(byRef.at("Линия без номера")->Name, "N5");
    EXPECT_EQ(
        RouteDisplayName(byRef.at("Линия без номера")->Row, byRef.at("Линия без номера")->Column),
        "5");
    const std::string cut = byRef.at(longName)->Name;
    EXPECT_EQ(Utf8Length(cut), 24u);
    EXPECT_EQ(cut, longName.substr(0, cut.size()));
    EXPECT_EQ(cut, "Трамвай по набережной до");
}

// Only the lines asked for, by ref or by name.
TEST(PlanCircuits, TakesTheLinesAskedForByRefOrName) {
    TSmallNetwork n = Rectangle();
    n.Way(10, {1, 2, 3, 4});
    n.Route(100, "7", {10});
    n.Route(101, "8", {10}).Name = "Tram 8";
    n.Route(102, "", {10}).Name = "Ring";
    n.Route(103, "9", {10});
    const TProjection projection(n.Centre);
    TCircuitOptions options;
    options.Refs = {"7", "Tram 8", "Ring"};
    const TCircuits circuits =
        PlanCircuits(n.Extract, BuildTrackGraph(n.Extract, projection), projection, options);
    std::set<std::string> refs;
    for (const TCircuitPlan& plan : circuits.Plans)
        refs.insert(plan.Ref);
    EXPECT_EQ(refs, (std::set<std::string>{"7", "8", "Ring"}));
}

// A line on one-way track without a relation back: it returns by the track beside it, never
// against oneway; with no such track it is left out with why.
TEST(PlanCircuits, ObeysOnewayDrivingBack) {
    TSmallNetwork n = Rectangle();
    n.Way(20, {1, 2, 3, 4}, 1);
    n.Way(21, WayBack);
    n.Route(100, "5", {20});
    TCircuits circuits = n.Plan();
    ASSERT_EQ(circuits.Plans.size(), 1u);
    const TCircuitPlan& plan = circuits.Plans[0];
    EXPECT_EQ(plan.Forward.Nodes, (std::vector<TOsmId>{1, 2, 3, 4}));
    EXPECT_EQ(plan.Backward.Nodes, WayBack);
    EXPECT_FALSE(plan.BackwardReversed);
    EXPECT_TRUE(plan.BackwardFound);
    EXPECT_NEAR(plan.RelationLength, 300, 1);
    // The same line laid: a circuit of rails that keeps to it.
    const TImportResult laid = BuildTramMap(n.Extract, TProjection(n.Centre), {});
    ASSERT_EQ(laid.Report.Routes.size(), 1u);
    EXPECT_TRUE(laid.Map->Route(laid.Report.Routes[0].Row, laid.Report.Routes[0].Column).Usable);
    EXPECT_TRUE(laid.Report.Routes[0].FoundWayBack);
    EXPECT_NE(RouteNotes(laid.Report.Routes[0]).find("обратно по кратчайшему пути"),
              std::string::npos);

    // Listed against its way's sense, the line is turned to run with it.
    TSmallNetwork against = Rectangle();
    against.Way(20, {1, 2, 3, 4}, -1);
    against.Way(21, {WayBack.rbegin(), WayBack.rend()});
    against.Route(100, "5", {20});
    circuits = against.Plan();
    ASSERT_EQ(circuits.Plans.size(), 1u);
    EXPECT_EQ(circuits.Plans[0].Forward.Nodes, (std::vector<TOsmId>{4, 3, 2, 1}));
    EXPECT_EQ(circuits.Plans[0].Backward.Nodes,
              (std::vector<TOsmId>{WayBack.rbegin(), WayBack.rend()}));

    // No way back.
    TSmallNetwork deadEnd = Rectangle();
    deadEnd.Way(20, {1, 2, 3, 4}, 1);
    deadEnd.Route(100, "5", {20});
    circuits = deadEnd.Plan();
    EXPECT_TRUE(circuits.Plans.empty());
    ASSERT_EQ(circuits.LeftOut.size(), 1u);
    EXPECT_NE(circuits.LeftOut[0].Why.find("oneway"), std::string::npos);
}

// A relation whose ways return to its start runs one way round, its track not doubled.
TEST(PlanCircuits, AClosedLineRunsOneWayRound) {
    TSmallNetwork n = Rectangle();
    std::vector<TOsmId> ring = {1, 2, 3};
    ring.insert(ring.end(), WayBack.begin(), WayBack.end());
    n.Way(20, ring);
    n.Route(100, "5", {20});
    const TCircuits circuits = n.Plan();
    ASSERT_EQ(circuits.Plans.size(), 1u);
    EXPECT_TRUE(circuits.Plans[0].OneWayLoop);
    EXPECT_FALSE(circuits.Plans[0].BackwardReversed);
    EXPECT_TRUE(circuits.Plans[0].Backward.Nodes.empty());
    const TImportResult laid = BuildTramMap(n.Extract, TProjection(n.Centre), {});
    ASSERT_EQ(laid.Report.Routes.size(), 1u);
    EXPECT_TRUE(laid.Report.Routes[0].OneWayLoop);
    EXPECT_EQ(laid.Report.Loops, 0);
    // About the way's 845 m, not twice that.
    EXPECT_LT(laid.Report.TrackLengthM, 950);
    EXPECT_GT(laid.Report.TrackLengthM, 750);
}

TEST(ImportLines, BerlinsLettersTakeTheSlotsOfTheirDigits) {
    VELL_NEED_OSM_FOLDER();
    const TCircuits circuits = Plans("berlin_mitte_sumo.osm.xml.gz");
    std::map<std::string, std::string> slots;
    for (const TCircuitPlan& plan : circuits.Plans)
        slots[plan.Name] = RouteDisplayName(plan.Row, plan.Column);
    const std::map<std::string, std::string> expected = {{"12", "12"}, {"M1", "1"},  {"M2", "2"},
                                                         {"M4", "4"},  {"M5", "5"},  {"M6", "6"},
                                                         {"M8", "8"},  {"M10", "10"}};
    for (const auto& [name, slot] : expected) {
        ASSERT_TRUE(slots.count(name)) << name;
        EXPECT_EQ(slots[name], slot) << name;
    }
    for (const TLeftOut& left : circuits.LeftOut)
        EXPECT_TRUE(left.Ref.empty()) << left.Ref << ": " << left.Why;
}

TEST(ImportLines, LeipzigsExtraLinesTakeASlots) {
    VELL_NEED_OSM_FOLDER();
    const TImportResult result = TramMap("leipzig_hbf_kosm.osm");
    std::map<std::string, std::string> slots;
    for (const TImportedRoute& route : result.Report.Routes)
        slots[route.Name] = RouteDisplayName(route.Row, route.Column);
    for (const TLeftOut& left : result.Report.LeftOut)
        EXPECT_EQ(left.Why.find("мест таблицы"), std::string::npos)
            << left.What << ": " << left.Why;
    // 3 and 11 have their own slots: 3E takes 3А, 11E the first free in the table's order.
    const TCircuits circuits = Plans("leipzig_hbf_kosm.osm");
    std::map<std::string, std::string> planned;
    for (const TCircuitPlan& plan : circuits.Plans)
        planned[plan.Name] = RouteDisplayName(plan.Row, plan.Column);
    ASSERT_TRUE(planned.count("3E"));
    ASSERT_TRUE(planned.count("11E"));
    EXPECT_EQ(planned["3E"], "3А");
    EXPECT_EQ(planned["11E"], "1А");
}

TEST(ImportLines, AtlantasNamedStreetcarIsALoopWithItsStops) {
    VELL_NEED_OSM_FOLDER();
    const TImportResult result = TramMap("atlanta_otp.osm.pbf");
    ASSERT_EQ(result.Report.Routes.size(), 1u);
    const TImportedRoute& line = result.Report.Routes[0];
    EXPECT_EQ(line.Name, "Atlanta Streetcar");
    EXPECT_LE(Utf8Length(line.Name), LineNameLength);
    EXPECT_EQ(RouteDisplayName(line.Row, line.Column), "1");
    EXPECT_TRUE(line.OneWayLoop);
    EXPECT_FALSE(line.DrivenBack);
    EXPECT_GE(line.Stops, 10);
    EXPECT_TRUE(result.Map->Route(line.Row, line.Column).Usable);
    // One track round, 4.2 km, not doubled.
    EXPECT_LT(result.Report.TrackLengthM, 1.2 * 4200);
}

TEST(ImportLines, IstanbulsT3IsAOneWayLoopOnItsSingleTrack) {
    VELL_NEED_OSM_FOLDER();
    const TImportResult result = TramMap("istanbul_kadikoy_sumo.osm.xml.gz");
    const TImportedRoute* t3 = Line(result.Report, "T3");
    ASSERT_NE(t3, nullptr);
    EXPECT_EQ(RouteDisplayName(t3->Row, t3->Column), "3");
    EXPECT_TRUE(t3->OneWayLoop);
    EXPECT_GE(t3->Stops, 8);
    EXPECT_TRUE(result.Map->Route(t3->Row, t3->Column).Usable);
    EXPECT_NEAR(result.Report.TrackLengthM, 2600, 300);
    EXPECT_NEAR(t3->LengthM, 2600, 300);
}

// Porto's 22 goes round the centre and out and back along a spur: the loop is not doubled.
TEST(ImportLines, PortosCircularLineIsNotDoubled) {
    VELL_NEED_OSM_FOLDER();
    const TImportResult result = TramMap("porto.osm.pbf");
    const TImportedRoute* line = Line(result.Report, "22");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->OneWayLoop);
    EXPECT_FALSE(line->DrivenBack);
    EXPECT_TRUE(result.Map->Route(line->Row, line->Column).Usable);
    // Once round (2.6 km of relation, the spur out and back and its turning loop), not the
    // 5.7 km of the loop driven both ways.
    EXPECT_LT(line->LengthM, 1.25 * line->RelationLengthM);
    EXPECT_LT(line->LengthM, 3500);
}

} // namespace
} // namespace vell::import
