// Laying routes, the route walk, timetables, figures, catchments and the route table.
#include "model/Geometry.h"
#include "model/Network.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/RouteWalk.h"
#include "model/Units.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

std::vector<int> Walk(const TMap& map, int row, int column) {
    std::vector<int> rails;
    WalkRoute(map, map.Route(row, column), [&](int rail) { rails.push_back(rail); });
    return rails;
}

std::vector<int> Choices(const TMap& map, int row, int column) {
    const TRouteRec& r = map.Route(row, column);
    return std::vector<int>(r.Choices.begin(), r.Choices.begin() + r.ChoiceCount);
}

// A ring whose top side is four rails T0..T3, with a bypass B0, B1 from the end of T0 (a
// switch: T1 to the left, B0 to the right) to the end of T2, as many rails as T1, T2.
struct TBypassMap {
    std::unique_ptr<TMap> Map = NewMap();
    std::vector<int> Ring;
    int T0, T1, T2, T3, B0, B1, Bottom;

    TBypassMap() {
        Ring = AddRing(*Map, 100, 100, 940, 400, 4);
        T0 = Ring[0], T1 = Ring[1], T2 = Ring[2], T3 = Ring[3], Bottom = Ring[7];
        const TMapObject t0 = Map->Objects[T0], t2 = Map->Objects[T2]; // copies: adding moves
        B0 = AddRail(*Map, t0.X2, t0.Y2, (t0.X2 + t2.X2) / 2, 140);
        B1 = AddRail(*Map, (t0.X2 + t2.X2) / 2, 140, t2.X2, t2.Y2);
        EXPECT_EQ(Map->BuildNetwork(), -1);
        EXPECT_EQ(Map->Link(T0)->Next[0], T1);
        EXPECT_EQ(Map->Link(T0)->Next[1], B0);
    }
    void Lay(std::initializer_list<int> waypoints) {
        SetRoute(*Map, 0, 0, waypoints);
        Map->LayRoute(0, 0);
    }
};

TEST(LayRoute, LoopWithoutSwitchesNeedsNoChoicesAndWalksEveryRailOnce) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300, 3);
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 2, 11, {ring[1], ring[6]});
    map->LayRoute(2, 11);
    EXPECT_TRUE(map->Route(2, 11).Usable);
    EXPECT_EQ(map->Route(2, 11).ChoiceCount, 0);
    std::vector<int> expected(ring.begin() + 1, ring.end());
    expected.push_back(ring[0]);
    EXPECT_EQ(Walk(*map, 2, 11), expected);
    double perimeter = 0;
    for (int r : ring)
        perimeter += Length(map->Objects[r]);
    EXPECT_DOUBLE_EQ(map->SumAlongRoute(2, 11, Length), perimeter);
    for (const TMapObject& o : map->Objects)
        EXPECT_FALSE(o.Selected()); // scratch marks cleared
}

TEST(LayRoute, TakingTheRightBranchRecordsChoiceOne) {
    TBypassMap m;
    m.Lay({m.T0, m.B0});
    EXPECT_EQ(Choices(*m.Map, 0, 0), std::vector<int>{1});
    const std::vector<int> walk = Walk(*m.Map, 0, 0);
    ASSERT_GE(walk.size(), 3u);
    EXPECT_EQ(walk[1], m.B0);
    EXPECT_EQ(walk[2], m.B1);
    m.Lay({m.T0, m.T1});
    EXPECT_EQ(Choices(*m.Map, 0, 0), std::vector<int>{0});
}

TEST(LayRoute, OneSwitchTwicePerCircuitConsumesTheChoicesInOrder) {
    TBypassMap m;
    m.Lay({m.B0, m.T1});
    EXPECT_EQ(Choices(*m.Map, 0, 0), (std::vector<int>{0, 1}));
    const std::vector<int> walk = Walk(*m.Map, 0, 0);
    // B0, B1, T3 and the ring round to T0; T1, T2, T3 and round to T0 again; then back to B0.
    const std::size_t lap = m.Ring.size() - 2; // T3, the rest of the ring, and T0
    ASSERT_EQ(walk.size(), 2 + lap + 2 + lap);
    EXPECT_EQ(walk[0], m.B0);
    EXPECT_EQ(walk[2 + lap - 1], m.T0);
    EXPECT_EQ(walk[2 + lap], m.T1);
    EXPECT_EQ(walk.back(), m.T0);
    EXPECT_EQ(std::count(walk.begin(), walk.end(), m.Bottom), 2);
}

