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

TTimeDistanceRecorder::TTimeDistanceRecorder(const TWorld& world, int row, int col,
                                             TRecordingLimit limit)
    : World(world), Row(row), Col(col), Limit(limit) {
    Limit.ThinnedEvery = std::clamp(Limit.ThinnedEvery, 1, MaxThinnedEvery);
    // Pruning goes over every sample kept: a few times per detailed span is enough.
    const double detail = std::min(Limit.KeptMinutes, Limit.DetailMinutes);
    PruneSteps = std::max(std::llround(TicksPerMinute), std::llround(detail * TicksPerMinute / 4));
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
    if (Limit.KeptMinutes > 0 && StepCount >= NextPrune) {
        Prune();
        NextPrune = StepCount + PruneSteps;
    }
}

double TTimeDistanceRecorder::FirstMinute() const {
    const double now = StepCount / TicksPerMinute;
    return Limit.KeptMinutes > 0 && now > Limit.KeptMinutes ? now - Limit.KeptMinutes : 0;
}

double TTimeDistanceRecorder::Minutes() const {
    return StepCount / TicksPerMinute - FirstMinute();
}

std::size_t TTimeDistanceRecorder::SampleCount() const {
    std::size_t count = 0;
    for (const auto& [number, track] : Tracks)
        count += track.Tram.Run.size();
    return count;
}

namespace {

bool EarlierThan(const TTimeDistancePoint& point, double minute) {
    return point.Minute < minute;
}

} // namespace

// Drops the samples before the diagram's start and thins those older than the detailed span.
void TTimeDistanceRecorder::Prune() {
    const double first = FirstMinute();
    const double detailed = StepCount / TicksPerMinute - Limit.DetailMinutes;
    for (auto& [number, track] : Tracks) {
        auto& run = track.Tram.Run;
        const auto start = std::lower_bound(run.begin(), run.end(), first, EarlierThan);
        const std::size_t dropped = std::size_t(start - run.begin());
        run.erase(run.begin(), start);
        track.Thinned = track.Thinned > dropped ? track.Thinned - dropped : 0;
        Thin(track, detailed);
    }
}

// Thins the samples from track.Thinned up to the minute `before`. A sample stays if it is one
// in ThinnedEvery, a line's first or last, or next to a break (a new lap, a gap while the tram
// was off its route) or to a change of Blocked: each line and each red stretch keeps its ends.
void TTimeDistanceRecorder::Thin(TTrack& track, double before) const {
    auto& run = track.Tram.Run;
    std::size_t end = track.Thinned;
    while (end < run.size() && run[end].Minute < before)
        ++end;
    const double gap = 1.5 * SampleSteps / TicksPerMinute;
    auto apart = [&](const TTimeDistancePoint& a, const TTimeDistancePoint& b) {
        return b.Distance < a.Distance - CircuitLength / 2 || b.Blocked != a.Blocked ||
               b.Minute - a.Minute > gap;
    };
    // The first sample looked at is compared with the last one thinned before, which may not
    // be its first neighbour: at worst one more sample stays.
    TTimeDistancePoint previous = track.Thinned > 0 ? run[track.Thinned - 1] : TTimeDistancePoint{};
    std::size_t kept = track.Thinned;
    for (std::size_t k = track.Thinned; k < end; ++k) {
        const TTimeDistancePoint point = run[k];
        const long long sample = std::llround(point.Minute * TicksPerMinute) / SampleSteps;
        const bool keep = k == 0 || k + 1 == run.size() || sample % Limit.ThinnedEvery == 0 ||
                          apart(previous, point) || apart(point, run[k + 1]);
        previous = point;
        if (keep) run[kept++] = point; // kept <= k: only samples already looked at are replaced
    }
    run.erase(run.begin() + std::ptrdiff_t(kept), run.begin() + std::ptrdiff_t(end));
    track.Thinned = kept;
}

// The scheduled passes of the route's stops, lap after lap, in the time the diagram spans from
// the tram's entry on: the stop times count from the start of the first waypoint, where the
// tram entered.
void TTimeDistanceRecorder::AddTimetable(const TTrack& track, TTimeDistanceTram& tram) const {
    const TRouteRec& route = World.Map.Route(Row, Col);
    if (route.RunTime <= 0) return;
    // Only the first MaxStopTimes stops of a circuit have scheduled times.
    const int stops = std::min({int(route.StopCount), int(Stops.size()), MaxStopTimes});
    const double first = FirstMinute() * TicksPerMinute;
    for (long long lap = 0;; ++lap) {
        const double lapStart = double(track.Entered) + double(lap) * route.RunTime;
        if (lapStart > StepCount) break;
        if (lapStart + route.RunTime < first) continue;
        tram.Timetable.push_back({lapStart / TicksPerMinute, 0, false});
        for (int i = 0; i < stops; ++i)
            tram.Timetable.push_back({(lapStart + route.StopTimes[std::size_t(i)]) / TicksPerMinute,
                                      Stops[std::size_t(i)].Distance, false});
        tram.Timetable.push_back(
            {(lapStart + route.RunTime) / TicksPerMinute, CircuitLength, false});
    }
}

TTimeDistanceData TTimeDistanceRecorder::Data() const {
    TTimeDistanceData data;
    data.RouteName = RouteDisplayName(Row, Col);
    data.Length = CircuitLength;
    data.FirstMinute = FirstMinute();
    data.Minutes = Minutes();
    data.Stops = Stops;
    for (const auto& [number, track] : Tracks) {
        TTimeDistanceTram& tram = data.Trams.emplace_back();
        tram.Number = track.Tram.Number;
        tram.Colour = track.Tram.Colour;
        // Samples before the start stay until the next pruning; the diagram leaves them out.
        const auto& run = track.Tram.Run;
        tram.Run.assign(std::lower_bound(run.begin(), run.end(), data.FirstMinute, EarlierThan),
                        run.end());
        AddTimetable(track, tram);
    }
    return data;
}

} // namespace vell
