// The cab's flat pictures as plain vertex lists, without OpenGL: the sky and the ground, the
// delay number, and the driver's gauges read from the player's tram. Coordinates are
// normalised device coordinates (x and y from -1 to 1, y up), drawn with the identity matrix.
#pragma once

#include "sim/Vell.h"
#include "sim/World.h"

#include <optional>
#include <vector>

namespace vell {

struct TRgb {
    double R = 0, G = 0, B = 0;
    bool operator==(const TRgb&) const = default;
};

struct TPoint2 {
    double X = 0, Y = 0;
};

enum class TPrimitive {
    Lines,     // two points per line
    LineStrip, // one open polyline
    Triangles, // three points per triangle
    Quads,     // four points per quad
};

// One batch of one OpenGL primitive: a single colour, or one colour per point.
struct TShape {
    TPrimitive Kind = TPrimitive::Lines;
    TRgb Colour;
    std::vector<TPoint2> Points;
    std::vector<TRgb> PointColours; // empty, or one per point

    void Add(double x, double y) { Points.push_back({x, y}); }
};

using TShapes = std::vector<TShape>;

constexpr TRgb White{1, 1, 1};
constexpr TRgb NeedleColour{1, 1, 0.6};
constexpr TRgb Green{0, 1, 0};
constexpr TRgb Red{1, 0, 0};
constexpr TRgb Orange{1, 0.5, 0};
constexpr TRgb Yellow{1, 1, 0};

// Writes a non-negative integer in decimal, centred on (x, y), as line segments in the segment
// font (one glyph unit = 0.01); appended to `lines` (a Lines shape).
void DrawNumber(TShape& lines, long long value, double x, double y);
// value mod 100 as exactly two digits, centred on (x, y).
void DrawTwoDigits(TShape& lines, long long value, double x, double y);

// The sky gradient over the upper half and the black ground under the lower half, dimmed by
// the day light. Ground first.
TShapes Background(double dayLight);

// The delay display: |elapsed| milliseconds in white, upper left.
TShape DelayNumber(long long elapsedMs);

// Needle angles in radians.
// The speedometer: quadratic up to 20 km/h (0 at 195 degrees, 20 at 165), then 2 degrees per
// km/h (80 at -15 degrees), without a stop.
double SpeedNeedleAngleKmh(double kmh);
// The needle of this tram: it rests at 195 degrees when its speedometer does not work.
double SpeedNeedleAngle(const TVell& tram);
// The controller: -1 at -67.5 degrees, +1 at +67.5, not clamped.
double ControllerNeedleAngle(double command);

// What the speedometer reads of the tram's speed, km/h.
double SpeedometerKmh(const TVell& tram);

// The limit ahead warns from this far below it (km/h) on, and stops warning once the speed is
// more than this far below it: a speed held at the edge does not make the figure flicker.
constexpr double LimitWarnKmh = 2;
constexpr double LimitClearKmh = 3;

// The warning of the limit ahead, kept by the cab from frame to frame (not by the world).
class TLimitWarning {
  public:
    // After a frame at `kmh` under `limitKmh`: whether the figure warns.
    bool Update(double kmh, int limitKmh);
    bool On() const { return Warning; }
    void Reset() { Warning = false; }

  private:
    bool Warning = false;
};

// The limit ahead as the speedometer shows it: whole km/h, and whether it warns.
struct TLimitShown {
    int Kmh = 0;
    bool Warning = false;
};

// The figure of the player's tram this frame, updating `warning`: none while the tram's
// speedometer does not work (a warning read from the true speed would tell what it hides).
std::optional<TLimitShown> LimitShown(const TWorld& world, const TVell& tram,
                                      TLimitWarning& warning);

// The schedule clock: the deviation in whole seconds (positive: early), limited to -599..599.
int ClockSeconds(std::int32_t deviationTicks);

// The gauges of one frame, each as its own shape.
struct TCabPanel {
    TShape SpeedDial;   // white rim, ticks and the labels 0, 20, 40, 60, 80
    TShape SpeedNeedle; // one triangle
    // The limit ahead in the speedometer's lower half, white, red as a warning.
    std::optional<TShape> LimitFigure;
    TShape ControllerDial;   // white arc and seven ticks
    TShape ControllerNeedle; // one quad
    TShape StatusFrame;      // green while the rules are kept and the tram is on its route
    TShape LoadBar;          // one quad, green empty to red full
    TShape DoorLeft, DoorRight;
    TShape Clock;                      // minutes and two digits of seconds, green early, red late
    std::optional<TShape> SwitchArrow; // only while the tram is on its route

    // The shapes in the order they are drawn.
    TShapes InDrawOrder() const;
};

// The gauges of the player's tram, with the limit ahead when there is one to show.
TCabPanel CabPanel(const TVell& tram, const std::optional<TLimitShown>& limit = std::nullopt);

// The mouse joystick's neutral point, (x, y) in client pixels of a picture `width` x `height`
// pixels large: where the pointer coasts and looks straight ahead. A yellow ring of 6 pixels
// with a level line either side, round whatever the picture's shape; held wholly inside the
// picture, a pixel or two from its edge, when the point lies beyond it.
constexpr double NeutralRingRadius = 6;
TShape NeutralMarker(double x, double y, double width, double height);

} // namespace vell
