// VellSim commands over the rail network: the network check and the route table.
#include "tools/Commands.h"

#include "editor/ops/RouteEditing.h"
#include "model/Network.h"
#include "model/RouteTable.h"
#include "model/RouteWalk.h"
#include "model/Texts.h"
#include "tools/Json.h"
#include "tools/TextTable.h"
#include "tools/ToolMap.h"

#include <iomanip>
#include <memory>
#include <ostream>
#include <sstream>

namespace vell::tool {

namespace {

void PrintCheckText(const TMap& map, int result, const std::vector<TRailFault>& faults,
                    std::ostream& out) {
    if (result < 0) {
        out << translate("RouteEditing", RailsInOrderText) << "\n";
        return;
    }
    out << translate("VellSim", "Ошибка с рельсами! Неисправных рельсов:") << " " << faults.size()
        << "\n";
    for (const TRailFault& f : faults) {
        const TMapObject& o = map.Objects[f.Index];
        out << "  " << translate("VellSim", "рельс") << " " << f.Index << " (" << o.X1 << ", "
            << o.Y1 << ") - (" << o.X2 << ", " << o.Y2 << "): " << RailRulesText(f.Rules) << "\n";
    }
}

void PrintCheckJson(int result, const std::vector<TRailFault>& faults, std::ostream& out) {
    std::vector<std::string> items;
    for (const TRailFault& f : faults) {
        std::vector<std::string> rules;
        for (const TRailRuleText& r : RailRuleTexts)
            if (f.Rules & r.Rule) rules.push_back(JsonString(r.Identifier));
        items.push_back(
            TJsonObject().AddInt("index", f.Index).Add("rules", JsonArray(rules)).Str());
    }
    out << TJsonObject()
               .AddBool("network_ok", result < 0)
               .AddInt("result", result)
               .Add("faulty", JsonArray(items))
               .Str()
        << "\n";
}

std::string RouteJson(const TMap& map, const TRouteTableRow& row) {
    const TRouteRec& r = map.Route(row.Row, row.Column);
    const TRouteFigures& f = row.Figures;
    auto intOrNull = [](const std::optional<int>& v) {
        return v ? std::to_string(*v) : std::string("null");
    };
    std::vector<int> choices(r.Choices.begin(), r.Choices.begin() + r.ChoiceCount);
    const int recorded = std::min<int>(r.StopCount, MaxStopTimes);
    std::vector<int> stopTimes(r.StopTimes.begin(), r.StopTimes.begin() + recorded);
    std::vector<int> catchments;
    WalkRoute(map, r, [&](int rail) {
        if (map.Objects[rail].IsStop()) catchments.push_back(map.Objects[rail].Catchment());
    });
    return TJsonObject()
        .AddString("name", RouteDisplayName(row.Row, row.Column))
        .AddInt("row", row.Row)
        .AddInt("col", row.Column)
        .AddBool("usable", f.Usable)
        .AddInt("stops", f.Stops)
        .AddInt("length_m", f.LengthM)
        .Add("mean_spacing_m", intOrNull(f.MeanSpacingM))
        .AddInt("circuit_min", f.CircuitMin)
        .Add("mean_speed_kmh", intOrNull(f.MeanSpeedKmh))
        .AddInt("interval_min", f.IntervalMin)
        .AddInt("cars", f.Cars)
        .AddInt("tram_count", r.TramCount)
        .AddInt("choice_count", r.ChoiceCount)
        .Add("choices", JsonIntArray(choices))
        .AddInt("run_time_ticks", r.RunTime)
        .Add("stop_times", JsonIntArray(stopTimes))
        .Add("catchments", JsonIntArray(catchments))
        .Str();
}

} // namespace

int RunCheck(const TArguments& args, std::ostream& out, std::ostream& err) {
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    std::vector<TRailFault> faults;
    const int result = BuildNetwork(*map, &faults);
    if (args.Has("--json"))
        PrintCheckJson(result, faults, out);
    else
        PrintCheckText(*map, result, faults, out);
    return result < 0 ? ExitOk : ExitFindings;
}

int RunRoutes(const TArguments& args, std::ostream& out, std::ostream& err) {
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    const TMapSelection selection = SelectMap(*map);
    const bool networkOk = selection.NetworkResult < 0;
    if (args.Has("--json")) {
        std::vector<std::string> routes;
        for (const TRouteTableRow& row : selection.Rows)
            routes.push_back(RouteJson(*map, row));
        out << TJsonObject()
                   .AddBool("network_ok", networkOk)
                   .AddInt("total_trams", selection.TotalTrams)
                   .Add("routes", JsonArray(routes))
                   .Str()
            << "\n";
        return networkOk ? ExitOk : ExitFindings;
    }
    if (!networkOk) {
        ReportRailError(out, *map);
        return ExitFindings;
    }
    std::vector<std::vector<std::string>> rows{RouteTableHeaders()};
    for (const TRouteTableRow& row : selection.Rows) {
        rows.push_back(RouteTableCells(row, map->Route(row.Row, row.Column)));
        if (!row.Figures.Usable) rows.back().push_back(RouteFaultText(row.Figures.Fault));
    }
    PrintTable(rows, out);
    if (selection.Rows.empty()) out << translate("VellSim", "Маршрутов нет") << "\n";
    out << translate("VellSim", "Всего трамваев:") << " " << selection.TotalTrams << "\n";
    return ExitOk;
}

} // namespace vell::tool
