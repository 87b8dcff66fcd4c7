// The rail network: successors, left and right at switches, near rails, the soundness rules,
// the grid-based build against the all-pairs reference, and rail speed limits and times.
#include "model/Geometry.h"
#include "model/Network.h"
#include "model/Random.h"
#include "model/Units.h"
#include "tests/support/GeneratedCity.h"
#include "tests/support/NetworkReference.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

bool IsFaulty(const std::vector<TRailFault>& faults, int rail, unsigned rule) {
    for (const TRailFault& f : faults)
        if (f.Index == rail) return f.Rules & rule;
    return false;
}

TEST(Network, ClosedLoopLinksEachRailToTheNextAndItsPredecessorAsNear) {
    auto map = NewMap();
    AddObject(*map, Wall, 150, 150, 250, 150);
    std::vector<int> loop = AddRing(*map, 100, 100, 300, 200);
    const std::size_t n = loop.size();
    EXPECT_EQ(map->BuildNetwork(), -1);
    EXPECT_TRUE(map->NetworkOk);
    EXPECT_EQ(map->Link(0), nullptr); // the wall has no links
    for (std::size_t k = 0; k < n; ++k) {
        const TLinkRec* link = map->Link(loop[k]);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->Next[0], loop[(k + 1) % n]);
        EXPECT_EQ(link->Next[1], loop[(k + 1) % n]);
        EXPECT_EQ(link->Near[0], loop[(k + n - 1) % n]);
        EXPECT_EQ(link->Near[1], NoObject);
    }
}

// A rail from (0,100) to (100,100) heading east, and two rails leaving its end: one bending
// up the plan (left of the tram) and one bending down (right).
TEST(Network, SwitchBranchesAreLeftThenRightWhateverTheIndexOrder) {
    for (bool rightFirst : {false, true}) {
        auto map = NewMap();
        const int in = AddRail(*map, 0, 100, 100, 100);
        int left = -1, right = -1;
        if (rightFirst) right = AddRail(*map, 100, 100, 200, 150);
        left = AddRail(*map, 100, 100, 200, 50);
        if (!rightFirst) right = AddRail(*map, 100, 100, 200, 150);
        map->BuildNetwork();
        EXPECT_EQ(map->Link(in)->Next[0], left) << rightFirst;
        EXPECT_EQ(map->Link(in)->Next[1], right) << rightFirst;
        EXPECT_TRUE(map->Link(in)->IsSwitch());
    }
}

TEST(Network, ExactTieMakesTheLaterRailTheRightBranch) {
    auto map = NewMap();
    const int in = AddRail(*map, 0, 100, 100, 100);
    const int a = AddRail(*map, 100, 100, 200, 100);
    const int b = AddRail(*map, 100, 100, 150, 100); // same direction: cross product 0
    map->BuildNetwork();
    EXPECT_EQ(map->Link(in)->Next[0], a);
    EXPECT_EQ(map->Link(in)->Next[1], b);
}

TEST(Network, RailPointingBackIsNearButNoSuccessor) {
    auto map = NewMap();
    const int in = AddRail(*map, 0, 100, 100, 100);
    const int back = AddRail(*map, 100, 100, 50, 110);  // dot < 0
    const int square = AddRail(*map, 100, 100, 100, 0); // dot = 0
    EXPECT_EQ(map->BuildNetwork(), square); // the last faulty rail: every one is a dead end
    EXPECT_FALSE(map->NetworkOk);
    const TLinkRec* link = map->Link(in);
    EXPECT_EQ(link->Next[0], NoObject);
    EXPECT_EQ(link->Near[0], back);
    EXPECT_EQ(link->Near[1], square);
    for (int i : {in, back, square})
        EXPECT_TRUE(map->Objects[i].Selected());
}

TEST(Network, StopShorterThan25MetresIsAFault) {
    for (auto [length, faulty] : {std::pair{24, true}, std::pair{25, false}}) {
        auto map = NewMap();
        std::vector<int> loop = AddRing(*map, 100, 100, 140 + length, 200);
        ASSERT_EQ(Length(map->Objects[loop[0]]), length);
        map->Objects[loop[0]].SetStopType(1);
        EXPECT_EQ(map->BuildNetwork(), faulty ? loop[0] : -1) << length;
        EXPECT_EQ(map->Objects[loop[0]].Selected(), faulty);
    }
}

TEST(Network, ThirdSuccessorAndSeventhNearRailAreFaults) {
    auto map = NewMap();
    const int in = AddRail(*map, 0, 500, 100, 500);
    for (int dy : {-50, 0, 50})
        AddRail(*map, 100, 500, 200, 500 + dy);
    std::vector<TRailFault> faults;
    BuildNetwork(*map, &faults);
    ASSERT_FALSE(faults.empty());
    EXPECT_EQ(faults[0].Index, in);
    EXPECT_EQ(faults[0].Rules, unsigned(TooManySuccessors));
}

