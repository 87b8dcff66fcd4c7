// The other trams in the detailed look, built each frame where the classic look's tram pass puts
// their cars: bodies with windows (lit at night), doors as they open, the destination sign with
// the line's real name, the pantograph up to the wire, and at night the headlights' glow.
#include "cab/look/LookShapes.h"

#include "cab/scene/Scene.h"
#include "model/MapExtras.h"
#include "sim/Vell.h"
#include "sim/World.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vell {

namespace {

using look::TPoint3;

// Heights of the body's bands: below the windows, the windows, above them, the roof.
constexpr double Floor = 0.25, Sill = 1.15, Lintel = 2.55, Eaves = 2.85, Roof = 3.0;
constexpr double GlassBottom = 1.25, GlassTop = 2.45;
constexpr double SignBottom = 2.3, SignLetters = 0.15;
constexpr double PantographHead = 5.4;

const TLookColour DayGlass{38, 46, 54}, NightWindow{250, 226, 160}, DoorGlass{52, 60, 66};
const TLookColour RoofColour{200, 202, 204}, Gear{60, 60, 62}, Opening{12, 12, 14};
const TLookColour SignBack{14, 14, 16}, SignText{255, 176, 40};
const TLookColour HeadLamp{255, 250, 220}, TailLamp{230, 20, 16}, HeadGlow{255, 238, 190};

// A car point: x from the front (-5) to the rear (+5), y from the right-hand side (-1.2, where
// the doors are) to the left-hand side (+1.2), as the classic tram pass builds its cars.
struct TLocal {
    double X, Y;
};

class TCarBuilder {
  public:
    TCarBuilder(const TCarAxisXY& pose, const TLookLight& light, TLookMesh& out)
        : CX(pose.Centre.X), CY(pose.Centre.Y), DX(pose.Dir.X), DY(pose.Dir.Y), Light(light),
          Out(out) {}

    TPoint3 At(TLocal p, double z) const {
        return {CX + p.X * DX - p.Y * DY, CY + p.X * DY + p.Y * DX, z};
    }
    // A direction of the car's frame in the map's.
    TPoint3 Turned(double x, double y) const { return {x * DX - y * DY, x * DY + y * DX, 0}; }

    // The upright face over the car's outline from p to q (the car on its left, going round
    // from the front's right corner), `out` metres out of the body.
    void Face(TLocal p, TLocal q, double z1, double z2, TLookColour colour, bool shining = false,
              double out = 0) {
        const double ex = q.X - p.X, ey = q.Y - p.Y;
        const double length = std::hypot(ex, ey);
        if (length <= 0 || z2 <= z1) return;
        const TPoint3 normal = Turned(-ey / length, ex / length);
        const double ox = -ey / length * out, oy = ex / length * out;
        const TLocal a{p.X + ox, p.Y + oy}, b{q.X + ox, q.Y + oy};
        const TLookColour c =
            shining ? colour : look::Shaded(colour, Light.Shade(normal.X, normal.Y, 0));
        look::AddFace(shining ? Out.Shining[NoTexture] : Out.Solid[NoTexture],
                      {At(a, z1), At(b, z1), At(b, z2), At(a, z2)}, normal, c);
    }

    void Line(TLocal p, double z1, TLocal q, double z2, TLookColour colour) {
        look::AddLine(Out, At(p, z1), At(q, z2), colour);
    }

    const double CX, CY, DX, DY;
    const TLookLight& Light;
    TLookMesh& Out;
};

// The outline going round: the front, the left-hand side, the rear, the right-hand side.
constexpr TLocal FrontRight{-5, -0.7}, FrontLeft{-5, 0.7}, LeftFront{-4.5, 1.2}, LeftRear{4.5, 1.2},
    RearLeft{5, 0.7}, RearRight{5, -0.7}, RightRear{4.5, -1.2}, RightFront{-4.5, -1.2};

class TTramBuilder {
  public:
    TTramBuilder(const TMap& map, const TVell& tram, const TSceneView& view,
                 const TLookLight& light, TLookMesh& out)
        : Map(map), Tram(tram), View(view), Light(light),
          Out(out), Body{std::uint8_t(tram.Colour & 0xFF), std::uint8_t((tram.Colour >> 8) & 0xFF),
                         std::uint8_t((tram.Colour >> 16) & 0xFF)},
          Window(light.Night ? NightWindow : DayGlass) {}