TEST(LayRoute, AFigureEightThroughItsFirstRailIsMeasuredWhole) {
    // B0 first, or T0 (the switch rail the route passes twice per circuit) first: one circuit
    // of both routes is B0 ... T0, T1 ... T0, and their figures agree.
    TBypassMap m;
    m.Map->Objects[m.B1].SetStopType(1);
    m.Map->Objects[m.T2].SetStopType(3);
    ASSERT_EQ(m.Map->BuildNetwork(), -1);
    SetRoute(*m.Map, 0, 0, {m.B0, m.T1});
    SetRoute(*m.Map, 1, 0, {m.T0, m.B0, m.T1});
    const TRouteFigures elsewhere = ComputeRouteFigures(*m.Map, 0, 0);
    const TRouteFigures shared = ComputeRouteFigures(*m.Map, 1, 0);
    const std::vector<int> walk = Walk(*m.Map, 1, 0);
    EXPECT_EQ(walk.size(), Walk(*m.Map, 0, 0).size());
    EXPECT_EQ(std::count(walk.begin(), walk.end(), m.T0), 2);
    EXPECT_TRUE(shared.Usable);
    EXPECT_EQ(shared.Stops, 2);
    EXPECT_EQ(shared.Stops, elsewhere.Stops);
    EXPECT_EQ(shared.LengthM, elsewhere.LengthM);
    EXPECT_EQ(m.Map->Route(1, 0).RunTime, m.Map->Route(0, 0).RunTime);
    EXPECT_EQ(m.Map->Route(1, 0).TramCount, m.Map->Route(0, 0).TramCount);
    // The route check highlights the whole figure eight.
    m.Map->ClearMarks();
    m.Map->MarkRoute(1, 0);
    EXPECT_TRUE(m.Map->Objects[m.B1].Selected());
    EXPECT_TRUE(m.Map->Objects[m.T2].Selected());
}

TEST(LayRoute, EquallyShortPathsPreferTheFirstBranch) {
    TBypassMap m;
    m.Lay({m.T0, m.T3});
    EXPECT_EQ(Choices(*m.Map, 0, 0), std::vector<int>{0});
}

TEST(LayRoute, RouteThatNeverComesBackIsUnusableAndNothingHangs) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300, 2);
    const int leadIn = AddRail(*map, 50, 40, 120, 100); // joins the ring, nothing leads back
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 0, 0, {leadIn, ring[1]});
    TRouteFigures f = ComputeRouteFigures(*map, 0, 0);
    EXPECT_FALSE(f.Usable);
    EXPECT_FALSE(map->Route(0, 0).Usable);
    EXPECT_EQ(map->Route(0, 0).TramCount, 0);
    EXPECT_TRUE(Walk(*map, 0, 0).empty());
    EXPECT_EQ(map->SumAlongRoute(0, 0, Length), 0);
    // Highlighting still shows how far it gets, and ends.
    map->MarkRoute(0, 0);
    EXPECT_TRUE(map->Objects[leadIn].Selected());
    for (int r : ring)
        EXPECT_TRUE(map->Objects[r].Selected());
}

TEST(LayRoute, WaypointsThatAreNoRailsMakeTheRouteUnusable) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300);
    const int wall = AddObject(*map, Wall, 0, 0, 50, 0);
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 0, 0, {ring[0], wall});
    EXPECT_FALSE(ComputeRouteFigures(*map, 0, 0).Usable);
    SetRoute(*map, 0, 0, {wall, ring[0]});
    EXPECT_FALSE(ComputeRouteFigures(*map, 0, 0).Usable);
    map->MarkRoute(0, 0); // starts on a wall: nothing to walk
    for (const TMapObject& o : map->Objects)
        EXPECT_FALSE(o.Selected());
}

// A ring whose top side has `switches` switches, each with a two-rail bypass beside the next
// top rail; going round passes every switch.
struct TLadderMap {
    std::unique_ptr<TMap> Map = NewMap();
    int Bottom, LastTop;
    explicit TLadderMap(int switches) {
        const int pieces = 2 * switches + 1; // the last bypass rejoins before the corner
        std::vector<int> ring = AddRing(*Map, 100, 100, 140 + pieces * 50, 400, pieces);
        for (int m = 0; m < switches; ++m) {
            const int x = Map->Objects[ring[2 * m]].X2; // adding rails may move the objects
            AddRail(*Map, x, 100, x + 25, 110);
            AddRail(*Map, x + 25, 110, x + 50, 100);
        }
        Bottom = ring[pieces + 3];
        LastTop = ring[pieces - 1];
        EXPECT_EQ(Map->BuildNetwork(), -1);
    }
};

