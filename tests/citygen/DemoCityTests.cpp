// The bundled demo city: rebuilt byte for byte by the generator, a town and a network with
// everything the game shows off, and four simulated hours without a jam.
#include "model/Geometry.h"
#include "model/Network.h"
#include "model/RouteTable.h"
#include "model/RouteWalk.h"
#include "model/Units.h"
#include "sim/Jams.h"
#include "sim/RunStatistics.h"
#include "sim/World.h"
#include "tests/support/TestMaps.h"
#include "tools/citygen/Cities.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vell::citygen {
namespace {

const std::string DemoMap = std::string(VELL_MAPS_DIR) + "/demo.vl";

std::unique_ptr<TMap> LoadDemo() {
    auto map = test::NewMap();
    map->FileName = DemoMap;
    EXPECT_TRUE(map->LoadFromFile()) << DemoMap;
    return map;
}

TEST(DemoCity, TheGeneratorRebuildsMapsDemoByteForByte) {
    test::TTempDir dir;
    TGeneratedCity city = MakeDemoCity();
    city.Map->FileName = dir.Path("demo.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    const auto made = test::ReadBytes(dir.Path("demo.vl")), bundled = test::ReadBytes(DemoMap);
    ASSERT_EQ(made.size(), bundled.size()) << "regenerate with: MakeCity demo maps/demo.vl";
    EXPECT_TRUE(made == bundled) << "regenerate with: MakeCity demo maps/demo.vl";
}

TEST(RingCity, TheGeneratorRebuildsMapsRingByteForByte) {
    test::TTempDir dir;
    TGeneratedCity city = MakeRingCity();
    city.Map->FileName = dir.Path("ring.vl");
    ASSERT_TRUE(city.Map->SaveToFile());
    const auto made = test::ReadBytes(dir.Path("ring.vl"));
    const auto bundled = test::ReadBytes(std::string(VELL_MAPS_DIR) + "/ring.vl");
    ASSERT_EQ(made.size(), bundled.size()) << "regenerate with: MakeCity ring maps/ring.vl";
    EXPECT_TRUE(made == bundled) << "regenerate with: MakeCity ring maps/ring.vl";
}

// Walls, high walls, kerbs, arches and trees around the default view, in several colours.
TEST(DemoCity, TheTownLiesAroundTheDefaultViewWithBuildingsOfManyColours) {
    auto map = LoadDemo();
    std::map<int, int> kinds;
    std::map<int, std::set<std::uint32_t>> colours;
    int minX = 9999, minY = 9999, maxX = 0, maxY = 0;
    for (const TMapObject& o : map->Objects) {
        ++kinds[o.Kind()];
        if (!o.IsRail()) colours[o.Kind()].insert(MakeColor(o.Red, o.Green, o.Blue));
        minX = std::min<int>({minX, o.X1, o.X2});
        maxX = std::max<int>({maxX, o.X1, o.X2});
        minY = std::min<int>({minY, o.Y1, o.Y2});
        maxY = std::max<int>({maxY, o.Y1, o.Y2});
    }
    EXPECT_GT(kinds[Wall], 5000);
    EXPECT_GT(kinds[HighWall], 500);
    EXPECT_GT(kinds[Border], 1000);
    EXPECT_GT(kinds[Arch], 100);
    EXPECT_GT(kinds[Trees], 200);
    EXPECT_EQ(kinds[DoubleTrack] + kinds[DoubleTrackPoles] + kinds[DoubleTrackLane] +
                  kinds[DoubleTrackGreen],
              0)
        << "every double track is converted";
    EXPECT_GE(colours[Wall].size(), 6u);
    EXPECT_GE(colours[HighWall].size(), 4u);
    // A few square kilometres with the default view (4800..5400) inside.
    EXPECT_LT(minX, 4800);
    EXPECT_LT(minY, 4800);
    EXPECT_GT(maxX, 5400);
    EXPECT_GT(maxY, 5400);
    EXPECT_LT((maxX - minX) * double(maxY - minY), 20e6);
}

// Rails at right angles that cross where neither ends: a flat crossing.
bool CrossAtRightAngles(const TMapObject& a, const TMapObject& b) {
    auto onOther = [](const TMapObject& p, const TMapObject& q) {
        return PointSegmentDistSq(p.X1, p.Y1, q.X1, q.Y1, q.X2, q.Y2) == 0 ||
               PointSegmentDistSq(p.X2, p.Y2, q.X1, q.Y1, q.X2, q.Y2) == 0;
    };
    return Dot(a, b) == 0 && SegmentDistSq(a, b) == 0 && !onOther(a, b) && !onOther(b, a);
}

TEST(DemoCity, TheNetworkHasJunctionsACrossingLoopsStopsAndSpeedGrades) {
    auto map = LoadDemo();
    std::vector<TRailFault> faults;
    ASSERT_EQ(BuildNetwork(*map, &faults), -1);
    EXPECT_TRUE(faults.empty());
    int leftTurns = 0, rightTurns = 0, crossings = 0;
    std::set<int> stopTypes, grades;
    for (int i = 0; i < map->ObjectCount(); ++i) {
        const TMapObject& o = map->Objects[i];
        if (!o.IsRail()) continue;
        grades.insert(o.SpeedGrade());
        if (o.IsStop()) {
            stopTypes.insert(o.StopType());
            EXPECT_GE(Length(o), 25) << "stop " << i;
        }
        const TLinkRec& link = *map->Link(i);
        if (link.IsSwitch()) {
            // Next[0] is the left branch; the one that does not go straight on is the turn.
            const bool turnsLeft = Cross(o, map->Objects[link.Next[0]]) != 0;
            (turnsLeft ? leftTurns : rightTurns) += 1;
            EXPECT_TRUE(o.KeepClear()) << "switch " << i;
            for (int next : link.Next)
                EXPECT_TRUE(map->Objects[next].KeepClear());
        }
        // A flat crossing: a rail of another line crosses this one at right angles mid-way.
        for (std::uint16_t n : link.Near)
            if (n != NoObject && CrossAtRightAngles(o, map->Objects[n])) {
                ++crossings;
                EXPECT_TRUE(o.KeepClear()) << "crossing rail " << i;
            }
    }
    EXPECT_GE(leftTurns, 2) << "junctions with left branches";
    EXPECT_GE(rightTurns, 2) << "junctions with right branches";
    EXPECT_GE(crossings, 8) << "each of the crossing's four rails crosses two";
    EXPECT_EQ(stopTypes, (std::set<int>{1, 2, 3}));
    EXPECT_GE(grades.size(), 5u);
    map->FreeNetwork();
}

TEST(DemoCity, TwelveNamedRoutesShareTrackAndBranchApart) {
    auto map = LoadDemo();
    const TMapSelection selection = SelectMap(*map);
    ASSERT_EQ(selection.NetworkResult, -1);
    ASSERT_GE(selection.Rows.size(), 10u);
    std::set<int> cars, intervals;
    bool oneDigit = false, letter = false, twoDigits = false;
    std::map<int, int> routesOnRail;
    for (const TRouteTableRow& row : selection.Rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_TRUE(row.Figures.Usable);
        const TRouteRec& route = map->Route(row.Row, row.Column);
        cars.insert(route.Cars);
        intervals.insert(route.Interval);
        EXPECT_GE(route.Interval, 5);
        EXPECT_LE(route.Interval, 30);
        EXPECT_GT(route.StopCount, 5);
        oneDigit |= row.Column == 0;
        letter |= row.Column >= 11;
        twoDigits |= row.Column >= 1 && row.Column <= 10;
        std::set<int> rails;
        WalkRoute(*map, route, [&](int r) { rails.insert(r); });
        for (int r : rails)
            ++routesOnRail[r];
    }
    EXPECT_TRUE(oneDigit && letter && twoDigits);
    EXPECT_EQ(cars, (std::set<int>{1, 2, 3}));
    EXPECT_TRUE(intervals.count(5) && intervals.count(30));
    int shared = 0;
    for (auto [rail, routes] : routesOnRail)
        shared += routes >= 4;
    EXPECT_GT(shared, 100) << "rails that four or more routes share";
    // Routes branch apart: at some switch the routes through it take both branches.
    int splitSwitches = 0;
    for (auto [rail, routes] : routesOnRail) {
        const TLinkRec& link = *map->Link(rail);
        splitSwitches +=
            link.IsSwitch() && routesOnRail.count(link.Next[0]) && routesOnRail.count(link.Next[1]);
    }
    EXPECT_GE(splitSwitches, 8);
    EXPECT_GT(selection.TotalTrams, 25);
}

// As `VellSim run maps/demo.vl --minutes 240 --seed 1` runs it.
TEST(DemoCity, FourHoursRunWithEveryTramOutPassengersCarriedAndNoJam) {
    auto map = LoadDemo();
    ASSERT_EQ(SelectMap(*map).NetworkResult, -1);
    TRandom random(1);
    TWorld world(*map, random);
    world.StartWorld();
    TRunStatistics statistics(world);
    TJamWatch jams(world, RoundHalfEven(5 * TicksPerMinute));
    const long long steps = RoundHalfEven(240 * TicksPerMinute);
    for (long long s = 0; s < steps; ++s) {
        world.WorldStep();
        statistics.Observe();
        jams.Observe();
    }
    EXPECT_TRUE(jams.Episodes().empty()) << jams.Episodes().size() << " stands over 5 minutes";
    EXPECT_TRUE(jams.Deadlocks().empty());
    // A tram may be waiting behind another at the last step, but not for long.
    for (const TBlockedTram& t : jams.Now().Blocked)
        EXPECT_LT(jams.Steps() - t.Since, RoundHalfEven(5 * TicksPerMinute)) << t.Number;
    const auto routes = statistics.Routes();
    ASSERT_EQ(routes.size(), 12u);
    for (const TRouteStatistics& r : routes) {
        SCOPED_TRACE(RouteDisplayName(r.Row, r.Col));
        EXPECT_GT(r.Planned, 0);
        EXPECT_EQ(r.Dispatched, r.Planned);
        EXPECT_EQ(r.InService, r.Planned);
        EXPECT_EQ(r.OffRoute, 0);
        EXPECT_LE(r.LongestStandstillMin, 15);
        EXPECT_GT(r.Boarded, 100);
        EXPECT_GT(r.StopsServed, 50);
    }
}

// The demo city with the double track between Мостовая and Юг (x = 5098 down, 5102 up, from
// y = 6040 to 6390) made single: the up track's inner joints move next to the down track, 1 m
// away, so that a tram on either track keeps trams off the other. Trams of the routes to Юг
// meet on it and lock each other.
TEST(DemoCity, ASingleTrackSectionInTheDemoCityReportsTheDeadlockWithTheTramsOnIt) {
    auto map = LoadDemo();
    auto inner = [](int x, int y) { return x == 5102 && y > 6040 && y < 6390; };
    int moved = 0;
    for (TMapObject& o : map->Objects) {
        if (!o.IsRail()) continue;
        if (inner(o.X1, o.Y1)) o.X1 = 5099, ++moved;
        if (inner(o.X2, o.Y2)) o.X2 = 5099, ++moved;
    }
    ASSERT_EQ(moved, 14); // seven joints, each the end of one rail and the start of the next
    ASSERT_EQ(SelectMap(*map).NetworkResult, -1);
    TRandom random(1);
    TWorld world(*map, random);
    world.StartWorld();
    TJamWatch jams(world, RoundHalfEven(5 * TicksPerMinute));
    const long long steps = RoundHalfEven(240 * TicksPerMinute);
    for (long long s = 0; s < steps && jams.Deadlocks().empty(); ++s) {
        world.WorldStep();
        jams.Observe();
    }
    ASSERT_FALSE(jams.Deadlocks().empty());
    const TDeadlock d = jams.Deadlocks()[0];
    ASSERT_GE(d.Trams.size(), 2u);
    const std::set<std::string> toSouth = {"2", "6", "8", "12", "15"};
    for (std::size_t k = 0; k < d.Trams.size(); ++k) {
        const TBlockedTram& t = d.Trams[k];
        SCOPED_TRACE(testing::Message() << "tram " << t.Number << ", route "
                                        << RouteDisplayName(t.Row, t.Col) << ", rail " << t.Rail);
        EXPECT_TRUE(toSouth.count(RouteDisplayName(t.Row, t.Col)));
        EXPECT_EQ(t.HeldBy, d.Trams[(k + 1) % d.Trams.size()].Number);
        // It waits for a rail of the section.
        const TMapObject& rail = map->Objects[t.Rail];
        EXPECT_GE(std::min(rail.X1, rail.X2), 5098);
        EXPECT_LE(std::max(rail.X1, rail.X2), 5102);
        EXPECT_GE(std::min(rail.Y1, rail.Y2), 6040);
        EXPECT_LE(std::max(rail.Y1, rail.Y2), 6390);
    }
}

} // namespace
} // namespace vell::citygen
