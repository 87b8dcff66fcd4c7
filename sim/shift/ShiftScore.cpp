// The shift's score, step by step: legs from one departure to the next, the faults of each, and
// the stops' points.
#include "sim/shift/ShiftScore.h"

#include "model/Texts.h"
#include "sim/LimitAhead.h"
#include "sim/Speed.h"
#include "sim/World.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

// More rails than a tram passes in one step: past them the walk from the last lead point gives
// up rather than charge stops it cannot be sure of.
constexpr int MostRailsInAStep = 256;

} // namespace

bool TShift::Valid(bool anyMinutes) const {
    switch (Kind) {
    case TShiftKind::Open:
        return Length == 0;
    case TShiftKind::Circuits:
        return Length >= MinCircuits && Length <= MaxCircuits;
    case TShiftKind::Minutes:
        return Length >= (anyMinutes ? 1 : MinMinutes) && Length <= MaxMinutes;
    }
    return false;
}

int RuleCategory(TScoreRule rule) {
    switch (rule) {
    case TScoreRule::Early:
    case TScoreRule::Late:
        return int(TScoreCategory::Timetable);
    case TScoreRule::StopPosition:
    case TScoreRule::DoorsWhileMoving:
    case TScoreRule::DoorsAwayFromStop:
    case TScoreRule::DepartedDoorsOpen:
    case TScoreRule::DepartedBeforeBoarding:
    case TScoreRule::StopPassed:
        return int(TScoreCategory::Stopping);
    case TScoreRule::Overspeed:
        return int(TScoreCategory::Speed);
    case TScoreRule::HardAcceleration:
    case TScoreRule::EmergencyBrake:
        return int(TScoreCategory::Comfort);
    case TScoreRule::Autopilot:
    case TScoreRule::Accident:
        break;
    }
    return -1;
}

int StarsFor(double total, bool accident) {
    if (accident) return 0;
    return total >= 90 ? 4 : total >= 75 ? 3 : total >= 60 ? 2 : total >= 40 ? 1 : 0;
}

std::int32_t PlannedStops(const TShift& shift, std::int32_t stopsPerCircuit, std::int32_t runTime) {
    switch (shift.Kind) {
    case TShiftKind::Open:
        return 0;
    case TShiftKind::Circuits:
        return std::max(1, shift.Length * stopsPerCircuit);
    case TShiftKind::Minutes:
        if (runTime <= 0 || stopsPerCircuit <= 0) return 1;
        return std::max(1, int(RoundHalfEven(shift.Length * TicksPerMinute * stopsPerCircuit /
                                             double(runTime))));
    }
    return 1;
}

void TShiftScore::Start(const TWorld& world, const TShift& shift, long long step,
                        bool autopilotDrives) {
    *this = TShiftScore{};
    const TVell* tram = world.PlayerTram;
    if (!tram || !tram->Route) return;
    Begun = true;
    Kind = shift;
    AutopilotDrives = autopilotDrives;
    TramNumber = tram->Number;
    RouteRow = tram->RouteRow;
    RouteCol = tram->RouteCol;
    StartStep = LastStep = step;
    PlannedCount = PlannedStops(shift, tram->Route->StopCount, tram->Route->RunTime);
    LeadObj = tram->Front[0].Obj;
    LeadSwitch = tram->Front[0].SwitchNo;
    DoorsWereOpening = tram->DoorsOpening;
    Speeds[0] = tram->Speed;
    SpeedCount = 1;
    // The stop the shift starts at is not one of its own: its leg was driven before.
    if (world.Rails()[LeadObj].Stop) Visit.Obj = LeadObj;
}

void TShiftScore::AfterStep(const TWorld& world, long long step) {
    if (!Begun || End != TShiftEnd::Running) return;
    LastStep = step;
    const TVell* tram = world.PlayerTram;
    if (!tram || tram->Number != TramNumber) {
        // The world handed the view another tram (one that left its route): not this shift's.
        End = TShiftEnd::Left;
        return;
    }
    Observe(world, *tram, step);
    if (End == TShiftEnd::Running) CheckDone(step);
}

void TShiftScore::EndByPlayer(long long step) {
    if (!Begun || End != TShiftEnd::Running) return;
    End = TShiftEnd::Left;
    LastStep = std::max(LastStep, step);
}

