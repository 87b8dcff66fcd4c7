// The editor's route panel and rail check as operations on the map.
#pragma once

#include "model/Map.h"

#include <optional>
#include <string>

namespace vell {

// "Маршрут не задан", "1 точка (маршрут не задан)", "2 точки", "5 точек", "21 точка", ...;
// nothing for counts outside 0..31 (the label keeps its text).
std::optional<std::string> CountPointCaption(int waypointCount);

// Appends the first selected rail (in index order) to the slot, unless it holds 31 already.
// Marks the map modified either way. Returns whether a waypoint was added.
bool AddSelectedRailToRoute(TMap& map, int row, int column);
void ClearRoute(TMap& map, int row, int column);

// Builds the network to lay the slot and leaves its rails selected; with a faulty network the
// faulty rails are selected instead. The network is freed again.
void CheckRoute(TMap& map, int row, int column);

struct TRailCheck {
    int FaultyRail = -1;      // the last faulty rail, or -1 when the rails are in order
    int ViewX = 0, ViewY = 0; // the view centred on it, within the scroll range
};
constexpr int MaxViewPosition = 9400;

// Builds the network only to test it: faulty rails stay selected, the network is freed.
TRailCheck CheckRails(TMap& map);

extern const char* const RailsInOrderText; // "С рельсами всё в порядке"

} // namespace vell
