// The data of a time-distance diagram of one route: where each tram was along the route at
// each moment, where its timetable wanted it, and when it stood blocked. Filled beside the
// simulation, drawn by the diagram drawing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vell {

struct TTimeDistancePoint {
    double Minute = 0;
    double Distance = 0;  // metres along the route from the start of its first waypoint
    bool Blocked = false; // standing blocked, for a minute or more by now
};

struct TTimeDistanceTram {
    int Number = 0;
    std::uint32_t Colour = 0;                  // 0x00BBGGRR
    std::vector<TTimeDistancePoint> Run;       // in time order; the distance falls at each lap
    std::vector<TTimeDistancePoint> Timetable; // the scheduled passes, likewise
};

struct TTimeDistanceStop {
    std::string Name; // "ост. 1", ...
    double Distance = 0;
};

struct TTimeDistanceData {
    std::string RouteName;  // "1", "10", "1А"
    double Length = 0;      // of one circuit, metres
    double FirstMinute = 0; // where the diagram begins: 0, or later when older data is dropped
    double Minutes = 0;     // the time the diagram spans from there
    std::vector<TTimeDistanceStop> Stops;
    std::vector<TTimeDistanceTram> Trams;
};

} // namespace vell
