// VellSim run: the map selected as the game does, the world run for some simulated minutes,
// the route report and per-route figures. The same seed gives the same output, byte for byte;
// the speed of the run (wall time) goes to stderr, or into the JSON's steps_per_second.
#include "tools/Commands.h"

#include "model/FileName.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "sim/JamText.h"
#include "sim/Jams.h"
#include "sim/RouteReport.h"
#include "sim/RunStatistics.h"
#include "sim/Trace.h"
#include "sim/World.h"
#include "sim/save/WorldSave.h"
#include "tools/Interrupt.h"
#include "tools/Json.h"
#include "tools/TextTable.h"
#include "tools/ToolMap.h"
#include "tools/TraceOutput.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <ostream>

namespace vell::tool {

namespace {

struct TRunSettings {
    std::uint32_t Seed = 0;
    long long Minutes = 60;
    std::string TracePath;             // empty: no trace
    long long TraceFrom = 0;           // minutes
    long long TraceTo = MaxRunMinutes; // minutes, included
    long long SaveAt = -1;             // minutes; -1: no save
    std::string SavePath;
    std::string ContinuePath;               // empty: a fresh run of the map
    std::optional<std::string> ContinueMap; // --map: where the save's map is when it moved
    long long StartStep = 0; // the world steps before the run's first: the save's, continued
};

struct TRunResult {
    long long Steps = 0;
    double StepsPerSecond = 0;
    std::string Report;
    std::vector<TRouteStatistics> Routes;
    std::vector<TBlockedTram> BlockedAtEnd;
    std::vector<TJamEpisode> Episodes; // stands longer than JamEpisodeMinutes
    std::vector<TDeadlock> Deadlocks;
};

// A stand longer than this is a jam worth naming.
constexpr double JamEpisodeMinutes = 5;

std::string Rounded(double v) {
    return std::to_string(RoundHalfEven(v));
}

long long RunSteps(const TRunSettings& settings) {
    return RoundHalfEven(settings.Minutes * TicksPerMinute);
}

// The world steps a trace holds: of the run's steps 1..RunSteps, those whose time, counted from
// the world's start, lies within the trace's window. A continued run starts with the state after
// the save's step, so that step is its first.
struct TStepRange {
    long long First, Last;
    bool Empty() const { return First > Last; }
};

TStepRange TraceSteps(const TRunSettings& settings) {
    return {std::max({1LL, settings.StartStep,
                      (long long)std::ceil(settings.TraceFrom * TicksPerMinute)}),
            std::min(RunSteps(settings), (long long)std::floor(settings.TraceTo * TicksPerMinute))};
}

// Why the trace's window holds no world step; empty when it holds some.
std::string EmptyTraceWindow(const TRunSettings& settings) {
    const TStepRange steps = TraceSteps(settings);
    if (!steps.Empty()) return {};
    const std::string from = std::to_string(settings.TraceFrom);
    if (settings.TraceFrom > settings.TraceTo)
        return "--trace-from is later than --trace-to: the trace would be empty";
    if (settings.StartStep > 0 && steps.Last < settings.StartStep)
        return "--trace-to lies before the save's minute: the trace would be empty";
    if (steps.First > RunSteps(settings))
        return "the run (--minutes " + std::to_string(settings.Minutes) +
               ") has no world step from minute " + from + " on: the trace would be empty";
    return "no world step lies between minute " + from + " and minute " +
           std::to_string(settings.TraceTo) + ": the trace would be empty";
}

// --continue FILE (the map and the seed come from the save) or MAP; --save-at MIN FILE
// within the run.
bool ReadSaveSettings(const TArguments& args, TRunSettings& settings, std::ostream& err) {
    // The arguments after the map: the save's FILE of --save-at.
    std::size_t after = 0;
    if (auto file = args.Value("--continue")) {
        settings.ContinuePath = *file;
        settings.ContinueMap = args.Value("--map");
        if (args.Value("--seed")) {
            ReportUsageError(err, "run", "--seed: the seed comes from the save");
            return false;
        }
    } else if (args.Value("--map")) {
        ReportUsageError(err, "run", "--map goes with --continue FILE");
        return false;
    } else if (args.Positional.empty()) {
        ReportUsageError(err, "run", "needs a map, or --continue FILE");
        return false;
    } else {
        after = 1;
    }
    const std::size_t more = args.Positional.size() - after;
    if (auto text = args.Value("--save-at")) {
        const auto v = ParseInteger(*text, 1, MaxRunMinutes);
        if (!v || more != 1) {
            ReportUsageError(err, "run",
                             !v ? "--save-at takes a whole number of minutes from 1 to " +
                                      std::to_string(MaxRunMinutes)
                                : std::string("--save-at MIN needs the save's FILE after it"));
            return false;
        }
        settings.SaveAt = *v;
        settings.SavePath = args.Positional[after];
    } else if (more != 0) {
        ReportUsageError(err, "run", "unexpected argument " + args.Positional[after]);
        return false;
    }
    return true;
}

bool ReadSettings(const TArguments& args, TRunSettings& settings, std::ostream& err) {
    if (!ReadSaveSettings(args, settings, err)) return false;
    const auto length = ReadRunLength(args, "run", 0, err);
    if (!length) return false;
    settings.Minutes = length->Minutes;
    settings.Seed = length->Seed;
    if (auto text = args.Value("--trace")) settings.TracePath = *text;
    for (auto [option, minutes] : {std::pair{"--trace-from", &settings.TraceFrom},
                                   std::pair{"--trace-to", &settings.TraceTo}}) {
        auto text = args.Value(option);
        if (!text) continue;
        auto v = ParseInteger(*text, 0, MaxRunMinutes);
        if (!v || settings.TracePath.empty()) {
            const std::string why =
                settings.TracePath.empty()
                    ? " needs --trace FILE"
                    : " takes a whole number of minutes from 0 to " + std::to_string(MaxRunMinutes);
            ReportUsageError(err, "run", option + why);
            return false;
        }
        *minutes = *v;
    }
    if (settings.TracePath.empty()) return true;
    const std::string empty = EmptyTraceWindow(settings);
    if (!empty.empty()) ReportUsageError(err, "run", empty);
    return empty.empty();
}

// The raw trace of the steps within the trace window, to a file.
class TTraceWindow {
  public:
    TTraceWindow(std::ostream& out, const TWorld& world, const TRunSettings& settings)
        : Writer(out, world), Steps(TraceSteps(settings)) {}
    void Observe(long long step) {
        if (step >= Steps.First && step <= Steps.Last) Writer.WriteStep(step);
    }

