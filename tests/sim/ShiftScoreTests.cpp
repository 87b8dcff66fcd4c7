// A shift's score on scripted drives over the demo city: a careful driver by hand, and the same
// drive with one fault each, which must cost exactly what its rule says; the same evaluation from
// the recording and from a save continued; quitting early never beats finishing.
#include "model/RouteTable.h"
#include "sim/CrashText.h"
#include "sim/LimitAhead.h"
#include "sim/Speed.h"
#include "sim/save/Replay.h"
#include "tests/sim/ScriptedDrive.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vell::test {
namespace {

const std::string DemoMap = VELL_MAPS_DIR "/demo.vl";
constexpr std::uint32_t Seed = 7;

// What the scripted driver does wrong, and at which of the shift's stops (from 1).
enum class TFault {
    None,
    Late,
    PassStop,
    Overspeed,
    HardBraking,
    DoorsMoving,
    EmergencyBrake,
    Crash
};

// A careful driver by hand: gentle traction and braking, well under the limit ahead, the switches
// taken as the route says, a stop 2.5 m short of the stop rail's end, the doors opened at a
// standstill and closed once boarding ended, and no departure before the timetable's time.
class TCarefulDriver {
  public:
    TCarefulDriver(TScriptedDrive& drive, TFault fault, int faultStop)
        : Drive(drive), Fault(fault), FaultStop(faultStop) {}

    void Step() {
        TVell& tram = Drive.Player();
        const TRailTable& rails = Drive.World.Rails();
        const TRailData& lead = rails[tram.Front[0].Obj];
        const bool faultLeg = Drive.Score.StopsReached() + 1 == FaultStop;
        TPlayerCommands c;
        c.Autopilot = false;
        const double v = tram.Speed;
        const double limit = LimitAheadMpt(Drive.World, tram);
        double cruise = std::min(0.88 * limit, KmhToMpt(54));
        if (faultLeg && Fault == TFault::Overspeed) cruise = 0.97 * limit;
        // Reckless from there on: full power, through the stops, into whatever is ahead.
        const bool reckless = Fault == TFault::Crash && Drive.Score.StopsReached() + 1 >= FaultStop;
        if (reckless) cruise = KmhToMpt(200);
        const double brakePerCommand = tram.MaxAccel; // m/tick² of braking per unit of command
        const bool atStop = lead.Stop && !tram.StopServed;
        const bool passing = (faultLeg && Fault == TFault::PassStop) || reckless;
        if (atStop && v == 0 && !passing) {
            c.Open = true; // boarding runs while the doors stay open
        } else if (tram.StopServed && lead.Stop && tram.DoorOpening > 0) {
            c.Close = true;
        } else if (tram.StopServed && lead.Stop && v == 0 && tram.TimetableDeviation() > 0 &&
                   !(faultLeg && Fault == TFault::Late)) {
            c.Controller = -0.3; // early: wait for the timetable
        } else if (faultLeg && Fault == TFault::Late && tram.StopServed && lead.Stop && v == 0 &&
                   tram.TimetableDeviation() > -LateHold) {
            c.Controller = -0.3;
        } else {
            // Towards the next stop's end along a braking curve of 1 m/s², under the speed the
            // track held ahead allows.
            const double toStop = passing ? 1e9 : DistanceToStopEnd(tram) - 2.5;
            const double comfortable = 1.3 / (TicksPerSecond * TicksPerSecond);
            double target = reckless ? cruise : std::min(cruise, 0.9 * tram.AllowedSpeed);
            if (toStop < 200)
                target = std::min(target, std::sqrt(2 * comfortable * std::max(toStop, 0.0)));
            if (toStop < 0.3 || v > target + KmhToMpt(1))
                c.Controller =
                    -std::clamp(v * v / (2 * std::max(toStop, 0.05)) / brakePerCommand, 0.15, 0.45);
            else if (v < target - KmhToMpt(1))
                c.Controller = reckless ? 1.0 : GentlePower(tram);
            // The faults made once: the doors opened at speed (and shut again at once), a full
            // braking from speed.
            if (faultLeg && Fault == TFault::DoorsMoving && v > KmhToMpt(15)) c.Open = true;
            if (Fault == TFault::DoorsMoving && tram.DoorsOpening) {
                c.Open = false;
                c.Close = true;
                Fault = TFault::None;
            }
            if (faultLeg && Fault == TFault::EmergencyBrake && v > KmhToMpt(25)) {
                Braking = true;
                Fault = TFault::None;
            }
            if (Braking && v > KmhToMpt(5)) c.Controller = -1;
            if (faultLeg && Fault == TFault::HardBraking && v > KmhToMpt(25)) HardBraking = true;
            if (HardBraking) {
                c.Controller = -0.8;
                if (v < KmhToMpt(15)) HardBraking = false, Fault = TFault::None;
            }
            // The last tick before a switch: current for the route's branch.
            if (lead.Switch && lead.Length - v - tram.MaxAccel <= tram.Front[0].Dist)
                c.Controller = tram.SwitchCommand(lead.Length - tram.Front[0].Dist,
                                                  tram.Route->Choices[tram.Front[0].SwitchNo] != 1);
        }
        if (Braking && v <= KmhToMpt(5)) Braking = false;
        Drive.Step(c);
    }

