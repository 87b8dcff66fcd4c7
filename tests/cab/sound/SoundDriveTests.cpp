// Drives through the demo city and the cab tests' ring, heard from the cab through OpenAL
// Soft's loopback device, and what the recordings hold: silence standing, rolling that grows
// with speed, a knock for each rail join, the chime as the doors close, squeal on tight curves
// only, another tram heard as it comes.
#include "cab/sound/DriveRecording.h"
#include "cab/sound/SoundMix.h"
#include "cab/sound/Synth.h"
#include "model/Units.h"
#include "sim/RunAhead.h"
#include "sim/Speed.h"
#include "tests/cab/CabTestWorld.h"
#include "tests/cab/sound/SoundMeasure.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace vell::test {
namespace {

// What the world did in one step of a recording, read from the trams.
struct TStepLog {
    double Kmh = 0;
    double Command = 0;
    bool DoorsShut = true;
    bool ClosingStarts = false; // the doors begin to close
    int Joins = 0;              // car points that moved onto another rail
    bool TightCurve = false;    // a car stands over a join that turns by more than 5 degrees
    double NearestOther = 1e9;  // metres from the cab to the nearest other tram's head
};

// The heading change between two rails, degrees, from their end points.
double TurnDegrees(const TMap& map, int a, int b) {
    const TMapObject &p = map.Objects[std::size_t(a)], &q = map.Objects[std::size_t(b)];
    const double ax = p.X2 - p.X1, ay = p.Y2 - p.Y1, bx = q.X2 - q.X1, by = q.Y2 - q.Y1;
    const double cosine = (ax * bx + ay * by) / std::hypot(ax, ay) / std::hypot(bx, by);
    return std::acos(std::clamp(cosine, -1.0, 1.0)) * 180 / std::numbers::pi;
}

class TDriveLog {
  public:
    void Observe(const TWorld& world) {
        const TVell& tram = *world.PlayerTram;
        TStepLog step;
        step.Kmh = MptToKmh(tram.Speed);
        step.Command = tram.Command;
        step.DoorsShut = tram.DoorOpening == 0;
        const bool closing = tram.DoorsClosing && tram.DoorOpening > 0;
        step.ClosingStarts = closing && !WasClosing;
        WasClosing = closing;
        std::vector<int> rails;
        for (int car = 0; car < tram.Cars(); ++car) {
            rails.push_back(tram.Front[std::size_t(car)].Obj);
            rails.push_back(tram.Rear[std::size_t(car)].Obj);
            if (tram.Front[std::size_t(car)].Obj != tram.Rear[std::size_t(car)].Obj &&
                step.Kmh > 10 &&
                TurnDegrees(world.Map, tram.Front[std::size_t(car)].Obj,
                            tram.Rear[std::size_t(car)].Obj) > 5)
                step.TightCurve = true;
        }
        if (rails.size() == Rails.size())
            for (std::size_t p = 0; p < rails.size(); ++p)
                step.Joins += rails[p] != Rails[p];
        Rails = rails;
        const TListener cab = ListenerInCab(tram);
        for (int k = 0; k < world.VellCount; ++k) {
            const TVell& other = *world.VellTable[std::size_t(k)];
            if (&other == &tram || !other.Active) continue;
            const TPointXY head = other.PointXY(other.Front[0]);
            step.NearestOther =
                std::min(step.NearestOther, std::hypot(head.X - cab.X, head.Y - cab.Y));
        }
        Steps.push_back(step);
    }
    std::vector<TStepLog> Steps;

  private:
    bool WasClosing = false;
    std::vector<int> Rails;
};

// The frames of step s (counted from 0 in the log).
std::size_t StepStart(std::size_t s) {
    return std::size_t(DriveFrameAfter(static_cast<long long>(s)));
}

// A recording of route 1 of the demo city as VellSim drive makes it, with the log of its steps.
struct TDemoDrive {
    std::unique_ptr<TMap> Map = NewMap();
    TRandom Random{7};
    std::unique_ptr<TWorld> World;
    TDriveLog Log;
    TDriveSound Sound;
    std::vector<double> Mono;

