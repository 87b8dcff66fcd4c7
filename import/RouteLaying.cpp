// Choosing waypoints: from each one, the map's breadth-first search claims every rail by the
// first path that reaches it; the next waypoint goes where that search would leave the circuit.
#include "import/RouteLaying.h"

#include "model/RouteWalk.h"
#include "model/Texts.h"

#include <deque>

namespace vell::import {

namespace {

// The rail from which the route laying's search, started at `from`, first reaches each rail
// (-1 for `from`, -2 for a rail it never reaches): the same order as the map's LayRoute, the
// left branch of a switch before the right one.
std::vector<int> SearchFrom(const TMap& map, int from) {
    std::vector<int> parent(map.Objects.size(), -2);
    std::deque<int> queue{from};
    parent[std::size_t(from)] = -1;
    while (!queue.empty()) {
        const int r = queue.front();
        queue.pop_front();
        const TLinkRec* link = map.Link(r);
        if (!link) continue;
        auto claim = [&](int next) {
            if (next < 0 || std::size_t(next) >= parent.size() || parent[std::size_t(next)] != -2)
                return;
            parent[std::size_t(next)] = r;
            queue.push_back(next);
        };
        claim(link->Next[0]);
        if (link->Next[1] != link->Next[0]) claim(link->Next[1]);
    }
    return parent;
}

} // namespace

TRouteLaid SetRouteToCircuit(TMap& map, int row, int column, const std::vector<int>& circuit,
                             int cars, int intervalMinutes) {
    TRouteLaid result;
    TRouteRec& route = map.Route(row, column);
    route.WaypointCount = 0;
    const std::size_t n = circuit.size();
    if (n < 2) {
        result.Why = translate("Import", "в круге меньше двух рельсов");
        return result;
    }
    std::vector<std::size_t> waypoints{0};
    std::size_t i = 0;
    while (true) {
        const std::vector<int> parent = SearchFrom(map, circuit[i % n]);
        std::size_t j = i + 1;
        while (j <= n && j - i < n && parent[std::size_t(circuit[j % n])] == circuit[(j - 1) % n])
            ++j;
        const std::size_t last = j - 1; // the farthest rail the search follows the circuit to
        if (last == i) {
            result.Why = translate("Import", "рельсы круга не идут один за другим");
            return result;
        }
        if (last >= n) break; // back at the first waypoint
        waypoints.push_back(last);
        if (waypoints.size() > MaxWaypoints) {
            result.Why = translate("Import", "маршрут не удержать 31 опорной точкой");
            return result;
        }
        i = last;
    }
    route.WaypointCount = std::int8_t(waypoints.size());
    route.Reserved = 0;
    for (std::size_t k = 0; k < waypoints.size(); ++k)
        route.Waypoints[k] = std::uint16_t(circuit[waypoints[k]]);
    route.Cars = std::uint8_t(cars);
    route.Interval = std::uint8_t(intervalMinutes);
    result.Waypoints = int(waypoints.size());
    // The map's own laying must walk the circuit, rail for rail.
    map.LayRoute(row, column);
    std::vector<int> walked;
    const bool returns =
        route.Usable && WalkRouteBounded(map, route, [&](int rail) { walked.push_back(rail); });
    if (!returns || walked != circuit) {
        route.WaypointCount = 0;
        result.Why = route.ChoiceCount >= MaxChoices
                         ? translate("Import", "больше 1024 стрелок за круг")
                         : translate("Import", "прокладка маршрута уходит с его путей");
        return result;
    }
    result.Ok = true;
    return result;
}

} // namespace vell::import
