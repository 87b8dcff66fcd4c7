// Stops, doors and passengers: a whole stop visit, the timetable check, arrivals at stops and
// the passenger numbers of a visit.
#include "sim/Passengers.h"
#include "sim/Speed.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

// A two-car tram of route 1 on the ring whose top rail 4 and bottom are stops.
struct TStopRun {
    explicit TStopRun(std::uint32_t seed = 1) {
        TRingMap ring = RingMap();
        Rails = ring.Rails;
        ring.Map->Objects[Rails[4]].SetStopType(1);
        ring.Map->Objects[Rails[RingBottom]].SetStopType(1);
        SetRoute(*ring.Map, 0, 0, {Rails[0], Rails[RingBottom]}, 2, 30);
        Sim = std::make_unique<TSimulation>(std::move(ring.Map), seed);
        Sim->Map->Route(0, 0).NextDispatch = 0;
        Sim->World->WorldStep();
    }
    TVell& Tram() { return Sim->Tram(0); }
    TMapObject& Object(int rail) { return Sim->Map->Objects[rail]; }
    std::vector<int> Rails;
    std::unique_ptr<TSimulation> Sim;
};

TEST(Stops, ATramStopsOpensExchangesClosesAndLeaves) {
    TStopRun run;
    TVell& t = run.Tram();
    const int stop = run.Rails[4];
    run.Object(stop).SetWaiting(40);
    // The tram rolls off once its doors are nearly shut (0.11), and they close on the way.
    enum { Arrived, Stopped, Opened, Served, Departed, Closed, Left, Phases };
    long long at[Phases];
    std::fill(at, at + Phases, -1);
    double boardingAtArrival = 0, passengersServed = 0;
    int waitingBefore = 40, waitingAfterArrival = -1;
    std::int32_t clockServed = 0;
    long long step = 0;
    auto first = [&](int phase, bool now) {
        if (now && at[phase] < 0) at[phase] = step;
    };
    run.Sim->StepUntil(
        [&] {
            ++step;
            const bool onStop = t.Front[0].Obj == stop;
            if (!onStop && at[Arrived] < 0) waitingBefore = run.Object(stop).Waiting();
            if (onStop && at[Arrived] < 0) {
                boardingAtArrival = t.Boarding;
                waitingAfterArrival = run.Object(stop).Waiting();
            }
            first(Arrived, onStop);
            first(Stopped, onStop && t.Speed == 0);
            first(Opened, at[Stopped] >= 0 && t.DoorOpening > 0 && t.DoorOpening == t.DoorTarget);
            if (at[Served] < 0 && t.StopServed && onStop) {
                clockServed = t.Clock;
                passengersServed = t.Passengers;
            }
            first(Served, onStop && t.StopServed);
            first(Departed, at[Served] >= 0 && t.Speed > 0);
            first(Closed, at[Served] >= 0 && t.DoorOpening == 0);
            first(Left, at[Served] >= 0 && !onStop);
            return at[Left] >= 0;
        },
        20000);
    for (int p = Arrived; p < Phases; ++p)
        ASSERT_GE(at[p], 0) << "phase " << p;
    for (int p = Arrived; p + 1 < Phases; ++p)
        EXPECT_LT(at[p], at[p + 1]) << "phase " << p;

    // Boarding took its waiting units from the stop at arrival, in passengers of 65/64 units
    // (and the stop may have gained one in the same tick).
    EXPECT_GE(boardingAtArrival, 0);
    const long long taken = waitingBefore - waitingAfterArrival;
    EXPECT_GE(taken, std::lround(boardingAtArrival * 64 / 65) - 1);
    EXPECT_LE(taken, std::lround(boardingAtArrival * 64 / 65));
    EXPECT_GT(passengersServed, 0);
    EXPECT_LE(passengersServed, t.Capacity());
    const TRouteRec& route = run.Sim->Map->Route(0, 0);
    EXPECT_EQ(t.Deviation, route.StopTimes[0] - (clockServed - 1)); // Clock counts on after
    EXPECT_TRUE(t.RulesKept);
    EXPECT_FALSE(t.StopServed); // cleared when the lead point left the stop
    EXPECT_EQ(t.Passengers, passengersServed);

    // The stop index moves on when the tail leaves the stop rail.
    EXPECT_EQ(t.StopIndex, 0);
    ASSERT_GT(run.Sim->StepUntil([&] { return t.Rear[1].Obj != stop; }, 2000), 0);
    EXPECT_EQ(t.StopIndex, 1);
}

