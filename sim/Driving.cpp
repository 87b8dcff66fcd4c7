// The controller: the autopilot or the player's inputs, and whether the tram draws current.
#include "sim/DrivingTables.h"
#include "sim/Speed.h"
#include "sim/Vell.h"
#include "sim/VellPositions.h"

#include <algorithm>

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
        Command =
            SwitchCommand(lead.Length - Front[0].Dist, Route->Choices[Front[0].SwitchNo] != 1);
}

// The command for the last tick before a switch, `gap` metres from its end. A tram that would
// come to rest there must still get across. Drawing current: with more than the light 0.1 when
// that cannot overcome a loaded train's resistance. Coasting: after a push under current that
// does not reach the end in its own tick but leaves enough speed to coast over the rest.
double TVell::SwitchCommand(double gap, bool drawCurrent) const {
    if (drawCurrent) {
        if (Speed + Acceleration(0.1) > 0) return 0.1;
        return std::max(0.1, PowerByState(ScheduleState));
    }
    const double coast = Acceleration(0);
    if (Speed + coast > 0) return 0;
    // Pushed to speed v, the tram must stop short of the end (v < gap) and should then coast
    // over what is left (v + coast > gap - v): aim between the two. A push too weak for that
    // still brings the tram nearer, and the next one gets it over. Traction grows linearly with
    // the command above 0.1.
    const double target = (3 * gap - coast) / 4;
    const double perCommand = 2 * (Acceleration(1) - Acceleration(0.5));
    const double push =
        std::clamp(0.5 + (target - Speed - Acceleration(0.5)) / perCommand, 0.1, 1.0);
    // Closer to the end than a coasting tick's loss of speed or the least push (a fraction of a
    // millimetre), nothing gets the tram over it without current: it waits rather than leave
    // its route.
    return Speed + Acceleration(push) < gap ? push : 0;
}

bool TVell::CurrentOn() const {
    return Command > 0.099 || (Command < -0.099 && Speed > KmhToMpt(10));
}

} // namespace vell