void TShiftScore::Observe(const TWorld& world, const TVell& tram, long long step) {
    const TRailTable& rails = world.Rails();
    const TRailPos& lead = tram.Front[0];
    const double v = tram.Speed;
    if (tram.AutoDrive && !AutopilotDrives) Leg.Autopilot = UsedAutopilot = true;

    if (tram.Accident) {
        Charge(TScoreRule::Accident, 0, MptToKmh(v), step, tram);
        End = TShiftEnd::Accident;
        return;
    }

    // The lead point moved on: the stop it was at is left, and any stop rail it crossed within
    // the step was passed without a stop.
    if (lead.Obj != LeadObj || lead.SwitchNo != LeadSwitch) {
        if (Visit.Obj >= 0 && Visit.Obj != lead.Obj) {
            PassStop(tram, step);
            Visit = {};
        }
        std::array<std::uint16_t, 8> crossed{};
        std::size_t crossedCount = 0;
        TRailPos p;
        p.Obj = std::uint16_t(LeadObj);
        p.SwitchNo = LeadSwitch;
        bool found = false;
        for (int n = 0; n < MostRailsInAStep && !found; ++n) {
            tram.NextObject(p);
            found = p.Obj == lead.Obj && p.SwitchNo == lead.SwitchNo;
            if (!found && rails[p.Obj].Stop && crossedCount < crossed.size())
                crossed[crossedCount++] = p.Obj;
        }
        // A lead point that did not move along its walk (put back by a save) crossed nothing.
        for (std::size_t k = 0; found && k < crossedCount && End == TShiftEnd::Running; ++k) {
            Visit = {crossed[k], true};
            PassStop(tram, step);
            Visit = {};
        }
        if (rails[lead.Obj].Stop && Visit.Obj != lead.Obj) Visit = {lead.Obj, true};
        LeadObj = lead.Obj;
        LeadSwitch = lead.SwitchNo;
        if (End != TShiftEnd::Running) return;
    }
    if (Visit.Obj == lead.Obj && tram.StopServed) Visit.Served = true;

    // Speed: the same limit ahead as the cab's speedometer shows.
    if (v > 0 && v > score::OverspeedShare * LimitAheadMpt(world, tram))
        Charge(TScoreRule::Overspeed, score::PointsPerMetreOver * v, v, step, tram,
               &OverspeedEvent);
    else
        OverspeedEvent = -1;

    // Comfort: the acceleration over the last steps, and emergency braking.
    const int at = int((step - StartStep) % score::AccelerationSteps);
    if (SpeedCount >= score::AccelerationSteps) {
        const double a = (v - Speeds[std::size_t(at)]) * TicksPerSecond * TicksPerSecond /
                         score::AccelerationSteps;
        if (std::fabs(a) > score::ComfortAcceleration) {
            const double load = tram.Passengers / tram.Capacity();
            Charge(TScoreRule::HardAcceleration, (score::ComfortBase + load) / TicksPerSecond,
                   1 / TicksPerSecond, step, tram, &ComfortEvent);
        } else {
            ComfortEvent = -1;
        }
    }
    Speeds[std::size_t(at)] = v;
    SpeedCount = std::min(SpeedCount + 1, score::AccelerationSteps);
    if (tram.Command <= score::EmergencyCommand && v > KmhToMpt(score::EmergencyKmh)) {
        if (BrakeSteps < score::EmergencySteps && ++BrakeSteps == score::EmergencySteps)
            Charge(TScoreRule::EmergencyBrake, score::EmergencyPoints, MptToKmh(v), step, tram);
    } else {
        BrakeSteps = 0;
    }

    // Doors: opened at a standstill at a stop, where the stop position is judged once.
    if (tram.DoorsOpening && !DoorsWereOpening) {
        if (tram.PrevSpeed > 0) {
            Charge(TScoreRule::DoorsWhileMoving, score::DoorFaultPoints, MptToKmh(tram.PrevSpeed),
                   step, tram);
        } else if (!rails[lead.Obj].Stop) {
            Charge(TScoreRule::DoorsAwayFromStop, score::DoorFaultPoints, 0, step, tram);
        } else if (Visit.Obj == lead.Obj && !Visit.DoorsOpened) {
            Visit.DoorsOpened = true;
            const double shortBy = rails[lead.Obj].Length - lead.Dist;
            if (Visit.Scored && shortBy > score::StopWindowMetres)
                Charge(TScoreRule::StopPosition,
                       std::min(score::StopPositionMost,
                                score::PointsPerMetreShort * (shortBy - score::StopWindowMetres)),
                       shortBy, step, tram);
        }
    }
    DoorsWereOpening = tram.DoorsOpening;

    // Moving off from a standstill: with the doors open, before boarding ended, or the
    // departure that measures the timetable and closes the leg.
    if (tram.PrevSpeed == 0 && v > 0) {
        if (tram.DoorOpening > score::DoorsOpenWidth)
            Charge(TScoreRule::DepartedDoorsOpen, score::DoorFaultPoints, tram.DoorOpening, step,
                   tram);
        if (Visit.Obj == lead.Obj && !Visit.Departed) {
            if (tram.StopServed) {
                Visit.Departed = true;
                if (Visit.Scored) CloseLeg(tram, step, true);
            } else if (Visit.DoorsOpened) {
                Charge(TScoreRule::DepartedBeforeBoarding, score::DoorFaultPoints, 0, step, tram);
            }
        }
    }
}