TEST(Stops, TheTimetableCheckSetsTheScheduleState) {
    struct TCase {
        std::int32_t Deviation;
        std::int8_t State;
        bool RulesKept;
    };
    const TCase cases[] = {{0, 1, true},      {1, 0, true},     {2184, 0, true},
                           {2185, -1, true},  {3277, -1, true}, {3278, -2, true},
                           {-1092, 1, true},  {-1093, 2, true}, {5461, -2, true},
                           {5462, -2, false}, {-5461, 2, true}, {-5462, 2, false}};
    for (const TCase& c : cases) {
        TStopRun run;
        TVell& t = run.Tram();
        const std::int32_t scheduled = run.Sim->Map->Route(0, 0).StopTimes[0];
        ASSERT_GT(scheduled, 0);
        t.StopServed = false;
        t.StopIndex = 0;
        t.Alighting = 0;
        t.Boarding = 0; // nobody to board: one boarding tick ends the visit
        t.DoorOpening = 0.5;
        t.Clock = scheduled - c.Deviation;
        t.ExchangePassengers();
        EXPECT_TRUE(t.StopServed) << c.Deviation;
        EXPECT_EQ(t.Deviation, c.Deviation);
        EXPECT_EQ(t.ScheduleState, c.State) << c.Deviation;
        EXPECT_EQ(t.RulesKept, c.RulesKept) << c.Deviation;
        EXPECT_EQ(t.MaxLate, std::max(0, -c.Deviation));
        EXPECT_NEAR(t.Passengers, 0.2 * 0.5 * 2, 1e-12); // the boarding tick's ghost passengers
    }
}

TEST(Stops, AVisitOnlyCompletesOnceAndClampsTheLoad) {
    TStopRun run;
    TVell& t = run.Tram();
    t.StopServed = false;
    t.Alighting = 0;
    t.Boarding = 0;
    t.DoorOpening = 0.9;
    t.Passengers = t.Capacity() + 5;
    t.ExchangePassengers();
    EXPECT_EQ(t.Passengers, t.Capacity());
    const std::int32_t deviation = t.Deviation;
    t.Clock += 5000;
    t.ExchangePassengers(); // boarding is over and the stop served: nothing more happens
    EXPECT_EQ(t.Deviation, deviation);
    EXPECT_EQ(t.Passengers, t.Capacity());

    t.StopServed = false;
    t.Alighting = 3;
    t.Passengers = 1;
    t.ExchangePassengers(); // alighting first, 0.3 x 0.9 x 2 per tick
    EXPECT_NEAR(t.Passengers, 1 - 0.54, 1e-12);
    EXPECT_NEAR(t.Alighting, 3 - 0.54, 1e-12);
    EXPECT_FALSE(t.StopServed);
}

TEST(Stops, ArrivalNumbersFollowTheStopType) {
    for (std::uint8_t type : {1, 2}) {
        TStopRun run(7);
        TVell& t = run.Tram();
        TMapObject& stop = run.Object(run.Rails[4]);
        stop.SetStopType(type);
        stop.SetCatchment(10);
        stop.SetWaiting(200);
        t.Front[0].Obj = std::uint16_t(run.Rails[4]);
        t.Passengers = 100;
        const double w = stop.StopInfo() & 127; // 74 or 10

        TRandom replay(run.Sim->Random.GetState());
        double alighting = replay.Real() * 100;
        if (type == 2) {
            const double r2 = replay.Real();
            alighting *= r2 * r2;
        }
        const double room = (160 - 100 + alighting) * 64 / (w + 1);
        const double units = std::min(replay.Real() * 200, room);
        t.ArriveAtStop();
        EXPECT_EQ(t.Alighting, alighting);
        EXPECT_EQ(stop.Waiting(), 200 - std::lround(units));
        EXPECT_DOUBLE_EQ(t.Boarding, units * (w + 1) / 64);
    }
}

