// The limit ahead: the track step's three crash checks (TrackEvents.cpp) read off the rails
// the tram will pass, instead of off the tram's next move.
#include "sim/LimitAhead.h"

#include "model/Units.h"
#include "sim/Speed.h"
#include "sim/World.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace vell {

namespace {

// The walk never passes more rails than this: a tram and 50 m ahead are far fewer.
constexpr int MostRailsWalked = 4096;

struct TVec {
    std::int64_t X = 0, Y = 0;
};

TVec Sub(TVec a, TVec b) {
    return {a.X - b.X, a.Y - b.Y};
}

// Signs only: products of two crosses of 16-bit coordinates overflow 64 bits.
int Sign(std::int64_t v) {
    return (v > 0) - (v < 0);
}

int CrossSign(TVec a, TVec b) {
    return Sign(a.X * b.Y - a.Y * b.X);
}

std::int64_t DotOf(TVec a, TVec b) {
    return a.X * b.X + a.Y * b.Y;
}

TVec Start(const TRailData& r) {
    return {r.X1, r.Y1};
}

TVec End(const TRailData& r) {
    return {r.X2, r.Y2};
}

bool SamePoint(TVec a, TVec b) {
    return a.X == b.X && a.Y == b.Y;
}

// Whether p lies on rail m strictly between its ends.
bool InsideRail(TVec p, const TRailData& m) {
    const TVec a = Start(m), b = End(m);
    if (CrossSign(Sub(b, a), Sub(p, a)) != 0) return false;
    const std::int64_t along = DotOf(Sub(p, a), Sub(b, a));
    return along > 0 && along < DotOf(Sub(b, a), Sub(b, a));
}

// Whether the path of a point over the joint J from `from` into `into` cuts rail m, which
// touches J. The point's move over the joint is a chord from a point of `from` to a point of
// `into`: a line through J when they are in line, otherwise it cuts exactly the rays from J
// inside the corner between the way back along `from` and the way on along `into`.
bool ChordCuts(const TRailData& from, const TRailData& into, const TRailData& m) {
    const TVec j = Start(into);
    const TVec back = Sub(Start(from), End(from)), on = Sub(End(into), j);
    const int corner = CrossSign(back, on);
    const auto inCorner = [&](TVec u) {
        if (corner == 0) return true;
        return CrossSign(back, u) * corner >= 0 && CrossSign(u, on) * corner >= 0;
    };
    if (SamePoint(Start(m), j)) return inCorner(Sub(End(m), j));
    if (SamePoint(End(m), j)) return inCorner(Sub(Start(m), j));
    if (InsideRail(j, m)) return inCorner(Sub(End(m), j)) || inCorner(Sub(Start(m), j));
    return false;
}

// The first distance along rail r beyond `after` and short of its end at which rail m meets
// it, metres; a negative value when there is none. Touching r at its ends is the joints'
// business (ChordCuts).
double MeetsInside(const TRailData& r, const TRailData& m, double after) {
    const TVec a = Start(r), b = End(r), c = Start(m), d = End(m);
    const TVec dir = Sub(b, a);
    const int d1 = CrossSign(dir, Sub(c, a)), d2 = CrossSign(dir, Sub(d, a));
    const int d3 = CrossSign(Sub(d, c), Sub(a, c)), d4 = CrossSign(Sub(d, c), Sub(b, c));
    const auto along = [&](TVec p) { return double(DotOf(Sub(p, a), dir)) / r.Length; };
    double low, high;
    if (d1 == 0 && d2 == 0) { // in line: the stretch both cover
        low = std::max(0.0, std::min(along(c), along(d)));
        high = std::min(r.Length, std::max(along(c), along(d)));
        if (high < low) return -1;
    } else {
        if (d1 * d2 > 0 || d3 * d4 > 0) return -1;
        if (d3 == 0 || d4 == 0) return -1; // at an end of r
        if (d1 == 0)
            low = along(c);
        else if (d2 == 0)
            low = along(d);
        else {
            const TVec md = Sub(d, c);
            const double num = double((c.X - a.X) * md.Y - (c.Y - a.Y) * md.X);
            const double den = double(dir.X * md.Y - dir.Y * md.X);
            low = num / den * r.Length;
        }
        high = low;
    }
    if (high <= after || high <= 0 || low >= r.Length) return -1;
    return std::max(low, after);
}

// A rail on the tram's way, and how far its start lies ahead of the last car's rear point.
struct TWayRail {
    std::uint16_t Obj;
    double Start;
};

} // namespace

