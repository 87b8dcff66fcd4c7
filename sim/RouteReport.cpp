// The route report as the top view shows it.
#include "sim/RouteReport.h"

#include "model/MapExtras.h"
#include "model/RouteTable.h"
#include "model/Texts.h"

namespace vell {

std::string RouteReport(const TMap& map) {
    std::string text;
    long long inService = 0, planned = 0;
    // The route table's order: the one-character routes and their letter variants first.
    for (auto [i, j] : RouteTableOrder()) {
        const TRouteRec& route = map.Route(i, j);
        if (!route.InUse()) continue;
        // The line riders know follows the slot where the map names it otherwise.
        const std::optional<std::string> line = LineName(map, i, j);
        const std::string name = line && *line != RouteDisplayName(i, j)
                                     ? RouteName(i, j) + " «" + *line + "»"
                                     : RouteName(i, j);
        text += name + ": " + std::to_string(route.TramsInService) + " (" +
                std::to_string(route.TramCount) + ")\r\n";
        inService += route.TramsInService;
        planned += route.TramCount;
    }
    text += translate("RouteReport", "Итого") + " " + std::to_string(inService) + " (" +
            std::to_string(planned) + ")";
    return text;
}

} // namespace vell
