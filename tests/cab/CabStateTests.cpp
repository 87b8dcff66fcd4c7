// The cab view's arithmetic: angles, day light, window shape, the joystick, the eye in the
// player's tram and what a timer tick does to that tram.
#include "cab/CabState.h"
#include "tests/cab/CabTestWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vell {
namespace {

constexpr double Pi = std::numbers::pi;

TEST(AngleOf, DesignedValues) {
    EXPECT_DOUBLE_EQ(AngleOf(1, 0), 0);
    EXPECT_DOUBLE_EQ(AngleOf(0, 1), Pi / 2 - 2 * Pi);
    EXPECT_DOUBLE_EQ(AngleOf(-1, 0), Pi - 2 * Pi);
    EXPECT_DOUBLE_EQ(AngleOf(0, 0), 0);
}

TEST(AngleOf, EveryDirectionLiesInOneTurnBelowZeroAndPointsThere) {
    for (int k = 0; k < 720; ++k) {
        const double t = k * Pi / 360 + 0.001;
        const double a = 3 * std::cos(t), b = 3 * std::sin(t);
        const double angle = AngleOf(a, b);
        ASSERT_GT(angle, -2 * Pi) << k;
        ASSERT_LE(angle, 0) << k;
        ASSERT_NEAR(std::cos(angle), std::cos(t), 1e-12) << k;
        ASSERT_NEAR(std::sin(angle), std::sin(t), 1e-12) << k;
    }
    // The octant borders.
    for (auto [a, b] : {std::pair{1.0, 1.0}, {-1.0, 1.0}, {-1.0, -1.0}, {1.0, -1.0}}) {
        const double angle = AngleOf(a, b);
        EXPECT_NEAR(std::atan2(std::sin(angle), std::cos(angle)), std::atan2(b, a), 1e-12);
    }
}

TEST(DayLight, FollowsTheLocalTimeOfDay) {
    EXPECT_DOUBLE_EQ(DayLightAt(2, 59, 59, 999), 0.1);
    EXPECT_DOUBLE_EQ(DayLightAt(3, 0, 0, 0), 0.1);
    EXPECT_DOUBLE_EQ(DayLightAt(6, 0, 0, 0), 0.55);
    EXPECT_DOUBLE_EQ(DayLightAt(9, 0, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(DayLightAt(12, 0, 0, 0), 1.0);
    EXPECT_DOUBLE_EQ(DayLightAt(14, 59, 59, 999), 1.0);
    EXPECT_DOUBLE_EQ(DayLightAt(18, 0, 0, 0), 0.55);
    EXPECT_DOUBLE_EQ(DayLightAt(21, 0, 0, 0), 0.1);
    EXPECT_DOUBLE_EQ(DayLightAt(23, 59, 59, 999), 0.1);
    // Dawn and dusk are continuous: just before 09:00 and just after 15:00 it is nearly full.
    EXPECT_NEAR(DayLightAt(8, 59, 59, 999), 1.0, 1e-7);
    EXPECT_NEAR(DayLightAt(15, 0, 0, 1), 1.0, 1e-7);
    EXPECT_NEAR(DayLightAt(20, 59, 59, 999), 0.1, 1e-7);
    // Milliseconds count.
    EXPECT_GT(DayLightAt(4, 0, 0, 500), DayLightAt(4, 0, 0, 0));
}

TEST(WindowShape, FitsTheClientAreaToFourByThree) {
    EXPECT_EQ(FitClientArea(800, 400), (TClientSize{533, 400}));
    EXPECT_EQ(FitClientArea(400, 600), (TClientSize{400, 300}));
    EXPECT_EQ(FitClientArea(640, 480), (TClientSize{640, 480}));
    EXPECT_EQ(FitClientArea(1024, 768), (TClientSize{1024, 768}));
    // Narrower than 320 after fitting: the smallest window.
    EXPECT_EQ(FitClientArea(300, 225), (TClientSize{320, 240}));
    EXPECT_EQ(FitClientArea(200, 900), (TClientSize{320, 240}));
    EXPECT_EQ(FitClientArea(1000, 200), (TClientSize{320, 240})); // 266 x 200 is too narrow
    EXPECT_EQ(FitClientArea(0, 0), (TClientSize{320, 240}));
    // Truncation leaves most results a pixel off 4:3, so fitting a result again may take
    // another pixel off (357 x 281 gives 357 x 267, which would give 356 x 267): the window
    // must not fit the size it set itself.
    EXPECT_EQ(FitClientArea(357, 281), (TClientSize{357, 267}));
    EXPECT_EQ(FitClientArea(357, 267), (TClientSize{356, 267}));
    for (int w = 320; w <= 1600; w += 37)
        for (int h = 240; h <= 1200; h += 41) {
            const TClientSize fit = FitClientArea(w, h);
            ASSERT_LE(std::abs(fit.Width * 3 - fit.Height * 4), 4) << w << "x" << h;
            ASSERT_TRUE(fit.Width == w || fit.Height == h) << w << "x" << h;
            ASSERT_LE(fit.Width, w);
            ASSERT_LE(fit.Height, h);
        }
}

TEST(WindowShape, OpensAtTheChosenResolutionWithinTheScreen) {
    // Room to spare: the resolution itself, shaped to an exact 4:3 (320 x 200 is below the
    // floor, 640 x 400 is shaped to 533 x 400, which fitting again would take to 532 x 399).
    EXPECT_EQ(OpeningClientArea(640, 480, 1270, 960), (TClientSize{640, 480}));
    EXPECT_EQ(OpeningClientArea(1024, 768, 1270, 960), (TClientSize{1024, 768}));
    EXPECT_EQ(OpeningClientArea(320, 200, 1270, 960), (TClientSize{320, 240}));
    EXPECT_EQ(OpeningClientArea(640, 400, 1270, 960), (TClientSize{532, 399}));
    EXPECT_EQ(OpeningClientArea(1280, 1024, 1270, 1990), (TClientSize{1268, 951}));
    // Too large for the screen: the largest exact 4:3 area that fits, by height or by width.
    EXPECT_EQ(OpeningClientArea(1600, 1200, 1014, 700), (TClientSize{932, 699}));
    EXPECT_EQ(OpeningClientArea(1600, 1200, 600, 700), (TClientSize{600, 450}));
    // A screen smaller than the floor still gets the smallest window.
    EXPECT_EQ(OpeningClientArea(640, 480, 300, 200), (TClientSize{320, 240}));
}

TEST(WindowShape, LineWidthGrowsWithTheHeight) {
    EXPECT_DOUBLE_EQ(LineWidthForHeight(240), 1);
    EXPECT_DOUBLE_EQ(LineWidthForHeight(400), 1);
    EXPECT_DOUBLE_EQ(LineWidthForHeight(480), 1.2);
    EXPECT_DOUBLE_EQ(LineWidthForHeight(1200), 3);
}

TEST(Joystick, StartsAtTheScreenCentreAndFollowsLazily) {
    TJoystick j;
    j.CentreOnScreen(1280, 1024);
    EXPECT_DOUBLE_EQ(j.MouseCenterX, 639.5);
    EXPECT_DOUBLE_EQ(j.MouseCenterY, 511.5);
    // The first move inside a small window drags the centre to the edge of the box: full turn
    // left and full traction at once.
    j.MouseMove(100, 100);
    EXPECT_DOUBLE_EQ(j.MouseCenterX, 259.5);
    EXPECT_DOUBLE_EQ(j.MouseCenterY, 199.5);
    EXPECT_DOUBLE_EQ(j.LookOffset, -159.5);
    EXPECT_DOUBLE_EQ(j.ControllerOffset, -99.5);
    EXPECT_DOUBLE_EQ(j.ManualCommand(), 1);
    // Back inside the box the centre stays.
    j.MouseMove(259.5, 199.5);
    EXPECT_DOUBLE_EQ(j.MouseCenterX, 259.5);
    EXPECT_DOUBLE_EQ(j.LookOffset, 0);
    EXPECT_DOUBLE_EQ(j.ManualCommand(), 0);
    // Down beyond the box: full braking, the centre pushed along.
    j.MouseMove(259.5, 400);
    EXPECT_DOUBLE_EQ(j.MouseCenterY, 300.5);
    EXPECT_DOUBLE_EQ(j.ManualCommand(), -1);
    // Right beyond the box.
    j.MouseMove(500, 300);
    EXPECT_DOUBLE_EQ(j.MouseCenterX, 340.5);
    EXPECT_DOUBLE_EQ(j.LookOffset, 159.5);
}

TEST(Joystick, OffsetsStayInTheirRangesAfterTheFirstMove) {
    TJoystick j;
    j.CentreOnScreen(640, 480);
    TRandom r(7);
    for (int k = 0; k < 5000; ++k) {
        j.MouseMove(r.Below(2000) - 500, r.Below(1500) - 400);
        ASSERT_LE(std::fabs(j.LookOffset), LookRange);
        ASSERT_LE(std::fabs(j.ControllerOffset), ControllerRange);
        ASSERT_LE(std::fabs(j.ManualCommand()), 1.0);
    }
}

TEST(Eye, MatrixLooksAlongTheHeadingFromTwoMetresUp) {
    for (double h : {0.0, 1.0, -2.5, 3.14, -5.9}) {
        const double camX = 1234, camY = 5678;
        const TMatrix4 m = EyeMatrix(camX, camY, h);
        // 10 m ahead along (sin h, -cos h) on the map, at eye height: straight ahead.
        const double ax = camX + 10 * std::sin(h), ay = camY - 10 * std::cos(h);
        const auto ahead = Transform(m, ax, -ay, 2);
        EXPECT_NEAR(ahead[0], 0, 1e-9);
        EXPECT_NEAR(ahead[1], 0, 1e-9);
        EXPECT_NEAR(ahead[2], -10, 1e-9);
        // Up is up.
        const auto above = Transform(m, ax, -ay, 5);
        EXPECT_NEAR(above[1], 3, 1e-9);
        // The ground under the eye is 2 m below it.
        const auto foot = Transform(m, camX, -camY, 0);
        EXPECT_NEAR(foot[0], 0, 1e-9);
        EXPECT_NEAR(foot[1], -2, 1e-9);
        EXPECT_NEAR(foot[2], 0, 1e-9);
        // To the right of the view direction, on the map with y down: (cos h, sin h).
        const auto right = Transform(m, camX + 3 * std::cos(h), -(camY + 3 * std::sin(h)), 2);
        EXPECT_NEAR(right[0], 3, 1e-9);
        EXPECT_NEAR(right[2], 0, 1e-9);
    }
}

// The first car's points, as the camera sees them.
struct TCarPoints {
    TPointXY Front, Rear;
};
TCarPoints FirstCar(const TVell& tram) {
    return {tram.PointXY(tram.Front[0]), tram.PointXY(tram.Rear[0])};
}

TEST(Eye, SitsFourMetresAheadOfTheFirstCarLookingForward) {
    test::TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    for (int k = 0; k < 400; ++k)
        city.World->WorldStep(); // out on the line, swaying
    tram.CarState[0].Yaw = 0;
    const TCarPoints car = FirstCar(tram);
    const double len = std::hypot(car.Front.X - car.Rear.X, car.Front.Y - car.Rear.Y);
    const double fx = (car.Front.X - car.Rear.X) / len, fy = (car.Front.Y - car.Rear.Y) / len;
    const double cx = (car.Front.X + car.Rear.X) / 2, cy = (car.Front.Y + car.Rear.Y) / 2;

    const TCameraPose eye = CabCamera(tram, 0, 0);
    EXPECT_NEAR(eye.X, cx + 4 * fx, 1e-9);
    EXPECT_NEAR(eye.Y, cy + 4 * fy, 1e-9);
    EXPECT_NEAR(std::sin(eye.Heading), fx, 1e-9);
    EXPECT_NEAR(-std::cos(eye.Heading), fy, 1e-9);
    EXPECT_GT(eye.Heading, -2 * Pi);
    EXPECT_LE(eye.Heading, 0);

    // The mouse turns the view by 0.01 rad a pixel, the shake adds its angle.
    const TCameraPose turned = CabCamera(tram, 100, 0.02);
    EXPECT_NEAR(turned.Heading, eye.Heading + 1.02, 1e-12);
    EXPECT_DOUBLE_EQ(turned.X, eye.X);

    // The car's sway turns the eye about the car's centre.
    tram.CarState[0].Yaw = 0.1;
    const TCameraPose swayed = CabCamera(tram, 0, 0);
    EXPECT_NEAR(std::hypot(swayed.X - cx, swayed.Y - cy), 4, 1e-9);
    EXPECT_NEAR(std::remainder(swayed.Heading - eye.Heading, 2 * Pi), 0.1, 1e-9);
}

TEST(Tick, WritesTheJoystickIntoThePlayersTramAndMovesTheEye) {
    test::TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    tram.ShakeAmplitude = 0.05;
    TCabState cab;
    cab.Joystick.ControllerOffset = -49.75; // half way up
    cab.Joystick.LookOffset = 20;
    cab.Joystick.LeftButtonDown = true;
    TRandom shake(3);
    const std::uint32_t worldRandom = city.Random.GetState();

    DriveFromCab(cab, &tram, shake);
    EXPECT_DOUBLE_EQ(tram.ManualCommand, 0.5);
    EXPECT_TRUE(tram.ManualOpen);
    EXPECT_FALSE(tram.ManualClose);
    EXPECT_LE(std::fabs(tram.ShakeAngle), 0.05);
    const TCameraPose expected = CabCamera(tram, 20, tram.ShakeAngle);
    EXPECT_DOUBLE_EQ(cab.CamX, expected.X);
    EXPECT_DOUBLE_EQ(cab.CamY, expected.Y);
    EXPECT_DOUBLE_EQ(cab.CamHeading, expected.Heading);
    // The view's shake does not draw from the simulation's generator.
    EXPECT_EQ(city.Random.GetState(), worldRandom);

    cab.Joystick.LeftButtonDown = false;
    cab.Joystick.RightButtonDown = true;
    cab.Joystick.ControllerOffset = 99.5;
    DriveFromCab(cab, &tram, shake);
    EXPECT_DOUBLE_EQ(tram.ManualCommand, -1);
    EXPECT_FALSE(tram.ManualOpen);
    EXPECT_TRUE(tram.ManualClose);
}

TEST(Tick, SpeedFallsBackToOneUnderManualDriving) {
    test::TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    TCabState cab;
    TRandom shake(1);
    cab.GameSpeed = 64;
    DriveFromCab(cab, &tram, shake);
    EXPECT_EQ(cab.GameSpeed, 64); // the autopilot drives

    tram.AutoDrive = false;
    DriveFromCab(cab, &tram, shake);
    EXPECT_EQ(cab.GameSpeed, 1);
    // And stays 1 when the autopilot comes back, until a speed is chosen again.
    tram.AutoDrive = true;
    DriveFromCab(cab, &tram, shake);
    EXPECT_EQ(cab.GameSpeed, 1);
}

TEST(Tick, WithoutAPlayerTramNothingMoves) {
    test::TCabWorld city;
    city.StartWithPlayer();
    TCabState cab;
    cab.GameSpeed = 8;
    TRandom shake(1);
    DriveFromCab(cab, nullptr, shake);
    EXPECT_EQ(cab.GameSpeed, 8);
    EXPECT_EQ(cab.CamX, 4300);
    EXPECT_EQ(cab.CamY, 8200);
    EXPECT_EQ(cab.CamHeading, 3.14);
    EXPECT_EQ(shake.GetState(), 1u);
}

TEST(Tick, RunsGameSpeedWorldSteps) {
    test::TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    TCabState cab;
    TRunState run;
    for (int speed : {1, 16, 1024}) {
        cab.GameSpeed = speed;
        const std::int32_t before = tram.Clock;
        const long long steps = run.Steps;
        EXPECT_EQ(RunDriveSteps(cab, *city.World, run, nullptr, nullptr).Steps, speed);
        EXPECT_EQ(tram.Clock - before, speed);
        EXPECT_EQ(run.Steps - steps, speed);
    }
}

} // namespace
} // namespace vell