    explicit TDemoDrive(double seconds) {
        Map->FileName = std::string(VELL_MAPS_DIR) + "/demo.vl";
        EXPECT_TRUE(Map->LoadFromFile());
        EXPECT_EQ(SelectMap(*Map).NetworkResult, -1);
        World = std::make_unique<TWorld>(*Map, Random);
        World->StartWorld();
        EXPECT_EQ(WaitForTram(*World, 0, 0), TRunAhead::Ready);
        EXPECT_NE(FindPlayerTram(*World, 0, 0), nullptr);
        std::string why;
        EXPECT_TRUE(RecordDrive(*World, std::llround(seconds * TicksPerSecond), Sound, why,
                                [this](long long) { Log.Observe(*World); }))
            << why;
        Mono = test::Mono(Sound);
    }
};

// One recording for the demo city's tests: 100 s of route 1 from the start of a game, with one
// stop visit in it.
class DemoDrive : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { Drive = new TDemoDrive(100); }
    static void TearDownTestSuite() {
        delete Drive;
        Drive = nullptr;
    }
    static const std::vector<TStepLog>& Steps() { return Drive->Log.Steps; }
    static double StepRms(std::size_t s) {
        return RmsDb(Drive->Mono, StepStart(s), StepStart(s + 1));
    }
    static double StepTone(std::size_t s, double hz) {
        return ToneDb(Drive->Mono, StepStart(s), StepStart(s + 1), hz, DriveRate);
    }
    // Whether anything but rolling sounds within `margin` steps of step s.
    static bool Quiet(std::size_t s, std::size_t margin) {
        for (std::size_t t = s > margin ? s - margin : 0; t <= s + margin && t < Steps().size();
             ++t) {
            const TStepLog& l = Steps()[t];
            if (l.Joins > 0 || l.TightCurve || l.Command != 0 || !l.DoorsShut || l.Kmh == 0)
                return false;
        }
        return true;
    }
    static TDemoDrive* Drive;
};
TDemoDrive* DemoDrive::Drive = nullptr;

TEST_F(DemoDrive, EveryRailJoinPassedIsOneKnock) {
    const std::vector<std::size_t> knocks = Knocks(Drive->Mono, DriveRate);
    // Steps in which a car point moved onto another rail: two points in one step knock as one.
    int joinSteps = 0;
    for (const TStepLog& l : Steps())
        joinSteps += l.Joins > 0;
    ASSERT_GE(joinSteps, 30);
    int moving = 0;
    for (std::size_t k : knocks) {
        const std::size_t s =
            std::min(Steps().size() - 1, std::size_t(k * TicksPerSecond / DriveRate));
        if (Steps()[s].Kmh < 3) continue; // a start from standstill passes no join
        ++moving;
        bool join = false;
        for (std::size_t t = s > 1 ? s - 1 : 0; t <= s + 1 && t < Steps().size(); ++t)
            join = join || Steps()[t].Joins > 0;
        EXPECT_TRUE(join) << "a knock at " << k / double(DriveRate) << " s, at no rail join";
    }
    EXPECT_NEAR(moving, joinSteps, 1);
}

TEST_F(DemoDrive, RollingGrowsLouderWithSpeed) {
    // Coasting (no motors, no brakes, no join, no curve): the wheels alone, slower and faster.
    std::vector<double> slow, fast;
    for (std::size_t s = 0; s < Steps().size(); ++s) {
        if (!Quiet(s, 4)) continue;
        if (Steps()[s].Kmh < 16) slow.push_back(StepRms(s));
        if (Steps()[s].Kmh > 22) fast.push_back(StepRms(s));
    }
    ASSERT_GE(slow.size(), 20u);
    ASSERT_GE(fast.size(), 20u);
    std::sort(slow.begin(), slow.end());
    std::sort(fast.begin(), fast.end());
    const double slowDb = slow[slow.size() / 2], fastDb = fast[fast.size() / 2];
    EXPECT_GT(slowDb, -45);
    EXPECT_GT(fastDb, slowDb + 3) << "slower " << slowDb << " dB, faster " << fastDb << " dB";
}

TEST_F(DemoDrive, TheChimeSoundsAsTheDoorsStartClosing) {
    int closings = 0;
    const std::size_t half = std::size_t(0.3 * TicksPerSecond);
    for (std::size_t s = half; s + 3 * half < Steps().size(); ++s) {
        if (!Steps()[s].ClosingStarts) continue;
        ++closings;
        const double before =
            ToneDb(Drive->Mono, StepStart(s - half), StepStart(s), ChimeHighHz, DriveRate);
        const double high =
            ToneDb(Drive->Mono, StepStart(s), StepStart(s + half), ChimeHighHz, DriveRate);
        const double low = ToneDb(Drive->Mono, StepStart(s + half + 2), StepStart(s + 2 * half + 2),
                                  ChimeLowHz, DriveRate);
        EXPECT_GT(high, before + 20) << "at step " << s;
        EXPECT_GT(low, before + 20) << "at step " << s;
    }
    EXPECT_GE(closings, 1);
}

