// One tram train (TVell) of one to three cars: where it stands on the rail network, how it
// moves, its controller, doors, lamps, passengers and timetable state.
#pragma once

#include "model/Route.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vell {

struct TWorldSaveAccess;

class TWorld;
struct TRailData;

constexpr int MaxCars = 3;

// A point on the rail network.
struct TRailPos {
    std::uint16_t Obj = 0;      // the rail the point lies on
    std::uint16_t SwitchNo = 0; // route switches passed, modulo the route's ChoiceCount
    double Dist = 0;            // metres from the rail's start point

    bool operator==(const TRailPos&) const = default;
};

// Physical parameters and body sway of one car.
struct TCarState {
    double RollResist = 0; // m/tick^2, negative
    double SpeedDrag = 0;  // per tick, negative; only the first car's counts
    double DoorWidth = 0;  // opening of the car's doors when fully open
    double Yaw = 0;        // body sway, radians, within -0.5..0.5
    double YawRate = 0;    // change of Yaw per tick
};

struct TPointXY {
    double X = 0, Y = 0;
};

// A car's centre and a unit direction.
struct TCarAxisXY {
    TPointXY Centre;
    TPointXY Dir;
};

// The objects a tram marked, one entry per mark. A tram holds a few marks; they stay inside the
// tram's record, and only a reservation longer than that spills to the heap.
class TMarkList {
  public:
    void clear() {
        Count = 0;
        Spilled.clear();
    }
    void push_back(std::uint16_t object) {
        if (Count < Held.size())
            Held[Count++] = object;
        else
            Spilled.push_back(object);
    }
    template <class Visit> void ForEach(Visit visit) const {
        for (std::size_t k = 0; k < Count; ++k)
            visit(Held[k]);
        for (std::uint16_t object : Spilled)
            visit(object);
    }

  private:
    std::array<std::uint16_t, 12> Held{};
    std::size_t Count = 0;
    std::vector<std::uint16_t> Spilled;
};

// What set a tram's Accident, with the figures a player is told.
enum class TAccidentCause : std::uint8_t {
    None,      // no accident in this tick
    Crossing,  // a car point crossed another rail faster than 30 km/h
    Overspeed, // faster than the speed grade of the rail under a car allows
    Overturn,  // a car overturned over the joint of a bend
    Collision, // a car came within 2.4 m of a car of another tram (player-driven trams only)
};

struct TCrash {
    TAccidentCause Cause = TAccidentCause::None;
    std::uint8_t SpeedGrade = 0; // Overspeed: the grade of the rail under the car
    std::uint8_t OtherRouteRow = 0, OtherRouteCol = 0; // Collision: the other tram's route slot
    std::int32_t OtherNumber = 0;                      // Collision: the other tram's Number
    double Speed = 0;                                  // m/tick, the tram's speed in that tick
    // m/tick, the speed it went above: 30 km/h at a crossing, the grade's limit, the bend's.
    double Limit = 0;
};

class TVell {
  public:
    // The tram belongs to `world` and reads its map, rails, occupancy and random generator.
    explicit TVell(TWorld& world) : World(world) {}
    TVell(const TVell&) = delete;
    TVell& operator=(const TVell&) = delete;

    // Read every tick by the step, the world's sort and the run's observers: kept in the
    // record's first cache line, with the lead point.
    TRouteRec* Route = nullptr; // not owned
    double Speed = 0;           // m/tick
    std::int32_t Deviation = 0; // ticks early at the last served stop (negative: late)
    std::int32_t Number = 0;
    std::int32_t Clock = 0; // ticks since entry, less a RunTime per completed lap
    std::uint8_t RouteRow = 0;
    std::uint8_t RouteCol = 0;
    bool Active = false;
    bool OnRoute = true;
    bool Accident = false;
    bool AutoDrive = true;
    bool StopServed = false;
    std::int8_t ScheduleState = 0;         // -2 well ahead .. 2 well late
    std::array<TRailPos, MaxCars> Front{}; // Front[0] is the lead point
    std::array<TRailPos, MaxCars> Rear{};
    TRailPos LookAhead;
    TRailPos ReservedFront;
    TRailPos ReservedRear;
    double AllowedSpeed = 0; // m/tick
    double PrevSpeed = 0;
    double Command = 0; // -1 full brake .. +1 full traction
    double PrevCommand = 0;
    double MaxAccel = 0; // m/tick^2
    double TopSpeed = 0; // m/tick
    double Passengers = 0;
    double Alighting = 0;
    double Boarding = 0; // negative once boarding is finished
    double DoorOpening = 0;
    double DoorTarget = 0;
    std::array<TCarState, MaxCars> CarState{};
    double ShakeAmplitude = 0;
    double ShakeGain = 0;
    double ShakeAngle = 0;    // the cab view's
    std::int32_t MaxLate = 0; // the largest lateness so far, ticks
    std::uint16_t StopIndex = 0;
    bool RulesKept = true;
    bool FullPower = false;
    bool SpeedometerWorks = false;
    bool DoorsOpening = false;
    bool DoorsClosing = false;
    bool LeftLamp = false;
    bool RightLamp = false;
    bool ManualOpen = false;
    bool ManualClose = false;
    std::uint32_t Colour = 0; // red in the low byte
    double ManualCommand = 0; // the player's controller, -1..1
    // Why Accident is set: the first cause the tick found. Cleared with Accident, so Cause is
    // None whenever Accident is false. Nothing reads it but the cab's message.
    TCrash Crash;