// Rails fanning out backwards from the start of a ring's top rail all touch it: its
// predecessor and five of them make six near rails, six make seven.
TEST(Network, SixNearRailsAreAllowedSevenAreNot) {
    for (int fan : {5, 6}) {
        auto map = NewMap();
        std::vector<int> ring = AddRing(*map, 100, 100, 400, 300);
        for (int k = 0; k < fan; ++k)
            AddRail(*map, 120, 100, 70, 80 - 15 * k);
        std::vector<TRailFault> faults;
        BuildNetwork(*map, &faults);
        EXPECT_EQ(IsFaulty(faults, ring[0], TooManyNear), fan == 6) << fan;
        EXPECT_EQ(map->Objects[ring[0]].Selected(), fan == 6);
        EXPECT_NE(map->Link(ring[0])->Near[5], NoObject);
    }
}

TEST(Network, CrossingRailsAreNear) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300);
    std::vector<int> small = AddRing(*map, 300, 50, 340, 150, 1, 100, 10);
    EXPECT_EQ(map->BuildNetwork(), -1);
    // The small ring's two verticals cross the big ring's top rail.
    const TLinkRec* link = map->Link(ring[0]);
    EXPECT_EQ(link->Near[0], ring.back());
    EXPECT_EQ(link->Near[1], small[2]);
    EXPECT_EQ(link->Near[2], small[6]);
}

TEST(Network, EmptyMapAndMapWithoutRailsAreSound) {
    auto map = NewMap();
    EXPECT_EQ(map->BuildNetwork(), -1);
    EXPECT_TRUE(map->NetworkOk);
    AddObject(*map, Wall, 10, 10, 20, 20);
    EXPECT_EQ(map->BuildNetwork(), -1);
    map->FreeNetwork();
    EXPECT_FALSE(map->NetworkOk);
    EXPECT_EQ(map->Link(0), nullptr);
}

// Random maps built on a coarse lattice, so that ends meet starts, rails cross, merge, branch
// three ways and crowd within 4 m far more often than on a real map.
std::unique_ptr<TMap> RandomMap(TRandom& random, int objects, int spread, int step, int origin) {
    auto map = NewMap();
    auto coord = [&] { return origin + random.Below(spread / step + 1) * step; };
    for (int k = 0; k < objects; ++k) {
        const int x1 = coord(), y1 = coord();
        int x2 = coord(), y2 = coord();
        if (random.Below(4) == 0) { // a long rail through many grid cells
            x2 = origin + random.Below(spread * 8);
            y2 = origin + random.Below(spread * 8);
        }
        std::uint8_t kind =
            random.Below(5) == 0 ? std::uint8_t(random.Below(10)) : std::uint8_t(Rail);
        TMapObject o = MakeObject(kind, x1, y1, x2, y2);
        if (kind == Rail)
            o.SetStopType(std::uint8_t(random.Below(4) == 0 ? 1 + random.Below(3) : 0));
        o.SetSelected(random.Below(3) == 0); // stale marks must be cleared by the build
        map->Objects.push_back(o);
    }
    return map;
}

TEST(Network, GridBuildMatchesTheAllPairsReferenceOnRandomMaps) {
    TRandom random(20261207);
    int maps = 0;
    for (int round = 0; round < 600; ++round) {
        const int objects = 5 + random.Below(250);
        const int step = 1 + random.Below(25);
        const int spread = 20 + random.Below(400);
        const int origin = round % 7 == 0 ? -32000 + random.Below(100) : random.Below(9000);
        auto fast = RandomMap(random, objects, spread, step, origin);
        auto slow = std::make_unique<TMap>(*fast);
        const int fastResult = fast->BuildNetwork();
        const int slowResult = ReferenceBuildNetwork(*slow);
        ASSERT_EQ(fastResult, slowResult) << "map " << round;
        ASSERT_EQ(fast->Links, slow->Links) << "map " << round;
        ASSERT_EQ(fast->Objects, slow->Objects) << "marks differ on map " << round;
        ASSERT_EQ(fast->NetworkOk, slow->NetworkOk);
        ++maps;
    }
    EXPECT_EQ(maps, 600);
}

TEST(Network, GridBuildMatchesTheReferenceOnAGeneratedCity) {
    TCityPlan plan;
    plan.Loops = 6;
    plan.LoopWidth = 1500;
    auto fast = GenerateCity(plan);
    auto slow = std::make_unique<TMap>(*fast);
    EXPECT_EQ(fast->BuildNetwork(), -1);
    EXPECT_EQ(ReferenceBuildNetwork(*slow), -1);
    EXPECT_EQ(fast->Links, slow->Links);
}