TEST_F(DemoDrive, FlangesSquealOnTheTightCurvesOnly) {
    int curveSteps = 0;
    for (std::size_t s = 3; s + 3 < Steps().size(); ++s) {
        bool curveNear = false, curveHeld = true;
        for (std::size_t t = s - 3; t <= s + 3; ++t)
            curveNear = curveNear || Steps()[t].TightCurve;
        for (std::size_t t = s - 2; t <= s; ++t)
            curveHeld = curveHeld && Steps()[t].TightCurve;
        // The squeal is a loud tone: louder at its pitch than a little below it, where noise
        // (the brakes' hiss) is as loud.
        // It wavers by some 25 Hz about its pitch.
        double tone = -200, below = -200;
        for (double hz = -30; hz <= 30; hz += 10) {
            tone = std::max(tone, StepTone(s, SquealHz + hz));
            below = std::max(below, StepTone(s, SquealHz - 200 + hz));
        }
        const bool squeal = tone > -50 && tone > below + 15;
        if (curveHeld) {
            ++curveSteps;
            EXPECT_TRUE(squeal) << "no squeal at step " << s;
        } else if (!curveNear) {
            EXPECT_FALSE(squeal) << "squeal off the curves at step " << s;
        }
    }
    EXPECT_GE(curveSteps, 50);
}

// The cab tests' ring: the player's tram stands braked, doors shut, a while after the world's
// start; the route's next tram comes up behind it.
TEST(SoundRing, SilentStandingThenAnotherTramIsHeardComingUpBehind) {
    TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    // Away from the route's start, then braked to a stand.
    for (int s = 0; s < 40 * TicksPerSecond; ++s)
        city.World->WorldStep();
    tram.AutoDrive = false;
    tram.ManualCommand = -1;
    while (tram.Speed > 0)
        city.World->WorldStep();
    ASSERT_EQ(tram.DoorOpening, 0);
    TDriveLog log;
    TDriveSound sound;
    std::string why;
    // Until the next tram has come within 20 m, or stood still behind us.
    const long long steps = std::llround(6 * 60 * TicksPerSecond);
    ASSERT_TRUE(RecordDrive(*city.World, steps, sound, why, [&](long long) {
        log.Observe(*city.World);
    })) << why;
    const std::vector<double> mono = Mono(sound);
    // While no other tram is within hearing: silence.
    std::size_t heardFrom = 0, silentSteps = 0;
    for (std::size_t s = 0; s < log.Steps.size(); ++s) {
        ASSERT_EQ(log.Steps[s].Kmh, 0);
        if (log.Steps[s].NearestOther > HearingRange + 20) {
            ++silentSteps;
            EXPECT_LT(RmsDb(mono, StepStart(s), StepStart(s + 1)), -70) << "step " << s;
        } else if (heardFrom == 0) {
            heardFrom = s;
        }
    }
    ASSERT_GT(silentSteps, 100u);
    ASSERT_GT(heardFrom, 0u) << "no tram came";
    // Then louder and louder as it comes: louder at every 30 m closer, twice as loud from the
    // edge of hearing to the nearest.
    std::vector<std::pair<double, double>> levels; // metres, dB
    for (double metres = 140; metres > 20; metres -= 30)
        for (std::size_t s = heardFrom; s < log.Steps.size(); ++s)
            if (log.Steps[s].NearestOther <= metres) {
                const std::size_t from = StepStart(s), to = StepStart(s + 9);
                levels.push_back({metres, RmsDb(mono, from, to)});
                break;
            }
    ASSERT_GE(levels.size(), 3u);
    EXPECT_GT(levels.front().second, -60) << "not heard at " << levels.front().first << " m";
    EXPECT_GT(levels.back().second, levels.front().second + 6);
    for (std::size_t k = 1; k < levels.size(); ++k)
        EXPECT_GT(levels[k].second, levels[k - 1].second + 0.5)
            << levels[k].first << " m against " << levels[k - 1].first << " m";
}

} // namespace
} // namespace vell::test