    // Builds the tram at the start of route slot [row][col], drawing its random parameters.
    // The route must be dispatchable (TWorld::CanDispatch).
    void Create(int row, int col);

    // One tick of the tram.
    void Step();
    // Ask the memory for what the step will read, a tram or two before it: the record, and once
    // that has come, the rails under the cars. Hints only: they change nothing.
    void PrefetchRecord() const;
    void PrefetchTrack() const;

    // Position operations along the tram's route (NextObject and PointXY inline, VellPositions.h).
    void NextObject(TRailPos& pos) const;
    bool NormalizePos(TRailPos& pos) const;
    TPointXY PointXY(const TRailPos& pos) const;
    TCarAxisXY CarAxis(int car) const;
    TCarAxisXY CarPose(int car) const;
    int Capacity() const;
    // The route's Cars, held within one to three: the world dispatches no other trains, and a
    // route changed later cannot send a tram past its three cars.
    int Cars() const { return Route->Cars < 1 ? 1 : Route->Cars > MaxCars ? MaxCars : Route->Cars; }

    // Whether the tram draws current now (it decides the branch at a switch).
    bool CurrentOn() const;

    // Track marking (TrackMarks.cpp).
    bool TryEnter();
    bool MarkTrack();
    void ReleaseTrack();
    void ReserveAhead();
    // The reservation scan (ScanAhead.h), shared by ReserveAhead and by the jam finder, which
    // asks it which rail a standing tram waits for.
    template <class Free> bool ScanAhead(TRailPos& front, Free objectFree) const;
    // The objects this tram holds a mark on, one entry per mark, found by walking again as the
    // marking did: for checking the occupancy counters. The second form appends them to
    // `objects`, for a caller that looks at every tram in turn.
    std::vector<int> MarkedObjects() const;
    void MarkedObjects(std::vector<int>& objects) const;

    // Driving (Driving.cpp).
    void UpdateControl();
    void AutoControl();
    void ManualControl();
    double SwitchCommand(double gap, bool drawCurrent) const;

    // Motion (Motion.cpp, TrackEvents.cpp, Dynamics.cpp).
    void Move();
    bool AdvanceFollow(TRailPos& point, std::uint16_t leader);
    bool AdvanceLead();
    void TrackEvents(const std::array<TRailPos, MaxCars>& frontBefore,
                     const std::array<TRailPos, MaxCars>& rearBefore);
    void Accelerate();
    // The change of speed this tick under `command`, as Accelerate applies it (before the
    // speed is held at 0 or above).
    double Acceleration(double command) const;
    void UpdateLamps();
    void SwayCars();
    // Sets Accident for `cause`, keeping the figures of the first cause of the tick; `limit`
    // in m/tick.
    void NoteAccident(TAccidentCause cause, double limit, std::uint8_t grade = 0);
    // Sets Accident: a car of this tram came too close to a car of `other`.
    void NoteCollision(const TVell& other);
    void ClearAccident() {
        Accident = false;
        Crash.Cause = TAccidentCause::None;
    }

    // Doors and passengers (Passengers.cpp).
    void StartOpenDoors();
    void StartCloseDoors();
    void MoveDoors();
    void ArriveAtStop();
    void ExchangePassengers();
    // The route's time of stop StopIndex (below MaxStopTimes) less the tram's clock, in ticks,
    // positive when early: what the end of boarding and the shift's score judge the tram by.
    std::int64_t TimetableDeviation() const;

  private:
    friend struct TWorldSaveAccess; // the world save reads and restores the private state
    const TRailData& Rail(int object) const;
    double Vary(double x, double load);
    void PlaceCars();
    void CompleteStopVisit();
    void CountStopLeft();
    void AdvanceSwitchNo(TRailPos& point) const;
    void CheckCrossings(int car, const TRailPos& before, const TRailPos& now);
    void CrossingsOverJoint(int car, const TRailPos& before, const TRailPos& now);
    void CrossNear(int car, const TPointXY& a, const TPointXY& b, std::uint16_t near,
                   std::uint16_t cameFrom);
    int MarkLimit() const;
    bool ObjectFree(int object, int except) const;

    TWorld& World;
    bool ArrivedAtStop = false; // the lead point moved onto a stop rail in this tick's Move
    // The objects marked last, one entry per mark: what ReleaseTrack takes off again. Nothing
    // moves the tram between marking and release, so this is exactly the walk the release
    // would make, without walking.
    TMarkList Marks;
};

} // namespace vell