TEST(Stops, WaitingPassengersGatherAtStopsThatAreNotFull) {
    TStopRun run;
    TMap& map = *run.Sim->Map;
    run.Object(run.Rails[4]).SetWaiting(255);
    run.Object(run.Rails[RingBottom]).SetWaiting(0);
    run.Object(run.Rails[2]).SetWaiting(0); // not a stop
    TRandom random(5);
    for (int tick = 0; tick < 10000; ++tick)
        GatherPassengers(map, random);
    EXPECT_EQ(run.Object(run.Rails[4]).Waiting(), 255);
    EXPECT_EQ(run.Object(run.Rails[2]).Waiting(), 0);
    const int gained = run.Object(run.Rails[RingBottom]).Waiting();
    EXPECT_GT(gained, 60); // one in a hundred ticks: about 100
    EXPECT_LT(gained, 140);
    // Shown as passengers: units of (w + 1) / 64, rounded down.
    EXPECT_EQ(WaitingPassengers(run.Object(run.Rails[4])), 255 * 65 / 64);

    ResetWaiting(map);
    EXPECT_EQ(run.Object(run.Rails[4]).Waiting(), 0);
    EXPECT_EQ(run.Object(run.Rails[RingBottom]).Waiting(), 0);
}

TEST(Stops, DoorsOpenAndCloseAtTheirRates) {
    TStopRun run;
    TVell& t = run.Tram();
    t.StartOpenDoors();
    EXPECT_TRUE(t.DoorsOpening);
    EXPECT_LE(t.DoorTarget, 0.9);
    const double target = t.DoorTarget;
    int ticks = 0;
    while (t.DoorOpening < target && ticks < 1000) {
        t.MoveDoors();
        ++ticks;
    }
    EXPECT_EQ(ticks, int(std::ceil(target / (target * target / 30))));
    t.StartOpenDoors(); // already opening: no new target
    EXPECT_EQ(t.DoorTarget, target);
    t.StartCloseDoors();
    ticks = 0;
    while (t.DoorOpening > 0 && ticks < 1000) {
        t.MoveDoors();
        ++ticks;
    }
    EXPECT_EQ(ticks, int(std::ceil(target / (target * target / 10))));
    EXPECT_FALSE(t.DoorsOpening);
}

// A ring whose top side starts with a stop rail of `stopM` metres; `width` sets the circuit.
struct TTerminusRing {
    std::unique_ptr<TMap> Map;
    int Stop = 0, AfterStop = 0, Bottom = 0;
};
TTerminusRing TerminusRing(int width, int stopM) {
    TTerminusRing r;
    r.Map = NewMap();
    const int x1 = 100, y1 = 100, x2 = 100 + width, y2 = 300, cut = 20;
    const std::vector<std::pair<int, int>> points = {
        {x1 + cut, y1}, {x1 + cut + stopM, y1}, {x2 - cut, y1}, {x2, y1 + cut}, {x2, y2 - cut},
        {x2 - cut, y2}, {x1 + cut, y2},         {x1, y2 - cut}, {x1, y1 + cut}};
    std::vector<int> rails;
    for (std::size_t k = 0; k < points.size(); ++k)
        rails.push_back(AddRail(*r.Map, points[k].first, points[k].second,
                                points[(k + 1) % points.size()].first,
                                points[(k + 1) % points.size()].second));
    r.Map->Objects[rails[0]].SetStopType(3);
    r.Stop = rails[0];
    r.AfterStop = rails[1];
    r.Bottom = rails[6];
    return r;
}

struct TLateness {
    std::int32_t WorstLate = 0;
    bool RulesKept = false;
    std::int32_t RunTime = 0;
};

// One tram of the route over three circuits: its worst lateness.
TLateness RunLaps(int width, int stopM, int cars, bool startOnStop) {
    TTerminusRing ring = TerminusRing(width, stopM);
    SetRoute(*ring.Map, 0, 0, {startOnStop ? ring.Stop : ring.AfterStop, ring.Bottom},
             std::uint8_t(cars), 60);
    TSimulation sim(std::move(ring.Map), 3);
    TRouteRec& route = sim.Map->Route(0, 0);
    route.NextDispatch = 0;
    sim.World->WorldStep();
    TVell& t = sim.Tram(0);
    sim.StepUntil([] { return false; }, 3LL * route.RunTime);
    return {t.MaxLate, t.RulesKept, route.RunTime};
}

TEST(Stops, AStopOnTheFirstWaypointIsJudgedAgainstTheLapItStarts) {
    // A terminus stop drawn as the first waypoint: the tail of a longer train is still behind
    // it when boarding ends. Judged against the lap just ending, the tram would read a whole
    // circuit late; against the lap it starts, it reads as the same route started after the
    // stop does. Those two differ only by how the autopilot's pace swings with the schedule
    // state (up to about a minute on the long ring), never by a circuit.
    for (int width : {220, 1700})
        for (int stopM : {27, 40})
            for (int cars = 1; cars <= 3; ++cars) {
                const TLateness onStop = RunLaps(width, stopM, cars, true);
                const TLateness afterStop = RunLaps(width, stopM, cars, false);
                SCOPED_TRACE(testing::Message()
                             << RoundHalfEven(onStop.RunTime / TicksPerMinute) << " min, " << stopM
                             << " m stop, " << cars << " cars");
                ASSERT_EQ(onStop.RunTime, afterStop.RunTime);
                EXPECT_NEAR(onStop.WorstLate, afterStop.WorstLate, 75 * TicksPerSecond);
                EXPECT_LT(onStop.WorstLate, onStop.RunTime / 4);
                EXPECT_TRUE(onStop.RulesKept);
                EXPECT_TRUE(afterStop.RulesKept);
            }
}