TEST(LayRoute, RouteNeedingMoreThan1024ChoicesIsRefused) {
    TLadderMap ladder(70);
    TMap& map = *ladder.Map;
    SetRoute(map, 1, 1, {ladder.Bottom, ladder.LastTop});
    map.LayRoute(1, 1);
    EXPECT_TRUE(map.Route(1, 1).Usable);
    EXPECT_EQ(map.Route(1, 1).ChoiceCount, 70);

    // 15 legs round the top, 70 switches each: 1050 choices.
    TRouteRec& r = map.Route(1, 2);
    r.WaypointCount = 31;
    for (int w = 0; w < 31; ++w)
        r.Waypoints[w] = std::uint16_t(w % 2 == 0 ? ladder.Bottom : ladder.LastTop);
    const TRouteLaying laying = map.LayRoute(1, 2);
    EXPECT_FALSE(r.Usable);
    EXPECT_EQ(r.ChoiceCount, 0);
    EXPECT_EQ(laying.Gap, TRouteGap::TooManyChoices);
    EXPECT_EQ(laying.Waypoint, 28); // the 15th leg round the top is the one that does not fit
    map.FreeNetwork();
    EXPECT_EQ(map.LayRoute(1, 1).Gap, TRouteGap::NoNetwork);
}

TEST(Schedule, StopAtTheFirstWaypointIncludesItsDwell) {
    TBypassMap m;
    m.Map->Objects[m.T0].SetStopType(3);
    m.Map->Objects[m.T2].SetStopType(2);
    m.Lay({m.T0, m.T3});
    m.Map->ComputeSchedule(0, 0);
    const TRouteRec& r = m.Map->Route(0, 0);
    const double t0 = SegmentTime(*m.Map, m.T0), t1 = SegmentTime(*m.Map, m.T1),
                 t2 = SegmentTime(*m.Map, m.T2);
    EXPECT_GT(t0, 50 * TicksPerSecond);
    EXPECT_EQ(r.StopTimes[0], RoundHalfEven(t0));
    EXPECT_EQ(r.StopTimes[1], RoundHalfEven(t0 + t1 + t2));
    double circuit = 0;
    for (int rail : Walk(*m.Map, 0, 0))
        circuit += SegmentTime(*m.Map, rail);
    EXPECT_EQ(r.RunTime, RoundHalfEven(circuit));
}

TEST(Schedule, OnlyTheFirst1024StopTimesAreRecorded) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 140 + 1100 * 25, 400, 1100);
    for (int k = 0; k < 1100; ++k)
        map->Objects[ring[k]].SetStopType(1);
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 0, 0, {ring[0], ring[500]});
    TRouteFigures f = ComputeRouteFigures(*map, 0, 0);
    const TRouteRec& r = map->Route(0, 0);
    EXPECT_EQ(f.Stops, 1100);
    EXPECT_EQ(r.StopCount, 1100);
    for (int k = 1; k < 1024; ++k)
        ASSERT_GT(r.StopTimes[k], r.StopTimes[k - 1]);
    EXPECT_GT(r.RunTime, r.StopTimes[1023]);
}

TEST(RouteFigures, TramCountRoundsAndIsAtLeastOne) {
    EXPECT_EQ(TramCountFor(std::int32_t(RoundHalfEven(24 * TicksPerMinute)), 10), 2);
    EXPECT_EQ(TramCountFor(std::int32_t(RoundHalfEven(5 * TicksPerMinute)), 30), 1);
    EXPECT_EQ(TramCountFor(std::int32_t(RoundHalfEven(36 * TicksPerMinute)), 10), 4);
    EXPECT_EQ(TramCountFor(std::int32_t(RoundHalfEven(60 * TicksPerMinute)), 5), 12);
}

