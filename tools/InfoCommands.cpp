// VellSim commands that read and rewrite a map file.
#include "tools/Commands.h"

#include "model/ObjectKind.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "tools/Json.h"
#include "tools/ToolMap.h"

#include <array>
#include <memory>
#include <ostream>

namespace vell::tool {

namespace {

std::string WaypointList(const TRouteRec& r) {
    std::string text;
    for (int k = 0; k < r.WaypointsUsed(); ++k)
        text += (k ? ", " : "") + std::to_string(r.Waypoints[k]);
    return text;
}

void PrintInfoText(const TMap& map, const std::array<int, 16>& kinds, std::ostream& out) {
    out << translate("VellSim", "Карта:") << " " << map.FileName << "\n";
    out << translate("VellSim", "Объектов:") << " " << map.ObjectCount() << "\n";
    for (int kind = 0; kind < 16; ++kind)
        if (kinds[kind] > 0 || kind < ObjectKindCount)
            out << "  " << KindCaption(std::uint8_t(kind)) << ": " << kinds[kind] << "\n";
    out << translate("VellSim", "Маршруты:") << "\n";
    int listed = 0;
    for (auto [i, j] : RouteTableOrder()) {
        const TRouteRec& r = map.Route(i, j);
        if (r.WaypointCount <= 0) continue;
        ++listed;
        out << "  " << RouteDisplayName(i, j) << ": "
            << Arg(translate("VellSim", "точки %1; вагонов %2; интервал %3 мин"), WaypointList(r),
                   std::to_string(int(r.Cars)), std::to_string(int(r.Interval)))
            << (r.InUse() ? "" : " " + translate("VellSim", "(маршрут не задан)")) << "\n";
    }
    if (listed == 0) out << "  " << translate("VellSim", "нет") << "\n";
}

void PrintInfoJson(const TMap& map, const std::array<int, 16>& kinds, std::ostream& out) {
    TJsonObject kindCounts;
    for (int kind = 0; kind < 16; ++kind)
        if (kinds[kind] > 0 || kind < ObjectKindCount)
            kindCounts.AddInt(KindIdentifier(std::uint8_t(kind)), kinds[kind]);
    std::vector<std::string> routes;
    for (auto [i, j] : RouteTableOrder()) {
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
    for (const TMapObject& o : map->Objects)
        ++kinds[o.Kind()];
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
    if (TFileFault fault = TFileFault::None; !map->SaveToFile(&fault)) {
        err << WithReason(Arg(translate("VellSim", "VellSim: не удалось записать карту %1"),
                              map->FileName),
                          fault)
            << "\n";
        return ExitBadInput;
    }
    out << Arg(translate("VellSim", "Карта записана: %1 (объектов: %2)"), map->FileName,
               std::to_string(map->ObjectCount()))
        << "\n";
    return ExitOk;
}

} // namespace vell::tool
