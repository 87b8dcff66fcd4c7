// The tram step on small maps: entering at the route start, following, switches, crossings,
// KeepClear rails and the autopilot's controller.
#include "sim/Speed.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vell::test {
namespace {

bool Holds(const TVell& tram, int object) {
    const std::vector<int> marks = tram.MarkedObjects();
    return std::find(marks.begin(), marks.end(), object) != marks.end();
}

TEST(Driving, ASecondTramWaitsAtTheStartUntilTheFirstHasClearedIt) {
    TRingMap ring = RingMap();
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 2, 5);
    TSimulation sim(std::move(ring.Map));
    TRouteRec& route = sim.Map->Route(0, 0);
    route.TramCount = 2;
    route.NextDispatch = 0;
    sim.World->WorldStep();
    route.NextDispatch = 0; // the second leaves right behind the first
    sim.World->WorldStep();
    ASSERT_EQ(sim.World->VellCount, 2);
    TVell &first = sim.TramNumber(1), &second = sim.TramNumber(2);
    ASSERT_TRUE(first.Active);

    long long waited = 0;
    while (!second.Active && waited < 20000) {
        EXPECT_TRUE(second.MarkedObjects().empty()); // a waiting tram holds no marks
        EXPECT_TRUE(OccupancyConsistent(*sim.World));
        sim.World->WorldStep();
        ++waited;
    }
    ASSERT_TRUE(second.Active);
    EXPECT_GT(waited, 50);
    // It entered once the first had taken its marks off the start rail (and the rail before).
    EXPECT_FALSE(Holds(first, sim.Map->Route(0, 0).Waypoints[0]));
    EXPECT_NE(first.Rear[1].Obj, second.Front[0].Obj);
    EXPECT_EQ(route.TramsInService, 2);
    EXPECT_TRUE(OccupancyConsistent(*sim.World));
    EXPECT_TRUE(ActiveTramsApart(*sim.World));
}

TEST(Driving, APlayerStandingOnARouteStartIsNoObstacleToItsWaitingTrams) {
    TRingMap ring = RingMap();
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 2, 5);
    TSimulation sim(std::move(ring.Map));
    TRouteRec& route = sim.Map->Route(0, 0);
    route.TramCount = 4;
    route.NextDispatch = 0;
    sim.World->WorldStep();
    TVell& player = sim.TramNumber(1);
    ASSERT_TRUE(player.Active);
    player.AutoDrive = false;
    player.ManualCommand = -1; // stands where it entered, over the start rail
    sim.World->PlayerTram = &player;
    for (int dispatch = 0; dispatch < 3; ++dispatch) {
        route.NextDispatch = 0;
        for (int s = 0; s < 200; ++s) {
            sim.World->WorldStep();
            ASSERT_FALSE(player.Accident) << "dispatch " << dispatch << ", step " << s;
        }
    }
    ASSERT_EQ(sim.World->VellCount, 4);
    EXPECT_EQ(route.TramsInService, 1); // the others wait for the track to clear
    player.ManualCommand = 0.5;
    const long long entered = sim.StepUntil(
        [&] {
            EXPECT_FALSE(player.Accident);
            return sim.TramNumber(2).Active;
        },
        20000);
    EXPECT_GT(entered, 0);
    EXPECT_NE(player.Front[0].Obj, ring.Rails[0]);
    EXPECT_TRUE(ActiveTramsApart(*sim.World));
}

TEST(Driving, TramsOfOneRouteFollowEachOtherWithoutCollision) {
    TRingMap ring = RingMap();
    for (int stop : {3, 7})
        ring.Map->Objects[ring.Rails[stop]].SetStopType(3);
    ring.Map->Objects[ring.Rails[RingBottom]].SetStopType(1);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
    TSimulation sim(std::move(ring.Map), 3);
    TRouteRec& route = sim.Map->Route(0, 0);
    route.TramCount = 6;
    route.NextDispatch = 0;
    double closest = 1e300;
    // Each tram leaves as soon as the one before it has entered: headways as short as the
    // track allows.
    for (long long s = 0; s < 20 * TicksPerMinute; ++s) {
        if (route.TramsInService == route.TramsStarted && route.NextDispatch > 0)
            route.NextDispatch = 0;
        sim.World->WorldStep();
        double stepClosest = 0;
        ASSERT_TRUE(ActiveTramsApart(*sim.World, &stepClosest)) << "step " << s;
        closest = std::min(closest, stepClosest);
        if (s % 500 == 0) {
            ASSERT_TRUE(OccupancyConsistent(*sim.World)) << "step " << s;
        }
    }
    EXPECT_EQ(route.TramsInService, 6);
    EXPECT_GT(closest, 5.76);
    for (int k = 0; k < sim.World->VellCount; ++k) {
        const TVell& t = sim.Tram(k);
        EXPECT_TRUE(t.OnRoute);
        EXPECT_GT(t.Clock, 0);
        EXPECT_FALSE(t.Accident);
    }
}