// The lead point left the visit's stop rail: served, the tram rolled off without a standstill
// and departs now; else the stop is passed.
void TShiftScore::PassStop(const TVell& tram, long long step) {
    if (!Visit.Scored || Visit.Departed) return;
    Visit.Departed = true;
    CloseLeg(tram, step, Visit.Served);
    CheckDone(step);
}

void TShiftScore::Charge(TScoreRule rule, double points, double figure, long long step,
                         const TVell& tram, std::int32_t* episode, double whole) {
    if (whole >= 0) {
        points = whole;
    } else if (const int c = RuleCategory(rule); c >= 0) {
        const double left = CategoryPointsPerStop[std::size_t(c)] - Leg.Lost[std::size_t(c)];
        Leg.Lost[std::size_t(c)] += points;
        points = std::clamp(left, 0.0, points);
    }
    if (episode && *episode >= 0) {
        TScoreEvent& e = Events[std::size_t(*episode)];
        e.Points += points;
        e.Figure += figure;
        return;
    }
    if (Events.size() >= MaxEvents) return;
    const TPointXY at = tram.PointXY(tram.Front[0]);
    Events.push_back({step, rule, points, figure, Reached + 1, at.X, at.Y});
    if (episode) *episode = std::int32_t(Events.size() - 1);
}

void TShiftScore::CloseLeg(const TVell& tram, long long step, bool served) {
    double kept = 0;
    std::array<double, ScoreCategoryCount> earned{};
    if (served && tram.StopIndex < MaxStopTimes) {
        const double seconds = double(tram.TimetableDeviation()) / TicksPerSecond;
        if (seconds > 0)
            Charge(TScoreRule::Early, seconds / score::SecondsEarlyPerPoint, seconds, step, tram);
        else if (-seconds > score::FreeLateSeconds)
            Charge(TScoreRule::Late,
                   (-seconds - score::FreeLateSeconds) / score::SecondsLatePerPoint, -seconds, step,
                   tram);
    }
    for (std::size_t c = 0; c < earned.size(); ++c) {
        earned[c] = CategoryPointsPerStop[c] - std::min(CategoryPointsPerStop[c], Leg.Lost[c]);
        kept += earned[c];
    }
    // A leg that earns nothing costs what it had left, in the one event that says why.
    if (!served)
        Charge(TScoreRule::StopPassed, 0, 0, step, tram, nullptr, kept);
    else if (Leg.Autopilot && !AutopilotDrives)
        Charge(TScoreRule::Autopilot, 0, 0, step, tram, nullptr, kept);
    else
        for (std::size_t c = 0; c < earned.size(); ++c)
            Earned[c] += earned[c];
    ++Reached;
    Leg = {};
    Leg.FirstEvent = std::uint32_t(Events.size());
    OverspeedEvent = ComfortEvent = -1;
}

void TShiftScore::CheckDone(long long step) {
    if (End != TShiftEnd::Running) return;
    switch (Kind.Kind) {
    case TShiftKind::Open:
        return;
    case TShiftKind::Circuits:
        if (Reached >= PlannedCount) End = TShiftEnd::Done;
        return;
    case TShiftKind::Minutes:
        if (Reached >= PlannedCount || double(step - StartStep) >= Kind.Length * TicksPerMinute)
            End = TShiftEnd::Done;
        return;
    }
}

double TShiftScore::PointsEarned() const {
    double sum = 0;
    for (double e : Earned)
        sum += e;
    return sum;
}

