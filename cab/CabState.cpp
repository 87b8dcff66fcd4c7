// The cab view's arithmetic: joystick, day light, window shape, the eye and a tick's driving.
#include "cab/CabState.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell {

namespace {

constexpr double Pi = std::numbers::pi;

TMatrix4 Identity() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

TMatrix4 Multiply(const TMatrix4& a, const TMatrix4& b) {
    TMatrix4 m{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[col * 4 + k];
            m[col * 4 + row] = sum;
        }
    return m;
}

// As glRotated with the axis x or z, and glTranslated.
TMatrix4 RotationX(double degrees) {
    const double r = degrees * Pi / 180, c = std::cos(r), s = std::sin(r);
    TMatrix4 m = Identity();
    m[5] = c;
    m[6] = s;
    m[9] = -s;
    m[10] = c;
    return m;
}

TMatrix4 RotationZ(double degrees) {
    const double r = degrees * Pi / 180, c = std::cos(r), s = std::sin(r);
    TMatrix4 m = Identity();
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
    return m;
}

TMatrix4 Translation(double x, double y, double z) {
    TMatrix4 m = Identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

} // namespace

void TJoystick::CentreOnScreen(int screenWidth, int screenHeight) {
    MouseCenterX = (screenWidth - 1) / 2.0;
    MouseCenterY = (screenHeight - 1) / 2.0;
}

void TJoystick::MouseMove(double x, double y) {
    if (x + LookRange < MouseCenterX)
        MouseCenterX = x + LookRange;
    else if (x - LookRange > MouseCenterX)
        MouseCenterX = x - LookRange;
    if (y + ControllerRange < MouseCenterY)
        MouseCenterY = y + ControllerRange;
    else if (y - ControllerRange > MouseCenterY)
        MouseCenterY = y - ControllerRange;
    LookOffset = x - MouseCenterX;
    ControllerOffset = y - MouseCenterY;
}

void TJoystick::HoldCommandsOf(const TVell& tram) {
    // Back through the division ManualCommand makes: a command the joystick gave comes out bit
    // for bit, the sign of a neutral zero too.
    ControllerOffset = -tram.ManualCommand * ControllerRange;
    LeftButtonDown = tram.ManualOpen;
    RightButtonDown = tram.ManualClose;
}

double AngleOf(double a, double b) {
    if (a == 0 && b == 0) return 0;
    // By octant, so that every arctangent is of a ratio no larger than 1.
    double angle;
    if (a >= b && a >= -b)
        angle = std::atan(b / a);
    else if (b > a && b > -a)
        angle = Pi / 2 - std::atan(a / b);
    else if (a <= b && a <= -b)
        angle = std::atan(b / a) + Pi;
    else
        angle = 3 * Pi / 2 - std::atan(a / b);
    while (angle <= 2 * Pi)
        angle += 2 * Pi;
    while (angle > 0)
        angle -= 2 * Pi;
    return angle;
}

double DayLightAt(int hour, int minute, int second, int millisecond) {
    const auto since = [&](int fromHour) {
        return (hour - fromHour) * 3600.0 + minute * 60.0 + second + 0.001 * millisecond;
    };
    double light;
    if (hour < 3)
        light = 0;
    else if (hour < 9)
        light = since(3) / 21600;
    else if (hour < 15)
        light = 1;
    else if (hour < 21)
        light = 1 - since(15) / 21600;
    else
        light = 0;
    return 0.9 * light + 0.1;
}

double LineWidthForHeight(int height) {
    return std::max(1.0, height / 400.0);
}

TClientSize FitClientArea(int width, int height) {
    // Both from the size before any change, truncated toward zero.
    const int w43 = height * 4 / 3;
    const int h34 = width * 3 / 4;
    if (width > w43)
        width = w43;
    else if (height > h34)
        height = h34;
    if (width < 320) return {320, 240};
    return {width, height};
}

TClientSize OpeningClientArea(int width, int height, int roomWidth, int roomHeight) {
    const TClientSize shaped = FitClientArea(width, height);
    int h = std::min({shaped.Height, roomHeight, roomWidth * 3 / 4});
    h -= h % 3;
    return FitClientArea(h / 3 * 4, h);
}

TCameraPose CabCamera(const TVell& tram, double lookOffset, double shakeAngle) {
    const TCarAxisXY pose = tram.CarPose(0);
    const double dx = pose.Dir.X, dy = pose.Dir.Y; // from the car's front to its rear
    const double heading = AngleOf(dy, -dx);
    return {pose.Centre.X - 4 * dx, pose.Centre.Y - 4 * dy,
            0.01 * lookOffset + heading + shakeAngle};
}

void DriveFromCab(TCabState& cab, TVell* playerTram, TRandom& shake, TCabDriver driver) {
    if (!playerTram) return;
    TVell& tram = *playerTram;
    if (driver == TCabDriver::Player) {
        // Time runs faster only under the autopilot.
        if (!tram.AutoDrive) cab.GameSpeed = 1;
        tram.ManualCommand = cab.Joystick.ManualCommand();
        tram.ManualOpen = cab.Joystick.LeftButtonDown;
        tram.ManualClose = cab.Joystick.RightButtonDown;
    }
    tram.ShakeAngle = (2 * shake.Real() - 1) * tram.ShakeAmplitude;
    const TCameraPose eye = CabCamera(tram, cab.Joystick.LookOffset, tram.ShakeAngle);
    cab.CamX = eye.X;
    cab.CamY = eye.Y;
    cab.CamHeading = eye.Heading;
}

TDriveSteps RunDriveSteps(const TCabState& cab, TWorld& world, TRunState& run,
                          TDriveRecorder* recorder, TReplayPlayer* replay, bool bell) {
    TDriveSteps done;
    for (; done.Steps < cab.GameSpeed; ++done.Steps) {
        if (replay) {
            if (replay->Finished(run.Steps)) break;
            done.Bell = replay->Before(world, run.Steps) || done.Bell;
        } else if (recorder && recorder->Recording()) {
            recorder->Before(world, run, run.Steps, bell && done.Steps == 0);
        }
        world.WorldStep();
        ++run.Steps;
        if (run.Shift) run.Shift->AfterStep(world, run.Steps);
    }
    return done;
}

TMatrix4 EyeMatrix(double camX, double camY, double camHeading) {
    // From the map's z-up frame to the eye's y-up frame, then the heading about the vertical,
    // then the eye 2 m above the ground (the map's y axis is mirrored in 3D).
    return Multiply(Multiply(RotationX(-90), RotationZ(camHeading * 180 / Pi)),
                    Translation(-camX, camY, -2));
}

std::array<double, 4> Transform(const TMatrix4& m, double x, double y, double z) {
    std::array<double, 4> r{};
    for (int row = 0; row < 4; ++row)
        r[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    return r;
}

} // namespace vell
