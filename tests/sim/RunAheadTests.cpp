// Running the world ahead of a view (the game drives the same loop step by step): it ends
// when it has succeeded or can no longer succeed.
#include "sim/RunAhead.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/GeneratedCity.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

std::unique_ptr<TMap> City() {
    TCityPlan plan;
    plan.Loops = 3;
    plan.LoopWidth = 1200;
    plan.Routes = 5;
    return GenerateCity(plan);
}

TEST(RunAhead, PreRunDispatchesEveryPlannedTram) {
    TSimulation sim(City(), 9);
    ASSERT_GT(sim.Selection.TotalTrams, 3);
    std::vector<int> counts;
    EXPECT_EQ(PreRun(*sim.World, sim.Selection.TotalTrams, [&](int n) { counts.push_back(n); }),
              TRunAhead::Ready);
    EXPECT_EQ(sim.World->VellCount, sim.Selection.TotalTrams);
    ASSERT_FALSE(counts.empty());
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), sim.Selection.TotalTrams);
}

TEST(RunAhead, WaitForTramStopsAtTheRoutesFirstTramInService) {
    TSimulation sim(City(), 9);
    const TRouteTableRow& row = sim.Selection.Rows.back();
    EXPECT_EQ(WaitForTram(*sim.World, row.Row, row.Column), TRunAhead::Ready);
    EXPECT_EQ(sim.Map->Route(row.Row, row.Column).TramsInService, 1);
    TVell* player = FindPlayerTram(*sim.World, row.Row, row.Column);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(sim.World->PlayerTram, player);
    EXPECT_EQ(player->RouteRow, row.Row);
    EXPECT_EQ(player->RouteCol, row.Column);
    for (int k = 0; k < sim.World->VellCount && &sim.Tram(k) != player; ++k)
        EXPECT_FALSE(sim.Tram(k).RouteRow == row.Row && sim.Tram(k).RouteCol == row.Column);
    EXPECT_EQ(FindPlayerTram(*sim.World, 8, 12), nullptr); // a slot without trams
    EXPECT_EQ(sim.World->PlayerTram, nullptr);
}

TEST(RunAhead, NothingToWaitFor) {
    TRingMap ring = RingMap();
    const int wall = AddObject(*ring.Map, Wall, 0, 0, 10, 10);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]});
    SetRoute(*ring.Map, 1, 0, {ring.Rails[0], wall});
    SetRoute(*ring.Map, 2, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 7);
    auto unselected = std::make_unique<TMap>(*ring.Map);
    TSimulation sim(std::move(ring.Map));

    EXPECT_EQ(WaitForTram(*sim.World, 5, 5), TRunAhead::NoRoute);   // an empty slot
    EXPECT_EQ(WaitForTram(*sim.World, 9, 0), TRunAhead::NoRoute);   // no such slot
    EXPECT_EQ(WaitForTram(*sim.World, 1, 0), TRunAhead::RouteIdle); // its walk cannot close
    EXPECT_EQ(WaitForTram(*sim.World, 2, 0), TRunAhead::RouteIdle); // seven cars
    // Routes 2 and 3 plan no trams, so running every planned tram ahead does not wait for them.
    EXPECT_EQ(sim.Map->Route(2, 0).TramCount, 0);
    EXPECT_EQ(sim.Selection.TotalTrams, sim.Map->Route(0, 0).TramCount);
    EXPECT_EQ(PreRun(*sim.World, sim.Selection.TotalTrams), TRunAhead::Ready);
    EXPECT_EQ(sim.World->VellCount, sim.Map->Route(0, 0).TramCount);

    // A map that was loaded but never selected has no network and nothing laid.
    TRandom random(1);
    TWorld world(*unselected, random);
    EXPECT_EQ(WaitForTram(world, 0, 0), TRunAhead::NoWorld);
    world.StartWorld();
    EXPECT_EQ(WaitForTram(world, 0, 0), TRunAhead::NoNetwork);
    EXPECT_EQ(PreRun(world, 5), TRunAhead::NoNetwork);
}

TEST(RunAhead, MoreTramsThanCountedIsReadyAndTheStepwiseLoopAgrees) {
    // Two routes dispatch in the same step; the count asked for is one.
    auto ready = [](bool stepwise) {
        TRingMap ring = RingMap();
        SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]});
        SetRoute(*ring.Map, 1, 0, {ring.Rails[5], ring.Rails[RingBottom]});
        TSimulation sim(std::move(ring.Map));
        sim.Map->Route(0, 0).NextDispatch = sim.Map->Route(1, 0).NextDispatch = 3;
        if (!stepwise) return std::pair{PreRun(*sim.World, 1), sim.World->VellCount};
        // As the game drives it: one step at a time, the window answering in between.
        TRunAheadLoop loop = TRunAheadLoop::AllTrams(*sim.World, 1);
        std::optional<TRunAhead> outcome = loop.Check();
        while (!outcome)
            outcome = loop.Step();
        EXPECT_EQ(loop.Steps(), 4);
        return std::pair{*outcome, sim.World->VellCount};
    };
    EXPECT_EQ(ready(false), std::pair(TRunAhead::Ready, 2));
    EXPECT_EQ(ready(true), std::pair(TRunAhead::Ready, 2));
}

TEST(RunAhead, ATramThatCanNeverEnterIsGivenUpOn) {
    TRingMap ring = RingMap();
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]});
    TSimulation sim(std::move(ring.Map));
    ++sim.World->Occupancy[ring.Rails[0]]; // something stands on the route start for good
    EXPECT_EQ(WaitForTram(*sim.World, 0, 0), TRunAhead::NeverEntered);
    EXPECT_EQ(sim.Map->Route(0, 0).TramsStarted, 1);
    EXPECT_EQ(sim.Map->Route(0, 0).TramsInService, 0);
}

TEST(RunAhead, AFullTramTableEndsBothLoops) {
    // Every route slot runs many trams from one ring; their countdowns are wound on so that
    // the table of 1024 trams fills within a few steps. Route 1 waits for its first tram.
    TRingMap ring = RingMap();
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            SetRoute(*ring.Map, i, j, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
    TSimulation sim(std::move(ring.Map));
    int planned = 0;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            sim.Map->Route(i, j).TramCount = 10;
            planned += 10;
        }
    TRouteRec& last = sim.Map->Route(0, 0);
    auto windOn = [&](int) {
        for (auto& row : sim.Map->Routes)
            for (TRouteRec& r : row)
                if (&r != &last) r.NextDispatch = 0;
        last.NextDispatch = 1000000;
    };
    windOn(0);
    EXPECT_EQ(PreRun(*sim.World, planned, windOn), TRunAhead::TableFull);
    EXPECT_EQ(sim.World->VellCount, MaxVells);
    EXPECT_EQ(last.TramsStarted, 0);
    EXPECT_EQ(WaitForTram(*sim.World, 0, 0), TRunAhead::TableFull);
}

} // namespace
} // namespace vell::test
