// VellSim replay: a drive's recording run headless over its map, and how it ended: its steps,
// the player's tram at the end and the world's digest.
#include "tools/Commands.h"

#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "sim/CrashText.h"
#include "sim/Speed.h"
#include "sim/World.h"
#include "sim/save/Replay.h"
#include "tools/Interrupt.h"
#include "tools/Json.h"
#include "tools/ToolMap.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <ostream>

namespace vell::tool {

namespace {

std::string Hex(std::uint64_t digest) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(digest));
    return text;
}

std::string Seconds(std::int32_t ticks) {
    return FormatFixed(ticks / TicksPerSecond, 1);
}

std::string Kmh(double mpt) {
    return FormatFixed(MptToKmh(mpt), 1);
}

const char* CauseName(TAccidentCause cause) {
    switch (cause) {
    case TAccidentCause::None:
        return "none";
    case TAccidentCause::Crossing:
        return "crossing";
    case TAccidentCause::Overspeed:
        return "overspeed";
    case TAccidentCause::Overturn:
        return "overturn";
    case TAccidentCause::Collision:
        return "collision";
    }
    return "none";
}

// The accident in words, with its figures: the cab's own words.
std::string CrashText(const TCrash& crash) {
    const std::string reason = CrashReason(crash);
    return reason.empty() ? translate("VellSim", "причина не записана") : reason;
}

std::string TramJson(const TReplayOutcome& o) {
    TJsonObject crash;
    crash.AddString("cause", CauseName(o.Crash.Cause))
        .Add("speed_kmh", Kmh(o.Crash.Speed))
        .Add("limit_kmh", Kmh(o.Crash.Limit))
        .AddInt("speed_grade", o.Crash.SpeedGrade)
        .AddInt("other_tram", o.Crash.OtherNumber)
        .AddString("other_route", RouteDisplayName(o.Crash.OtherRouteRow, o.Crash.OtherRouteCol));
    return TJsonObject()
        .AddString("route", RouteDisplayName(o.RouteRow, o.RouteCol))
        .AddInt("number", o.Number)
        .Add("x", FormatFixed(o.X, 1))
        .Add("y", FormatFixed(o.Y, 1))
        .Add("speed_kmh", FormatFixed(o.SpeedKmh, 1))
        .Add("passengers", FormatFixed(o.Passengers, 1))
        .Add("deviation_s", Seconds(o.Deviation))
        .Add("max_late_s", Seconds(o.MaxLate))
        .AddBool("accident", o.Accident)
        .Add("crash", o.Accident ? crash.Str() : "null")
        .Str();
}

void PrintJson(const std::string& path, const TMap& map, const TReplayOutcome& o,
               std::ostream& out) {
    out << TJsonObject()
               .AddString("replay", path)
               .AddString("map", map.FileName)
               .AddInt("start_step", o.StartStep)
               .AddInt("end_step", o.EndStep)
               .AddInt("steps", o.EndStep - o.StartStep)
               .Add("tram", o.Number > 0 ? TramJson(o) : "null")
               .AddString("digest", Hex(o.Digest))
               .Str()
        << "\n";
}

void PrintText(const std::string& path, const TMap& map, const TReplayOutcome& o,
               std::ostream& out) {
    out << translate("VellSim", "Запись:") << " " << path << "\n"
        << translate("VellSim", "Карта:") << " " << map.FileName << "\n"
        << Arg(translate("VellSim", "Шаги мира: с %1 по %2, всего %3"), std::to_string(o.StartStep),
               std::to_string(o.EndStep), std::to_string(o.EndStep - o.StartStep))
        << "\n";
    if (o.Number <= 0) {
        out << translate("VellSim", "Трамвая игрока нет") << "\n";
    } else {
        out << Arg(translate("VellSim", "Трамвай игрока: маршрут %1, поезд %2"),
                   RouteDisplayName(o.RouteRow, o.RouteCol), std::to_string(o.Number))
            << "\n"
            << Arg(translate("VellSim", "Место: %1, %2; скорость %3 км/ч"), FormatFixed(o.X, 1),
                   FormatFixed(o.Y, 1), FormatFixed(o.SpeedKmh, 1))
            << "\n"
            << Arg(translate("VellSim", "Пассажиров: %1"), FormatFixed(o.Passengers, 1)) << "\n"
            << Arg(translate("VellSim", "Отклонение от расписания: %1 с, наибольшее опоздание: "
                                        "%2 с"),
                   Seconds(o.Deviation), Seconds(o.MaxLate))
            << "\n"
            << (o.Accident ? Arg(translate("VellSim", "Авария: %1"), CrashText(o.Crash))
                           : translate("VellSim", "Аварии нет"))
            << "\n";
    }
    out << translate("VellSim", "Отпечаток мира:") << " " << Hex(o.Digest) << "\n";
}

// How far a long replay has come, on stderr: on a terminal one line rewritten about twice a
// second, elsewhere (a log) a line every ten seconds, so a short replay prints nothing there.
class TReplayProgressLine {
  public:
    explicit TReplayProgressLine(std::ostream& err)
        : Err(err), Terminal(&err == &std::cerr && isatty(STDERR_FILENO) == 1),
          Every(Terminal ? std::chrono::milliseconds(500) : std::chrono::milliseconds(10000)),
          Next(std::chrono::steady_clock::now() + Every) {}
    ~TReplayProgressLine() {
        if (Shown && Terminal) Err << "\n";
    }
    void Show(long long played, long long total) {
        const auto now = std::chrono::steady_clock::now();
        if (now < Next) return;
        Next = now + Every;
        Shown = true;
        const std::string line =
            Arg(translate("VellSim", "Запись: шаг %1 из %2 (%3%)"), std::to_string(played),
                std::to_string(total), std::to_string(total > 0 ? played * 100 / total : 100));
        Err << (Terminal ? "\r" : "") << line << (Terminal ? "" : "\n") << std::flush;
    }

  private:
    std::ostream& Err;
    bool Terminal;
    std::chrono::milliseconds Every;
    std::chrono::steady_clock::time_point Next;
    bool Shown = false;
};

} // namespace

int RunReplayCommand(const TArguments& args, std::ostream& out, std::ostream& err) {
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
    // Ctrl+C stops a long replay after the step it is in, with a line, not half way through.
    TInterruptWatch interrupt;
    bool played = false;
    const TMapSearch search = SavedMapSearch(path, args.Value("--map"));
    {
        TReplayProgressLine line(err);
        played = RunReplay(replay, *map, world, outcome, error, search,
                           [&](long long done, long long all) {
                               if (interrupt.Signal() != 0) return false;
                               line.Show(done, all);
                               return true;
                           });
    }
    if (!played) {
        err << "VellSim: " << error << "\n";
        return interrupt.Signal() != 0 ? ExitSignalled + interrupt.Signal() : ExitBadInput;
    }
    if (args.Has("--json"))
        PrintJson(path, *map, outcome, out);
    else
        PrintText(path, *map, outcome, out);
    return ExitOk;
}

} // namespace vell::tool
