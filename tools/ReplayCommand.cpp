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
#include "tools/Json.h"
#include "tools/ToolMap.h"

#include <cstdio>
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
    if (!RunReplay(replay, *map, world, outcome, error,
                   SavedMapSearch(path, args.Value("--map")))) {
        err << "VellSim: " << error << "\n";
        return ExitBadInput;
    }
    if (args.Has("--json"))
        PrintJson(path, *map, outcome, out);
    else
        PrintText(path, *map, outcome, out);
    return ExitOk;
}

} // namespace vell::tool
