// The cab's flat pictures as vertex lists.
#include "cab/CabGauges.h"

#include "model/SegmentFont.h"
#include "model/Units.h"
#include "sim/LimitAhead.h"
#include "sim/Speed.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vell {

namespace {

constexpr double Pi = std::numbers::pi;
constexpr double GlyphUnit = 0.01;
constexpr double DigitPitch = 0.03;

// One glyph with its top left corner at (x0, y0); the glyph's Y axis points down the screen.
void DrawGlyph(TShape& lines, int glyph, double x0, double y0) {
    const std::uint8_t mask = Glyphs[glyph].Mask;
    for (int k = 0; k < int(FontSegments.size()); ++k) {
        if (!(mask & (1u << k))) continue;
        const TFontSegment& s = FontSegments[k];
        lines.Add(x0 + GlyphUnit * s.X1, y0 - GlyphUnit * s.Y1);
        lines.Add(x0 + GlyphUnit * s.X2, y0 - GlyphUnit * s.Y2);
    }
}

void DrawDigit(TShape& lines, int digit, double x0, double y0) {
    DrawGlyph(lines, digit + 1, x0, y0);
}

// A dial: centre and radii, so that a point at angle t and radius fraction f lies at
// (cx + f rx cos t, cy + f ry sin t).
struct TDial {
    double CX, CY, RX, RY;
    TPoint2 At(double f, double t) const {
        return {CX + f * RX * std::cos(t), CY + f * RY * std::sin(t)};
    }
};

constexpr TDial Speedometer{-0.3, -0.5, 0.21, 0.28};
constexpr TDial Controller{-0.9, -0.5, 0.24, 0.32};

void AddLine(TShape& lines, TPoint2 a, TPoint2 b) {
    lines.Points.push_back(a);
    lines.Points.push_back(b);
}

TShape SpeedDial() {
    TShape lines{TPrimitive::Lines, White, {}, {}};
    const auto angle = [](int i) { return (26 - i) * Pi / 24; };
    for (int i = 0; i <= 48; ++i) {
        const double t = angle(i);
        if (i > 0) AddLine(lines, Speedometer.At(1, t), Speedometer.At(1, angle(i - 1)));
        if (i > 28) continue;
        if (i == 0 || i % 8 == 4) {
            AddLine(lines, Speedometer.At(0.8, t), Speedometer.At(1, t));
            const TPoint2 label = Speedometer.At(0.6, t);
            const long long kmh = i == 0 ? 0 : RoundHalfEven(2.5 * i + 10);
            DrawNumber(lines, kmh, label.X, label.Y);
        } else if (i % 2 == 0) {
            AddLine(lines, Speedometer.At(0.9, t), Speedometer.At(1, t));
        }
    }
    return lines;
}

TShape SpeedNeedle(double t) {
    TShape needle{TPrimitive::Triangles, NeedleColour, {}, {}};
    needle.Points = {Speedometer.At(0.95, t), Speedometer.At(0.1, t - 3 * Pi / 4),
                     Speedometer.At(0.1, t + 3 * Pi / 4)};
    return needle;
}

TShape ControllerDial() {
    TShape lines{TPrimitive::Lines, White, {}, {}};
    const auto angle = [](int i) { return (i - 6) * Pi / 16; };
    for (int i = 0; i <= 12; ++i) {
        const double t = angle(i);
        if (i > 0) AddLine(lines, Controller.At(1, t), Controller.At(1, angle(i - 1)));
        if (i % 2 == 0) AddLine(lines, Controller.At(0.9, t), Controller.At(1, t));
    }
    return lines;
}

TShape ControllerNeedle(double t) {
    TShape needle{TPrimitive::Quads, NeedleColour, {}, {}};
    const double c = std::cos(t), s = std::sin(t);
    // Along (cos t, sin t) and across (-sin t, cos t), both scaled by the dial's radii.
    const auto corner = [&](double along, double across) {
        return TPoint2{Controller.CX + Controller.RX * (along * c - across * s),
                       Controller.CY + Controller.RY * (along * s + across * c)};
    };
    needle.Points = {corner(0, 0.1), corner(0, -0.1), corner(1.1, -0.1), corner(1.1, 0.1)};
    return needle;
}

} // namespace

