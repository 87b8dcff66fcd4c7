// Who blocks whom: a single-track section run both ways locks two trams, a loop too short for
// its trams locks them all in a circle, and a sound loop has neither.
#include "model/Units.h"
#include "sim/Jams.h"
#include "sim/TrackHolders.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/GeneratedCity.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace vell::test {
namespace {

// Steps until `watch` has seen a deadlock form; the steps taken, or -1 after `limit` minutes.
long long StepUntilDeadlock(TSimulation& sim, TJamWatch& watch, double limitMinutes) {
    return sim.StepUntil(
        [&] {
            watch.Observe();
            return !watch.Deadlocks().empty();
        },
        RoundHalfEven(limitMinutes * TicksPerMinute));
}

// Steps the world and the watch for `minutes`.
void StepWatching(TSimulation& sim, TJamWatch& watch, double minutes) {
    for (long long s = 0; s < RoundHalfEven(minutes * TicksPerMinute); ++s) {
        sim.World->WorldStep();
        watch.Observe();
    }
}

TEST(Jams, ASingleTrackSectionRunBothWaysLocksTwoTramsForGood) {
    TSingleTrackMap m = SingleTrackMap();
    TSimulation sim(std::move(m.Map), 5);
    ASSERT_TRUE(sim.World->CanDispatch(0, 0) && sim.World->CanDispatch(1, 0));
    for (int row : {0, 1})
        sim.Map->Route(row, 0).TramCount = 2;
    TJamWatch watch(*sim.World, RoundHalfEven(5 * TicksPerMinute));
    ASSERT_GT(StepUntilDeadlock(sim, watch, 120), 0);

    const TDeadlock d = watch.Deadlocks().at(0);
    ASSERT_EQ(d.Trams.size(), 2u);
    const TBlockedTram &a = d.Trams[0], &b = d.Trams[1];
    EXPECT_LT(a.Number, b.Number); // the circle starts at its lowest number
    EXPECT_EQ(a.HeldBy, b.Number);
    EXPECT_EQ(b.HeldBy, a.Number);
    EXPECT_NE(a.Row, b.Row); // one of each loop
    EXPECT_TRUE(m.Section.count(a.Rail)) << a.Rail;
    EXPECT_TRUE(m.Section.count(b.Rail)) << b.Rail;
    EXPECT_EQ(d.Formed, watch.Steps());

    // Ten minutes on nothing has moved: the same circle, both trams listed as blocked since it
    // formed, and their stands grow into episodes.
    const TRailPos leadA = sim.TramNumber(a.Number).Front[0];
    for (long long s = 0; s < RoundHalfEven(10 * TicksPerMinute); ++s) {
        sim.World->WorldStep();
        watch.Observe();
    }
    EXPECT_EQ(sim.TramNumber(a.Number).Front[0], leadA);
    const TJamPicture now = watch.Now();
    ASSERT_EQ(now.Deadlocks.size(), 1u);
    EXPECT_EQ(now.Deadlocks[0].Formed, d.Formed);
    std::set<int> blocked;
    for (const TBlockedTram& t : now.Blocked) {
        if (t.Number != a.Number && t.Number != b.Number) continue; // trams queued behind
        blocked.insert(t.Number);
        EXPECT_GE(t.Since, 1);
        EXPECT_LE(t.Since, d.Formed);
    }
    EXPECT_TRUE(blocked.count(a.Number) && blocked.count(b.Number));
    int ongoing = 0;
    for (const TJamEpisode& e : watch.Episodes())
        if (e.Ongoing && (e.Tram.Number == a.Number || e.Tram.Number == b.Number)) {
            ++ongoing;
            EXPECT_GT(e.Steps, RoundHalfEven(10 * TicksPerMinute));
        }
    EXPECT_EQ(ongoing, 2);
    ASSERT_EQ(watch.Deadlocks().size(), 1u);
    // The world's own look, without a watch, finds the same circle.
    const TJamPicture look = LookForJams(*sim.World);
    ASSERT_EQ(look.Deadlocks.size(), 1u);
    EXPECT_EQ(look.Deadlocks[0].Trams[0].Number, a.Number);
    EXPECT_EQ(look.Deadlocks[0].Formed, -1);
}

// A ring of 176 m with six trains of two cars, each of which wants 50 m of free track ahead of it.
TEST(Jams, ALoopTooShortForItsTramsLocksThemInACircle) {
    auto map = NewMap();
    const std::vector<int> ring = AddRing(*map, 100, 100, 160, 140, 3, 100, 10);
    SetRoute(*map, 0, 0, {ring[0], ring[5]}, 2, 5);
    TSimulation sim(std::move(map), 2);
    TRouteRec& route = sim.Map->Route(0, 0);
    route.TramCount = 6;
    TJamWatch watch(*sim.World, RoundHalfEven(5 * TicksPerMinute));
    const long long took = StepUntilDeadlock(sim, watch, 90);
    ASSERT_GT(took, 0);
    for (long long s = 0; s < RoundHalfEven(TicksPerMinute); ++s) {
        sim.World->WorldStep();
        watch.Observe();
    }
    const TDeadlock d = watch.Deadlocks().at(0);
    int active = 0;
    for (int k = 0; k < sim.World->VellCount; ++k)
        active += sim.Tram(k).Active;
    EXPECT_GE(d.Trams.size(), 2u);
    EXPECT_EQ(int(d.Trams.size()), active); // every tram on the ring is in it
    // Later trams cannot even enter: the ring stays locked with the same trams.
    for (long long s = 0; s < RoundHalfEven(20 * TicksPerMinute); ++s)
        sim.World->WorldStep();
    EXPECT_GT(sim.World->VellCount, active);
    ASSERT_EQ(LookForJams(*sim.World).Deadlocks.size(), 1u);
    EXPECT_EQ(LookForJams(*sim.World).Deadlocks[0].Trams.size(), d.Trams.size());
    for (std::size_t k = 0; k < d.Trams.size(); ++k)
        EXPECT_EQ(d.Trams[k].HeldBy, d.Trams[(k + 1) % d.Trams.size()].Number);
}

TEST(Jams, ASoundLoopHasNoJamAndNoDeadlock) {
    TRingMap ring = RingMap();
    for (int stop : {3, 7})
        ring.Map->Objects[ring.Rails[stop]].SetStopType(3);
    SetRoute(*ring.Map, 0, 0, {ring.Rails[0], ring.Rails[RingBottom]}, 1, 5);
    TSimulation sim(std::move(ring.Map), 3);
    sim.Map->Route(0, 0).TramCount = 4;
    TJamWatch watch(*sim.World, RoundHalfEven(5 * TicksPerMinute));
    for (long long s = 0; s < RoundHalfEven(90 * TicksPerMinute); ++s) {
        sim.World->WorldStep();
        watch.Observe();
    }
    EXPECT_EQ(sim.Map->Route(0, 0).TramsInService, 4);
    EXPECT_TRUE(watch.Episodes().empty());
    EXPECT_TRUE(watch.Deadlocks().empty());
    EXPECT_TRUE(LookForJams(*sim.World).Deadlocks.empty());
}

// Over an hour of a small city, for every blocked tram: when its reservation stopped short and
// the counters say the rail past it is taken (the rail itself, or a near rail other than the one
// the reservation ends on), it is that rail it waits for, and for a tram; and the tram it waits
// for really holds the rail or a rail near it.
TEST(Jams, TheTramWaitedForHoldsTheRailOrARailNearIt) {
    TCityPlan plan;
    plan.Loops = 4;
    plan.LoopWidth = 1500;
    plan.Routes = 8;
    plan.Seed = 3;
    TSimulation sim(GenerateCity(plan), 7);
    int taken = 0, held = 0;
    for (long long s = 0; s < RoundHalfEven(60 * TicksPerMinute); ++s) {
        sim.World->WorldStep();
        if (s % 50 != 0) continue;
        for (const TBlockedTram& b : LookForJams(*sim.World).Blocked) {
            SCOPED_TRACE(testing::Message() << "tram " << b.Number << " at step " << s);
            const TVell& tram = sim.TramNumber(b.Number);
            TRailPos past = tram.ReservedFront;
            tram.NextObject(past);
            bool occupied = OccupancyOf(*sim.World, past.Obj) > 0;
            for (int m : NearRailsOf(*sim.World, past.Obj))
                if (m != tram.ReservedFront.Obj)
                    occupied = occupied || OccupancyOf(*sim.World, m) > 0;
            // Its reservation stopped short (AllowedSpeed 0) before a rail that is still taken:
            // that rail is what it waits for.
            if (tram.AllowedSpeed == 0 && occupied && !sim.World->Rails()[past.Obj].KeepClear) {
                ++taken;
                EXPECT_EQ(b.Rail, past.Obj);
                EXPECT_NE(b.HeldBy, 0);
            }
            if (b.HeldBy == 0) continue;
            ++held;
            ASSERT_NE(b.HeldBy, b.Number);
            std::vector<int> candidates = NearRailsOf(*sim.World, b.Rail);
            candidates.push_back(b.Rail);
            const std::vector<int> marks = HeldObjectsOf(sim.TramNumber(b.HeldBy));
            EXPECT_TRUE(std::any_of(candidates.begin(), candidates.end(), [&](int rail) {
                return std::find(marks.begin(), marks.end(), rail) != marks.end();
            }));
        }
    }
    EXPECT_GT(taken, 10);
    EXPECT_GT(held, 10);
}

// The two trams locked on the single track stand off twice for half a minute, three minutes
// apart: one of them, thrown off its route by hand, waits for nothing, which breaks the circle,
// and put back on it waits again. Neither standoff is a deadlock. Back on its route for good,
// the lock is one deadlock, formed when it formed the last time.
TEST(Jams, TwoShortStandoffsOfTheSameTramsAreNoDeadlock) {
    TSingleTrackMap m = SingleTrackMap();
    TSimulation sim(std::move(m.Map), 5);
    for (int row : {0, 1})
        sim.Map->Route(row, 0).TramCount = 2;
    TJamWatch watch(*sim.World, RoundHalfEven(5 * TicksPerMinute));
    ASSERT_GT(StepUntilDeadlock(sim, watch, 120), 0);
    const TDeadlock lock = watch.Deadlocks().at(0);
    ASSERT_EQ(lock.Trams.size(), 2u);
    TVell& second = sim.TramNumber(lock.Trams[1].Number);
    auto circleNow = [&] {
        const std::vector<TDeadlock> now = watch.Now().Deadlocks;
        return now.size() == 1 && now[0].Members == lock.Members;
    };

    StepWatching(sim, watch, 0.5);
    second.OnRoute = false;
    StepWatching(sim, watch, 3);
    EXPECT_FALSE(circleNow());
    second.OnRoute = true;
    StepWatching(sim, watch, 0.5);
    EXPECT_TRUE(circleNow());
    second.OnRoute = false;
    StepWatching(sim, watch, 3);
    EXPECT_FALSE(circleNow());
    EXPECT_TRUE(watch.Deadlocks().empty()) << "formed at step " << watch.Deadlocks()[0].Formed;

    second.OnRoute = true;
    const long long back = watch.Steps();
    StepWatching(sim, watch, 2);
    ASSERT_TRUE(circleNow());
    const std::vector<TDeadlock> deadlocks = watch.Deadlocks();
    ASSERT_EQ(deadlocks.size(), 1u);
    EXPECT_GT(deadlocks[0].Formed, back);
    EXPECT_LE(deadlocks[0].Formed, back + RoundHalfEven(TicksPerSecond));
    EXPECT_EQ(watch.Now().Deadlocks[0].Formed, deadlocks[0].Formed);
}

// Of several trams holding the rail a standing tram waits for, the one named is the lowest
// Number, wherever the three stand in the table: trams thrown off their route by hand stand on
// the rail, marking what lies under their cars.
TEST(Jams, OfSeveralHoldersTheLowestNumberIsNamed) {
    auto map = NewMap();
    const std::vector<int> ring = AddRing(*map, 100, 100, 900, 300, 6);
    SetRoute(*map, 0, 0, {ring[0], ring[5]}, 1, 1);
    TSimulation sim(std::move(map), 3);
    sim.Map->Route(0, 0).TramCount = 4;
    ASSERT_GT(sim.StepUntil([&] { return sim.World->VellCount == 4 && sim.Tram(3).Active; },
                            RoundHalfEven(10 * TicksPerMinute)),
              0);
    // The table: Numbers 3, 1, 4 holding the rail, then tram 2 waiting for it.
    for (auto [slot, number] : {std::pair{0, 3}, {1, 1}, {2, 4}, {3, 2}})
        for (int k = slot; k < 4; ++k)
            if (sim.Tram(k).Number == number)
                std::swap(sim.World->VellTable[slot], sim.World->VellTable[k]);
    for (int slot = 0; slot < 4; ++slot) {
        TVell& tram = sim.Tram(slot);
        tram.Speed = 0;
        tram.OnRoute = slot == 3;
        const int rail = ring[slot == 3 ? 2 : 3];
        tram.Front[0] = tram.Rear[0] = {std::uint16_t(rail), 0, 5};
        tram.LookAhead = {std::uint16_t(ring[3]), 0, 5};
    }
    // All four stand; the ones off their route wait for nobody.
    const TJamPicture picture = LookForJams(*sim.World);
    ASSERT_EQ(picture.Blocked.size(), 4u);
    const TBlockedTram& waiting = picture.Blocked[1]; // by Number
    EXPECT_EQ(waiting.Number, 2);
    EXPECT_EQ(waiting.Rail, ring[3]);
    EXPECT_EQ(waiting.HeldBy, 1);
}

// Tram 2 waits for a rail held by trams 1, 3, 4 and 5 and names tram 1; but 1 and 3, thrown off
// their route by hand, wait for nothing, while 4 and 5 wait for tram 2 (their look-ahead set
// round the ring). Tram 2 and the later holders wait for one another: one deadlock of the
// three, told by its shortest circle from tram 2, through the lower Number of the two.
TEST(Jams, ACircleThroughTheSecondHolderOfARailIsADeadlock) {
    auto map = NewMap();
    const std::vector<int> ring = AddRing(*map, 100, 100, 900, 300, 6);
    SetRoute(*map, 0, 0, {ring[0], ring[5]}, 1, 1);
    TSimulation sim(std::move(map), 3);
    sim.Map->Route(0, 0).TramCount = 5;
    ASSERT_GT(sim.StepUntil([&] { return sim.World->VellCount == 5 && sim.Tram(4).Active; },
                            RoundHalfEven(10 * TicksPerMinute)),
              0);
    auto place = [&](int number, int rail, double dist, bool onRoute, int lookAhead) {
        TVell& tram = sim.TramNumber(number);
        tram.Speed = 0;
        tram.OnRoute = onRoute;
        tram.Front[0] = tram.Rear[0] = {std::uint16_t(rail), 0, dist};
        tram.ReservedRear = tram.ReservedFront = tram.Front[0];
        tram.LookAhead = {std::uint16_t(lookAhead), 0, 5};
    };
    place(1, ring[3], 20, false, ring[3]);
    place(3, ring[3], 40, false, ring[3]);
    place(4, ring[3], 60, true, ring[2]);
    place(5, ring[3], 80, true, ring[2]);
    place(2, ring[2], 60, true, ring[3]);

    const TJamPicture picture = LookForJams(*sim.World);
    ASSERT_EQ(picture.Blocked.size(), 5u);
    const TBlockedTram& waiting = picture.Blocked[1]; // by Number
    EXPECT_EQ(waiting.Number, 2);
    EXPECT_EQ(waiting.Rail, ring[3]);
    EXPECT_EQ(waiting.HeldBy, 1);

    ASSERT_EQ(picture.Deadlocks.size(), 1u);
    const TDeadlock& d = picture.Deadlocks[0];
    EXPECT_EQ(d.Members, (std::vector<int>{2, 4, 5}));
    ASSERT_EQ(d.Trams.size(), 2u);
    EXPECT_EQ(d.Trams[0].Number, 2);
    EXPECT_EQ(d.Trams[0].Rail, ring[3]);
    EXPECT_EQ(d.Trams[0].HeldBy, 1); // the lowest holder named, though the circle goes on to 4
    EXPECT_EQ(d.Trams[1].Number, 4);
    EXPECT_EQ(d.Trams[1].Rail, ring[2]);
}

} // namespace
} // namespace vell::test
