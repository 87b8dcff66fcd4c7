// VellSim score: the evaluation of a shift, from a drive's recording (what the cab gave at its
// end) or of the autopilot driving a route's first tram for some minutes.
#include "tools/Commands.h"

#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "sim/best/BestShifts.h"
#include "sim/save/Replay.h"
#include "sim/shift/ShiftScore.h"
#include "tools/Json.h"
#include "tools/ToolMap.h"

#include <memory>
#include <ostream>

namespace vell::tool {

namespace {

const char* const CategoryKeys[ScoreCategoryCount] = {"timetable", "stopping", "speed", "comfort"};

const char* RuleKey(TScoreRule rule) {
    switch (rule) {
    case TScoreRule::Early:
        return "early";
    case TScoreRule::Late:
        return "late";
    case TScoreRule::StopPosition:
        return "stop_position";
    case TScoreRule::DoorsWhileMoving:
        return "doors_while_moving";
    case TScoreRule::DoorsAwayFromStop:
        return "doors_away_from_stop";
    case TScoreRule::DepartedDoorsOpen:
        return "departed_doors_open";
    case TScoreRule::DepartedBeforeBoarding:
        return "departed_before_boarding";
    case TScoreRule::StopPassed:
        return "stop_passed";
    case TScoreRule::Overspeed:
        return "overspeed";
    case TScoreRule::HardAcceleration:
        return "hard_acceleration";
    case TScoreRule::EmergencyBrake:
        return "emergency_brake";
    case TScoreRule::Autopilot:
        return "autopilot";
    case TScoreRule::Accident:
        return "accident";
    }
    return "";
}

const char* EndKey(TShiftEnd end) {
    switch (end) {
    case TShiftEnd::Running:
        return "running";
    case TShiftEnd::Done:
        return "done";
    case TShiftEnd::Left:
        return "left";
    case TShiftEnd::Accident:
        return "accident";
    }
    return "";
}

std::string EndText(TShiftEnd end) {
    switch (end) {
    case TShiftEnd::Running:
        return translate("VellSim", "не окончена");
    case TShiftEnd::Done:
        return translate("VellSim", "выполнена");
    case TShiftEnd::Left:
        return translate("VellSim", "прервана водителем");
    case TShiftEnd::Accident:
        return translate("VellSim", "авария");
    }
    return {};
}

// Simulated time since the shift began: m:ss.
std::string ShiftClock(long long steps) {
    const long long seconds = RoundHalfEven(double(steps) / TicksPerSecond);
    const long long s = seconds % 60;
    return std::to_string(seconds / 60) + ":" + (s < 10 ? "0" : "") + std::to_string(s);
}

void PrintJson(const TEvaluation& e, std::ostream& out) {
    std::array<int, ScoreCategoryCount> counts{};
    std::vector<std::string> events;
    for (const TScoreEvent& event : e.Events) {
        if (const int c = RuleCategory(event.Rule); c >= 0) ++counts[std::size_t(c)];
        events.push_back(
            TJsonObject()
                .AddInt("step", event.Step)
                .Add("time_s", FormatFixed((event.Step - e.StartStep) / TicksPerSecond, 1))
                .AddInt("stop", event.Stop)
                .AddString("rule", RuleKey(event.Rule))
                .Add("points", FormatFixed(event.Points, 2))
                .Add("figure", FormatFixed(event.Figure, 2))
                .Add("x", FormatFixed(event.X, 1))
                .Add("y", FormatFixed(event.Y, 1))
                .Str());
    }
    TJsonObject categories;
    for (std::size_t c = 0; c < counts.size(); ++c)
        categories.Add(CategoryKeys[c], TJsonObject()
                                            .Add("points", FormatFixed(e.Points[c], 2))
                                            .Add("max", FormatFixed(e.MaxPoints[c], 2))
                                            .AddInt("events", counts[c])
                                            .Str());
    out << TJsonObject()
               .Add("shift",
                    TJsonObject()
                        .AddString("kind", e.Shift.Kind == TShiftKind::Open       ? "open"
                                           : e.Shift.Kind == TShiftKind::Circuits ? "circuits"
                                                                                  : "minutes")
                        .AddInt("length", e.Shift.Length)
                        .Str())
               .AddString("route", RouteDisplayName(e.RouteRow, e.RouteCol))
               .AddString("driver", e.AutopilotDrives ? "autopilot" : "player")
               .AddString("end", EndKey(e.End))
               .AddBool("used_autopilot", e.UsedAutopilot)
               .AddBool("continued", e.Continued)
               .AddInt("start_step", e.StartStep)
               .AddInt("end_step", e.EndStep)
               .AddInt("planned_stops", e.PlannedStops)
               .AddInt("stops_reached", e.StopsReached)
               .Add("total", FormatFixed(e.Total, 2))
               .AddInt("stars", e.Stars)
               .Add("categories", categories.Str())
               .Add("events", JsonArray(events))
               .Str()
        << "\n";
}

void PrintText(const TEvaluation& e, std::ostream& out) {
    out << Arg(translate("VellSim", "Смена: %1, маршрут %2, водитель: %3"), ShiftName(e.Shift),
               RouteDisplayName(e.RouteRow, e.RouteCol),
               e.AutopilotDrives ? translate("VellSim", "автопилот")
                                 : translate("VellSim", "игрок"))
        << "\n"
        << Arg(translate("VellSim", "Окончание: %1, шаги мира с %2 по %3"), EndText(e.End),
               std::to_string(e.StartStep), std::to_string(e.EndStep))
        << "\n"
        << Arg(translate("VellSim", "Остановок: %1 из %2"), std::to_string(e.StopsReached),
               std::to_string(e.PlannedStops))
        << "\n"
        << Arg(translate("VellSim", "Итог: %1 из 100, звёзд: %2"), FormatFixed(e.Total, 2),
               std::to_string(e.Stars))
        << "\n";
    for (int c = 0; c < ScoreCategoryCount; ++c)
        out << "  " << CategoryName(c) << ": " << FormatFixed(e.Points[std::size_t(c)], 2) << " / "
            << FormatFixed(e.MaxPoints[std::size_t(c)], 2) << "\n";
    out << Arg(translate("VellSim", "События: %1"), std::to_string(e.Events.size())) << "\n";
    for (const TScoreEvent& event : e.Events)
        out << "  " << ShiftClock(event.Step - e.StartStep) << "  "
            << Arg(translate("VellSim", "к остановке %1"), std::to_string(event.Stop)) << "  ("
            << FormatFixed(event.X, 0) << ", " << FormatFixed(event.Y, 0) << ")  "
            << RuleName(event.Rule) << "  -" << FormatFixed(event.Points, 2) << "\n";
}

void Print(const TArguments& args, const TEvaluation& e, std::ostream& out) {
    if (args.Has("--json"))
        PrintJson(e, out);
    else
        PrintText(e, out);
}

// The autopilot as the driver of route NAME's first tram, after the run-ahead a game makes, for
// a shift of N minutes.
int ScoreAutopilot(const TArguments& args, std::ostream& out, std::ostream& err) {
    const auto name = args.Value("--route");
    const auto route = name ? RouteSlotOfName(*name) : std::nullopt;
    if (!route) {
        ReportUsageError(err, "score",
                         name ? "--route names no route: " + *name
                              : std::string("--route NAME is needed (1, 10, 19, ...)"));
        return ExitBadInput;
    }
    const auto minutesText = args.Value("--minutes");
    const auto minutes = minutesText ? ParseInteger(*minutesText, 1, TShift::MaxMinutes)
                                     : std::optional<long long>();
    if (!minutes) {
        ReportUsageError(err, "score",
                         "--minutes takes a whole number from 1 to " +
                             std::to_string(TShift::MaxMinutes));
        return ExitBadInput;
    }
    std::uint32_t seed = TRandom::ClockSeed();
    if (auto text = args.Value("--seed")) {
        const auto v = ParseSeed(*text);
        if (!v) {
            ReportUsageError(err, "score", SeedRange);
            return ExitBadInput;
        }
        seed = *v;
    }
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(*args.Value("--autopilot"), *map, err)) return ExitBadInput;
    const std::string routeName = RouteDisplayName(route->first, route->second);
    if (!map->Route(route->first, route->second).InUse()) {
        err << Arg(translate("VellSim", "VellSim %1: маршрут %2 не задан"), "score", routeName)
            << "\n";
        return ExitBadInput;
    }
    if (SelectMap(*map).NetworkResult != -1) {
        ReportRailError(err, *map);
        return ExitFindings;
    }
    TRandom random(seed);
    TWorld world(*map, random);
    world.StartWorld();
    TRunAheadLoop loop = TRunAheadLoop::ForRoute(world, route->first, route->second);
    std::optional<TRunAhead> ready = loop.Check();
    while (!ready)
        ready = loop.Step();
    long long steps = loop.Steps();
    if (*ready != TRunAhead::Ready || !FindPlayerTram(world, route->first, route->second)) {
        err << Arg(translate("VellSim", "VellSim score: маршрут %1 не ходит"), routeName) << "\n";
        return ExitFindings;
    }
    TShiftScore score;
    score.Start(world, {TShiftKind::Minutes, std::int32_t(*minutes)}, steps, true);
    while (!score.Finished()) {
        world.WorldStep();
        score.AfterStep(world, ++steps);
    }
    if (!args.Has("--json"))
        out << Arg(translate("VellSim", "Зерно: %1"), std::to_string(seed)) << "\n";
    Print(args, score.Evaluation(), out);
    return ExitOk;
}

} // namespace

