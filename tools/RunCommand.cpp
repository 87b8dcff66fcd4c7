// VellSim run: the map selected as the game does, the world run for some simulated minutes,
// the route report and per-route figures. The same seed gives the same output, byte for byte;
// the speed of the run (wall time) goes to stderr, or into the JSON's steps_per_second.
#include "Commands.h"

#include "Json.h"
#include "Random.h"
#include "RouteReport.h"
#include "RouteTable.h"
#include "RunStatistics.h"
#include "TextTable.h"
#include "Texts.h"
#include "ToolMap.h"
#include "Units.h"
#include "World.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>

namespace vell::tool {

namespace {

constexpr long long MaxMinutes = 7 * 24 * 60;

struct TRunSettings {
    std::uint32_t Seed = 0;
    long long Minutes = 60;
};

struct TRunResult {
    long long Steps = 0;
    double StepsPerSecond = 0;
    std::string Report;
    std::vector<TRouteStatistics> Routes;
};

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string Rounded(double v) { return std::to_string(RoundHalfEven(v)); }

bool ReadSettings(const TArguments& args, TRunSettings& settings, std::ostream& err) {
    if (auto text = args.Value("--minutes")) {
        auto v = ParseInteger(*text, 0, MaxMinutes);
        if (!v) {
            ReportUsageError(err, "run", "--minutes takes a whole number from 0 to " +
                                             std::to_string(MaxMinutes));
            return false;
        }
        settings.Minutes = *v;
    }
    if (auto text = args.Value("--seed")) {
        auto v = ParseInteger(*text, 0, 4294967295LL);
        if (!v) {
            ReportUsageError(err, "run", "--seed takes a whole number from 0 to 4294967295");
            return false;
        }
        settings.Seed = std::uint32_t(*v);
    } else {
        settings.Seed = TRandom::ClockSeed(); // as the game does; printed, so it can be repeated
    }
    return true;
}

TRunResult RunWorld(TMap& map, const TRunSettings& settings) {
    TRandom random(settings.Seed);
    TWorld world(map, random);
    world.StartWorld();
    TRunStatistics statistics(world);
    TRunResult result;
    result.Steps = RoundHalfEven(settings.Minutes * TicksPerMinute);
    const auto started = std::chrono::steady_clock::now();
    for (long long s = 0; s < result.Steps; ++s) {
        world.WorldStep();
        statistics.Observe();
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    result.StepsPerSecond = took.count() > 0 ? result.Steps / took.count() : 0;
    result.Report = RouteReport(map);
    result.Routes = statistics.Routes();
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
        .Add("mean_deviation_s", s.MeanDeviationS ? Fixed(*s.MeanDeviationS, 1) : "null")
        .Add("worst_late_s", Fixed(s.WorstLateS, 1))
        .AddInt("off_route", s.OffRoute)
        .AddInt("accident_ticks", s.AccidentTicks)
        .Add("longest_standstill_min", Fixed(s.LongestStandstillMin, 1))
        .Str();
}

void PrintJson(const TRunSettings& settings, const TRunResult& r, std::ostream& out) {
    std::vector<std::string> routes;
    for (const TRouteStatistics& s : r.Routes) routes.push_back(RouteStatisticsJson(s));
    out << TJsonObject()
               .AddInt("seed", settings.Seed)
               .AddInt("minutes", settings.Minutes)
               .AddInt("steps", r.Steps)
               .Add("steps_per_second", Rounded(r.StepsPerSecond))
               .AddString("report", r.Report)
               .Add("routes", JsonArray(routes))
               .Str()
        << "\n";
}

void PrintText(const TMap& map, const TRunSettings& settings, const TRunResult& r,
               std::ostream& out) {
    out << translate("VellSim", "Карта:") << " " << map.FileName << "\n"
        << translate("VellSim", "Зерно:") << " " << settings.Seed << ", "
        << translate("VellSim", "минут:") << " " << settings.Minutes << ", "
        << translate("VellSim", "шагов мира:") << " " << r.Steps << "\n\n";
    for (char c : r.Report)
        if (c != '\r') out << c;
    out << "\n\n";
    static const char* const headers[] = {
        QT_TRANSLATE_NOOP("VellSim", "№"),         QT_TRANSLATE_NOOP("VellSim", "план"),
        QT_TRANSLATE_NOOP("VellSim", "выпущено"),  QT_TRANSLATE_NOOP("VellSim", "на линии"),
        QT_TRANSLATE_NOOP("VellSim", "остановок"), QT_TRANSLATE_NOOP("VellSim", "пропущено"),
        QT_TRANSLATE_NOOP("VellSim", "вошло"),     QT_TRANSLATE_NOOP("VellSim", "вышло"),
        QT_TRANSLATE_NOOP("VellSim", "ср.откл.с"), QT_TRANSLATE_NOOP("VellSim", "опозд.с"),
        QT_TRANSLATE_NOOP("VellSim", "сошли"),     QT_TRANSLATE_NOOP("VellSim", "аварий"),
        QT_TRANSLATE_NOOP("VellSim", "простой.мин")};
    std::vector<std::vector<std::string>> rows(1);
    for (const char* header : headers) rows[0].push_back(translate("VellSim", header));
    for (const TRouteStatistics& s : r.Routes)
        rows.push_back({RouteDisplayName(s.Row, s.Col), std::to_string(s.Planned),
                        std::to_string(s.Dispatched), std::to_string(s.InService),
                        std::to_string(s.StopsServed), std::to_string(s.StopsUnserved),
                        Rounded(s.Boarded), Rounded(s.Alighted),
                        s.MeanDeviationS ? Fixed(*s.MeanDeviationS, 1) : "-",
                        Fixed(s.WorstLateS, 1), std::to_string(s.OffRoute),
                        std::to_string(s.AccidentTicks), Fixed(s.LongestStandstillMin, 1)});
    PrintTable(rows, out, TAlign::Right);
    if (r.Routes.empty()) out << translate("VellSim", "Маршрутов нет") << "\n";
}

} // namespace

int RunRun(const TArguments& args, std::ostream& out, std::ostream& err) {
    TRunSettings settings;
    if (!ReadSettings(args, settings, err)) return ExitBadInput;
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    if (SelectMap(*map).NetworkResult >= 0) {
        err << "Ошибка с рельсами!\nПроверьте карту в редакторе (VellSim check " << map->FileName
            << ")\n";
        return ExitFindings;
    }
    const TRunResult result = RunWorld(*map, settings);
    if (args.Has("--json")) {
        PrintJson(settings, result, out);
    } else {
        PrintText(*map, settings, result, out);
        err << "Шагов мира в секунду: " << Rounded(result.StepsPerSecond) << "\n";
    }
    return ExitOk;
}

} // namespace vell::tool
