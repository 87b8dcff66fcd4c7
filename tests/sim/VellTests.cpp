// The tram record: placement at the route start, the random parameters and their draw order,
// and the position operations.
#include "sim/Speed.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

// The first tram of route 1 on the ring, dispatched in the first step.
TVell& FirstTram(TSimulation& sim) {
    sim.Map->Route(0, 0).NextDispatch = 0;
    sim.World->WorldStep();
    EXPECT_EQ(sim.World->VellCount, 1);
    return sim.Tram(0);
}

TEST(Vell, ThreeCarsStandForwardFromTheStartOfTheFirstWaypoint) {
    TRingMap ring = RingMap();
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 3);
    TSimulation sim(std::move(ring.Map));
    TVell& t = FirstTram(sim);
    const double front[] = {30.8, 19.2, 7.6}, rear[] = {23.2, 11.6, 0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.Front[i].Obj, ring.Rails[0]);
        EXPECT_NEAR(t.Front[i].Dist, front[i], 1e-9);
        EXPECT_NEAR(t.Rear[i].Dist, rear[i], 1e-9);
    }
    EXPECT_NEAR(t.LookAhead.Dist, 80.8, 1e-9);
    EXPECT_EQ(t.Number, 1);
    EXPECT_EQ(t.Capacity(), 250);
    // The track was free, so it entered in the step that created it.
    EXPECT_TRUE(t.Active);
    EXPECT_EQ(sim.Map->Route(0, 0).TramsStarted, 1);
    EXPECT_EQ(sim.Map->Route(0, 0).TramsInService, 1);
}

TEST(Vell, AShortFirstRailCarriesThePointsOntoTheNextRails) {
    TRingMap ring = RingMap();
    const int corner = ring.Rails.back(); // 28.28 m, into top rail 0
    SetRoute(*ring.Map, 0, 0, {corner, ring.Rails[RingBottom]}, 3);
    TSimulation sim(std::move(ring.Map));
    TVell& t = FirstTram(sim);
    const double length = std::sqrt(800.0);
    EXPECT_EQ(t.Front[0].Obj, ring.Rails[0]);
    EXPECT_NEAR(t.Front[0].Dist, 30.8 - length, 1e-9);
    EXPECT_EQ(t.Rear[0].Obj, corner);
    EXPECT_NEAR(t.Rear[0].Dist, 23.2, 1e-9);
    EXPECT_EQ(t.Rear[2].Obj, corner);
    EXPECT_NEAR(t.LookAhead.Dist, 80.8 - length, 1e-9);
}

TEST(Vell, ParametersSpreadWithTheLoadFactor) {
    // Two cars every ten minutes: L = 1, so positive values get 1.0..1.2 times their base and
    // negative ones 0.8..1.0 times.
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        TRingMap ring = RingMap();
        SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 2, 10);
        TSimulation sim(std::move(ring.Map), seed);
        TVell& t = FirstTram(sim);
        const double tps2 = TicksPerSecond * TicksPerSecond;
        auto within = [](double v, double low, double high) { return v >= low && v < high; };
        EXPECT_TRUE(within(t.MaxAccel / (3.0 / tps2), 1.0, 1.2)) << seed;
        EXPECT_TRUE(within(t.TopSpeed / KmhToMpt(70), 1.0, 1.2)) << seed;
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(within(t.CarState[i].DoorWidth / 0.6, 1.0, 1.2)) << seed;
            EXPECT_TRUE(within(t.CarState[i].RollResist / (-0.03 / tps2), 0.8, 1.0)) << seed;
            EXPECT_TRUE(within(t.CarState[i].SpeedDrag / -0.000549254932197992, 0.8, 1.0)) << seed;
        }
        EXPECT_TRUE(within(t.ShakeGain, 0.016, 0.02)) << seed;
        EXPECT_LT(t.Colour, 0x1000000u);
    }
}