int RunScore(const TArguments& args, std::ostream& out, std::ostream& err) {
    if (args.Value("--autopilot")) {
        if (!args.Positional.empty()) {
            ReportUsageError(err, "score", "--autopilot MAP takes no recording");
            return ExitBadInput;
        }
        return ScoreAutopilot(args, out, err);
    }
    if (args.Positional.size() != 1 || args.Value("--route") || args.Value("--minutes")) {
        ReportUsageError(err, "score", "a recording, or --autopilot MAP --route NAME --minutes N");
        return ExitBadInput;
    }
    const std::string& path = args.Positional[0];
    TReplay replay;
    std::string error;
    if (!ReadReplay(path, replay, error)) {
        err << "VellSim: " << error << "\n";
        return ExitBadInput;
    }
    auto map = std::make_unique<TMap>();
    TRandom random(0); // the start save sets its state
    TWorld world(*map, random);
    TReplayOutcome outcome;
    if (!RunReplay(replay, *map, world, outcome, error,
                   SavedMapSearch(path, args.Value("--map")))) {
        err << "VellSim: " << error << "\n";
        return ExitBadInput;
    }
    if (!outcome.Evaluation) {
        err << "VellSim: " << translate("VellSim", "В записи нет трамвая игрока: оценивать нечего.")
            << "\n";
        return ExitBadInput;
    }
    Print(args, *outcome.Evaluation, out);
    return ExitOk;
}

} // namespace vell::tool