TEST(Stops, AFigureEightStartedOnItsSharedRailKeepsItsTimetable) {
    // Top rail 2 is the switch rail that the route passes twice per circuit; one stop on the
    // bypass, one on top rail 4. Started there or on the bypass, the trams keep the same time.
    auto run = [](bool startOnShared) {
        TBypassMap m = BypassMap(true);
        m.Map->Objects[m.Rails[4]].SetStopType(1);
        if (startOnShared)
            SetRoute(*m.Map, 0, 0, {m.Rails[2], m.Bypass[0], m.Rails[3]}, 2, 60);
        else
            SetRoute(*m.Map, 0, 0, {m.Bypass[0], m.Rails[3]}, 2, 60);
        TSimulation sim(std::move(m.Map), 5);
        TRouteRec& route = sim.Map->Route(0, 0);
        EXPECT_EQ(route.StopCount, 2);
        route.NextDispatch = 0;
        sim.World->WorldStep();
        TVell& t = sim.Tram(0);
        sim.StepUntil([] { return false; }, 3LL * route.RunTime);
        return TLateness{t.MaxLate, t.RulesKept, route.RunTime};
    };
    const TLateness shared = run(true), elsewhere = run(false);
    EXPECT_EQ(shared.RunTime, elsewhere.RunTime);
    EXPECT_NEAR(shared.WorstLate, elsewhere.WorstLate, 75 * TicksPerSecond);
    EXPECT_TRUE(shared.RulesKept);
    EXPECT_TRUE(elsewhere.RulesKept);
}

TEST(Stops, TheStartingStopCountsAsServed) {
    TRingMap ring = RingMap();
    ring.Map->Objects[ring.Rails[0]].SetStopType(1);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]});
    TSimulation sim(std::move(ring.Map));
    sim.Map->Objects[ring.Rails[0]].SetWaiting(50);
    sim.Map->Route(0, 0).NextDispatch = 0;
    sim.World->WorldStep();
    TVell& t = sim.Tram(0);
    EXPECT_TRUE(t.StopServed);
    EXPECT_EQ(t.StopIndex, 0);
    ASSERT_GT(sim.StepUntil([&] { return t.Front[0].Obj != ring.Rails[0]; }, 5000), 0);
    EXPECT_EQ(t.Passengers, 0);
    EXPECT_TRUE(t.RulesKept);
    EXPECT_GE(sim.Map->Objects[ring.Rails[0]].Waiting(), 50);
}

TEST(Stops, ATrainStartingOverTwoStopsComparesTheNextWithItsOwnTime) {
    // Top rails of 25 or 26 m; rails 0, 1 and 5 are stops and the three-car train (30.8 m)
    // starts over the first two, its lead point on the second.
    auto map = NewMap();
    const std::vector<int> rails = AddRing(*map, 100, 100, 1100, 300, 37);
    for (int k : {0, 1, 5})
        map->Objects[rails[k]].SetStopType(1);
    SetRoute(*map, 0, 0, {rails[0], rails[20]}, 3, 30);
    TSimulation sim(std::move(map));
    ASSERT_EQ(sim.Map->Route(0, 0).StopCount, 3);
    sim.Map->Route(0, 0).NextDispatch = 0;
    sim.World->WorldStep();
    TVell& t = sim.Tram(0);
    ASSERT_EQ(t.Front[0].Obj, rails[1]);
    EXPECT_TRUE(t.StopServed);
    ASSERT_GT(sim.StepUntil([&] { return t.Front[0].Obj == rails[5] && t.StopServed; }, 20000), 0);
    EXPECT_EQ(t.StopIndex, 2);
    // The visit was checked against its own timetable entry (Clock counts on after the check).
    EXPECT_EQ(t.Deviation, sim.Map->Route(0, 0).StopTimes[2] - (t.Clock - 1));
}

} // namespace
} // namespace vell::test