TEST(SpeedLimit, StraightRailsKeepTheirBaseSpeed) {
    for (auto [grade, limit] : {std::pair{0, 15.0}, std::pair{255, 91.5}, std::pair{100, 45.0}}) {
        auto map = NewMap();
        AddRing(*map, 100, 100, 1100, 300, 2, std::uint8_t(grade));
        ASSERT_EQ(map->BuildNetwork(), -1);
        EXPECT_NEAR(SpeedLimit(*map, 0), limit, 1e-9) << grade;
    }
}

// Rails in line but off the axes: their cosine comes out a hair above 1 in floating point, which
// made the limit, the running time and the circuit time not numbers (a route of 0 minutes).
TEST(SpeedLimit, RailsInLineOffTheAxesKeepTheirBaseSpeed) {
    auto map = NewMap();
    // An octagon whose first side is two rails in line, (10, 12) then (15, 18): their cosine
    // computes as 1.0000000000000002.
    const int points[][2] = {{100, 100}, {110, 112}, {125, 130}, {400, 130}, {440, 90},
                             {440, 40},  {400, 0},   {160, 0},   {100, 60}};
    for (int k = 0; k < 9; ++k)
        AddRail(*map, points[k][0], points[k][1], points[(k + 1) % 9][0], points[(k + 1) % 9][1],
                100);
    const int first = 0;
    ASSERT_EQ(map->BuildNetwork(), -1);
    EXPECT_DOUBLE_EQ(SpeedLimit(*map, first), 45.0);
    EXPECT_TRUE(std::isfinite(SegmentTime(*map, first)));
    EXPECT_GT(SegmentTime(*map, first), 0);
}

TEST(SpeedLimit, SwitchesAndJunctionsAreCappedAt30) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 1100, 300, 2, 255);
    // A branch leaving the end of rail 0 almost straight and rejoining at the end of rail 1.
    AddRail(*map, 600, 100, 980, 102, 255);
    AddRail(*map, 980, 102, 1080, 100, 255);
    ASSERT_EQ(map->BuildNetwork(), -1);
    ASSERT_TRUE(map->Link(ring[0])->IsSwitch());
    EXPECT_DOUBLE_EQ(SpeedLimit(*map, ring[0]), 30.0);

    auto crossing = NewMap();
    AddRing(*crossing, 100, 100, 1100, 300, 2, 255);
    AddRing(*crossing, 300, 50, 340, 150, 1, 100, 10);
    ASSERT_EQ(crossing->BuildNetwork(), -1);
    ASSERT_NE(crossing->Link(0)->Near[1], NoObject);
    EXPECT_DOUBLE_EQ(SpeedLimit(*crossing, 0), 30.0);
}

TEST(SpeedLimit, BendsSlowDownToTheirCurveLimit) {
    auto map = NewMap();
    AddRing(*map, 100, 100, 1100, 300, 1, 255); // rail 0 turns 45 degrees into the next
    ASSERT_EQ(map->BuildNetwork(), -1);
    EXPECT_NEAR(SpeedLimit(*map, 0), 3.6 / std::sqrt(0.05 * std::tan(M_PI / 8)), 1e-9);
    auto slow = NewMap();
    AddRing(*slow, 100, 100, 1100, 300, 1, 0); // too slow a rail to be slowed further
    ASSERT_EQ(slow->BuildNetwork(), -1);
    EXPECT_DOUBLE_EQ(SpeedLimit(*slow, 0), 15.0);
}

TEST(SegmentTime, RunsAt60PercentOfTheLimitAtMost30AndAddsTheDwell) {
    auto map = NewMap();
    // Grade 117: a base of 50.1 km/h on a straight rail of 100 m.
    std::vector<int> ring = AddRing(*map, 100, 100, 340, 300, 2, 117);
    ASSERT_EQ(Length(map->Objects[ring[0]]), 100);
    ASSERT_EQ(map->BuildNetwork(), -1);
    const int rail = ring[0];
    EXPECT_NEAR(SegmentTime(*map, rail), 12 * TicksPerSecond, 1e-9); // 218.48 ticks
    map->Objects[rail].SetStopType(3);
    EXPECT_NEAR(SegmentTime(*map, rail), 62 * TicksPerSecond, 1e-9);
    map->Objects[rail].SetStopType(2);
    EXPECT_NEAR(SegmentTime(*map, rail), 32 * TicksPerSecond, 1e-9);
    map->Objects[rail].SetStopType(1);
    EXPECT_NEAR(SegmentTime(*map, rail), 12 * TicksPerSecond, 1e-9);
    map->Objects[rail].SetSpeedGrade(0); // 15 km/h: 9 km/h scheduled
    map->Objects[rail].SetStopType(0);
    EXPECT_NEAR(SegmentTime(*map, rail), 100 / 9.0 * 3.6 * TicksPerSecond, 1e-9);
}

} // namespace
} // namespace vell::test
