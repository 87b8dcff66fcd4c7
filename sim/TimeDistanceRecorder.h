// Recording a route's time-distance diagram beside the world: every tram of the route, sampled
// once a simulated second, its timetable and its blocked stands.
#pragma once

#include "model/TimeDistance.h"
#include "sim/World.h"

#include <cstddef>
#include <map>
#include <vector>

namespace vell {

// How much of its recording a recorder keeps. By default everything: VellSim draws a fixed
// run whole. A view that runs for as long as it stays open keeps the last KeptMinutes, and of
// the samples older than the last DetailMinutes one in ThinnedEvery, besides those where a line
// breaks or turns red: a picture of hours does not tell them apart.
struct TRecordingLimit {
    double KeptMinutes = 0; // 0: everything
    double DetailMinutes = 0;
    int ThinnedEvery = 1; // taken as 1..MaxThinnedEvery
};
// The drawing breaks a line where its samples are a minute apart (the tram was off its route):
// thinned samples stay closer.
constexpr int MaxThinnedEvery = 50;

class TTimeDistanceRecorder {
  public:
    // Records route slot [row][col] of `world`, which must be started; `world` outlives it.
    TTimeDistanceRecorder(const TWorld& world, int row, int col, TRecordingLimit limit = {});

    // Looks at the world after a world step.
    void Observe();
    // The diagram of the time kept, each sample copied once.
    TTimeDistanceData Data() const;
    // Where that diagram begins and how long it spans, in minutes since the recording began.
    double FirstMinute() const;
    double Minutes() const;
    // The samples held, of every tram.
    std::size_t SampleCount() const;

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
        std::size_t Thinned = 0;   // the samples of Tram.Run before this one are thinned
    };
    void AddTimetable(const TTrack& track, TTimeDistanceTram& tram) const;
    void Prune();
    void Thin(TTrack& track, double before) const;

    const TWorld& World;
    int Row, Col;
    TRecordingLimit Limit;
    long long StepCount = 0;
    long long PruneSteps = 0, NextPrune = 0;
    double CircuitLength = 0;
    std::map<std::pair<int, int>, double> Offsets; // (rail, choice cursor) -> metres
    std::vector<TTimeDistanceStop> Stops;
    std::map<int, TTrack> Tracks; // by Number
};

} // namespace vell
