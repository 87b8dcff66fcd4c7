// Speed from traction, braking and resistance; indicator lamps; car-body sway.
#include "sim/Vell.h"
#include "sim/VellPositions.h"

namespace vell {

// The train weighs n + 0.006 P car masses; traction fades linearly to nothing at
// TopSpeed x Command, braking does not depend on the load.
void TVell::Accelerate() {
    const double a = Acceleration(Command);
    PrevSpeed = Speed;
    Speed += a;
    if (Speed < 0) Speed = 0;
}

double TVell::Acceleration(double command) const {
    const int n = Cars();
    const double p = Passengers;
    double a = 0;
    if (command > 0.099)
        a = TopSpeed * command >= Speed ? command * MaxAccel * (1 - Speed / (TopSpeed * command))
                                        : 0;
    else if (command < -0.099)
        a = command * MaxAccel * (0.006 * p + n);
    a += CarState[0].SpeedDrag * Speed;
    for (int i = 0; i < n; ++i)
        a += (CarState[i].RollResist - (255 - Rail(Front[i].Obj).SpeedGrade) * 0.0000008) *
             (0.006 * p / n + 1);
    return a / (0.006 * p + n);
}

// The lamp of the branch ahead, the right one while the doors are open; blinking 4 on, 4 off.
void TVell::UpdateLamps() {
    LeftLamp = RightLamp = false;
    if (Rail(Front[0].Obj).Switch) {
        if (Route->Choices[Front[0].SwitchNo] != 0)
            RightLamp = true;
        else
            LeftLamp = true;
    }
    if (DoorOpening > 0.11) {
        LeftLamp = false;
        RightLamp = true;
    }
    if ((Clock & 4) == 0) LeftLamp = RightLamp = false;
}

void TVell::SwayCars() {
    for (int i = 0; i < Cars(); ++i) {
        TCarState& car = CarState[i];
        car.Yaw += car.YawRate;
        car.YawRate = 0.95 * car.YawRate - 0.04 * car.Yaw;
        if (car.Yaw > 0.5) {
            car.Yaw = 0.5;
            car.YawRate = 0;
        }
        if (car.Yaw < -0.5) {
            car.Yaw = -0.5;
            car.YawRate = 0;
        }
    }
}

} // namespace vell