TEST(Vell, RandomNumbersAreDrawnInTheDesignedOrder) {
    TRingMap ring = RingMap();
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 2, 20);
    TSimulation sim(std::move(ring.Map), 99);
    sim.Map->Route(0, 0).NextDispatch = 0;
    TRandom replay(sim.Random.GetState()); // the ring has no stops: only Create draws
    sim.World->WorldStep();
    const TVell& t = sim.Tram(0);

    const double load = std::min(1.0, 5.0 * 2 / 20);
    auto vary = [&](double x) {
        const double r = replay.Real();
        return x > 0 ? x * (0.9 + 0.2 * r + 0.1 * load) : x * (0.9 + 0.2 * r - 0.1 * load);
    };
    EXPECT_EQ(t.Colour, std::uint32_t(replay.Below(0x1000000)));
    EXPECT_EQ(t.FullPower, !(replay.Real() * (load + 1) <= 0.7));
    EXPECT_EQ(t.SpeedometerWorks, replay.Below(2) > 0);
    EXPECT_EQ(t.MaxAccel, vary(3.0 / (TicksPerSecond * TicksPerSecond)));
    EXPECT_EQ(t.TopSpeed, vary(KmhToMpt(70)));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(t.CarState[i].RollResist, vary(-0.03 / (TicksPerSecond * TicksPerSecond)));
        EXPECT_EQ(t.CarState[i].SpeedDrag, vary(-0.01 / TicksPerSecond));
        EXPECT_EQ(t.CarState[i].DoorWidth, vary(0.6));
    }
    EXPECT_EQ(t.ShakeGain, -vary(-0.02));
    EXPECT_EQ(sim.Random.GetState(), replay.GetState());
}

TEST(Vell, ThreeCarTrainsAlwaysHaveFullPowerAndShorterOnesMayNot) {
    int weakShort = 0;
    for (std::uint32_t seed = 1; seed <= 100; ++seed)
        for (std::uint8_t cars : {1, 3}) {
            TRingMap ring = RingMap();
            SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, cars, 30);
            TSimulation sim(std::move(ring.Map), seed);
            const TVell& t = FirstTram(sim);
            if (cars == 3) {
                EXPECT_TRUE(t.FullPower) << seed;
            } else if (!t.FullPower) {
                ++weakShort;
            }
        }
    // One car every 30 minutes: weak when r x 7/6 <= 0.7, that is for 60 % of the trams.
    EXPECT_GT(weakShort, 40);
    EXPECT_LT(weakShort, 80);
}

TEST(Vell, PositionsOnTheMap) {
    TRingMap ring = RingMap();
    const int wall = AddObject(*ring.Map, Wall, 0, 0, 50, 0);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1);
    TSimulation sim(std::move(ring.Map));
    TVell& t = FirstTram(sim);

    const TPointXY front = t.PointXY(t.Front[0]);
    EXPECT_DOUBLE_EQ(front.X, 127.6);
    EXPECT_DOUBLE_EQ(front.Y, 100);
    const TCarAxisXY axis = t.CarAxis(0);
    EXPECT_DOUBLE_EQ(axis.Centre.X, 123.8);
    EXPECT_DOUBLE_EQ(axis.Dir.X, -1); // from the front point towards the rear
    EXPECT_DOUBLE_EQ(axis.Dir.Y, 0);
    t.CarState[0].Yaw = std::acos(-1.0) / 2;
    const TCarAxisXY pose = t.CarPose(0);
    EXPECT_NEAR(pose.Dir.X, 0, 1e-12);
    EXPECT_NEAR(pose.Dir.Y, -1, 1e-12);

    // A point on an object without links stays where it is; along the route it moves on.
    TRailPos onWall{std::uint16_t(wall), 0, 70};
    t.NextObject(onWall);
    EXPECT_EQ(onWall.Obj, wall);
    TRailPos p{std::uint16_t(ring.Rails[0]), 0, 96 * 2 + 5};
    EXPECT_TRUE(t.NormalizePos(p));
    EXPECT_EQ(p.Obj, ring.Rails[2]);
    EXPECT_NEAR(p.Dist, 5, 1e-9);
    TRailPos atEnd{std::uint16_t(ring.Rails[0]), 0, 96};
    EXPECT_FALSE(t.NormalizePos(atEnd)); // a point exactly at the end stays on its rail
}

} // namespace
} // namespace vell::test