void DrawNumber(TShape& lines, long long value, double x, double y) {
    unsigned long long v = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                     : static_cast<unsigned long long>(value);
    int n = 1;
    for (unsigned long long rest = v / 10; rest > 0; rest /= 10)
        ++n;
    double x0 = x - 0.025 + 0.015 * n;
    const double y0 = y + 0.02;
    do {
        DrawDigit(lines, int(v % 10), x0, y0);
        v /= 10;
        x0 -= DigitPitch;
    } while (v > 0);
}

void DrawTwoDigits(TShape& lines, long long value, double x, double y) {
    const int v = int(std::llabs(value) % 100);
    DrawDigit(lines, v % 10, x + 0.005, y + 0.02);
    DrawDigit(lines, v / 10, x + 0.005 - DigitPitch, y + 0.02);
}

TShapes Background(double dayLight) {
    TShape ground{TPrimitive::Quads, {0, 0, 0}, {{-1, -1}, {1, -1}, {1, 0}, {-1, 0}}, {}};
    const TRgb horizon{0.2 * dayLight, 0.8 * dayLight, 1.0 * dayLight};
    const TRgb top{0.2 * dayLight, 0.5 * dayLight, 0.7 * dayLight};
    TShape sky{TPrimitive::Quads,
               horizon,
               {{-1, 0}, {1, 0}, {1, 1}, {-1, 1}},
               {horizon, horizon, top, top}};
    return {ground, sky};
}

TShape DelayNumber(long long elapsedMs) {
    TShape lines{TPrimitive::Lines, White, {}, {}};
    DrawNumber(lines, std::llabs(elapsedMs), -0.75, 0.85);
    return lines;
}

double SpeedNeedleAngleKmh(double kmh) {
    if (kmh > 20) return (75 - kmh) * Pi / 60;
    return (2600 - kmh * kmh) * Pi / 2400;
}

double SpeedometerKmh(const TVell& tram) {
    return MptToKmh(tram.Speed);
}

double SpeedNeedleAngle(const TVell& tram) {
    if (!tram.SpeedometerWorks) return 195 * Pi / 180;
    return SpeedNeedleAngleKmh(SpeedometerKmh(tram));
}

bool TLimitWarning::Update(double kmh, int limitKmh) {
    if (kmh >= limitKmh - LimitWarnKmh)
        Warning = true;
    else if (kmh < limitKmh - LimitClearKmh)
        Warning = false;
    return Warning;
}

std::optional<TLimitShown> LimitShown(const TWorld& world, const TVell& tram,
                                      TLimitWarning& warning) {
    if (!tram.SpeedometerWorks) {
        warning.Reset();
        return std::nullopt;
    }
    const int kmh = LimitAheadKmh(world, tram);
    return TLimitShown{kmh, warning.Update(SpeedometerKmh(tram), kmh)};
}

double ControllerNeedleAngle(double command) {
    return command * 3 * Pi / 8;
}

int ClockSeconds(std::int32_t deviationTicks) {
    const long long s = RoundHalfEven(deviationTicks / TicksPerSecond);
    return int(std::clamp<long long>(s, -599, 599));
}

TShapes TCabPanel::InDrawOrder() const {
    TShapes shapes{SpeedDial};
    if (LimitFigure) shapes.push_back(*LimitFigure); // under the needle
    for (const TShape* shape : {&SpeedNeedle, &ControllerDial, &ControllerNeedle, &StatusFrame,
                                &LoadBar, &DoorLeft, &DoorRight, &Clock})
        shapes.push_back(*shape);
    if (SwitchArrow) shapes.push_back(*SwitchArrow);
    return shapes;
}

