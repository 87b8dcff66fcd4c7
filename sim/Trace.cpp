// Writing the raw trace.
#include "sim/Trace.h"

#include "sim/TrackHolders.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <string>
#include <vector>

namespace vell {

// "tram" lines leave the world's two columns empty, "world" lines the tram's.
const char* const TraceHeader =
    "step,kind,slot,tram,route,active,on_route,accident,lead_rail,lead_switch,lead_dist,"
    "rear_rail,rear_switch,rear_dist,speed,command,door_opening,passengers,stop_index,clock,"
    "deviation,schedule_state,random_state,occupied_rails";

namespace {

// The shortest decimal text that reads back to the same double.
void Real(std::string& line, double v) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    line.append(buf, end);
}

template <class Int> void Whole(std::string& line, Int v) {
    line += std::to_string(v);
}

void Point(std::string& line, const TRailPos& p) {
    Whole(line, p.Obj);
    line += ',';
    Whole(line, p.SwitchNo);
    line += ',';
    Real(line, p.Dist);
}

std::string TramLine(long long step, int slot, const TVell& t) {
    std::string line;
    Whole(line, step);
    line += ",tram,";
    Whole(line, slot);
    line += ',';
    Whole(line, t.Number);
    line += ',' + RouteDisplayName(t.RouteRow, t.RouteCol) + ',';
    line += t.Active ? "1," : "0,";
    line += t.OnRoute ? "1," : "0,";
    line += t.Accident ? "1," : "0,";
    Point(line, t.Front[0]);
    line += ',';
    Point(line, t.Rear[std::size_t(t.Cars() - 1)]);
    for (double v : {t.Speed, t.Command, t.DoorOpening, t.Passengers}) {
        line += ',';
        Real(line, v);
    }
    for (long long v : {(long long)t.StopIndex, (long long)t.Clock, (long long)t.Deviation,
                        (long long)t.ScheduleState}) {
        line += ',';
        Whole(line, v);
    }
    return line + ",,\n";
}

} // namespace

TTraceWriter::TTraceWriter(std::ostream& out, const TWorld& world) : Out(out), World(world) {
    Out << TraceHeader << "\n";
}

void TTraceWriter::WriteStep(long long step) {
    for (int k = 0; k < World.VellCount; ++k)
        Out << TramLine(step, k, *World.VellTable[k]);
    Out << step << ",world" << std::string(21, ',') << World.Random.GetState() << ','
        << OccupiedObjectCount(World) << "\n";
}

TTraceLines CountTraceLines(const TWorld& world, long long stepped, long long first,
                            long long last) {
    assert(world.Running() && first >= stepped);
    TTraceLines lines;
    if (first > last) return lines;
    lines.World = last - first + 1;
    // The step every tram is in the table from: those there already since before the window, each
    // next one in the step its route's countdown is found at 0, and a whole interval later again,
    // until the route has sent its planned trams.
    std::vector<long long> dispatches(std::size_t(world.VellCount), stepped);
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const TRouteRec& route = world.Map.Route(i, j);
            // A countdown below 0 passed its dispatch while the table was full: it sends no more.
            if (!route.InUse() || !world.CanDispatch(i, j) || route.NextDispatch < 0) continue;
            const int trams =
                std::clamp<std::int32_t>(route.TramCount - route.TramsStarted, 0, MaxVells);
            for (int k = 0; k < trams; ++k)
                dispatches.push_back(stepped + route.NextDispatch + 1 +
                                     k * (long long)IntervalTicks(route));
        }
    // Trams are never removed: once the table is full, no route sends another.
    if (dispatches.size() > std::size_t(MaxVells)) {
        std::nth_element(dispatches.begin(), dispatches.begin() + MaxVells, dispatches.end());
        dispatches.resize(MaxVells);
    }
    for (long long step : dispatches)
        lines.Trams += std::max(0LL, last - std::max(step, first) + 1);
    return lines;
}

std::uint64_t EstimateTraceBytes(const TTraceLines& lines) {
    // The demo city, seed 1, minutes 40 to 41 with its 34 trams running: 37,128 tram lines of
    // 135.7 bytes and 1,093 world lines of 46.7 on average (the ring over its first hour: 125.4
    // and 44.6; the stress city at minute 60: 139.1 and 47.7).
    constexpr std::uint64_t TramLineBytes = 136, WorldLineBytes = 47;
    return std::uint64_t(lines.Trams) * TramLineBytes + std::uint64_t(lines.World) * WorldLineBytes;
}

} // namespace vell
