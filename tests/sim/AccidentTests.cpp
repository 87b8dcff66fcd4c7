// What ended a drive: each of the four causes of an accident provoked on a small map, and the
// figures the tram records with it for the cab's message.
#include "sim/Speed.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vell::test {
namespace {

// Route 1 round the ring, its first tram driven by hand at a speed held by the test, until an
// accident (or `limit` steps); the tram keeps its record as the accident left it. The tram
// holds 20 km/h until its lead point reaches the third rail: a point that starts exactly at a
// rail's start sweeps over the rail before it, which faster than 30 km/h is a crossing.
struct THeldSpeedRun {
    THeldSpeedRun(std::unique_ptr<TMap> map, const std::vector<int>& ring, double kmh,
                  long long limit = 5000) {
        SetRoute(*map, 0, 0, {ring[0], ring[RingBottom]}, 1, 30);
        Sim = std::make_unique<TSimulation>(std::move(map));
        Sim->Map->Route(0, 0).NextDispatch = 0;
        Sim->World->WorldStep();
        TVell& t = Sim->Tram(0);
        t.AutoDrive = false;
        t.ManualCommand = 0;
        bool held = false;
        Steps = Sim->StepUntil(
            [&] {
                // The record is there exactly while the flag is.
                EXPECT_EQ(t.Accident, t.Crash.Cause != TAccidentCause::None);
                if (t.Accident) return true;
                held = held || t.Front[0].Obj == ring[2];
                t.Speed = KmhToMpt(held ? kmh : std::min(kmh, 20.0));
                return false;
            },
            limit);
    }
    TVell& Tram() { return Sim->Tram(0); }
    std::unique_ptr<TSimulation> Sim;
    long long Steps = -1;
};

TEST(Accident, EachCauseIsRecordedWithItsFigures) {
    // Held at 31 km/h, the ring's top derails where a second ring crosses it. Grade 10 allows
    // 10 x 0.3 + 15 = 18 km/h: 20 km/h derails on the first rail. The ring's corners bend
    // by 45 degrees: a car over such a joint overturns above
    // 3.6 / sqrt(0.05 sqrt((1 - c) / (1 + c))) = 25.0 km/h, so at 28 km/h (below the crossing
    // and grade limits) it overturns at the first corner.
    const struct {
        TAccidentCause Cause;
        double Kmh, LimitKmh;
        int Grade, Rail; // the rail under the lead point at the accident
    } cases[] = {{TAccidentCause::Crossing, 31, 30, 0, 3},
                 {TAccidentCause::Overspeed, 20, 18, 10, 0},
                 {TAccidentCause::Overturn, 28, 25.0, 0, RingTopPieces}};
    for (const auto& c : cases) {
        TCrossingMap crossing = CrossingMap();
        TRingMap ring = RingMap(c.Grade ? std::uint8_t(c.Grade) : 100);
        const bool crossed = c.Cause == TAccidentCause::Crossing;
        const std::vector<int> rails = crossed ? crossing.Rails : ring.Rails;
        THeldSpeedRun run(std::move(crossed ? crossing.Map : ring.Map), rails, c.Kmh);
        ASSERT_GT(run.Steps, 0) << c.Kmh;
        const TCrash& crash = run.Tram().Crash;
        EXPECT_EQ(crash.Cause, c.Cause) << c.Kmh;
        EXPECT_EQ(run.Tram().Front[0].Obj, rails[c.Rail]) << c.Kmh;
        EXPECT_EQ(crash.SpeedGrade, c.Grade);
        EXPECT_NEAR(MptToKmh(crash.Speed), c.Kmh, 1e-9);
        EXPECT_NEAR(MptToKmh(crash.Limit), c.LimitKmh, 0.05);
    }
}

TEST(Accident, ACollisionNamesTheOtherTramAndItsRoute) {
    TRingMap ring = RingMap();
    // Route 1А's tram goes ahead and stands; route 1's tram, driven by hand, runs into it.
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 30);
    SetRoute(*ring.Map, 0, 11, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 30);
    TSimulation sim(std::move(ring.Map));
    TRouteRec &first = sim.Map->Route(0, 0), &second = sim.Map->Route(0, 11);
    first.NextDispatch = 1000000;
    second.NextDispatch = 0;
    sim.World->WorldStep();
    TVell& ahead = sim.TramNumber(1);
    ahead.AutoDrive = false;
    ahead.ManualCommand = 0.5;
    ASSERT_GT(sim.StepUntil([&] { return ahead.Front[0].Obj == ring.Rails[4]; }, 5000), 0);
    ahead.ManualCommand = -1;
    ASSERT_GT(sim.StepUntil([&] { return ahead.Speed == 0; }, 5000), 0);

    first.NextDispatch = 0;
    sim.World->WorldStep();
    TVell& player = sim.TramNumber(2);
    ASSERT_TRUE(player.Active);
    player.AutoDrive = false;
    player.ManualCommand = 0.3;
    ASSERT_GT(sim.StepUntil([&] { return player.Accident; }, 20000), 0);
    EXPECT_EQ(player.Crash.Cause, TAccidentCause::Collision);
    EXPECT_EQ(player.Crash.OtherNumber, 1);
    EXPECT_EQ(player.Crash.OtherRouteRow, 0);
    EXPECT_EQ(player.Crash.OtherRouteCol, 11); // 1А
    EXPECT_GT(player.Crash.Speed, 0);
}

} // namespace
} // namespace vell::test
