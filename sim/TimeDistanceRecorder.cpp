// Sampling the trams of one route for the time-distance diagram.
#include "sim/TimeDistanceRecorder.h"

#include "model/RouteWalk.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "sim/Jams.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

constexpr long long SampleSteps = 18; // about a simulated second
constexpr double BlockedMinutes = 1;  // a shorter stand is traffic, not a jam

} // namespace

TTimeDistanceRecorder::TTimeDistanceRecorder(const TWorld& world, int row, int col)
    : World(world), Row(row), Col(col) {
    const TMap& map = World.Map;
    const TRouteRec& route = map.Route(row, col);
    if (!World.CanDispatch(row, col)) return;
    // A rail the circuit passes twice is told apart by the choice cursor, as the trams do.
    WalkRoute(map, route, [&](int rail, int choice) {
        Offsets.try_emplace({rail, choice}, CircuitLength);
        CircuitLength += World.Rails()[rail].Length;
        if (World.Rails()[rail].Stop)
            Stops.push_back({Arg(translate("Diagram", "ост. %1"), std::to_string(Stops.size() + 1)),
                             CircuitLength});
    });
}

double TTimeDistanceRecorder::RouteDistance(const TRailPos& pos) const {
    auto it = Offsets.find({pos.Obj, pos.SwitchNo});
    if (it == Offsets.end()) return -1;
    return it->second + pos.Dist;
}

void TTimeDistanceRecorder::Observe() {
    ++StepCount;
    const bool sample = StepCount % SampleSteps == 0;
    for (int k = 0; k < World.VellCount; ++k) {
        const TVell& tram = *World.VellTable[k];
        if (tram.RouteRow != Row || tram.RouteCol != Col || !tram.Active) continue;
        TTrack& track = Tracks[tram.Number];
        if (!track.Seen) {
            track.Seen = true;
            // The start of its present lap by its timetable: its entry for a tram that has just
            // entered, earlier for one that ran before the recording began.
            track.Entered = StepCount - tram.Clock;
            track.Tram.Number = tram.Number;
            track.Tram.Colour = tram.Colour & 0xFFFFFF;
        }
        const bool standing = StandsStill(World, tram);
        if (!standing)
            track.StandSince = -1;
        else if (track.StandSince < 0)
            track.StandSince = StepCount;
        if (!sample && track.Tram.Run.size() > 0) continue;
        const double distance = RouteDistance(tram.Front[0]);
        if (distance < 0) continue; // off its route: nowhere on the diagram
        const bool blocked =
            standing && StepCount - track.StandSince >= BlockedMinutes * TicksPerMinute;
        track.Tram.Run.push_back({StepCount / TicksPerMinute, distance, blocked});
    }
}

// The scheduled passes of the route's stops, lap after lap, from the tram's entry to the end:
// the stop times count from the start of the first waypoint, where the tram entered.
void TTimeDistanceRecorder::AddTimetable(TTrack& track) const {
    const TRouteRec& route = World.Map.Route(Row, Col);
    if (route.RunTime <= 0) return;
    // Only the first MaxStopTimes stops of a circuit have scheduled times.
    const int stops = std::min({int(route.StopCount), int(Stops.size()), MaxStopTimes});
    for (long long lap = 0;; ++lap) {
        const double lapStart = double(track.Entered) + double(lap) * route.RunTime;
        if (lapStart > StepCount) break;
        if (lapStart + route.RunTime < 0) continue;
        track.Tram.Timetable.push_back({lapStart / TicksPerMinute, 0, false});
        for (int i = 0; i < stops; ++i)
            track.Tram.Timetable.push_back(
                {(lapStart + route.StopTimes[std::size_t(i)]) / TicksPerMinute,
                 Stops[std::size_t(i)].Distance, false});
        track.Tram.Timetable.push_back(
            {(lapStart + route.RunTime) / TicksPerMinute, CircuitLength, false});
    }
}

TTimeDistanceData TTimeDistanceRecorder::Data() const {
    TTimeDistanceData data;
    data.RouteName = RouteDisplayName(Row, Col);
    data.Length = CircuitLength;
    data.Minutes = StepCount / TicksPerMinute;
    data.Stops = Stops;
    for (const auto& [number, t] : Tracks) {
        TTrack track = t;
        AddTimetable(track);
        data.Trams.push_back(std::move(track.Tram));
    }
    return data;
}

} // namespace vell
