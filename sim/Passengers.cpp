// Stops, doors and passengers: arrivals at stops, the door motion, alighting and boarding, and
// the timetable check at the end of a stop visit.
#include "sim/Passengers.h"

#include "model/Units.h"
#include "sim/Vell.h"
#include "sim/VellPositions.h"

#include <algorithm>
#include <cmath>

namespace vell {

namespace {

// The low seven bits of StopInfo: a waiting unit is (w + 1) / 64 passengers.
int UnitBits(const TMapObject& stop) {
    return stop.StopInfo() & 127;
}

} // namespace

void ResetWaiting(TMap& map) {
    for (TMapObject& o : map.Objects)
        if (o.IsRail() && o.IsStop()) o.SetWaiting(0);
}

void GatherPassengers(TMap& map, TRandom& random, const std::vector<std::uint16_t>& stopRails) {
    // The draws run on a copy held in a register: through the reference, every draw would wait
    // for the state to come back from memory, as a byte stored into a stop may alias it.
    TRandom draws = random;
    for (std::uint16_t i : stopRails) {
        TMapObject& stop = map.Objects[i];
        if (stop.Waiting() < 255 && draws.Below(100) == 0) stop.SetWaiting(stop.Waiting() + 1);
    }
    random = draws;
}

void GatherPassengers(TMap& map, TRandom& random) {
    std::vector<std::uint16_t> stops;
    for (int i = 0; i < map.ObjectCount(); ++i)
        if (map.Objects[i].IsRail() && map.Objects[i].IsStop()) stops.push_back(std::uint16_t(i));
    GatherPassengers(map, random, stops);
}

int WaitingPassengers(const TMapObject& stop) {
    return stop.Waiting() * (UnitBits(stop) + 1) / 64;
}

void TVell::StartOpenDoors() {
    DoorsClosing = false;
    if (DoorsOpening) return;
    DoorsOpening = true;
    double width = 0;
    for (int i = 0; i < Cars(); ++i)
        width += CarState[i].DoorWidth;
    DoorTarget = std::min(0.9, width * (0.9 + 0.2 * World.Random.Real()) / Cars());
}

void TVell::StartCloseDoors() {
    DoorsOpening = false;
    DoorsClosing = true;
}

void TVell::MoveDoors() {
    if (DoorsClosing)
        DoorOpening = std::max(0.0, DoorOpening - DoorTarget * DoorTarget / 10);
    else if (DoorsOpening)
        DoorOpening = std::min(DoorTarget, DoorOpening + DoorTarget * DoorTarget / 30);
}

// The lead point has just moved onto a stop rail: who will alight, and who boards from the
// waiting units, as far as there is room.
void TVell::ArriveAtStop() {
    TMapObject& stop = World.Map.Objects[Front[0].Obj];
    const int w = UnitBits(stop);
    Alighting = World.Random.Real() * Passengers;
    if (stop.StopType() == 2) {
        const double r2 = World.Random.Real();
        Alighting = r2 * r2 * Alighting;
    }
    const double room = (Capacity() - Passengers + Alighting) * 64 / (w + 1);
    Boarding = World.Random.Real() * stop.Waiting();
    if (Boarding > room) Boarding = room;
    const long long left = stop.Waiting() - RoundHalfEven(Boarding);
    stop.SetWaiting(std::uint8_t(std::clamp<long long>(left, 0, 255)));
    Boarding = Boarding * (w + 1) / 64;
}

void TVell::ExchangePassengers() {
    const int n = Cars();
    if (Alighting > 0) {
        const double d = 0.3 * DoorOpening * n;
        Passengers -= d;
        Alighting -= d;
        if (World.Events) World.Events->Alighted(*this, d);
        return;
    }
    if (Boarding >= 0) {
        const double d = 0.2 * DoorOpening * n;
        Passengers += d;
        Boarding -= d;
        if (World.Events) World.Events->Boarded(*this, d);
        if (Boarding >= 0) return;
    }
    if (!StopServed) CompleteStopVisit();
}

std::int64_t TVell::TimetableDeviation() const {
    // A stop on the first waypoint opens the lap, but the lap is counted only when the tail
    // enters that rail, often after boarding: judge the stop against the lap it starts.
    const TRailPos& tail = Rear[Cars() - 1];
    const bool lapStarting = StopIndex == 0 && Front[0].Obj == Route->Waypoints[0] &&
                             Front[0].SwitchNo == 0 &&
                             !(tail.Obj == Route->Waypoints[0] && tail.SwitchNo == 0);
    const std::int64_t clock = std::int64_t(Clock) - (lapStarting ? Route->RunTime : 0);
    return std::int64_t(Route->StopTimes[StopIndex]) - clock;
}

// Boarding is over: the timetable check, once per stop visit.
void TVell::CompleteStopVisit() {
    StopServed = true;
    // Only the first 1024 stops of a circuit have scheduled times; past them the tram keeps
    // its last deviation.
    if (StopIndex < MaxStopTimes)
        Deviation =
            std::int32_t(std::clamp<std::int64_t>(TimetableDeviation(), -2000000000, 2000000000));
    MaxLate = std::max(MaxLate, -Deviation);
    const double d = Deviation;
    if (d > 3 * TicksPerMinute)
        ScheduleState = -2;
    else if (d > 2 * TicksPerMinute)
        ScheduleState = -1;
    else if (d > 0)
        ScheduleState = 0;
    else if (d > -TicksPerMinute)
        ScheduleState = 1;
    else
        ScheduleState = 2;
    RulesKept = RulesKept && std::fabs(d) < 5 * TicksPerMinute;
    Passengers = std::min<double>(Capacity(), std::max(0.0, Passengers));
    if (World.Events) World.Events->StopServed(*this);
}

} // namespace vell
