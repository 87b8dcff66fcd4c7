// Writing the raw trace.
#include "sim/Trace.h"

#include "sim/TrackHolders.h"

#include <charconv>
#include <string>

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

} // namespace vell