    // Seconds late the Late fault holds the tram beyond the free two minutes.
    static constexpr double LateHold = (120 + 45) * TicksPerSecond;

  private:
    // The most traction, up to the 0.7 a tram without full power gets, that accelerates by at
    // most 1.2 m/s².
    static double GentlePower(const TVell& tram) {
        double c = 0.7;
        while (c > 0.15 && tram.Acceleration(c) * TicksPerSecond * TicksPerSecond > 1.2)
            c -= 0.05;
        return c;
    }

    // Metres from the lead point to the end of the next stop rail it has not served, along the
    // route, within 200 m; far when there is none.
    double DistanceToStopEnd(const TVell& tram) const {
        const TRailTable& rails = Drive.World.Rails();
        TRailPos p = tram.Front[0];
        double d = rails[p.Obj].Length - p.Dist;
        if (rails[p.Obj].Stop && !tram.StopServed) return d;
        for (int n = 0; n < 64 && d < 200; ++n) {
            tram.NextObject(p);
            d += rails[p.Obj].Length;
            if (rails[p.Obj].Stop) return d;
        }
        return 1e9;
    }

    TScriptedDrive& Drive;
    TFault Fault;
    int FaultStop;
    bool Braking = false;
    bool HardBraking = false;
};

// A 15-minute shift driven carefully, with `fault` on the leg to stop `faultStop`.
struct TShiftRun {
    TShiftRun(TFault fault, int faultStop, const TShift& shift = {TShiftKind::Minutes, 15})
        : Drive(DemoMap, Seed, &shift) {
        TCarefulDriver driver(Drive, fault, faultStop);
        while (!Drive.Score.Finished() && Drive.Run.Steps < Drive.StartStep + 40000)
            driver.Step();
    }
    std::vector<TScoreEvent> EventsOf(TScoreRule rule) const {
        std::vector<TScoreEvent> found;
        for (const TScoreEvent& e : Drive.Score.Evaluation().Events)
            if (e.Rule == rule) found.push_back(e);
        return found;
    }
    TScriptedDrive Drive;
};

// The events, for a failure's message.
std::string Describe(const TScriptedDrive& drive) {
    std::string text;
    for (const TScoreEvent& e : drive.Score.Evaluation().Events)
        text += RuleName(e.Rule) + " stop " + std::to_string(e.Stop) + " step " +
                std::to_string(e.Step) + " -" + std::to_string(e.Points) + "; ";
    return text + CrashReason(drive.World.PlayerTram->Crash);
}

double Sum(const std::array<double, ScoreCategoryCount>& points) {
    return points[0] + points[1] + points[2] + points[3];
}

TEST(ShiftScore, ACarefulDriverEarnsFourStarsAndEveryFaultCostsWhatItsRuleSays) {
    const TShiftRun clean(TFault::None, 0);
    const TEvaluation e = clean.Drive.Score.Evaluation();
    ASSERT_EQ(e.End, TShiftEnd::Done) << Describe(clean.Drive);
    EXPECT_FALSE(e.UsedAutopilot);
    EXPECT_TRUE(clean.Drive.Score.Eligible());
    ASSERT_GE(e.StopsReached, 8) << e.PlannedStops << " planned, total " << e.Total << ": "
                                 << Describe(clean.Drive);
    EXPECT_GE(e.Total, 90) << e.PlannedStops << " planned, " << e.StopsReached
                           << " reached: " << Describe(clean.Drive);
    EXPECT_EQ(e.Stars, 4);
    EXPECT_TRUE(clean.EventsOf(TScoreRule::StopPassed).empty());
    // The points of the stops are the points of the categories, and the events' costs are what
    // the categories lost.
    double lost = 0;
    for (const TScoreEvent& event : e.Events)
        lost += event.Points;
    EXPECT_NEAR(Sum(e.Points) + lost, PointsPerStop * e.StopsReached, 1e-6);
    EXPECT_NEAR(e.Total, Sum(e.Points) / e.PlannedStops, 1e-12);

    {
        SCOPED_TRACE("late departure");
        const TShiftRun run(TFault::Late, 3);
        // Held at stop 3 until 165 s late: the stops after it are late too, each by its own
        // seconds.
        const auto late = run.EventsOf(TScoreRule::Late);
        ASSERT_FALSE(late.empty());
        EXPECT_EQ(late[0].Stop, 3);
        EXPECT_GE(late[0].Figure, 165);
        for (const TScoreEvent& event : late)
            EXPECT_NEAR(event.Points, std::min(40.0, (event.Figure - 120) / 3), 1e-9);
    }
    {
        SCOPED_TRACE("a stop passed");
        const TShiftRun run(TFault::PassStop, 2);
        const auto passed = run.EventsOf(TScoreRule::StopPassed);
        ASSERT_EQ(passed.size(), 1u);
        EXPECT_EQ(passed[0].Stop, 2);
        double before = 0; // what the leg had already lost
        for (const TScoreEvent& event : run.Drive.Score.Evaluation().Events)
            if (event.Stop == 2 && event.Rule != TScoreRule::StopPassed) before += event.Points;
        EXPECT_NEAR(passed[0].Points + before, PointsPerStop, 1e-9);
    }
    {
        SCOPED_TRACE("overspeed");
        const TShiftRun run(TFault::Overspeed, 2);
        const auto over = run.EventsOf(TScoreRule::Overspeed);
        ASSERT_FALSE(over.empty());
        for (const TScoreEvent& event : over)
            EXPECT_NEAR(event.Points, std::min(20.0, 0.2 * event.Figure), 1e-9);
    }
    {
        SCOPED_TRACE("a hard braking");
        const TShiftRun run(TFault::HardBraking, 2);
        // Braking at -0.8 (2.4 m/s² for a tram of average brakes) on the leg to stop 2, which the
        // careful drive takes smoothly. (Full traction stays under 1.5 m/s² on this two-car tram
        // whatever the driver does.) A second
        // above 1.5 m/s² costs 0.5 and the load (0 to 1).
        const auto stop2 = [](const std::vector<TScoreEvent>& events) {
            return std::count_if(events.begin(), events.end(),
                                 [](const TScoreEvent& e) { return e.Stop == 2; });
        };
        const auto jerks = run.EventsOf(TScoreRule::HardAcceleration);
        EXPECT_GT(stop2(jerks), stop2(clean.EventsOf(TScoreRule::HardAcceleration)));
        for (const TScoreEvent& event : jerks) {
            EXPECT_GE(event.Points, 0.5 * event.Figure - 1e-9);
            EXPECT_LE(event.Points, 1.5 * event.Figure + 1e-9);
        }
    }
    {
        SCOPED_TRACE("doors opened while moving");
        const TShiftRun run(TFault::DoorsMoving, 2);
        const auto doors = run.EventsOf(TScoreRule::DoorsWhileMoving);
        ASSERT_EQ(doors.size(), 1u);
        EXPECT_EQ(doors[0].Points, 5);
    }
    {
        SCOPED_TRACE("an emergency braking");
        const TShiftRun run(TFault::EmergencyBrake, 2);
        const auto brakes = run.EventsOf(TScoreRule::EmergencyBrake);
        ASSERT_EQ(brakes.size(), 1u);
        EXPECT_EQ(brakes[0].Points, 5);
    }
    {
        SCOPED_TRACE("an accident");
        const TShiftRun run(TFault::Crash, 2);
        const TEvaluation crashed = run.Drive.Score.Evaluation();
        ASSERT_EQ(crashed.End, TShiftEnd::Accident);
        EXPECT_EQ(crashed.Events.back().Rule, TScoreRule::Accident);
        EXPECT_EQ(crashed.Stars, 0);
        EXPECT_NEAR(crashed.Total, Sum(crashed.Points) / crashed.PlannedStops / 2, 1e-12);
        EXPECT_FALSE(run.Drive.Score.Eligible());
    }
}

TEST(ShiftScore, TheRecordingAndAContinuedSaveGiveTheSameEvaluationAndQuittingNeverPays) {
    const TShift shift{TShiftKind::Circuits, 1};
    TScriptedDrive drive(DemoMap, Seed, &shift);
    TCarefulDriver driver(drive, TFault::None, 0);
    std::vector<std::uint8_t> saved;
    std::vector<double> quitTotals;
    std::uint64_t mapHash = 0;
    ASSERT_TRUE(MapFileHash(DemoMap, mapHash));
    while (!drive.Score.Finished() && drive.Run.Steps < drive.StartStep + 200000) {
        driver.Step();
        const long long driven = drive.Run.Steps - drive.StartStep;
        if (driven % 2000 == 0) {
            TShiftScore quit = drive.Score;
            quit.EndByPlayer(drive.Run.Steps);
            quitTotals.push_back(quit.Evaluation().Total);
        }
        if (driven == 3000) saved = EncodeWorldSave(drive.World, drive.Run, DemoMap, mapHash);
    }
    const TEvaluation live = drive.Score.Evaluation();
    ASSERT_EQ(live.End, TShiftEnd::Done);
    EXPECT_EQ(live.PlannedStops, drive.Player().Route->StopCount);
    EXPECT_GE(live.Stars, 3);
    for (double total : quitTotals)
        EXPECT_LT(total, live.Total);

    // The recording played again scores the same, bit for bit.
    TMap map;
    TRandom random(0);
    TWorld world(map, random);
    TReplayOutcome outcome;
    std::string error;
    ASSERT_TRUE(RunReplay(drive.Recorded(), map, world, outcome, error)) << error;
    ASSERT_TRUE(outcome.Evaluation);
    EXPECT_EQ(outcome.Evaluation->Total, live.Total);
    EXPECT_EQ(outcome.Evaluation->EndStep, live.EndStep);
    ASSERT_EQ(outcome.Evaluation->Events.size(), live.Events.size());
    for (std::size_t k = 0; k < live.Events.size(); ++k) {
        EXPECT_EQ(outcome.Evaluation->Events[k].Step, live.Events[k].Step);
        EXPECT_EQ(outcome.Evaluation->Events[k].Points, live.Events[k].Points);
    }

    // The save keeps the shift: restored, the drive goes on to the same evaluation.
    TWorldSave save;
    ASSERT_TRUE(DecodeWorldSave(saved, save, error)) << error;
    ASSERT_TRUE(save.Shift);
    EXPECT_EQ(save.Shift->Shift(), shift);
    TMap again;
    again.FileName = DemoMap;
    ASSERT_TRUE(again.LoadFromFile());
    SelectMap(again);
    TRandom random2(0);
    TWorld world2(again, random2);
    TShiftScore continued;
    TRunState run;
    run.Shift = &continued;
    ASSERT_TRUE(RestoreWorld(save, world2, run, error)) << error;
    ASSERT_TRUE(continued.Started());
    const TReplay recorded = drive.Recorded();
    TReplayPlayer player(recorded);
    while (run.Steps < drive.Run.Steps) {
        player.Before(world2, run.Steps);
        world2.WorldStep();
        continued.AfterStep(world2, ++run.Steps);
    }
    EXPECT_EQ(continued.Evaluation().Total, live.Total);
    EXPECT_EQ(continued.Evaluation().Events.size(), live.Events.size());

    // A version 1 save (without the shift's flag byte) is still read, as a save without one.
    TRunState noShift = drive.Run;
    noShift.Shift = nullptr;
    const std::vector<std::uint8_t> without = EncodeWorldSave(drive.World, noShift, DemoMap, 0);
    std::vector<std::uint8_t> body(without.begin() + std::ptrdiff_t(SealedHeaderBytes),
                                   without.end());
    const std::size_t flagAt = 2 + DemoMap.size() + 8 + 4 + 8 + 1 + 4;
    ASSERT_EQ(body[flagAt], 0);
    body.erase(body.begin() + std::ptrdiff_t(flagAt));
    TWorldSave bare;
    ASSERT_TRUE(DecodeWorldSave(SealFile({'V', 'L', 'S', 'V'}, 1, body), bare, error)) << error;
    EXPECT_FALSE(bare.Shift);
    EXPECT_EQ(bare.Steps, drive.Run.Steps);
}

TEST(ShiftScore, ShiftsPlanTheirStopsAndStarsFollowTheTotal) {
    EXPECT_EQ(PlannedStops({TShiftKind::Open, 0}, 20, 40000), 0);
    EXPECT_EQ(PlannedStops({TShiftKind::Circuits, 3}, 20, 40000), 60);
    // 60 minutes of a circuit of 20 stops that takes 30 minutes: 40 stops.
    EXPECT_EQ(PlannedStops({TShiftKind::Minutes, 60}, 20, int(30 * TicksPerMinute)), 40);
    EXPECT_EQ(PlannedStops({TShiftKind::Minutes, 15}, 1, int(300 * TicksPerMinute)), 1);
    EXPECT_EQ(StarsFor(90, false), 4);
    EXPECT_EQ(StarsFor(89.99, false), 3);
    EXPECT_EQ(StarsFor(75, false), 3);
    EXPECT_EQ(StarsFor(60, false), 2);
    EXPECT_EQ(StarsFor(40, false), 1);
    EXPECT_EQ(StarsFor(39.9, false), 0);
    EXPECT_EQ(StarsFor(100, true), 0);
    EXPECT_FALSE((TShift{TShiftKind::Circuits, 6}.Valid()));
    EXPECT_FALSE((TShift{TShiftKind::Minutes, 14}.Valid()));
    EXPECT_TRUE((TShift{TShiftKind::Minutes, 14}.Valid(true)));
}

} // namespace
} // namespace vell::test