// The bypass map's route runs along the main line: at the end of top rail 2 it keeps right.
struct TBypassRun {
    explicit TBypassRun(bool stop) : Layout(BypassMap(stop)) {
        SetRoute(*Layout.Map, 0, 0, {Layout.Rails[0], Layout.Rails[RingBottom]}, 1, 30);
        Sim = std::make_unique<TSimulation>(std::move(Layout.Map));
        Sim->Map->Route(0, 0).NextDispatch = 0;
        Sim->World->WorldStep();
    }
    TVell& Tram() { return Sim->Tram(0); }
    int SwitchRail() const { return Layout.Rails[2]; }
    TBypassMap Layout;
    std::unique_ptr<TSimulation> Sim;
};

TEST(Driving, TheBypassMapHasALeftBranchOffTheRoute) {
    TBypassRun run(true);
    const TLinkRec& link = *run.Sim->Map->Link(run.SwitchRail());
    EXPECT_EQ(link.Next[0], run.Layout.Bypass[0]);
    EXPECT_EQ(link.Next[1], run.Layout.Rails[3]);
    const TRouteRec& route = run.Sim->Map->Route(0, 0);
    EXPECT_EQ(route.ChoiceCount, 1);
    EXPECT_EQ(route.Choices[0], 1);
    EXPECT_EQ(route.StopCount, 0);
}

TEST(Driving, TheAutopilotCoastsIntoTheRightBranchAndDrawsCurrentForTheLeft) {
    for (bool viaBypass : {false, true}) {
        TBypassMap layout = BypassMap(false);
        if (viaBypass)
            SetRoute(*layout.Map, 0, 0,
                     {layout.Rails[0], layout.Bypass[1], layout.Rails[RingBottom]});
        else
            SetRoute(*layout.Map, 0, 0, {layout.Rails[0], layout.Rails[RingBottom]});
        TSimulation sim(std::move(layout.Map));
        sim.Map->Route(0, 0).NextDispatch = 0;
        const int expected = viaBypass ? layout.Bypass[0] : layout.Rails[3];
        double commandBefore = -2;
        TVell* tram = nullptr;
        const long long steps = sim.StepUntil(
            [&] {
                if (!tram) tram = &sim.Tram(0);
                if (tram->Front[0].Obj == layout.Rails[2]) commandBefore = tram->Command;
                return tram->Front[0].Obj != layout.Rails[2] &&
                       tram->Rear[0].Obj == layout.Rails[2];
            },
            20000);
        ASSERT_GT(steps, 0) << viaBypass;
        EXPECT_EQ(tram->Front[0].Obj, expected) << viaBypass;
        EXPECT_EQ(commandBefore, viaBypass ? 0.1 : 0.0);
        EXPECT_TRUE(tram->OnRoute);
        EXPECT_EQ(sim.World->PlayerTram, nullptr);
    }
}

