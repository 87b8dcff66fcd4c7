// Marking and reserving track in the occupancy counters, so that trams keep their distance and
// do not meet at crossings and junctions.
#include "sim/DrivingTables.h"
#include "sim/ScanAhead.h"
#include "sim/Speed.h"
#include "sim/Vell.h"
#include "sim/VellPositions.h"

#include <algorithm>

namespace vell {

namespace {

// The cruising limits in m/tick, by table column.
constexpr std::array<double, 5> MaxSpeedMpt = [] {
    std::array<double, 5> mpt{};
    for (std::size_t column = 0; column < mpt.size(); ++column)
        mpt[column] = KmhToMpt(DrivingTables.MaxSpeed[column]);
    return mpt;
}();

// Calls visit(object) for each object the tram marks: on its route, the track from
// ReservedRear to the object of ReservedFront; off it, the objects under its car points.
// ReleaseTrack takes off what was marked; MarkedObjects walks again, for checking.
// The walk along the route is bounded by a circuit, so a broken reservation cannot hang it.
template <class Visit> void VisitMarks(const TVell& tram, int circuitRails, Visit visit) {
    if (tram.OnRoute) {
        TRailPos p = tram.ReservedRear;
        visit(p.Obj);
        for (int steps = 0; p.Obj != tram.ReservedFront.Obj && steps <= circuitRails; ++steps) {
            tram.NextObject(p);
            visit(p.Obj);
        }
        return;
    }
    int previous = -1;
    auto point = [&](const TRailPos& pos) {
        if (pos.Obj == previous) return;
        previous = pos.Obj;
        visit(pos.Obj);
    };
    for (int i = 0; i < tram.Cars(); ++i) {
        point(tram.Front[i]);
        point(tram.Rear[i]);
    }
}

} // namespace

int TVell::MarkLimit() const {
    return World.CircuitRails(RouteRow, RouteCol);
}

// Free: no marks on the object, nor on its near rails except `except`.
bool TVell::ObjectFree(int object, int except) const {
    const std::vector<std::uint16_t>& occupancy = World.Occupancy;
    if (occupancy[object] != 0) return false;
    const TRailData& rail = Rail(object);
    for (int k = 0; k < rail.NearCount; ++k) {
        const std::uint16_t m = rail.Link.Near[k];
        if (m != except && occupancy[m] != 0) return false;
    }
    return true;
}

bool TVell::MarkTrack() {
    ReservedRear = Rear[Cars() - 1];
    ReservedFront = Front[0];
    bool allFree = true;
    int previous = -1;
    Marks.clear();
    auto mark = [&](const TRailPos& pos) {
        if (pos.Obj == previous) return;
        previous = pos.Obj;
        if (allFree) allFree = ObjectFree(pos.Obj, NoObject);
        ++World.Occupancy[pos.Obj];
        Marks.push_back(pos.Obj);
    };
    for (int i = 0; i < Cars(); ++i) {
        mark(Front[i]);
        mark(Rear[i]);
    }
    return allFree;
}

void TVell::ReleaseTrack() {
    if (!OnRoute) {
        ReservedRear = Rear[Cars() - 1];
        ReservedFront = Front[0];
    }
    std::vector<std::uint16_t>& occupancy = World.Occupancy;
    Marks.ForEach([&](std::uint16_t object) { --occupancy[object]; });
    Marks.clear();
}

std::vector<int> TVell::MarkedObjects() const {
    std::vector<int> objects;
    MarkedObjects(objects);
    return objects;
}

void TVell::MarkedObjects(std::vector<int>& objects) const {
    if (Active) VisitMarks(*this, MarkLimit(), [&](int object) { objects.push_back(object); });
}

void TVell::ReserveAhead() {
    const int column = StateColumn(ScheduleState);
    ReservedRear = Rear[Cars() - 1];
    ReservedFront = Front[0];
    const bool free = ScanAhead(
        ReservedFront, [this](int object, int except) { return ObjectFree(object, except); });
    // Marks what VisitMarks walks: on the route from ReservedRear to the object of ReservedFront,
    // off it what lies under the cars. The limits come converted to m/tick: the conversion is
    // monotonic, so the least converted limit is the converted least one, to the last bit.
    double limit = MaxSpeedMpt[std::size_t(column)];
    std::vector<std::uint16_t>& occupancy = World.Occupancy;
    Marks.clear();
    VisitMarks(*this, MarkLimit(), [&](int object) {
        ++occupancy[object];
        Marks.push_back(std::uint16_t(object));
        limit = std::min(limit, Rail(object).LimitMptByState[std::size_t(column)]);
    });
    AllowedSpeed = limit;
    // Anything taken within the window stops the tram: this is how trams follow one another.
    if (!free) AllowedSpeed = 0;
}

} // namespace vell
