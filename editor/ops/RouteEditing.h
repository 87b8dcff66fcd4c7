// The editor's route panel and rail check as operations on the map.
#pragma once

#include "model/Map.h"
#include "model/Network.h"

#include <optional>
#include <string>
#include <vector>

namespace vell {

// "Маршрут не задан", "1 точка (маршрут не задан)", "2 точки", "5 точек", "21 точка", ...;
// nothing for counts outside 0..31 (the label keeps its text).
std::optional<std::string> CountPointCaption(int waypointCount);

// Appends the first selected rail (in index order) to the slot, unless it holds 31 already.
// Marks the map modified either way. Returns whether a waypoint was added.
bool AddSelectedRailToRoute(TMap& map, int row, int column);
void ClearRoute(TMap& map, int row, int column);

struct TRouteCheck {
    // The faulty rails of a faulty network, which stay selected: no route was laid then.
    std::vector<TRailFault> Faults;
    TRouteLaying Laying;
    bool Closes = false;
    int SelectedRails = 0; // the rails of the walk from the first waypoint
};

// Builds the network to lay the slot and leaves its rails selected (as far as the walk gets
// when the route does not close); with a faulty network the faulty rails are selected instead.
// The network is freed again.
TRouteCheck CheckRoute(TMap& map, int row, int column);
// What the route check found, in a line: "Маршрут 1 не замыкается: от точки 2 нет пути к
// точке 3.", or that it closes.
std::string RouteCheckText(const TMap& map, int row, int column, const TRouteCheck& check);

struct TRailCheck {
    int FaultyRail = -1;            // the last faulty rail, or -1 when the rails are in order
    int ViewX = 0, ViewY = 0;       // the view centred on it, within the scroll range
    std::vector<TRailFault> Faults; // every faulty rail with the rules it breaks
};
constexpr int MaxViewPosition = 9400;

// Builds the network only to test it: faulty rails stay selected, the network is freed.
TRailCheck CheckRails(TMap& map);
// How many rails are faulty and which rules the rail in the middle of the view breaks, in the
// words of VellSim's check; empty when the rails are in order.
std::string RailCheckText(const TRailCheck& check);

extern const char* const RailsInOrderText; // "С рельсами всё в порядке"

} // namespace vell