TEvaluation TShiftScore::Evaluation(bool allEvents) const {
    TEvaluation e;
    e.Shift = Kind;
    e.End = End;
    e.AutopilotDrives = AutopilotDrives;
    e.UsedAutopilot = UsedAutopilot;
    e.Continued = Continued;
    e.RouteRow = RouteRow;
    e.RouteCol = RouteCol;
    e.StartStep = StartStep;
    e.EndStep = LastStep;
    e.PlannedStops = Kind.Kind == TShiftKind::Open ? Reached : PlannedCount;
    e.StopsReached = Reached;
    e.Points = Earned;
    for (std::size_t c = 0; c < e.MaxPoints.size(); ++c)
        e.MaxPoints[c] = CategoryPointsPerStop[c] * e.PlannedStops;
    e.Total = e.PlannedStops > 0 ? PointsEarned() / e.PlannedStops : 0;
    if (End == TShiftEnd::Accident) e.Total /= 2;
    e.Stars = StarsFor(e.Total, End == TShiftEnd::Accident);
    if (allEvents)
        e.Events = Events;
    else if (!Events.empty())
        e.Events.push_back(Events.back());
    return e;
}

bool TShiftScore::Eligible() const {
    return Begun && End == TShiftEnd::Done && Kind.Kind != TShiftKind::Open && !UsedAutopilot &&
           !AutopilotDrives && !Continued;
}

bool TShiftScore::InBounds(int objects) const {
    if (!Begun) return true;
    constexpr std::int32_t mostStops = TShift::MaxCircuits * (1 << 16);
    bool ok = Kind.Valid(true) && StartStep >= 0 && LastStep >= StartStep && PlannedCount >= 0 &&
              PlannedCount <= mostStops && Reached >= 0 &&
              (Kind.Kind == TShiftKind::Open || Reached <= PlannedCount) &&
              Leg.FirstEvent <= Events.size() && Visit.Obj >= -1 && Visit.Obj < objects &&
              LeadObj >= 0 && LeadObj < objects && LeadSwitch < MaxChoices && SpeedCount >= 1 &&
              SpeedCount <= score::AccelerationSteps && BrakeSteps >= 0 &&
              BrakeSteps <= score::EmergencySteps && OverspeedEvent >= -1 &&
              OverspeedEvent < std::int32_t(Events.size()) && ComfortEvent >= -1 &&
              ComfortEvent < std::int32_t(Events.size()) && RouteRow < RouteRows &&
              RouteCol < RouteColumns;
    for (std::size_t c = 0; c < Earned.size(); ++c)
        ok = ok && Earned[c] >= 0 && Earned[c] <= CategoryPointsPerStop[c] * Reached &&
             Leg.Lost[c] >= 0;
    for (double v : Speeds)
        ok = ok && v >= 0;
    for (const TScoreEvent& e : Events)
        ok = ok && e.Step >= StartStep && e.Step <= LastStep && e.Points >= 0 &&
             e.Points <= PointsPerStop && e.Stop >= 1 && e.Stop <= Reached + 1;
    return ok;
}

std::string RuleName(TScoreRule rule) {
    switch (rule) {
    case TScoreRule::Early:
        return translate("Score", "Отправление раньше расписания");
    case TScoreRule::Late:
        return translate("Score", "Отправление с опозданием");
    case TScoreRule::StopPosition:
        return translate("Score", "Остановка не у конца платформы");
    case TScoreRule::DoorsWhileMoving:
        return translate("Score", "Двери открыты на ходу");
    case TScoreRule::DoorsAwayFromStop:
        return translate("Score", "Двери открыты вне остановки");
    case TScoreRule::DepartedDoorsOpen:
        return translate("Score", "Отправление с открытыми дверями");
    case TScoreRule::DepartedBeforeBoarding:
        return translate("Score", "Отправление до конца посадки");
    case TScoreRule::StopPassed:
        return translate("Score", "Остановка пропущена");
    case TScoreRule::Overspeed:
        return translate("Score", "Превышение скорости");
    case TScoreRule::HardAcceleration:
        return translate("Score", "Резкий разгон или торможение");
    case TScoreRule::EmergencyBrake:
        return translate("Score", "Экстренное торможение");
    case TScoreRule::Autopilot:
        return translate("Score", "Перегон на автопилоте");
    case TScoreRule::Accident:
        return translate("Score", "Авария");
    }
    return {};
}

std::string CategoryName(int category) {
    switch (category) {
    case int(TScoreCategory::Timetable):
        return translate("Score", "Расписание");
    case int(TScoreCategory::Stopping):
        return translate("Score", "Остановки");
    case int(TScoreCategory::Speed):
        return translate("Score", "Скорость");
    case int(TScoreCategory::Comfort):
        return translate("Score", "Плавность");
    }
    return {};
}

} // namespace vell
