// The controller: the autopilot or the player's inputs, and whether the tram draws current.
#include "DrivingTables.h"
#include "Speed.h"
#include "Vell.h"
#include "VellPositions.h"

namespace vell {

void TVell::UpdateControl() {
    if (AutoDrive)
        AutoControl();
    else
        ManualControl();
    if (!FullPower && Command > 0.7) Command = 0.7;
}

void TVell::ManualControl() {
    Command = ManualCommand;
    if (ManualOpen)
        StartOpenDoors();
    else if (ManualClose)
        StartCloseDoors();
}

void TVell::AutoControl() {
    if (!Active || !OnRoute) {
        Command = -1;
        return;
    }
    const std::int8_t s = ScheduleState;
    const double brake = -BrakeByState(s);
    // Power below 80 % of the limit, brake at it, coast just under it; in between the last
    // command stays.
    Command = PrevCommand;
    if (Speed >= AllowedSpeed)
        Command = brake;
    else if (Speed < 0.8 * AllowedSpeed)
        Command = PowerByState(s);
    else if (Speed > AllowedSpeed - MaxAccel)
        Command = 0;
    if (DoorOpening > 0.11) Command = brake;

    const TRailData& lead = Rail(Front[0].Obj);
    if (!StopServed && lead.Stop) {
        // Brake once the braking distance from the stop speed reaches 2 m before the rail's end.
        const double v = KmhToMpt(StopSpeedByState(s));
        const double d = v * v / (2 * MaxAccel * BrakeByState(s));
        if (d + Front[0].Dist >= lead.Length - 2) Command = brake;
        if (Speed <= KmhToMpt(DoorSpeedByState(s))) StartOpenDoors();
    } else {
        StartCloseDoors();
    }
    PrevCommand = Command;

    // In the last tick before a switch: draw current for Next[0], coast for Next[1].
    if (lead.Switch && lead.Length - Speed - MaxAccel <= Front[0].Dist)
        Command = Route->Choices[Front[0].SwitchNo] != 1 ? 0.1 : 0;
}

bool TVell::CurrentOn() const {
    return Command > 0.099 || (Command < -0.099 && Speed > KmhToMpt(10));
}

} // namespace vell
