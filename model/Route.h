// A route slot (TRouteRec) of the 9 x 13 route table, and the slots' names.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vell {

constexpr int RouteRows = 9;     // route digits 1..9
constexpr int RouteColumns = 13; // suffixes: blank, 0..9, А, Б
constexpr int MaxWaypoints = 31;
constexpr int MaxChoices = 1024;
constexpr int MaxStopTimes = 1024;

struct TRouteRec {
    // Stored in the map file.
    std::int8_t WaypointCount = 0; // in use when 2 or more; may be negative in a file
    std::uint8_t Reserved = 0;
    std::array<std::uint16_t, 32> Waypoints{}; // object indices
    std::uint8_t Cars = 1;
    std::uint8_t Interval = 10;

    // Derived when a map is selected, or owned by the running world.
    std::int32_t NextDispatch = 0;
    std::int16_t ChoiceCount = 0;
    std::array<std::uint8_t, MaxChoices> Choices{};
    std::int32_t TramsStarted = 0;
    std::int32_t TramCount = 0;
    std::int32_t TramsInService = 0;
    std::array<std::int32_t, MaxStopTimes> StopTimes{};
    std::int32_t StopCount = 0;
    std::int32_t RunTime = 0;
    // Set by LayRoute: the laid walk comes back to the first waypoint, every waypoint is a rail
    // and the choices fit. Nothing walks, dispatches or sums over an unusable route.
    bool Usable = false;

    bool InUse() const { return WaypointCount >= 2; }
    int WaypointsUsed() const { return WaypointCount > 0 ? WaypointCount : 0; }
};

// What LayRoute found in the way of a route, from the first waypoint on.
enum class TRouteGap {
    None,
    NoNetwork,       // the network is not built, or not sound
    TooFewWaypoints, // fewer than two
    NotARail,        // waypoint Waypoint names no rail
    NoPath,          // no track leads from waypoint Waypoint to the next one (the first after
                     // the last); the route may close all the same, passing that one by
    TooManyChoices,  // the switches passed in one circuit do not fit the route's choices
    NoReturn,        // the walk from the first waypoint does not come back to it
};
struct TRouteLaying {
    TRouteGap Gap = TRouteGap::None;
    int Waypoint = -1; // counted from 0
};

using TRouteTable = std::array<std::array<TRouteRec, RouteColumns>, RouteRows>;

// The suffix of column j as UTF-8: " ", "0".."9", "А", "Б".
std::string RouteSuffix(int column);
// The slot's name, digit then suffix ("1 ", "10", "1А"); the blank suffix stays.
std::string RouteName(int row, int column);
// The name as people write it: without the trailing blank ("1", "10", "1А").
std::string RouteDisplayName(int row, int column);
// The slot of a route name as people write it ("1", "1 ", "10", "1А"), the suffix letters also
// in lower case and as the Latin letters that look the same; nothing for a name of no slot.
std::optional<std::pair<int, int>> RouteSlotOfName(std::string_view name);

} // namespace vell