TCabPanel CabPanel(const TVell& tram, const std::optional<TLimitShown>& limit) {
    TCabPanel panel;
    panel.SpeedDial = SpeedDial();
    panel.SpeedNeedle = SpeedNeedle(SpeedNeedleAngle(tram));
    if (limit && tram.SpeedometerWorks) {
        // Below the hub, where the scale has no labels (it ends at 80 km/h, -15 degrees).
        panel.LimitFigure = TShape{TPrimitive::Lines, limit->Warning ? Red : White, {}, {}};
        const TPoint2 at = Speedometer.At(0.55, -Pi / 2);
        DrawNumber(*panel.LimitFigure, limit->Kmh, at.X, at.Y);
    }
    panel.ControllerDial = ControllerDial();
    panel.ControllerNeedle = ControllerNeedle(ControllerNeedleAngle(tram.Command));

    panel.StatusFrame = {TPrimitive::LineStrip,
                         tram.RulesKept && tram.OnRoute ? Green : Red,
                         {{0.2, -0.8}, {0.8, -0.8}, {0.8, -0.9}, {0.2, -0.9}, {0.2, -0.8}},
                         {}};

    const int capacity = tram.Capacity();
    const double p = capacity > 0 ? tram.Passengers / capacity : 0;
    panel.LoadBar = {
        TPrimitive::Quads,
        {p, 1 - p, 0},
        {{0.21, -0.81}, {0.21 + 0.58 * p, -0.81}, {0.21 + 0.58 * p, -0.89}, {0.21, -0.89}},
        {}};

    const double o = tram.DoorOpening;
    panel.DoorLeft = {TPrimitive::LineStrip,
                      White,
                      {{0.2, -0.7}, {0.35 - 0.15 * o, -0.7 + 0.15 * o}, {0.49 - 0.3 * o, -0.7}},
                      {}};
    panel.DoorRight = {TPrimitive::LineStrip,
                       White,
                       {{0.51 + 0.3 * o, -0.7}, {0.65 + 0.15 * o, -0.7 + 0.15 * o}, {0.8, -0.7}},
                       {}};

    const int s = ClockSeconds(tram.Deviation);
    panel.Clock = {TPrimitive::Lines, s >= 0 ? Green : Red, {}, {}};
    DrawNumber(panel.Clock, std::abs(s) / 60, -0.9, -0.9);
    DrawTwoDigits(panel.Clock, std::abs(s) % 60, -0.8, -0.9);

    if (tram.OnRoute && tram.Route) {
        const std::uint16_t switchNo = tram.Front[0].SwitchNo;
        const bool right = switchNo < tram.Route->Choices.size() && tram.Route->Choices[switchNo];
        const double dir = right ? 1 : -1;
        const auto x = [dir](double k) { return -0.3 + k * dir; };
        panel.SwitchArrow = TShape{TPrimitive::LineStrip,
                                   Orange,
                                   {{-0.3, -0.88},
                                    {x(0.12), -0.88},
                                    {x(0.12), -0.86},
                                    {x(0.16), -0.9},
                                    {x(0.12), -0.94},
                                    {x(0.12), -0.92},
                                    {-0.3, -0.92}},
                                   {}};
    }
    return panel;
}

TShape NeutralMarker(double x, double y, double width, double height) {
    TShape lines{TPrimitive::Lines, Yellow, {}, {}};
    if (width <= 0 || height <= 0) return lines;
    constexpr double MarginX = NeutralRingRadius + 11, MarginY = NeutralRingRadius + 2;
    x = std::clamp(x, std::min(MarginX, width / 2), std::max(width - MarginX, width / 2));
    y = std::clamp(y, std::min(MarginY, height / 2), std::max(height - MarginY, height / 2));
    // Pixels to normalised device coordinates, y up.
    const auto at = [&](double px, double py) {
        return TPoint2{2 * px / width - 1, 1 - 2 * py / height};
    };
    constexpr int Sides = 12;
    for (int k = 0; k < Sides; ++k) {
        const double a = 2 * Pi * k / Sides, b = 2 * Pi * (k + 1) / Sides;
        AddLine(lines, at(x + NeutralRingRadius * std::cos(a), y + NeutralRingRadius * std::sin(a)),
                at(x + NeutralRingRadius * std::cos(b), y + NeutralRingRadius * std::sin(b)));
    }
    for (double side : {-1.0, 1.0})
        AddLine(lines, at(x + side * (NeutralRingRadius + 3), y),
                at(x + side * (NeutralRingRadius + 10), y));
    return lines;
}

} // namespace vell
