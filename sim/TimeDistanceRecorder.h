// Recording a route's time-distance diagram beside the world: every tram of the route, sampled
// once a simulated second, its timetable and its blocked stands.
#pragma once

#include "model/TimeDistance.h"
#include "sim/World.h"

#include <map>
#include <vector>

namespace vell {

class TTimeDistanceRecorder {
  public:
    // Records route slot [row][col] of `world`, which must be started; `world` outlives it.
    TTimeDistanceRecorder(const TWorld& world, int row, int col);

    // Looks at the world after a world step.
    void Observe();
    // The diagram so far.
    TTimeDistanceData Data() const;

    // Metres along the route from the start of its first waypoint to `pos`; -1 off the route.
    double RouteDistance(const TRailPos& pos) const;
    double Length() const { return CircuitLength; }
    int RouteRow() const { return Row; }
    int RouteCol() const { return Col; }

  private:
    struct TTrack {
        TTimeDistanceTram Tram;
        bool Seen = false;
        long long Entered = 0;     // the step its first recorded lap began by its timetable
        long long StandSince = -1; // the step since which it stands blocked
    };
    void AddTimetable(TTrack& track) const;

    const TWorld& World;
    int Row, Col;
    long long StepCount = 0;
    double CircuitLength = 0;
    std::map<std::pair<int, int>, double> Offsets; // (rail, choice cursor) -> metres
    std::vector<TTimeDistanceStop> Stops;
    std::map<int, TTrack> Tracks; // by Number
};

} // namespace vell
