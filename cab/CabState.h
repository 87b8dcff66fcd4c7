// The cab view's own state and the arithmetic of its game loop, without Qt or OpenGL: the eye,
// the day light, the game speed, the visibility and full-screen settings, the mouse joystick,
// the window shape, and what one timer tick does to the player's tram.
#pragma once

#include "cab/CabGauges.h"
#include "model/Random.h"
#include "sim/Vell.h"
#include "sim/World.h"
#include "sim/save/Replay.h"

#include <array>
#include <cstdint>

namespace vell {

// The mouse joystick: a centre that follows the cursor lazily inside a box, and the cursor's
// offsets from it. Coordinates are client pixels.
constexpr double LookRange = 159.5;      // horizontal half-size of the box: the view turn
constexpr double ControllerRange = 99.5; // vertical half-size: the controller

struct TJoystick {
    double MouseCenterX = 0;
    double MouseCenterY = 0;
    double LookOffset = 0;       // -159.5..159.5 once the cursor has moved
    double ControllerOffset = 0; // -99.5..99.5; negative is above the centre
    bool LeftButtonDown = false;
    bool RightButtonDown = false;

    // Before any move the centre is the middle of a screen of this size.
    void CentreOnScreen(int screenWidth, int screenHeight);
    // The cursor moved to (x, y).
    void MouseMove(double x, double y);
    // The player's controller input: mouse above the centre is traction, below is braking.
    double ManualCommand() const { return -ControllerOffset / ControllerRange; }
    // Holds the controller and the door buttons as `tram` has them (a continued game), so that
    // the next tick gives the tram the same commands, bit for bit, until the mouse moves.
    void HoldCommandsOf(const TVell& tram);
};

// A display resolution of the settings panel's list.
struct TResolution {
    int Width, Height;
};
constexpr std::array<TResolution, 10> Resolutions{{
    {320, 200},
    {320, 240},
    {400, 300},
    {512, 384},
    {640, 400},
    {640, 480},
    {800, 600},
    {1024, 768},
    {1280, 1024},
    {1600, 1200},
}};
constexpr int DefaultResolution = 5; // 640 x 480

// World steps per timer tick of the speed items "x1" .. "x1024".
constexpr int GameSpeedCount = 11;
constexpr int GameSpeedOf(int item) {
    return 1 << item;
}

// Visibility track bars: metres.
constexpr int MinViewDist = 100;
constexpr int MaxViewDist = 2000;
constexpr int ViewDistStep = 100;

// The state of the cab view that lives for the whole program run: settings and the game speed
// survive from game to game.
struct TCabState {
    // The eye on the map (metres) and the view direction h (radians): the eye looks along
    // (sin h, -cos h). The initial pose matters only while there is no player tram.
    double CamX = 4300;
    double CamY = 8200;
    double CamHeading = 3.14;
    double DayLight = 1.0; // 0.1..1, brightness of the scene
    int GameSpeed = 1;     // world steps per timer tick
    int ViewDistWall = 500;
    int ViewDistTree = 200;
    int ViewDistVell = 200;
    int ScreenModeWidth = Resolutions[DefaultResolution].Width;
    int ScreenModeHeight = Resolutions[DefaultResolution].Height;
    int ScreenModeBits = 32;
    TJoystick Joystick;
    TLimitWarning LimitWarning;       // the limit ahead's, from frame to frame of a game
    std::optional<TLimitShown> Limit; // the figure of the last world tick, drawn by every frame
};

// The angle of the vector (a, b) counter-clockwise from the positive a axis, reduced by whole
// turns into (-2 pi, 0]; 0 for (0, 0).
double AngleOf(double a, double b);

// The scene's brightness at a local wall-clock time of day: 0.1 at night, rising from 03:00 to
// full light at 09:00, falling from 15:00 to 0.1 at 21:00.
double DayLightAt(int hour, int minute, int second, int millisecond);

// Line width in pixels for a picture of this height: height / 400, at least 1.
double LineWidthForHeight(int height);

// The client size a windowed cab view takes after the player resized it to (width, height):
// the longer side shrinks to make 4:3, and anything narrower than 320 becomes 320 x 240.
struct TClientSize {
    int Width, Height;
    bool operator==(const TClientSize&) const = default;
};
TClientSize FitClientArea(int width, int height);

// The client size the window opens at for the resolution chosen in the settings, on a screen
// whose free area, less the window's frame, is `roomWidth` x `roomHeight`: the largest exact
// 4:3 area (its height a multiple of 3) within both the resolution as FitClientArea shapes it
// and the room, so that fitting it again leaves it as it is; never below 320 x 240.
TClientSize OpeningClientArea(int width, int height, int roomWidth, int roomHeight);

// The eye in the player's tram: 4 m ahead of the centre of the first car, looking forward,
// turned by the mouse (0.01 rad per pixel of look offset) and by the cab shake.
struct TCameraPose {
    double X, Y, Heading;
};
TCameraPose CabCamera(const TVell& tram, double lookOffset, double shakeAngle);

// Who sets the player's tram's commands: the player with the joystick, or a replay.
enum class TCabDriver { Player, Replay };

// Steps 2 and 3 of a timer tick, before the world runs: the game speed falls back to 1 under
// manual driving; the joystick goes into the player's tram; the cab shakes (one number drawn
// from `shake`, the view's own generator, so the simulation's sequence does not depend on
// frames); the eye moves into the tram. Without a player tram nothing changes. While a replay
// drives, the joystick only turns the view and any game speed stays.
void DriveFromCab(TCabState& cab, TVell* playerTram, TRandom& shake,
                  TCabDriver driver = TCabDriver::Player);

// What a tick's world steps did: how many ran, and whether a replay rang the player's bell.
struct TDriveSteps {
    int Steps = 0;
    bool Bell = false;
};

// Step 6: GameSpeed world steps, counted into `run.Steps`, each scored by `run.Shift` when
// there is one. Before each, `recorder` (when given
// and recording) notes the player's commands, with `bell` (the player rang it this tick) before
// the first, or `replay` (when given) puts its commands into the player's tram; a replay stops
// at its end.
TDriveSteps RunDriveSteps(const TCabState& cab, TWorld& world, TRunState& run,
                          TDriveRecorder* recorder, TReplayPlayer* replay, bool bell = false);

// A 4 x 4 matrix in OpenGL's column-major order.
using TMatrix4 = std::array<double, 16>;

// The eye transformation of the scene pass: from the map's z-up frame (map point (x, y) at
// height h is (x, -y, h)) to the eye's frame, the eye 2 m above the ground at (CamX, CamY)
// looking along the heading. Multiplied after the perspective.
TMatrix4 EyeMatrix(double camX, double camY, double camHeading);
// m applied to the point (x, y, z, 1); the first three components and w.
std::array<double, 4> Transform(const TMatrix4& m, double x, double y, double z);

} // namespace vell