double LimitAheadMpt(const TWorld& world, const TVell& tram, double range) {
    const TRailTable& rails = world.Rails();
    const int last = tram.Cars() - 1;
    const TRailPos& rear = tram.Rear[std::size_t(last)];
    const TRailPos& frontLast = tram.Front[std::size_t(last)];
    const TRailPos& lead = tram.Front[0];
    // The way from the rear point on, until a rail begins beyond the range.
    std::vector<TWayRail> way;
    int frontLastAt = -1, leadAt = -1;
    double leadOffset = std::numeric_limits<double>::infinity();
    TRailPos pos = rear;
    double start = -rear.Dist;
    while (int(way.size()) < MostRailsWalked) {
        way.push_back({pos.Obj, start});
        const int at = int(way.size()) - 1;
        if (frontLastAt < 0 && pos.Obj == frontLast.Obj) frontLastAt = at;
        if (frontLastAt >= 0 && leadAt < 0 && pos.Obj == lead.Obj) {
            leadAt = at;
            leadOffset = start + lead.Dist;
        }
        const TRailData& rail = rails[pos.Obj];
        if (!rail.Linked || rail.Link.Next[0] == NoObject) break;
        start += rail.Length;
        if (start > leadOffset + range) break;
        tram.NextObject(pos);
        if (pos.Obj >= rails.Size()) break;
    }
    if (frontLastAt < 0) frontLastAt = 0;
    const double reach = leadOffset + range;
    const double carLength = way[std::size_t(frontLastAt)].Start + frontLast.Dist;
    const auto within = [&](const TWayRail& w) { return w.Start <= reach; };

    double limit = std::numeric_limits<double>::infinity();
    const double crossing = KmhToMpt(30);
    for (std::size_t i = 0; i < way.size() && within(way[i]); ++i) {
        const TRailData& r = rails[way[i].Obj];
        // The grade, where a car's front point is or will be.
        if (int(i) >= frontLastAt) limit = std::min(limit, r.OverspeedMpt);
        // Bends a car stands or will stand over: its front point on this rail, its rear point on
        // rail j, the rails between shorter than the car.
        if (int(i) >= frontLastAt) {
            const TMapObject& front = world.Map.Objects[way[i].Obj];
            double between = 0;
            for (std::size_t j = i; j-- > 0 && between < carLength;) {
                const double factor =
                    TRailTable::OverturnFactor(front, world.Map.Objects[way[j].Obj]);
                if (factor > 0) limit = std::min(limit, 1 / (factor * TicksPerSecond));
                between += rails[way[j].Obj].Length;
            }
        }
        // Rails the points cross: over the joint into this rail, and along it.
        const double after = i == 0 ? rear.Dist : 0;
        for (int k = 0; k < r.NearCount; ++k) {
            const TRailData& m = rails[r.Link.Near[std::size_t(k)]];
            const bool atJoint = i > 0 && r.Link.Near[std::size_t(k)] != way[i - 1].Obj &&
                                 ChordCuts(rails[way[i - 1].Obj], r, m);
            const double inside = MeetsInside(r, m, after);
            if (atJoint || (inside >= 0 && way[i].Start + inside <= reach))
                limit = std::min(limit, crossing);
        }
    }
    return limit;
}

int LimitAheadKmh(const TWorld& world, const TVell& tram, double range) {
    // km/h and m/tick do not convert exactly: 30 km/h must not come back as 29.
    const double kmh = std::floor(MptToKmh(LimitAheadMpt(world, tram, range)) + 1e-6);
    return int(std::min(kmh, 999.0));
}

} // namespace vell