  private:
    TTraceWriter Writer;
    TStepRange Steps;
};

// The run's watchers, hooked into the world before it starts or is restored.
struct TRunWatchers {
    explicit TRunWatchers(TWorld& world)
        : Statistics(world), Jams(world, RoundHalfEven(JamEpisodeMinutes * TicksPerMinute)) {}
    TRunStatistics Statistics;
    TJamWatch Jams;
};

// Runs the world, started or restored at the settings' StartStep, to the settings' minutes, or
// until `interrupt` catches a signal, writing the save at its minute. Empty `error` when it ran;
// else why not.
TRunResult RunWorld(TWorld& world, const TRunSettings& settings, std::ostream* traceFile,
                    const TInterruptWatch* interrupt, TRunWatchers& watchers, TRunState& state,
                    std::string& error) {
    TRunStatistics& statistics = watchers.Statistics;
    TJamWatch& jams = watchers.Jams;
    TRunResult result;
    std::unique_ptr<TTraceWindow> trace;
    if (traceFile) trace = std::make_unique<TTraceWindow>(*traceFile, world, settings);
    result.Steps = RunSteps(settings);
    const long long saveStep =
        settings.SaveAt >= 0 ? RoundHalfEven(settings.SaveAt * TicksPerMinute) : -1;
    const auto started = std::chrono::steady_clock::now();
    // The state the run continues from is the saved step's.
    if (trace && settings.StartStep > 0) trace->Observe(settings.StartStep);
    for (long long s = settings.StartStep; s < result.Steps; ++s) {
        if (interrupt && interrupt->Signal() != 0) break;
        world.WorldStep();
        statistics.Observe();
        jams.Observe();
        if (trace) trace->Observe(s + 1);
        if (s + 1 == saveStep) {
            state.Steps = s + 1;
            error = WriteWorldSave(settings.SavePath, world, state);
            if (!error.empty()) return result;
        }
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    result.StepsPerSecond =
        took.count() > 0 ? (result.Steps - settings.StartStep) / took.count() : 0;
    result.Report = RouteReport(world.Map);
    result.Routes = statistics.Routes();
    result.BlockedAtEnd = jams.Now().Blocked;
    result.Episodes = jams.Episodes();
    result.Deadlocks = jams.Deadlocks();
    return result;
}

std::string RouteStatisticsJson(const TRouteStatistics& s) {
    return TJsonObject()
        .AddString("name", RouteDisplayName(s.Row, s.Col))
        .AddInt("planned", s.Planned)
        .AddInt("dispatched", s.Dispatched)
        .AddInt("in_service", s.InService)
        .AddInt("stops_served", s.StopsServed)
        .AddInt("stops_unserved", s.StopsUnserved)
        .AddInt("boarded", RoundHalfEven(s.Boarded))
        .AddInt("alighted", RoundHalfEven(s.Alighted))
        .Add("mean_deviation_s", s.MeanDeviationS ? FormatFixed(*s.MeanDeviationS, 1) : "null")
        .Add("worst_late_s", FormatFixed(s.WorstLateS, 1))
        .AddInt("off_route", s.OffRoute)
        .AddInt("accident_ticks", s.AccidentTicks)
        .Add("longest_standstill_min", FormatFixed(s.LongestStandstillMin, 1))
        .Str();
}

std::string WaitsForJson(int heldBy) {
    return heldBy != 0 ? std::to_string(heldBy) : "null";
}

std::string MidpointJson(const TMap& map, int rail, const char* axis) {
    const TMapObject& o = map.Objects[std::size_t(rail)];
    const double v = axis[0] == 'x' ? (o.X1 + o.X2) / 2.0 : (o.Y1 + o.Y2) / 2.0;
    return FormatFixed(v, 1);
}

// One stand: tram, route, rail, the rail's midpoint, when it began and how long it lasted (to
// the end of the run for a stand still going on), and the tram it waited for.
std::string StandJson(const TMap& map, const TBlockedTram& t, long long steps, bool ongoing) {
    return TJsonObject()
        .AddInt("tram", t.Number)
        .AddString("route", RouteDisplayName(t.Row, t.Col))
        .AddInt("rail", t.Rail)
        .Add("x", MidpointJson(map, t.Rail, "x"))
        .Add("y", MidpointJson(map, t.Rail, "y"))
        .Add("start_min", t.Since >= 0 ? StepsAsMinutes(t.Since) : "null")
        .Add("length_min", StepsAsMinutes(steps))
        .AddBool("ongoing", ongoing)
        .Add("waits_for", WaitsForJson(t.HeldBy))
        .Str();
}

std::string JamsJson(const TMap& map, const TRunResult& r) {
    std::vector<std::string> atEnd, episodes;
    for (const TBlockedTram& t : r.BlockedAtEnd)
        atEnd.push_back(StandJson(map, t, t.Since >= 0 ? r.Steps - t.Since + 1 : 0, true));
    for (const TJamEpisode& e : r.Episodes)
        episodes.push_back(StandJson(map, e.Tram, e.Steps, e.Ongoing));
    return TJsonObject().Add("at_end", JsonArray(atEnd)).Add("episodes", JsonArray(episodes)).Str();
}

std::string DeadlocksJson(const TRunResult& r) {
    std::vector<std::string> deadlocks;
    for (const TDeadlock& d : r.Deadlocks) {
        std::vector<std::string> trams;
        for (const TBlockedTram& t : d.Trams)
            trams.push_back(TJsonObject()
                                .AddInt("tram", t.Number)
                                .AddString("route", RouteDisplayName(t.Row, t.Col))
                                .AddInt("rail", t.Rail)
                                .Str());
        deadlocks.push_back(TJsonObject()
                                .Add("formed_min", StepsAsMinutes(d.Formed))
                                .Add("trams", JsonArray(trams))
                                .Str());
    }
    return JsonArray(deadlocks);
}

// The route report ends its lines as the top view's message box wants them, "\r\n"; a file
// for other programs to read ends them with "\n" alone.
std::string WithoutCarriageReturns(const std::string& text) {
    std::string result;
    for (char c : text)
        if (c != '\r') result += c;
    return result;
}

void PrintJson(const TMap& map, const TRunSettings& settings, const TRunResult& r,
               std::ostream& out) {
    std::vector<std::string> routes;
    for (const TRouteStatistics& s : r.Routes)
        routes.push_back(RouteStatisticsJson(s));
    out << TJsonObject()
               .AddInt("seed", settings.Seed)
               .AddInt("minutes", settings.Minutes)
               .AddInt("steps", r.Steps)
               .Add("steps_per_second", Rounded(r.StepsPerSecond))
               .AddString("report", WithoutCarriageReturns(r.Report))
               .Add("routes", JsonArray(routes))
               .Add("jams", JamsJson(map, r))
               .Add("deadlocks", DeadlocksJson(r))
               .Str()
        << "\n";
}

// After the table: the long stands, the trams standing at the end and the deadlocks.
void PrintJams(const TMap& map, const TRunResult& r, std::ostream& out) {
    out << "\n";
    if (r.Episodes.empty()) {
        out << Arg(translate("Jams", "Заторов дольше %1 мин нет"),
                   std::to_string(int(JamEpisodeMinutes)))
            << "\n";
    } else {
        out << Arg(translate("Jams", "Заторы дольше %1 мин:"),
                   std::to_string(int(JamEpisodeMinutes)))
            << "\n";
        for (const TJamEpisode& e : r.Episodes)
            out << "  " << EpisodeLine(map, e) << "\n";
    }
    TJamPicture end;
    end.Blocked = r.BlockedAtEnd;
    end.Deadlocks = r.Deadlocks;
    out << JamPictureText(map, end, "\n");
}

void PrintText(const TMap& map, const TRunSettings& settings, const TRunResult& r,
               std::ostream& out) {
    out << translate("VellSim", "Карта:") << " " << map.FileName << "\n"
        << translate("VellSim", "Зерно:") << " " << settings.Seed << ", "
        << translate("VellSim", "минут:") << " " << settings.Minutes << ", "
        << translate("VellSim", "шагов мира:") << " " << r.Steps << "\n\n";
    out << WithoutCarriageReturns(r.Report) << "\n\n";
    static const char* const headers[] = {
        QT_TRANSLATE_NOOP("VellSim", "№"),          QT_TRANSLATE_NOOP("VellSim", "план"),
        QT_TRANSLATE_NOOP("VellSim", "выпущено"),   QT_TRANSLATE_NOOP("VellSim", "на линии"),
        QT_TRANSLATE_NOOP("VellSim", "остановок"),  QT_TRANSLATE_NOOP("VellSim", "пропущено"),
        QT_TRANSLATE_NOOP("VellSim", "вошло"),      QT_TRANSLATE_NOOP("VellSim", "вышло"),
        QT_TRANSLATE_NOOP("VellSim", "ср.откл.с"),  QT_TRANSLATE_NOOP("VellSim", "опозд.с"),
        QT_TRANSLATE_NOOP("VellSim", "сошли"),      QT_TRANSLATE_NOOP("VellSim", "аварий"),
        QT_TRANSLATE_NOOP("VellSim", "простой.мин")};
    std::vector<std::vector<std::string>> rows(1);
    for (const char* header : headers)
        rows[0].push_back(translate("VellSim", header));
    for (const TRouteStatistics& s : r.Routes)
        rows.push_back({RouteDisplayName(s.Row, s.Col), std::to_string(s.Planned),
                        std::to_string(s.Dispatched), std::to_string(s.InService),
                        std::to_string(s.StopsServed), std::to_string(s.StopsUnserved),
                        Rounded(s.Boarded), Rounded(s.Alighted),
                        s.MeanDeviationS ? FormatFixed(*s.MeanDeviationS, 1) : "-",
                        FormatFixed(s.WorstLateS, 1), std::to_string(s.OffRoute),
                        std::to_string(s.AccidentTicks), FormatFixed(s.LongestStandstillMin, 1)});
    PrintTable(rows, out, TAlign::Right);
    if (r.Routes.empty()) out << translate("VellSim", "Маршрутов нет") << "\n";
    PrintJams(map, r, out);
}

// Opens the trace of a world started or restored: never over the map, never clearly too big for its
// disk. False, said on `err`, when it is refused or cannot be opened.
bool StartTrace(const TRunSettings& settings, const TWorld& world, TTraceOutput& trace,
                std::ostream& err) {
    const TStepRange steps = TraceSteps(settings);
    return TraceAvoidsMap(settings.TracePath, world.Map.FileName, err) &&
           TraceFits(settings.TracePath,
                     CountTraceLines(world, settings.StartStep, steps.First, steps.Last), err) &&
           trace.Open(settings.TracePath, err);
}

} // namespace

// The first whole simulated minute whose end lies at or after `steps`: a save's own minute when
// it was written at one, the next when it was written between two (as a game save is).
long long FirstWholeMinuteFrom(long long steps) {
    long long minutes = std::max(0LL, (long long)std::floor(double(steps) / TicksPerMinute) - 1);
    while (RoundHalfEven(minutes * TicksPerMinute) < steps)
        ++minutes;
    return minutes;
}

// The save to continue from, its map loaded into `map`, and the run's whole length: up to the
// first whole minute at or after the save's step, and the settings' minutes more. False, said on
// `err`, when it cannot be continued.
bool OpenContinued(TRunSettings& settings, TWorldSave& save, TMap& map, std::ostream& err) {
    std::string error;
    if (!ReadWorldSave(settings.ContinuePath, save, error) ||
        !LoadSavedMap(save, map, error,
                      SavedMapSearch(settings.ContinuePath, settings.ContinueMap))) {
        err << "VellSim: " << error << "\n";
        return false;
    }
    if (!map.ExtrasWarning.empty()) err << "VellSim: " << map.ExtrasWarning << "\n";
    settings.StartStep = save.Steps;
    settings.Seed = save.Seed;
    if (double(save.Steps) / TicksPerMinute > double(MaxRunMinutes - settings.Minutes)) {
        ReportUsageError(err, "run",
                         "the save's minutes and --minutes pass " + std::to_string(MaxRunMinutes));
        return false;
    }
    const long long minutes = FirstWholeMinuteFrom(save.Steps);
    settings.Minutes += minutes;
    const bool savedAtWholeMinute = RoundHalfEven(minutes * TicksPerMinute) == save.Steps;
    if (settings.Minutes > MaxRunMinutes ||
        (settings.SaveAt >= 0 &&
         (settings.SaveAt < minutes || (savedAtWholeMinute && settings.SaveAt == minutes)))) {
        ReportUsageError(
            err, "run",
            settings.Minutes > MaxRunMinutes
                ? "the save's minutes and --minutes pass " + std::to_string(MaxRunMinutes)
                : "--save-at lies before the save's minute " + std::to_string(minutes));
        return false;
    }
    const std::string empty = settings.TracePath.empty() ? "" : EmptyTraceWindow(settings);
    if (!empty.empty()) ReportUsageError(err, "run", empty);
    return empty.empty();
}

int RunRun(const TArguments& args, std::ostream& out, std::ostream& err) {
    TRunSettings settings;
    if (!ReadSettings(args, settings, err)) return ExitBadInput;
    auto map = std::make_unique<TMap>();
    TWorldSave save;
    const bool continued = !settings.ContinuePath.empty();
    if (continued) {
        if (!OpenContinued(settings, save, *map, err)) return ExitBadInput;
    } else if (!LoadToolMap(args.Positional[0], *map, err)) {
        return ExitBadInput;
    }
    if (settings.SaveAt > settings.Minutes) {
        ReportUsageError(err, "run", "--save-at lies after the run's end (--minutes)");
        return ExitBadInput;
    }
    if (!settings.SavePath.empty() && SameFile(settings.SavePath, map->FileName)) {
        ReportUsageError(err, "run", "the save would replace the map");
        return ExitBadInput;
    }
    if (SelectMap(*map).NetworkResult >= 0) {
        ReportRailError(err, *map);
        return ExitFindings;
    }
    TRandom random(settings.Seed);
    TWorld world(*map, random);
    TRunWatchers watchers(world);
    TRunState state{settings.Seed, settings.StartStep, &watchers.Statistics, &watchers.Jams, {}};
    std::string error;
    if (!continued) {
        world.StartWorld();
    } else if (!RestoreWorld(save, world, state, error)) {
        err << "VellSim: " << error << "\n";
        return ExitBadInput;
    }
    TTraceOutput trace;
    // Only a trace to a file has something to clean up; otherwise a signal ends the run at once.
    std::optional<TInterruptWatch> interrupt;
    if (!settings.TracePath.empty()) {
        if (!StartTrace(settings, world, trace, err)) return ExitBadInput;
        if (trace.ToFile()) interrupt.emplace();
    }
    const TRunResult result =
        RunWorld(world, settings, settings.TracePath.empty() ? nullptr : &trace.Stream(),
                 interrupt ? &*interrupt : nullptr, watchers, state, error);
    if (!error.empty()) {
        trace.Abandon();
        err << "VellSim: " << error << "\n";
        return ExitBadInput;
    }
    if (interrupt && interrupt->Signal() != 0) {
        trace.Abandon();
        err << translate("VellSim", "VellSim: прогон прерван, след не записан") << "\n";
        return ExitSignalled + interrupt->Signal();
    }
    if (!settings.TracePath.empty() && !trace.Finish(err)) return ExitBadInput;
    if (args.Has("--json")) {
        PrintJson(*map, settings, result, out);
    } else {
        PrintText(*map, settings, result, out);
        err << Arg(translate("VellSim", "Шагов мира в секунду: %1"), Rounded(result.StepsPerSecond))
            << "\n";
    }
    return ExitOk;
}

} // namespace vell::tool
