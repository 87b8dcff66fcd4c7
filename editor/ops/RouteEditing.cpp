// The route panel's operations and the rail check.
#include "editor/ops/RouteEditing.h"

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

void CheckRoute(TMap& map, int row, int column) {
    if (map.BuildNetwork() < 0) {
        map.LayRoute(row, column);
        map.MarkRoute(row, column);
    }
    map.FreeNetwork();
}

TRailCheck CheckRails(TMap& map) {
    TRailCheck check;
    check.FaultyRail = map.BuildNetwork();
    map.FreeNetwork();
    if (check.FaultyRail >= 0) {
        const TMapObject& o = map.Objects[check.FaultyRail];
        check.ViewX = std::clamp((o.X1 + o.X2 - 600) / 2, 0, MaxViewPosition);
        check.ViewY = std::clamp((o.Y1 + o.Y2 - 600) / 2, 0, MaxViewPosition);
    }
    return check;
}

} // namespace vell