TEST(RouteFigures, LengthSpacingTimeAndSpeedOfALoop) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 1100, 600, 4, 200);
    map->Objects[ring[0]].SetStopType(1);
    map->Objects[ring[7]].SetStopType(3);
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 0, 0, {ring[0], ring[6]}, 2, 10);
    TRouteFigures f = ComputeRouteFigures(*map, 0, 0);
    double length = 0;
    for (int r : ring)
        length += Length(map->Objects[r]);
    const TRouteRec& r = map->Route(0, 0);
    EXPECT_TRUE(f.Usable);
    EXPECT_EQ(f.Stops, 2);
    EXPECT_EQ(f.LengthM, RoundHalfEven(length));
    EXPECT_EQ(f.MeanSpacingM, RoundHalfEven(length / 2));
    EXPECT_EQ(f.CircuitMin, RoundHalfEven(r.RunTime / TicksPerMinute));
    EXPECT_EQ(f.MeanSpeedKmh, RoundHalfEven(length / r.RunTime * TicksPerSecond * 3.6));
    EXPECT_EQ(f.Cars, 2);
    EXPECT_EQ(f.IntervalMin, 10);
    EXPECT_EQ(r.TramCount, 1);
    // Without stops there is no spacing to show.
    for (int rail : ring)
        map->Objects[rail].SetStopType(0);
    f = ComputeRouteFigures(*map, 0, 0);
    EXPECT_FALSE(f.MeanSpacingM.has_value());
    EXPECT_EQ(RouteTableCells({0, 0, "1 ", f}, map->Route(0, 0))[3], "-");
}

TEST(RouteFigures, RoutesWithBadCarsOrIntervalAreMeasuredButPlanNoTrams) {
    // Cars 0 or 4 and interval 0 come only from hand-made or damaged files.
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 900, 400, 4);
    map->Objects[ring[2]].SetStopType(1);
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 0, 0, {ring[0], ring[6]}, 2, 10);
    const TRouteFigures sound = ComputeRouteFigures(*map, 0, 0);
    const std::int32_t runTime = map->Route(0, 0).RunTime;
    ASSERT_TRUE(sound.Usable);
    struct TCase {
        std::uint8_t Cars, Interval;
        const char* Reason;
    };
    for (const TCase& c :
         {TCase{0, 10, "неверное число вагонов"}, TCase{4, 10, "неверное число вагонов"},
          TCase{2, 0, "неверный интервал"}}) {
        SetRoute(*map, 0, 0, {ring[0], ring[6]}, c.Cars, c.Interval);
        const TRouteFigures f = ComputeRouteFigures(*map, 0, 0);
        SCOPED_TRACE(c.Reason);
        EXPECT_FALSE(f.Usable);
        EXPECT_TRUE(f.Closes);
        EXPECT_EQ(RouteFaultText(f.Fault), c.Reason);
        EXPECT_EQ(map->Route(0, 0).TramCount, 0);
        EXPECT_EQ(map->Route(0, 0).RunTime, runTime);
        EXPECT_EQ(f.Stops, sound.Stops);
        EXPECT_EQ(f.LengthM, sound.LengthM);
        EXPECT_EQ(RouteTableCells({0, 0, "1 ", f}, map->Route(0, 0)),
                  (std::vector<std::string>{"1 ", "1", std::to_string(sound.LengthM),
                                            std::to_string(*sound.MeanSpacingM),
                                            std::to_string(sound.CircuitMin),
                                            std::to_string(*sound.MeanSpeedKmh), "-", "-"}));
    }
    // A route that does not close keeps its reason and its interval and cars.
    SetRoute(*map, 0, 0, {ring[0], AddObject(*map, Wall, 0, 0, 10, 10)}, 2, 10);
    ASSERT_EQ(map->BuildNetwork(), -1);
    const TRouteFigures open = ComputeRouteFigures(*map, 0, 0);
    EXPECT_EQ(RouteFaultText(open.Fault), "маршрут не замыкается");
    EXPECT_EQ(RouteTableCells({0, 0, "1 ", open}, map->Route(0, 0)),
              (std::vector<std::string>{"1 ", "-", "-", "-", "-", "-", "10", "2"}));
}

TEST(Catchment, WallsCountATenthHighWallsFourTenthsUpTo63) {
    for (auto [highWalls, expected] : {std::pair{100, 41}, std::pair{700, 63}}) {
        auto map = NewMap();
        const int stop = AddRail(*map, 1000, 1000, 1050, 1000, 100, 3);
        map->Objects[stop].SetWaiting(99);
        for (int k = 0; k < 10; ++k)
            AddObject(*map, Wall, 1000, 1100 + k, 1100, 1100 + k);
        for (int k = 0; k < highWalls; ++k)
            AddObject(*map, HighWall, 1040, 900, 1060, 900);
        AddObject(*map, Wall, 1350, 1000, 1350, 1000); // exactly 300 m from the end: outside
        AddObject(*map, Wall, 1349, 1000, 1350, 1000); // midpoint rounds down to 1349: inside
        map->ComputeCatchment();
        EXPECT_EQ(map->Objects[stop].Catchment(), expected) << highWalls;
        EXPECT_EQ(map->Objects[stop].StopType(), 3);
        EXPECT_EQ(map->Objects[stop].Waiting(), 0);
    }
}