TEST(Driving, ATrainAtRestAtTheVeryEndOfASwitchRailMovesOffOnItsBranch) {
    // A train stands still a few millimetres before the end of the switch rail, within the
    // last tick's reach where the autopilot sets the branch: whichever branch its route takes
    // there, empty or full, it moves off onto it.
    for (bool viaBypass : {false, true})
        for (int cars : {1, 3})
            for (bool loaded : {false, true})
                for (double gapM : {0.002, 0.005, 0.009}) {
                    SCOPED_TRACE(testing::Message()
                                 << (viaBypass ? "bypass, " : "main line, ") << cars << " cars, "
                                 << (loaded ? "full, " : "empty, ") << gapM << " m");
                    TBypassMap m = BypassMap(false);
                    // Poor track: a full three-car train rolls harder than 0.1 of traction pulls.
                    for (TMapObject& o : m.Map->Objects)
                        o.SetSpeedGrade(20);
                    const int branch = viaBypass ? m.Bypass[0] : m.Rails[3];
                    SetRoute(*m.Map, 0, 0,
                             {m.Rails[0], viaBypass ? m.Bypass[1] : m.Rails[RingBottom]},
                             std::uint8_t(cars), 30);
                    TSimulation sim(std::move(m.Map));
                    sim.Map->Route(0, 0).NextDispatch = 0;
                    sim.World->WorldStep();
                    TVell& t = sim.Tram(0);
                    ASSERT_TRUE(t.Active);
                    ASSERT_EQ(t.Front[0].Obj, m.Rails[0]);
                    // Every point moves on along the route by the same distance.
                    const TRailTable& rails = sim.World->Rails();
                    const double shift = rails[m.Rails[0]].Length - t.Front[0].Dist +
                                         rails[m.Rails[1]].Length + rails[m.Rails[2]].Length - gapM;
                    for (int i = 0; i < t.Cars(); ++i)
                        for (TRailPos* p : {&t.Front[i], &t.Rear[i]}) {
                            p->Dist += shift;
                            t.NormalizePos(*p);
                        }
                    ASSERT_EQ(t.Front[0].Obj, m.Rails[2]);
                    t.Speed = t.PrevSpeed = 0;
                    t.Command = t.PrevCommand = 0;
                    t.Passengers = loaded ? t.Capacity() : 0;
                    ASSERT_LE(gapM, t.MaxAccel);
                    const long long off =
                        sim.StepUntil([&] { return t.Front[0].Obj != m.Rails[2]; }, 2000);
                    EXPECT_GT(off, 0) << "the train stands for good";
                    EXPECT_EQ(t.Front[0].Obj, branch);
                    EXPECT_TRUE(t.OnRoute);
                }
}

TEST(Driving, TakingTheWrongBranchLeavesTheRouteForGood) {
    TBypassRun run(true);
    TVell& t = run.Tram();
    t.AutoDrive = false;
    t.ManualCommand = 0.5; // drawing current: the left branch
    ASSERT_GT(run.Sim->StepUntil([&] { return t.Front[0].Obj == run.Layout.Bypass[0]; }, 20000), 0);
    EXPECT_FALSE(t.OnRoute);
    EXPECT_EQ(run.Sim->World->PlayerTram, &t);
    EXPECT_TRUE(OccupancyConsistent(*run.Sim->World));

    // Off its route it marks only what lies under it, passes the bypass stop of a route that
    // has no stops, and rejoins the main line still off its route.
    ASSERT_GT(run.Sim->StepUntil([&] { return t.Rear[0].Obj == run.Layout.Rails[5]; }, 20000), 0);
    EXPECT_FALSE(t.OnRoute);
    EXPECT_EQ(t.StopIndex, 0);
    std::vector<int> under = t.MarkedObjects();
    EXPECT_LE(under.size(), 2u);
    EXPECT_TRUE(OccupancyConsistent(*run.Sim->World));

    // Given back to the autopilot, it brakes to a standstill and stays there.
    t.AutoDrive = true;
    ASSERT_GT(run.Sim->StepUntil([&] { return t.Speed == 0; }, 5000), 0);
    const TRailPos stopped = t.Front[0];
    run.Sim->StepUntil([] { return false; }, 500);
    EXPECT_EQ(t.Front[0], stopped);
    EXPECT_EQ(t.Command, -1);
}

TEST(Driving, BrakingHardAbove10KmhDrawsCurrentAtASwitch) {
    for (double kmh : {8.0, 20.0}) {
        TBypassRun run(false);
        TVell& t = run.Tram();
        t.AutoDrive = false;
        t.ManualCommand = -1;
        TRailPos before = t.Front[0];
        ASSERT_GT(run.Sim->StepUntil(
                      [&] {
                          if (t.Front[0].Obj == run.SwitchRail()) before = t.Front[0];
                          t.Speed = KmhToMpt(kmh); // held by hand
                          return before.Obj == run.SwitchRail() &&
                                 t.Front[0].Obj != run.SwitchRail();
                      },
                      50000),
                  0);
        const bool current = kmh > 10;
        EXPECT_EQ(t.Front[0].Obj, current ? run.Layout.Bypass[0] : run.Layout.Rails[3]) << kmh;
        EXPECT_EQ(t.OnRoute, !current) << kmh;
    }
}

