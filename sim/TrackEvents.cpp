// What the track does to a moving tram: jolts at crossings and on poor track, derailment at a
// crossing taken too fast, overspeed for the track's grade, overturning in a curve, cab shake.
#include "Geometry.h"
#include "Speed.h"
#include "Vell.h"
#include "World.h"

#include <cmath>

namespace vell {

namespace {

// Whether segment a-b meets the object (touching counts). Boxes that do not overlap cannot
// meet, which spares most of the distance computations.
bool Meets(const TPointXY& a, const TPointXY& b, const TMapObject& m) {
    if (std::fmax(a.X, b.X) < std::fmin(m.X1, m.X2) || std::fmin(a.X, b.X) > std::fmax(m.X1, m.X2) ||
        std::fmax(a.Y, b.Y) < std::fmin(m.Y1, m.Y2) || std::fmin(a.Y, b.Y) > std::fmax(m.Y1, m.Y2))
        return false;
    return SegmentDistSq(a.X, a.Y, b.X, b.Y, m.X1, m.Y1, m.X2, m.Y2) == 0;
}

} // namespace

// A point sweeping over a near rail jolts its car; above 30 km/h over any rail but the one it
// came from, the tram derails.
void TVell::CheckCrossings(int car, const TRailPos& before, const TRailPos& now) {
    const TPointXY a = PointXY(before), b = PointXY(now);
    for (std::uint16_t m : Rail(now.Obj).Link.Near) {
        if (m == NoObject) continue;
        if (!Meets(a, b, World.Map.Objects[m])) continue;
        const double r = World.Random.Real();
        CarState[car].YawRate += (r - 0.5) * 0.001 * Speed * (300 - Rail(m).SpeedGrade);
        if (Speed > KmhToMpt(30) && m != before.Obj) Accident = true;
    }
}

void TVell::TrackEvents(const std::array<TRailPos, MaxCars>& frontBefore,
                        const std::array<TRailPos, MaxCars>& rearBefore) {
    Accident = false;
    for (int i = 0; i < Cars(); ++i) {
        CheckCrossings(i, frontBefore[i], Front[i]);
        CheckCrossings(i, rearBefore[i], Rear[i]);

        const int g = Rail(frontBefore[i].Obj).SpeedGrade;
        if (World.Random.Below(10000) > g + 9900) {
            const double r = World.Random.Real();
            CarState[i].YawRate += (r - 0.5) * 0.001 * Speed * (300 - g);
        }
        ShakeAmplitude = Speed * ShakeGain * (255 - g) / 255;
        if (Speed > KmhToMpt(g * 0.3 + 15)) Accident = true;

        if (Front[i].Obj != Rear[i].Obj) {
            const TMapObject& f = World.Map.Objects[Front[i].Obj];
            const TMapObject& r = World.Map.Objects[Rear[i].Obj];
            const double c = std::fabs(double(Dot(f, r)) / (Rail(Front[i].Obj).Length *
                                                             Rail(Rear[i].Obj).Length));
            if (std::sqrt(0.05 * std::sqrt((1 - c) / (1 + c))) * Speed * TicksPerSecond > 1)
                Accident = true;
        }
    }
}

} // namespace vell