    void Build() {
        const int cars = Tram.Cars();
        const double reach = double(View.ViewDistVell) * View.ViewDistVell;
        bool rearSet = false;
        TPoint3 rear;
        for (int i = 0; i < cars; ++i) {
            const TCarAxisXY pose = Tram.CarPose(i);
            const double dx = pose.Centre.X - View.CamX, dy = pose.Centre.Y - View.CamY;
            // As the classic pass: a car out of range is not drawn, and the next car's coupler
            // reaches back to the last one drawn.
            if (dx * dx + dy * dy > reach) continue;
            TCarBuilder car(pose, Light, Out);
            AddCar(car, i == 0, i == cars - 1);
            if (i > 0 && rearSet) look::AddLine(Out, car.At({-4, 0}, 0.5), rear, {90, 90, 90});
            rearSet = true;
            rear = car.At({4, 0}, 0.5);
        }
    }

  private:
    void AddCar(TCarBuilder& car, bool leading, bool last) {
        AddBodyBands(car, FrontLeft, LeftFront, leading);
        AddLeftSide(car);
        AddBodyBands(car, LeftRear, RearLeft);
        AddEnd(car, RearLeft, RearRight, last, false);
        AddBodyBands(car, RearRight, RightRear);
        AddRightSide(car);
        AddBodyBands(car, RightFront, FrontRight, leading);
        AddEnd(car, FrontRight, FrontLeft, leading, true);
        AddRoof(car);
        AddGear(car);
        if (leading) AddPantograph(car);
    }

    // A stretch of the outline with no door: lower body, glass (lit at night unless it is the
    // driver's cab), upper body.
    void AddBodyBands(TCarBuilder& car, TLocal p, TLocal q, bool cab = false) {
        car.Face(p, q, Floor, Sill, Body);
        car.Face(p, q, Sill, Lintel, cab ? DayGlass : Window, Light.Night && !cab);
        car.Face(p, q, Lintel, Eaves, Body);
        car.Face(p, q, Eaves, Roof, RoofColour);
    }

    // Windows between pillars along a side from p to q (p.Y == q.Y).
    void AddWindows(TCarBuilder& car, TLocal p, TLocal q, int windows) {
        car.Face(p, q, Floor, Sill, Body);
        car.Face(p, q, Sill, GlassBottom, Body);
        car.Face(p, q, GlassTop, Lintel, Body);
        car.Face(p, q, Lintel, Eaves, Body);
        car.Face(p, q, Eaves, Roof, RoofColour);
        constexpr double pillar = 0.2;
        const double span = q.X - p.X;
        const double step = span / windows;
        for (int k = 0; k < windows; ++k) {
            const double a = p.X + k * step, b = a + step;
            const double sign = span > 0 ? 1 : -1;
            const TLocal pillarEnd{a + sign * pillar / 2 * (k == 0 ? 0 : 1), p.Y};
            const TLocal glassEnd{b - sign * pillar / 2 * (k == windows - 1 ? 0 : 1), p.Y};
            if (k > 0)
                car.Face({a - sign * pillar / 2, p.Y}, pillarEnd, GlassBottom, GlassTop, Body);
            car.Face(pillarEnd, glassEnd, GlassBottom, GlassTop, Window, Light.Night);
        }
    }

    void AddLeftSide(TCarBuilder& car) { AddWindows(car, LeftFront, LeftRear, 5); }

    // The right-hand side: a double door at either end, windows between.
    void AddRightSide(TCarBuilder& car) {
        constexpr double doorEnd = 4.5, doorStart = 3.0;
        AddDoor(car, RightRear.X, doorStart);
        AddWindows(car, {doorStart, -1.2}, {-doorStart, -1.2}, 3);
        AddDoor(car, -doorStart, -doorEnd);
    }

    // A double door from x = from to x = to on the right-hand side: its two leaves part from the
    // middle as it opens, the dark doorway between them.
    void AddDoor(TCarBuilder& car, double from, double to) {
        const double open = std::clamp(Tram.DoorOpening, 0.0, 1.0);
        const double middle = (from + to) / 2, half = (to - from) / 2;
        const double gap = half * open; // signed as the door runs
        const TLocal a{from, -1.2}, b{middle - gap, -1.2}, c{middle + gap, -1.2}, d{to, -1.2};
        for (const auto& [p, q] : {std::pair{a, b}, std::pair{c, d}}) {
            car.Face(p, q, Floor, Sill, {220, 220, 216});
            car.Face(p, q, Sill, GlassTop, DoorGlass);
        }
        car.Face(b, c, Floor, GlassTop, Opening);
        car.Face(a, d, GlassTop, Lintel, Body);
        car.Face(a, d, Lintel, Eaves, Body);
        car.Face(a, d, Eaves, Roof, RoofColour);
    }