TEST(Driving, CrossingARailAbove30KmhIsAnAccident) {
    for (double kmh : {30.0, 31.0}) {
        TCrossingMap layout = CrossingMap();
        SetRoute(*layout.Map, 0, 0, {layout.Rails[0], layout.Rails[RingBottom]}, 2, 30);
        TSimulation sim(std::move(layout.Map));
        sim.Map->Route(0, 0).NextDispatch = 0;
        sim.World->WorldStep();
        TVell& t = sim.Tram(0);
        t.AutoDrive = false;
        t.ManualCommand = 0;
        int accidentTicks = 0;
        double jolt = 0;
        ASSERT_GT(sim.StepUntil(
                      [&] {
                          // Only around the crossing: a point leaving the very start of a rail
                          // touches the rail before it too.
                          if (t.Front[0].Obj == layout.Rails[3] || t.Rear[1].Obj == layout.Rails[3])
                              accidentTicks += t.Accident;
                          jolt = std::max(jolt, std::fabs(t.CarState[0].YawRate));
                          t.Speed = KmhToMpt(kmh);
                          return t.Rear[1].Obj == layout.Rails[4];
                      },
                      5000),
                  0);
        // Each car point meets the crossing rail once; every meeting jolts the car.
        if (kmh > 30)
            EXPECT_EQ(accidentTicks, 4);
        else
            EXPECT_EQ(accidentTicks, 0);
        EXPECT_GT(jolt, 0);
    }
}

TEST(Driving, AKeepClearStopIsNeverTheEndOfAReservation) {
    TRingMap ring = RingMap();
    TMapObject& keep = ring.Map->Objects[ring.Rails[5]];
    keep.SetKeepClear(true);
    keep.SetStopType(1);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]});
    TSimulation sim(std::move(ring.Map));
    sim.Map->Route(0, 0).NextDispatch = 0;
    sim.World->WorldStep();
    TVell& t = sim.Tram(0);
    ++sim.World->Occupancy[ring.Rails[6]]; // something stands beyond the KeepClear rail
    sim.StepUntil(
        [&] {
            EXPECT_NE(t.ReservedFront.Obj, ring.Rails[5]);
            EXPECT_NE(t.Front[0].Obj, ring.Rails[5]);
            return false;
        },
        3000);
    EXPECT_EQ(t.Speed, 0);
    EXPECT_EQ(t.Front[0].Obj, ring.Rails[4]);

    --sim.World->Occupancy[ring.Rails[6]]; // cleared: the tram goes on and serves the stop
    ASSERT_GT(sim.StepUntil([&] { return t.Front[0].Obj == ring.Rails[6]; }, 5000), 0);
    EXPECT_TRUE(t.RulesKept);
    EXPECT_TRUE(OccupancyConsistent(*sim.World));
}

TEST(Driving, TheAutopilotBrakesAtTheLimitAndKeepsItsCommandInTheBand) {
    TRingMap ring = RingMap();
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1);
    TSimulation sim(std::move(ring.Map));
    sim.Map->Route(0, 0).NextDispatch = 0;
    sim.World->WorldStep();
    TVell& t = sim.Tram(0);
    const double limit = KmhToMpt(36);
    auto command = [&](double speed, double previous, std::int8_t state = 0) {
        t.Speed = speed;
        t.AllowedSpeed = limit;
        t.PrevCommand = previous;
        t.ScheduleState = state;
        t.UpdateControl();
        return t.Command;
    };
    EXPECT_EQ(command(limit, 0.3), -0.7);               // at the limit: brake
    EXPECT_EQ(command(0.5 * limit, 0), 0.7);            // below 80 %: power
    EXPECT_EQ(command(limit - t.MaxAccel / 2, 0.3), 0); // just under: coast
    EXPECT_EQ(command(0.9 * limit, 0.42), 0.42);        // in the band: as before
    t.FullPower = true;
    EXPECT_EQ(command(0.5 * limit, 0, 2), 1.0); // well late: full power...
    t.FullPower = false;
    EXPECT_EQ(command(0.5 * limit, 0, 2), 0.7); // ...held at 0.7 when weak
    t.DoorOpening = 0.2;
    EXPECT_EQ(command(0.5 * limit, 0), -0.7); // doors open: brake
    t.DoorOpening = 0;
    t.OnRoute = false;
    EXPECT_EQ(command(0.5 * limit, 0.3), -1); // off its route: full brake
}

} // namespace
} // namespace vell::test
