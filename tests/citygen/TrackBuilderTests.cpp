// Laying tram networks from small plans: junctions, loops, crossings and stops come out where
// the plan puts them and follow the rules of the rail network; plans that cannot be laid are
// refused with a reason.
#include "model/Geometry.h"
#include "model/Network.h"
#include "tests/support/TestMaps.h"
#include "tools/citygen/TrackBuilder.h"

#include <gtest/gtest.h>

#include <set>

namespace vell::citygen {
namespace {

using test::NewMap;
using enum TNodeKind;

struct TLaid {
    std::unique_ptr<TMap> Map;
    TBuiltNetwork Network;
};

TLaid Lay(const TNetworkPlan& plan) {
    TLaid laid{NewMap(), {}};
    TRandom random(7);
    laid.Network = LayTramNetwork(*laid.Map, plan, random);
    return laid;
}

// A junction at (5000, 5000) whose branch points `branch`: lines 600 m out to three termini,
// and routes through all six ways across it.
TNetworkPlan JunctionPlan(TPoint branch) {
    const TPoint through{branch.Y, -branch.X}; // the branch turned a quarter
    auto at = [](TPoint dir, int d) { return TPoint{5000 + d * dir.X, 5000 + d * dir.Y}; };
    TNetworkPlan plan;
    plan.Nodes = {{"J", Junction, {5000, 5000}},
                  {"A", Terminus, at(through, 600)},
                  {"B", Terminus, at(TPoint{} - through, 600)},
                  {"C", Terminus, at(branch, 600)}};
    plan.Lines = {{"J", "A", {}, DoubleTrackPoles, 150, {}},
                  {"B", "J", {}, DoubleTrackLane, 150, {}},
                  {"C", "J", {}, DoubleTrackGreen, 150, {}}};
    plan.Routes = {{"1", {"A", "J", "B"}, 1, 10},
                   {"2", {"A", "J", "C"}, 1, 10},
                   {"3", {"B", "J", "C"}, 1, 10}};
    return plan;
}

TEST(TrackBuilder, AJunctionInEveryOrientationHasALeftAndARightSwitchAndEveryWayAcross) {
    for (TPoint branch : {TPoint{0, -1}, TPoint{1, 0}, TPoint{0, 1}, TPoint{-1, 0}}) {
        SCOPED_TRACE(testing::Message() << "branch " << branch.X << "," << branch.Y);
        TLaid laid;
        ASSERT_NO_THROW(laid = Lay(JunctionPlan(branch))); // sound, and every route usable
        TMap& map = *laid.Map;
        ASSERT_EQ(map.BuildNetwork(), -1);
        const std::vector<int>& junction = laid.Network.NodeRails[0];
        for (int r : junction)
            EXPECT_TRUE(map.Objects[r].KeepClear());
        // Three switches, one on each way in: from the through line's two ends (one turning
        // left, one right) and from the branch (left and right).
        int left = 0, right = 0;
        for (int r : junction) {
            const TLinkRec& link = *map.Link(r);
            if (!link.IsSwitch()) continue;
            const TMapObject &a = map.Objects[link.Next[0]], &b = map.Objects[link.Next[1]];
            EXPECT_GT(Cross(a, b), 0) << "Next[0] lies left of Next[1]";
            const bool straightOn = Cross(map.Objects[r], a) == 0;
            (straightOn ? right : left) += 1;
            if (!straightOn) {
                EXPECT_EQ(Cross(map.Objects[r], b), 0) << "one branch goes on straight";
            }
        }
        EXPECT_EQ(left, 1);  // on the through line, turning left into the branch
        EXPECT_EQ(right, 2); // turning right: on the through line and out of the branch
        map.FreeNetwork();
    }
}

TEST(TrackBuilder, TheLoopTurnsLeftAroundTheBlockBeyondTheTerminusWithItsStopOnTheFarSide) {
    TNetworkPlan plan;
    plan.Nodes = {{"W", Terminus, {3000, 4000}}, {"E", Terminus, {4000, 4000}}};
    plan.Lines = {{"W", "E", {}, DoubleTrackPoles, 150, {{{3500, 4000}, 2}}}};
    plan.Routes = {{"7", {"W", "E"}, 2, 6}};
    const TLaid laid = Lay(plan);
    const TMap& map = *laid.Map;
    // Eastwards into E, the loop lies north of the line (left) and east of its end.
    for (int r : laid.Network.NodeRails[1]) {
        const TMapObject& o = map.Objects[r];
        for (TPoint p : {TPoint{o.X1, o.Y1}, TPoint{o.X2, o.Y2}}) {
            EXPECT_GE(p.X, 4000);
            EXPECT_LE(p.Y, 4002);
            EXPECT_GE(p.Y, 4000 - 150);
        }
    }
    // Westwards into W, north is right: the loop lies south.
    for (int r : laid.Network.NodeRails[0])
        EXPECT_GE(map.Objects[r].Y1, 3998);
    for (int n : {0, 1}) {
        const TMapObject& stop = map.Objects[laid.Network.TerminusStops[n]];
        EXPECT_EQ(stop.StopType(), 3);
        EXPECT_DOUBLE_EQ(Length(stop), 40);
        EXPECT_EQ(std::abs(stop.Y1 - 4000), 150) << "on the far side";
    }
    // The stop in between: a 40 m stop rail of type 2 on each track, centred on the point.
    int stops = 0;
    for (const auto* track : {&laid.Network.Lines[0].Forward, &laid.Network.Lines[0].Backward})
        for (int r : *track)
            if (map.Objects[r].IsStop()) {
                ++stops;
                EXPECT_EQ(map.Objects[r].StopType(), 2);
                EXPECT_EQ(map.Objects[r].X1 + map.Objects[r].X2, 7000);
                EXPECT_DOUBLE_EQ(Length(map.Objects[r]), 40);
            }
    EXPECT_EQ(stops, 2);
    const TRouteRec& route = map.Route(6, 0);
    EXPECT_EQ(route.WaypointCount, 4);
    // The route starts right after W's stop and turns at E's.
    const TMapObject& start = map.Objects[route.Waypoints[0]];
    const TMapObject& stopW = map.Objects[laid.Network.TerminusStops[0]];
    EXPECT_EQ(std::make_pair(start.X1, start.Y1), std::make_pair(stopW.X2, stopW.Y2));
    EXPECT_EQ(route.Waypoints[2], laid.Network.TerminusStops[1]);
    EXPECT_EQ(route.Cars, 2);
    EXPECT_EQ(route.Interval, 6);
}

TEST(TrackBuilder, AFlatCrossingKeepsItsFourRailsClearAndEachCrossesTheOtherLine) {
    TNetworkPlan plan;
    plan.Nodes = {{"W", Terminus, {3000, 4000}},
                  {"E", Terminus, {4000, 4000}},
                  {"N", Terminus, {3500, 3500}},
                  {"S", Terminus, {3500, 4500}},
                  {"X", Crossing, {3500, 4000}}};
    plan.Lines = {{"W", "E", {}, DoubleTrackPoles, 150, {}},
                  {"N", "S", {}, DoubleTrackPoles, 150, {}}};
    plan.Routes = {{"1", {"W", "E"}, 1, 10}, {"2", {"N", "S"}, 1, 10}};
    TLaid laid = Lay(plan);
    TMap& map = *laid.Map;
    ASSERT_EQ(map.BuildNetwork(), -1);
    const std::vector<int>& crossing = laid.Network.NodeRails[4];
    ASSERT_EQ(crossing.size(), 4u);
    for (int r : crossing) {
        EXPECT_TRUE(map.Objects[r].KeepClear());
        EXPECT_DOUBLE_EQ(Length(map.Objects[r]), 2 * CrossingReach);
        int crossed = 0;
        for (int s : crossing)
            crossed += s != r && Dot(map.Objects[r], map.Objects[s]) == 0 &&
                       SegmentDistSq(map.Objects[r], map.Objects[s]) == 0;
        EXPECT_EQ(crossed, 2);
    }
    int kept = 0;
    for (const TMapObject& o : map.Objects)
        kept += o.IsRail() && o.KeepClear();
    EXPECT_EQ(kept, 4) << "only the crossing is kept clear";
}

TEST(TrackBuilder, PlansThatCannotBeLaidAreRefusedWithTheReason) {
    auto refused = [](TNetworkPlan plan, const std::string& reason) {
        try {
            Lay(plan);
        } catch (const TPlanError& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
            return;
        }
        ADD_FAILURE() << "laid a plan that should fail with: " << reason;
    };
    TNetworkPlan line;
    line.Nodes = {{"W", Terminus, {3000, 4000}}, {"E", Terminus, {4000, 4000}}};
    line.Lines = {{"W", "E", {}, DoubleTrackPoles, 150, {}}};

    TNetworkPlan bend = line;
    bend.Nodes[1].At = {3500, 4500};
    bend.Lines[0].Via = {{3500, 4000}};
    refused(bend, "bends by more than 45 degrees");

    TNetworkPlan crooked = line;
    crooked.Lines[0].Via = {{3400, 4000}, {3500, 4030}, {3530, 4000}};
    refused(crooked, "neither along an axis nor diagonally");

    TNetworkPlan nearEnd = line;
    nearEnd.Lines[0].Stops = {{{3030, 4000}}};
    refused(nearEnd, "shorter than 20 m");

    TNetworkPlan offLine = line;
    offLine.Lines[0].Stops = {{{3500, 4010}}};
    refused(offLine, "is not on line");

    TNetworkPlan unknown = line;
    unknown.Lines[0].To = "Нигде";
    refused(unknown, "no node is named Нигде");

    TNetworkPlan lonely = line;
    lonely.Nodes.push_back({"J", Junction, {3500, 5000}});
    lonely.Nodes.push_back({"S", Terminus, {3500, 6000}});
    lonely.Lines.push_back({"J", "S", {}, DoubleTrackPoles, 150, {}});
    refused(lonely, "junction J needs three lines");

    TNetworkPlan forked = line;
    forked.Nodes.push_back({"N", Terminus, {3000, 3000}});
    forked.Lines.push_back({"W", "N", {}, DoubleTrackPoles, 150, {}});
    refused(forked, "terminus W needs exactly one line, has 2");

    TNetworkPlan badName = line;
    badName.Routes = {{"0", {"W", "E"}, 1, 10}};
    refused(badName, "no route slot is named 0");

    TNetworkPlan noWay = line;
    noWay.Nodes.push_back({"N", Terminus, {3000, 3000}});
    noWay.Nodes.push_back({"M", Terminus, {3500, 3000}});
    noWay.Lines.push_back({"N", "M", {}, DoubleTrackPoles, 150, {}});
    noWay.Routes = {{"1", {"W", "M"}, 1, 10}};
    refused(noWay, "no line runs from W to M");

    TNetworkPlan tooMany = line;
    tooMany.Routes = {{"1", {"W", "E"}, 4, 10}};
    refused(tooMany, "1 to 3 cars");
}

TEST(TrackBuilder, RouteNamesAreTheTableSlots) {
    EXPECT_EQ(RouteSlotOf("1"), std::make_pair(0, 0));
    EXPECT_EQ(RouteSlotOf("10"), std::make_pair(0, 1));
    EXPECT_EQ(RouteSlotOf("3А"), std::make_pair(2, 11));
    EXPECT_EQ(RouteSlotOf("9Б"), std::make_pair(8, 12));
    EXPECT_THROW(RouteSlotOf("3A"), TPlanError) << "a Latin A is not the route letter";
}

} // namespace
} // namespace vell::citygen