// Every wall compared with every stop, summing in index order.
void ReferenceCatchment(TMap& map) {
    for (TMapObject& s : map.Objects) {
        if (!s.IsRail() || !s.IsStop()) continue;
        double w = 0;
        for (const TMapObject& o : map.Objects) {
            if (o.Kind() != Wall && o.Kind() != HighWall) continue;
            const int mx = int(std::floor((o.X1 + o.X2) / 2.0)),
                      my = int(std::floor((o.Y1 + o.Y2) / 2.0));
            if (DistSq(mx, my, s.X2, s.Y2) < 90000) w += o.Kind() == Wall ? 0.1 : 0.4;
        }
        s.SetCatchment(std::uint8_t(RoundHalfEven(std::min(w, 63.0))));
        s.SetWaiting(0);
    }
}

TEST(Catchment, MatchesComparingEveryWallWithEveryStop) {
    TRandom random(99);
    for (int round = 0; round < 60; ++round) {
        auto map = NewMap();
        const int spread = 200 + random.Below(3000);
        const int origin = round % 5 == 0 ? -20000 : random.Below(5000);
        for (int k = 0; k < 400; ++k) {
            const int x = origin + random.Below(spread), y = origin + random.Below(spread);
            const std::uint8_t kind = std::uint8_t(random.Below(5));
            TMapObject o =
                MakeObject(kind, x, y, x + random.Below(41) - 20, y + random.Below(41) - 20);
            if (kind == Rail) o.SetStopType(std::uint8_t(random.Below(4)));
            o.Blue = std::uint8_t(random.Below(256));
            map->Objects.push_back(o);
        }
        auto reference = std::make_unique<TMap>(*map);
        map->ComputeCatchment();
        ReferenceCatchment(*reference);
        ASSERT_EQ(map->Objects, reference->Objects) << "round " << round;
    }
}

TEST(RouteTable, ListsOneCharacterRoutesFirstThenTwoDigitOnes) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300, 2);
    ASSERT_EQ(map->BuildNetwork(), -1);
    SetRoute(*map, 0, 1, {ring[0], ring[4]});  // 10
    SetRoute(*map, 1, 0, {ring[0], ring[4]});  // 2
    SetRoute(*map, 0, 11, {ring[0], ring[4]}); // 1А
    SetRoute(*map, 0, 0, {ring[0], ring[4]});  // 1
    SetRoute(*map, 3, 3, {ring[0]});           // one waypoint: not a route
    TMapSelection s = SelectMap(*map);
    EXPECT_EQ(s.NetworkResult, -1);
    std::vector<std::string> names;
    for (const TRouteTableRow& row : s.Rows)
        names.push_back(row.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"1 ", "1А", "2 ", "10"}));
    EXPECT_EQ(s.TotalTrams, 4);
    EXPECT_EQ(map->ViewX, -1000);
    EXPECT_EQ(RouteTableHeaders().size(), 8u);
    EXPECT_EQ(RouteTableHeaders()[6], "Интервал (мин)");
}

TEST(RouteTable, FaultyNetworkListsNothingAndLaysNothing) {
    auto map = NewMap();
    const int lone = AddRail(*map, 100, 100, 200, 100);
    SetRoute(*map, 0, 0, {lone, lone});
    TMapSelection s = SelectMap(*map);
    EXPECT_EQ(s.NetworkResult, lone);
    EXPECT_TRUE(s.Rows.empty());
    EXPECT_FALSE(map->NetworkOk);
    map->LayRoute(0, 0);
    EXPECT_FALSE(map->Route(0, 0).Usable);
    EXPECT_TRUE(map->Objects[lone].Selected()); // the error mark stays
}

TEST(RouteTable, EmptyMapSelectsWithoutRows) {
    auto map = NewMap();
    TMapSelection s = SelectMap(*map);
    EXPECT_EQ(s.NetworkResult, -1);
    EXPECT_TRUE(s.Rows.empty());
    EXPECT_EQ(s.TotalTrams, 0);
}

} // namespace
} // namespace vell::test
