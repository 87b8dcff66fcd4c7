// The limit ahead on hand-made track: the grade, a bend, a crossing, a switch taken straight,
// what lies beyond the range, the rounding, and a drive by hand that crashes exactly when it
// goes faster than the figure said.
#include "sim/LimitAhead.h"
#include "sim/RunAhead.h"
#include "sim/Speed.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace vell::test {
namespace {

constexpr double CarLength = 7.6; // a car's front point ahead of its rear point

// Route 1 round the ring, one car, its tram put with its lead point `dist` metres into `rail`
// (at least a car's length, so that the rear point is on the same rail).
struct TPlacedTram {
    TPlacedTram(std::unique_ptr<TMap> map, const std::vector<int>& ring) {
        SetRoute(*map, 0, 0, {ring[0], ring[RingBottom]}, 1, 30);
        Sim = std::make_unique<TSimulation>(std::move(map));
        Sim->Map->Route(0, 0).NextDispatch = 0;
        Sim->World->WorldStep();
    }
    TVell& Tram() { return Sim->Tram(0); }
    int LimitAt(int rail, double dist) {
        TVell& t = Tram();
        t.Front[0] = {std::uint16_t(rail), 0, dist};
        t.Rear[0] = {std::uint16_t(rail), 0, dist - CarLength};
        return LimitAheadKmh(*Sim->World, t);
    }
    std::unique_ptr<TSimulation> Sim;
};

TEST(LimitAhead, TheLowestGradeWithinTheRangeRoundedDown) {
    TRingMap ring = RingMap(100);                                     // 100 x 0.3 + 15 = 45 km/h
    ring.Map->Objects[std::size_t(ring.Rails[2])].SetSpeedGrade(61);  // 33.3 km/h
    ring.Map->Objects[std::size_t(ring.Rails[5])].SetSpeedGrade(117); // 50.1 km/h
    TPlacedTram placed(std::move(ring.Map), ring.Rails);
    // Rail 2 begins 96 m into rail 1: 40 m ahead it counts, 50 m still, 56 m not.
    EXPECT_EQ(placed.LimitAt(ring.Rails[1], 56), 33);
    EXPECT_EQ(placed.LimitAt(ring.Rails[1], 46), 33);
    EXPECT_EQ(placed.LimitAt(ring.Rails[1], 40), 45); // exactly 45.0: not 44
    // Standing on it, and with the car's front point on it while the lead is past.
    EXPECT_EQ(placed.LimitAt(ring.Rails[2], 50), 33);
    // A gentler grade ahead does not raise the figure; 50.1 rounds down.
    EXPECT_EQ(placed.LimitAt(ring.Rails[4], 60), 45);
    EXPECT_EQ(placed.LimitAt(ring.Rails[5], 8), 50);
    EXPECT_NEAR(LimitAheadMpt(*placed.Sim->World, placed.Tram()), KmhToMpt(117 * 0.3 + 15), 1e-15);
    // The range is a parameter: 100 m reaches rail 2 from 56 m into rail 1.
    placed.LimitAt(ring.Rails[1], 56);
    EXPECT_EQ(LimitAheadKmh(*placed.Sim->World, placed.Tram(), 10), 45);
}

TEST(LimitAhead, ABendsOverturningSpeed) {
    TRingMap ring = RingMap(100);
    const TMapObject &top = ring.Map->Objects[std::size_t(ring.Rails[9])],
                     &corner = ring.Map->Objects[std::size_t(ring.Rails[10])];
    const double overturn = 1 / (TRailTable::OverturnFactor(corner, top) * TicksPerSecond);
    TPlacedTram placed(std::move(ring.Map), ring.Rails);
    // The top's last rail ends at 96 m, where the 45 degree corner begins: 25.0 km/h.
    EXPECT_EQ(placed.LimitAt(ring.Rails[9], 50), 25);
    EXPECT_EQ(LimitAheadMpt(*placed.Sim->World, placed.Tram()), overturn);
    EXPECT_EQ(placed.LimitAt(ring.Rails[9], 40), 45);
    // On the corner rail with the car over the joint behind: still that bend.
    TVell& t = placed.Tram();
    t.Front[0] = {std::uint16_t(ring.Rails[10]), 0, 3};
    t.Rear[0] = {std::uint16_t(ring.Rails[9]), 0, 96 - (CarLength - 3)};
    EXPECT_EQ(LimitAheadKmh(*placed.Sim->World, t), 25);
}

TEST(LimitAhead, CrossingsAndASwitchTakenStraightGive30) {
    TCrossingMap crossing = CrossingMap(); // the second ring crosses rail 3 at x = 460 (52 m in)
    TPlacedTram across(std::move(crossing.Map), crossing.Rails);
    EXPECT_EQ(across.LimitAt(crossing.Rails[3], 8), 30);  // 44 m ahead
    EXPECT_EQ(across.LimitAt(crossing.Rails[2], 90), 45); // 58 m ahead
    // The last car's rear point is past it: every point has crossed.
    EXPECT_EQ(across.LimitAt(crossing.Rails[3], 52 + CarLength + 0.5), 45);
    EXPECT_EQ(across.LimitAt(crossing.Rails[3], 52 + CarLength - 0.5), 30);

    // The branch leaves at the end of rail 2 and rejoins at the start of rail 5: a point
    // going straight over either joint passes the branch's end.
    TBypassMap bypass = BypassMap(false);
    TPlacedTram straight(std::move(bypass.Map), bypass.Rails);
    EXPECT_EQ(straight.LimitAt(bypass.Rails[2], 60), 30);
    EXPECT_EQ(straight.LimitAt(bypass.Rails[3], 60), 45);
    EXPECT_EQ(straight.LimitAt(bypass.Rails[4], 60), 30);
}

// `tram` held by hand at `kmh` (at most `startKmh` until `started` holds) for up to `steps`
// steps: it must crash exactly when it is faster than the figure of the step before, and only
// then; and once faster than the figure it must crash before it has gone the range and a train
// of three cars further. A collision with another tram ends the drive unjudged. Counts a crash.
void HoldSpeed(
    TWorld& world, TVell& tram, double kmh, long long steps, int* crashes, double startKmh = 1000,
    const std::function<bool()>& started = [] { return true; }) {
    tram.AutoDrive = false;
    tram.ManualCommand = 0;
    bool held = false;
    long long crashBy = -1;
    for (long long s = 0; s < steps; ++s) {
        held = held || started();
        const double speed = KmhToMpt(held ? kmh : std::min(kmh, startKmh));
        tram.Speed = speed;
        const double limit = LimitAheadMpt(world, tram);
        if (speed > limit && crashBy < 0)
            crashBy = s + std::llround((LimitAheadRange + 4 * 11.6) / speed) + 2;
        world.WorldStep();
        if (tram.Accident) {
            if (tram.Crash.Cause == TAccidentCause::Collision) return;
            EXPECT_GT(tram.Crash.Speed, limit) << kmh << " km/h, step " << s;
            ++*crashes;
            return;
        }
        ASSERT_TRUE(crashBy < 0 || s < crashBy) << kmh << " km/h: no crash after the figure";
    }
}

// Round the hand-made maps, once round: a point starting exactly at a rail's start sweeps the
// rail before it, so the tram starts slowly, as the accident tests do.
TEST(LimitAhead, ADriveCrashesExactlyAboveTheFigure) {
    int crashes = 0;
    for (double kmh = 20; kmh <= 52; kmh += 1.5) {
        TRingMap ring = RingMap(117);
        TCrossingMap crossing = CrossingMap();
        TBypassMap bypass = BypassMap(false);
        for (auto [map, rails] : {std::pair{&ring.Map, &ring.Rails},
                                  {&crossing.Map, &crossing.Rails},
                                  {&bypass.Map, &bypass.Rails}}) {
            TPlacedTram placed(std::move(*map), *rails);
            TVell& t = placed.Tram();
            const int second = (*rails)[2];
            HoldSpeed(*placed.Sim->World, t, kmh, 4000, &crashes, 20,
                      [&] { return t.Front[0].Obj == second; });
        }
    }
    EXPECT_GT(crashes, 30);
}

// The same on the demo city's real track, every route's first tram held at one speed by hand:
// short rails, switches, crossings and bends as the map has them.
TEST(LimitAhead, OnTheDemoCityACrashComesExactlyAboveTheFigure) {
    int crashes = 0, drives = 0;
    for (int slot = 0; slot < RouteRows * RouteColumns; ++slot)
        for (double kmh : {22.0, 26.0, 33.0, 41.0, 49.0}) {
            const int row = slot / RouteColumns, col = slot % RouteColumns;
            std::unique_ptr<TMap> map = NewMap();
            map->FileName = std::string(VELL_MAPS_DIR) + "/demo.vl";
            ASSERT_TRUE(map->LoadFromFile());
            if (!map->Route(row, col).InUse()) break;
            TSimulation sim(std::move(map), 3);
            ASSERT_EQ(WaitForTram(*sim.World, row, col), TRunAhead::Ready);
            HoldSpeed(*sim.World, *FindPlayerTram(*sim.World, row, col), kmh, 3000, &crashes);
            ++drives;
        }
    EXPECT_GT(drives, 40);
    EXPECT_GT(crashes, drives / 2);
}

} // namespace
} // namespace vell::test
