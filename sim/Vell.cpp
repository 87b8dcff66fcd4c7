// Creating a tram at its route's start, and the position operations along its route.
#include "sim/Vell.h"

#include "sim/Speed.h"
#include "sim/VellPositions.h"

#include <algorithm>
#include <cmath>

namespace vell {

// The load factor widens the spread of a tram's parameters on busy routes: more cars, shorter
// intervals.
double TVell::Vary(double x, double load) {
    const double r = World.Random.Real();
    return x > 0 ? x * (0.9 + 0.2 * r + 0.1 * load) : x * (0.9 + 0.2 * r - 0.1 * load);
}

void TVell::Create(int row, int col) {
    RouteRow = std::uint8_t(row);
    RouteCol = std::uint8_t(col);
    Route = &World.Map.Route(row, col);
    const int n = Cars();
    const double load = std::min(1.0, 5.0 * n / Route->Interval);
    ++Route->TramsStarted;
    Active = false;
    PlaceCars();
    Clock = 0;
    MaxLate = 0;
    StopIndex = 0;
    StopServed = false;
    RulesKept = OnRoute = true;
    Accident = false;
    AutoDrive = true;
    DoorsOpening = DoorsClosing = LeftLamp = RightLamp = false;
    Colour = std::uint32_t(World.Random.Below(0x1000000));
    Speed = PrevSpeed = Command = PrevCommand = 0;
    FullPower = !(World.Random.Real() * (load + 1) <= 0.7 && n <= 2);
    SpeedometerWorks = World.Random.Below(2) > 0;
    DoorOpening = 0;
    MaxAccel = Vary(3.0 / (TicksPerSecond * TicksPerSecond), load);
    TopSpeed = Vary(KmhToMpt(70), load);
    for (int i = 0; i < n; ++i) {
        TCarState& car = CarState[i];
        car.RollResist = Vary(-0.03 / (TicksPerSecond * TicksPerSecond), load);
        car.SpeedDrag = Vary(-0.01 / TicksPerSecond, load);
        car.DoorWidth = Vary(0.6, load);
        car.Yaw = car.YawRate = 0;
    }
    ShakeAmplitude = 0;
    ShakeGain = -Vary(-0.02, load);
    Passengers = 0;
    ScheduleState = 0;
}

// The last car's rear point at the start of the first waypoint, the train extending forward.
void TVell::PlaceCars() {
    const int n = Cars();
    const std::uint16_t start = Route->Waypoints[0];
    for (int i = 0; i < n; ++i) {
        Front[i] = {start, 0, (n - i - 1) * 11.6 + 7.6};
        NormalizePos(Front[i]);
        Rear[i] = {start, 0, (n - i - 1) * 11.6};
        NormalizePos(Rear[i]);
    }
    LookAhead = Front[0];
    LookAhead.Dist += 50;
    NormalizePos(LookAhead);
}

bool TVell::NormalizePos(TRailPos& pos) const {
    bool moved = false;
    while (true) {
        const double length = Rail(pos.Obj).Length;
        // A zero length would never use the distance up; no rail is that short.
        if (!(length < pos.Dist) || length <= 0) return moved;
        pos.Dist -= length;
        NextObject(pos);
        moved = true;
    }
}

TCarAxisXY TVell::CarAxis(int car) const {
    const TPointXY f = PointXY(Front[car]), r = PointXY(Rear[car]);
    const double dx = r.X - f.X, dy = r.Y - f.Y;
    const double length = std::sqrt(dx * dx + dy * dy);
    TCarAxisXY axis;
    axis.Centre = {(f.X + r.X) / 2, (f.Y + r.Y) / 2};
    if (length > 0) axis.Dir = {dx / length, dy / length};
    return axis;
}

TCarAxisXY TVell::CarPose(int car) const {
    TCarAxisXY pose = CarAxis(car);
    const double yaw = CarState[car].Yaw, c = std::cos(yaw), s = std::sin(yaw);
    const TPointXY d = pose.Dir;
    pose.Dir = {c * d.X - s * d.Y, c * d.Y + s * d.X};
    return pose;
}

int TVell::Capacity() const {
    return Cars() * 90 - 20;
}

} // namespace vell
