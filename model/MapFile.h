// The ".vl" map file: parsing bytes into map contents and writing them back.
#pragma once

#include "model/FileFault.h"
#include "model/MapObject.h"
#include "model/Route.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vell {

// The part of a route slot that the file stores.
struct TStoredRoute {
    std::int8_t WaypointCount = 0;
    std::uint8_t Reserved = 0;
    std::array<std::uint16_t, 32> Waypoints{};
    std::uint8_t Cars = 1;
    std::uint8_t Interval = 10;

    bool operator==(const TStoredRoute&) const = default;
};

// The stored part of a route slot, and the slot given a stored part (its derived fields stay).
inline TStoredRoute StoredPartOf(const TRouteRec& r) {
    return {r.WaypointCount, r.Reserved, r.Waypoints, r.Cars, r.Interval};
}
inline void SetStoredPart(TRouteRec& r, const TStoredRoute& s) {
    r.WaypointCount = s.WaypointCount;
    r.Reserved = s.Reserved;
    r.Waypoints = s.Waypoints;
    r.Cars = s.Cars;
    r.Interval = s.Interval;
}

struct TMapFileContents {
    std::vector<TMapObject> Objects;
    std::array<std::array<TStoredRoute, RouteColumns>, RouteRows> Routes{};
};

enum class TMapFileError {
    None,
    CannotOpen,       // the file does not exist or cannot be read
    Truncated,        // the data ends before the last route record
    BadWaypointCount, // a route claims more than 31 waypoints
    BadWaypointIndex, // a waypoint names an object at or past the object count
};

// The reason in words for a user, in the program's language ("файл обрывается раньше времени").
std::string Describe(TMapFileError error);

constexpr std::size_t EmptyMapFileSize = 4 + RouteRows * RouteColumns * 4; // 472 bytes
// The largest file the format can describe; anything past it is never read.
constexpr std::size_t MaxMapFileSize =
    4 + 12 * std::size_t(65535) + RouteRows * RouteColumns * (4 + 2 * 31);

TMapFileError ParseMapFile(std::span<const std::uint8_t> data, TMapFileContents& out);
std::vector<std::uint8_t> SerializeMapFile(const TMapFileContents& contents);
// The length of SerializeMapFile's bytes: where the map file ends in bytes that go on.
std::size_t MapFileSize(const TMapFileContents& contents);

} // namespace vell
