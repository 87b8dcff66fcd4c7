// VellSim's dispatcher and the commands that read and rewrite a map file.
#include "Commands.h"

#include "Json.h"
#include "ObjectKind.h"
#include "ToolMap.h"

#include <array>
#include <functional>
#include <memory>
#include <ostream>

namespace vell::tool {

namespace {

const char* const Usage =
    "Использование: VellSim [--seed N] КОМАНДА ...\n"
    "  info КАРТА [--json]      сведения о карте: объекты по видам, маршруты\n"
    "  resave ВХОД ВЫХОД        прочитать карту и записать её заново\n";

struct TCommand {
    const char* Name;
    std::size_t Positionals;
    TOptionSpec Options;
    std::function<int(const TArguments&, std::ostream&, std::ostream&)> Run;
};

std::vector<TCommand> Commands() {
    return {
        {"info", 1, {{"--json"}, {}}, RunInfo},
        {"resave", 2, {{}, {}}, RunResave},
    };
}

std::string WaypointList(const TRouteRec& r) {
    std::string text;
    for (int k = 0; k < r.WaypointsUsed(); ++k)
        text += (k ? ", " : "") + std::to_string(r.Waypoints[k]);
    return text;
}

void PrintInfoText(const TMap& map, const std::array<int, 16>& kinds, std::ostream& out) {
    out << "Карта: " << map.FileName << "\n";
    out << "Объектов: " << map.ObjectCount() << "\n";
    for (int kind = 0; kind < 16; ++kind)
        if (kinds[kind] > 0 || kind < ObjectKindCount)
            out << "  " << KindCaption(std::uint8_t(kind)) << ": " << kinds[kind] << "\n";
    out << "Маршруты:\n";
    int listed = 0;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteRec& r = map.Route(i, j);
            if (r.WaypointCount <= 0) continue;
            ++listed;
            out << "  " << RouteDisplayName(i, j) << ": точки " << WaypointList(r) << "; вагонов "
                << int(r.Cars) << "; интервал " << int(r.Interval) << " мин"
                << (r.InUse() ? "" : " (маршрут не задан)") << "\n";
        }
    if (listed == 0) out << "  нет\n";
}

void PrintInfoJson(const TMap& map, const std::array<int, 16>& kinds, std::ostream& out) {
    TJsonObject kindCounts;
    for (int kind = 0; kind < 16; ++kind)
        if (kinds[kind] > 0 || kind < ObjectKindCount)
            kindCounts.AddInt(KindIdentifier(std::uint8_t(kind)), kinds[kind]);
    std::vector<std::string> routes;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteRec& r = map.Route(i, j);
            if (r.WaypointCount <= 0) continue;
            std::vector<int> waypoints(r.Waypoints.begin(), r.Waypoints.begin() + r.WaypointsUsed());
            routes.push_back(TJsonObject()
                                 .AddString("name", RouteDisplayName(i, j))
                                 .AddInt("row", i)
                                 .AddInt("col", j)
                                 .AddBool("in_use", r.InUse())
                                 .Add("waypoints", JsonIntArray(waypoints))
                                 .AddInt("cars", r.Cars)
                                 .AddInt("interval_min", r.Interval)
                                 .Str());
        }
    out << TJsonObject()
               .AddString("file", map.FileName)
               .AddInt("object_count", map.ObjectCount())
               .Add("kinds", kindCounts.Str())
               .Add("routes", JsonArray(routes))
               .Str()
        << "\n";
}

} // namespace

int RunInfo(const TArguments& args, std::ostream& out, std::ostream& err) {
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    std::array<int, 16> kinds{};
    for (const TMapObject& o : map->Objects) ++kinds[o.Kind()];
    if (args.Has("--json"))
        PrintInfoJson(*map, kinds, out);
    else
        PrintInfoText(*map, kinds, out);
    return ExitOk;
}

int RunResave(const TArguments& args, std::ostream& out, std::ostream& err) {
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    map->FileName = args.Positional[1];
    if (!map->SaveToFile()) {
        err << "VellSim: не удалось записать карту " << map->FileName << "\n";
        return ExitBadInput;
    }
    out << "Карта записана: " << map->FileName << " (объектов: " << map->ObjectCount() << ")\n";
    return ExitOk;
}

int RunVellSim(const std::vector<std::string>& all, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = all;
    // Options before the command apply to every command.
    std::optional<std::uint32_t> seed;
    while (!args.empty() && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--help") {
            out << Usage;
            return ExitOk;
        }
        if (args[0] == "--seed" && args.size() >= 2) {
            auto v = ParseInteger(args[1], 0, 4294967295LL);
            if (!v) {
                err << "VellSim: --seed ждёт целое число от 0 до 4294967295\n";
                return ExitBadInput;
            }
            seed = std::uint32_t(*v);
            args.erase(args.begin(), args.begin() + 2);
            continue;
        }
        err << "VellSim: неизвестный параметр " << args[0] << "\n" << Usage;
        return ExitBadInput;
    }
    if (args.empty()) {
        err << Usage;
        return ExitBadInput;
    }
    for (const TCommand& command : Commands()) {
        if (args[0] != command.Name) continue;
        std::string error;
        auto parsed = ParseArguments({args.begin() + 1, args.end()}, command.Options, error);
        if (!parsed) {
            err << "VellSim " << command.Name << ": " << error << "\n" << Usage;
            return ExitBadInput;
        }
        if (parsed->Positional.size() != command.Positionals) {
            err << "VellSim " << command.Name << ": неверное число аргументов\n" << Usage;
            return ExitBadInput;
        }
        if (seed) parsed->Values["--seed"] = std::to_string(*seed);
        return command.Run(*parsed, out, err);
    }
    err << "VellSim: неизвестная команда " << args[0] << "\n" << Usage;
    return ExitBadInput;
}

} // namespace vell::tool