    // An end of the car from p to q: a cab end (the front, or the rear of the last car) has
    // lamps, a windscreen and the destination sign; a coupled end has a plain window.
    void AddEnd(TCarBuilder& car, TLocal p, TLocal q, bool cab, bool front) {
        if (!cab) {
            AddBodyBands(car, p, q);
            return;
        }
        car.Face(p, q, Floor, Sill, Body);
        car.Face(p, q, Sill, SignBottom, front ? DayGlass : Window, !front && Light.Night);
        car.Face(p, q, SignBottom, Lintel, SignBack, true);
        car.Face(p, q, Lintel, Eaves, Body);
        car.Face(p, q, Eaves, Roof, RoofColour);
        // The lamps stand out of the body a little so that they are not lost in it.
        const double x = p.X;
        const double outward = front ? -1 : 1;
        const TLookColour lamp = front ? HeadLamp : TailLamp;
        for (const double side : {-1.0, 1.0}) {
            const TLocal l1{x, side * 0.45}, l2{x, side * 0.65};
            // Keep the face's winding: from p's side to q's.
            const bool forward = (q.Y - p.Y) * side > 0;
            car.Face(forward ? l1 : l2, forward ? l2 : l1, 0.55, 0.72, lamp, true, 0.01);
            if (!Light.Night) continue;
            const TPoint3 at = car.At({x + outward * 0.05, side * 0.55}, 0.63);
            // Towards the eye, so that the glow is seen whole.
            double fx = View.CamX - at.X, fy = View.CamY - at.Y;
            const double length = std::hypot(fx, fy);
            if (length > 0) fx /= length, fy /= length;
            look::AddGlowSprite(Out, at, fx, fy, front ? 1.4 : 0.7, front ? HeadGlow : TailLamp,
                                front ? 230 : 160);
        }
        // The line's name as riders know it, centred on the sign, read from outside.
        const std::string name = LineDisplayName(Map, Tram.RouteRow, Tram.RouteCol);
        const TPoint3 outside = car.Turned(outward, 0);
        const TPoint3 middle = car.At({x + outward * 0.012, 0}, (SignBottom + Lintel) / 2);
        look::AddFacingText(Out, true, name, middle, outside.X, outside.Y, SignLetters,
                            std::fabs(q.Y - p.Y) - 0.1, SignText);
        if (front && Light.Night) {
            // The headlights' light on the road ahead.
            const TPoint3 ahead = car.At({x - 9, 0}, 0.05);
            look::AddGlowPatch(Out, ahead, -car.DX, -car.DY, 8, 2.4, HeadGlow, 110);
        }
    }

    void AddRoof(TCarBuilder& car) {
        const TLocal outline[8] = {FrontRight, FrontLeft, LeftFront, LeftRear,
                                   RearLeft,   RearRight, RightRear, RightFront};
        const TLookColour c = look::Shaded(RoofColour, Light.Shade(0, 0, 1));
        // Fan the eight corners from the first.
        for (int k = 1; k + 2 <= 8; k += 2) {
            const TLocal q = outline[k], r = outline[k + 1], s = outline[(k + 2) % 8];
            look::AddFace(
                Out.Solid[NoTexture],
                {car.At(outline[0], Roof), car.At(q, Roof), car.At(r, Roof), car.At(s, Roof)},
                {0, 0, 1}, c);
        }
    }

    void AddGear(TCarBuilder& car) {
        // Two bogies under the body, between the rails' outer edges.
        for (const double x : {-2.4, 2.4}) {
            const TLocal a{x - 0.9, -0.9}, b{x + 0.9, -0.9}, c{x + 0.9, 0.9}, d{x - 0.9, 0.9};
            car.Face(d, a, 0.05, Floor, Gear);
            car.Face(a, b, 0.05, Floor, Gear);
            car.Face(b, c, 0.05, Floor, Gear);
            car.Face(c, d, 0.05, Floor, Gear);
        }
    }

    void AddPantograph(TCarBuilder& car) {
        const TLookColour rod{70, 70, 72};
        const double low = Roof, high = PantographHead;
        for (const double side : {-0.5, 0.5}) {
            car.Line({-1.8, side}, low, {0.2, side}, (low + high) / 2, rod);
            car.Line({0.2, side}, (low + high) / 2, {-0.6, side}, high, rod);
        }
        car.Line({-0.6, -0.8}, high, {-0.6, 0.8}, high, rod);
        car.Line({-0.8, -0.8}, high, {-0.8, 0.8}, high, rod);
    }

    const TMap& Map;
    const TVell& Tram;
    const TSceneView& View;
    const TLookLight& Light;
    TLookMesh& Out;
    const TLookColour Body, Window;
};

} // namespace

void BuildLookTrams(const TMap& map, const TWorld& world, const TSceneView& view,
                    const TLookLight& light, TLookMesh& out) {
    const int count = std::clamp(world.VellCount, 0, MaxVells);
    for (int k = 0; k < count; ++k) {
        const TVell* tram = world.VellTable[k].get();
        if (!tram || !tram->Active || tram == view.PlayerTram || !tram->Route) continue;
        TTramBuilder(map, *tram, view, light, out).Build();
    }
}

} // namespace vell
