// What the track does to a moving tram: jolts at crossings and on poor track, derailment at a
// crossing taken too fast, overspeed for the track's grade, overturning in a curve, cab shake.
#include "model/Geometry.h"
#include "sim/Speed.h"
#include "sim/Vell.h"
#include "sim/VellPositions.h"

#include <algorithm>

namespace vell {

namespace {

// Whether segment a-b meets the rail (touching counts). Boxes that do not overlap cannot
// meet, which spares most of the distance computations.
bool Meets(const TPointXY& a, const TPointXY& b, const TRailData& m) {
    const double lowX = std::min<double>(m.X1, m.X2), highX = std::max<double>(m.X1, m.X2);
    const double lowY = std::min<double>(m.Y1, m.Y2), highY = std::max<double>(m.Y1, m.Y2);
    if (std::max(a.X, b.X) < lowX || std::min(a.X, b.X) > highX || std::max(a.Y, b.Y) < lowY ||
        std::min(a.Y, b.Y) > highY)
        return false;
    return SegmentDistSq(a.X, a.Y, b.X, b.Y, m.X1, m.Y1, m.X2, m.Y2) == 0;
}

// The overturning factor of a car over the joint from `rear` into `front`.
double Overturn(const TRailTable& rails, const TMap& map, int front, int rear) {
    const TRailData& r = rails[rear];
    if (front == r.Link.Next[0]) return r.Overturn[0];
    if (front == r.Link.Next[1]) return r.Overturn[1];
    return TRailTable::OverturnFactor(map.Objects[front], map.Objects[rear]);
}

} // namespace

// A point sweeping over a near rail jolts its car; above 30 km/h over any rail but the one it
// came from, the tram derails. Kept small and inline: it runs for every car point every tick,
// and usually finds nothing to try.
[[gnu::always_inline]] inline void TVell::CheckCrossings(int car, const TRailPos& before,
                                                         const TRailPos& now) {
    const TRailData& rail = Rail(now.Obj);
    if (before.Obj != now.Obj) {
        CrossingsOverJoint(car, before, now);
        return;
    }
    // The point stayed on its rail: only near rails whose box that piece of rail reaches can
    // meet its sweep, and they are tried in the same order, so the draws are the same.
    const double low = std::min(before.Dist, now.Dist), high = std::max(before.Dist, now.Dist);
    if (high < rail.SpanLow || low > rail.SpanHigh) return;
    const TRailTable& rails = World.Rails();
    for (const TNearSpan* span = rails.SpansBegin(rail); span != rails.SpansEnd(rail); ++span)
        if (high >= span->LowX && low <= span->HighX && high >= span->LowY && low <= span->HighY)
            CrossNear(car, PointXY(before), PointXY(now), span->Near, before.Obj);
}

void TVell::CrossingsOverJoint(int car, const TRailPos& before, const TRailPos& now) {
    const TRailData& rail = Rail(now.Obj);
    const TPointXY a = PointXY(before), b = PointXY(now);
    for (int k = 0; k < rail.NearCount; ++k)
        CrossNear(car, a, b, rail.Link.Near[k], before.Obj);
}

void TVell::CrossNear(int car, const TPointXY& a, const TPointXY& b, std::uint16_t m,
                      std::uint16_t cameFrom) {
    const TRailData& near = Rail(m);
    if (!Meets(a, b, near)) return;
    const double r = World.Random.Real();
    CarState[car].YawRate += (r - 0.5) * 0.001 * Speed * (300 - near.SpeedGrade);
    if (Speed > KmhToMpt(30) && m != cameFrom) NoteAccident(TAccidentCause::Crossing, KmhToMpt(30));
}

// Rare: kept out of the step's inlined body.
[[gnu::noinline, gnu::cold]] void TVell::NoteAccident(TAccidentCause cause, double limit,
                                                      std::uint8_t grade) {
    Accident = true;
    if (Crash.Cause != TAccidentCause::None) return;
    Crash = TCrash{};
    Crash.Cause = cause;
    Crash.SpeedGrade = grade;
    Crash.Speed = Speed;
    Crash.Limit = limit;
}

void TVell::TrackEvents(const std::array<TRailPos, MaxCars>& frontBefore,
                        const std::array<TRailPos, MaxCars>& rearBefore) {
    ClearAccident();
    int g = 0;
    for (int i = 0; i < Cars(); ++i) {
        CheckCrossings(i, frontBefore[i], Front[i]);
        CheckCrossings(i, rearBefore[i], Rear[i]);

        const TRailData& under = Rail(frontBefore[i].Obj);
        g = under.SpeedGrade;
        if (World.Random.Below(10000) > g + 9900) {
            const double r = World.Random.Real();
            CarState[i].YawRate += (r - 0.5) * 0.001 * Speed * (300 - g);
        }
        if (Speed > under.OverspeedMpt) // too fast for the track
            NoteAccident(TAccidentCause::Overspeed, under.OverspeedMpt, under.SpeedGrade);

        if (Front[i].Obj != Rear[i].Obj) {
            const double overturn = Overturn(World.Rails(), World.Map, Front[i].Obj, Rear[i].Obj);
            if (overturn * Speed * TicksPerSecond > 1) // overturned in a curve
                NoteAccident(TAccidentCause::Overturn, 1 / (overturn * TicksPerSecond));
        }
    }
    // Every car sets the shake in turn; the last car's value is the one that remains.
    ShakeAmplitude = Speed * ShakeGain * (255 - g) / 255;
}

} // namespace vell
