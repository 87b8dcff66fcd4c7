// The route panel's operations and the rail check.
#include "editor/ops/RouteEditing.h"

#include "model/Route.h"
#include "model/Texts.h"

#include <algorithm>

namespace vell {

const char* const RailsInOrderText = QT_TRANSLATE_NOOP("RouteEditing", "С рельсами всё в порядке");

std::optional<std::string> CountPointCaption(int n) {
    if (n < 0 || n > MaxWaypoints) return std::nullopt;
    if (n == 0) return translate("RouteEditing", "Маршрут не задан");
    if (n == 1) return translate("RouteEditing", "1 точка (маршрут не задан)");
    // Russian's three forms; 1 itself never gets here, so English says "points" to all three.
    const int last = n % 10;
    const bool teens = n % 100 >= 11 && n % 100 <= 19;
    const char* text = (last == 1 && !teens) ? QT_TRANSLATE_NOOP("RouteEditing", "%1 точка")
                       : (last >= 2 && last <= 4 && !teens)
                           ? QT_TRANSLATE_NOOP("RouteEditing", "%1 точки")
                           : QT_TRANSLATE_NOOP("RouteEditing", "%1 точек");
    return Arg(translate("RouteEditing", text), std::to_string(n));
}

bool AddSelectedRailToRoute(TMap& map, int row, int column) {
    map.Modified = true; // also when nothing is added
    TRouteRec& route = map.Route(row, column);
    // A count below zero can come from a file; appending after it would index before the list.
    if (route.WaypointCount < 0) route.WaypointCount = 0;
    if (route.WaypointCount >= MaxWaypoints) return false;
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (!o.IsRail() || !o.Selected()) continue;
        route.Waypoints[route.WaypointCount++] = std::uint16_t(i);
        return true;
    }
    return false;
}

void ClearRoute(TMap& map, int row, int column) {
    map.Route(row, column).WaypointCount = 0;
    map.Modified = true;
}

TRouteCheck CheckRoute(TMap& map, int row, int column) {
    TRouteCheck check;
    if (BuildNetwork(map, &check.Faults) < 0) {
        check.Laying = map.LayRoute(row, column);
        check.Closes = map.Route(row, column).Usable;
        map.MarkRoute(row, column);
        for (const TMapObject& o : map.Objects)
            check.SelectedRails += o.Selected();
    }
    map.FreeNetwork();
    return check;
}

std::string RouteCheckText(const TMap& map, int row, int column, const TRouteCheck& check) {
    const std::string name = RouteDisplayName(row, column);
    if (!check.Faults.empty()) {
        const TRailFault& first = check.Faults.front();
        // Four values: filled one by one, each into the lowest marker left (none holds a "%").
        std::string text = translate("RouteEditing", "Маршрут %1 не проложен: ошибка с рельсами. "
                                                     "Неисправных рельсов: %2 (выделены); "
                                                     "рельс %3: %4");
        for (const std::string& value : {name, std::to_string(check.Faults.size()),
                                         std::to_string(first.Index), RailRulesText(first.Rules)})
            text = Arg(text, value);
        return text;
    }
    const TRouteRec& route = map.Route(row, column);
    // Waypoints are counted from 1, as the route panel counts them.
    const int from = check.Laying.Waypoint;
    const std::string fromText = std::to_string(from + 1);
    const std::string toText =
        std::to_string(route.WaypointCount > 0 ? (from + 1) % route.WaypointCount + 1 : 1);
    switch (check.Laying.Gap) {
    case TRouteGap::None:
        if (check.Closes)
            return Arg(
                translate("RouteEditing", "Маршрут %1 замыкается; его рельсы выделены (%2)."), name,
                std::to_string(check.SelectedRails));
        break;
    case TRouteGap::NoNetwork:
        break;
    case TRouteGap::TooFewWaypoints:
        return Arg(translate("RouteEditing", "Маршрут %1 не задан: нужны хотя бы две точки."),
                   name);
    case TRouteGap::NotARail:
        return Arg(translate("RouteEditing", "Маршрут %1 не замыкается: точка %2 не рельс."), name,
                   fromText);
    case TRouteGap::NoPath:
        if (check.Closes)
            return Arg(translate("RouteEditing", "Маршрут %1 замыкается, но минует точку %3: от "
                                                 "точки %2 к ней нет пути."),
                       name, fromText, toText);
        return Arg(
            translate("RouteEditing", "Маршрут %1 не замыкается: от точки %2 нет пути к точке %3."),
            name, fromText, toText);
    case TRouteGap::TooManyChoices:
        return Arg(translate("RouteEditing",
                             "Маршрут %1 не проложен: за круг больше %2 проездов стрелок."),
                   name, std::to_string(MaxChoices));
    case TRouteGap::NoReturn:
        return Arg(translate("RouteEditing", "Маршрут %1 не замыкается: путь от первой точки не "
                                             "возвращается к ней."),
                   name);
    }
    return Arg(translate("RouteEditing", "Маршрут %1 не замыкается."), name);
}

TRailCheck CheckRails(TMap& map) {
    TRailCheck check;
    check.FaultyRail = BuildNetwork(map, &check.Faults);
    map.FreeNetwork();
    if (check.FaultyRail >= 0) {
        const TMapObject& o = map.Objects[check.FaultyRail];
        check.ViewX = std::clamp((o.X1 + o.X2 - 600) / 2, 0, MaxViewPosition);
        check.ViewY = std::clamp((o.Y1 + o.Y2 - 600) / 2, 0, MaxViewPosition);
    }
    return check;
}

std::string RailCheckText(const TRailCheck& check) {
    if (check.FaultyRail < 0) return {};
    unsigned rules = 0;
    for (const TRailFault& f : check.Faults)
        if (f.Index == check.FaultyRail) rules = f.Rules;
    return Arg(translate("RouteEditing", "Ошибка с рельсами! Неисправных рельсов: %1 (выделены). "
                                         "В центре вида рельс %2: %3"),
               std::to_string(check.Faults.size()), std::to_string(check.FaultyRail),
               RailRulesText(rules));
}

} // namespace vell
