// Building the per-rail data of a running world.
#include "sim/RailTable.h"

#include "model/Geometry.h"
#include "model/Network.h"
#include "sim/DrivingTables.h"
#include "sim/Speed.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vell {

void TRailTable::Build(const TMap& map) {
    Rails.assign(map.Objects.size(), TRailData{});
    Stops.clear();
    Spans.clear();
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[std::size_t(i)];
        TRailData& r = Rails[std::size_t(i)];
        r.Length = Length(o);
        if (r.Length > 0) {
            r.DirX = (o.X2 - o.X1) / r.Length;
            r.DirY = (o.Y2 - o.Y1) / r.Length;
        }
        r.X1 = o.X1;
        r.Y1 = o.Y1;
        r.X2 = o.X2;
        r.Y2 = o.Y2;
        r.SpeedGrade = o.IsRail() ? o.SpeedGrade() : 0;
        r.OverspeedMpt = KmhToMpt(r.SpeedGrade * 0.3 + 15);
        if (!o.IsRail()) continue;
        r.Stop = o.IsStop();
        r.KeepClear = o.KeepClear();
        if (r.Stop) Stops.push_back(std::uint16_t(i));
        if (const TLinkRec* link = map.Link(i)) {
            r.Link = *link;
            PackNear(r);
            r.Linked = true;
            r.Switch = link->IsSwitch();
            r.SpeedLimitKmh = SpeedLimit(map, i);
            for (int column = 0; column < 5; ++column) {
                const double limit = r.SpeedLimitKmh * (1 - DrivingTables.CurveMargin[column]);
                r.LimitMptByState[column] =
                    KmhToMpt(r.Stop ? std::min(DrivingTables.StopSpeed[column], limit) : limit);
            }
            for (int k = 0; k < 2; ++k)
                if (link->Next[k] != NoObject)
                    r.Overturn[k] = OverturnFactor(map.Objects[link->Next[k]], o);
        }
    }
    // Spans are computed once all rails are in: a near rail may come later in the map.
    for (TRailData& r : Rails) {
        r.SpanFirst = std::uint32_t(Spans.size());
        for (int k = 0; k < r.NearCount; ++k)
            if (auto span = NearSpan(r, Rails[r.Link.Near[k]])) {
                span->Near = r.Link.Near[k];
                Spans.push_back(*span);
            }
        r.SpanCount = std::uint8_t(Spans.size() - r.SpanFirst);
        double low = std::numeric_limits<double>::infinity(), high = -low;
        for (std::size_t k = r.SpanFirst; k < Spans.size(); ++k) {
            // A span takes part only where the sweep reaches both of its ranges.
            low = std::min(low, std::max(Spans[k].LowX, Spans[k].LowY));
            high = std::max(high, std::min(Spans[k].HighX, Spans[k].HighY));
        }
        r.SpanLow = FloatBelow(low);
        r.SpanHigh = FloatAbove(high);
    }
}

// The float nearest to x on the side away from the hull's inside: the hull only grows. Values
// beyond the float range (the spans of a rail running along an axis) become infinities.
float TRailTable::FloatBelow(double x) {
    constexpr double largest = std::numeric_limits<float>::max();
    if (x > largest) return std::numeric_limits<float>::max();
    if (!(x >= -largest)) return -std::numeric_limits<float>::infinity();
    const float f = float(x);
    return double(f) > x ? std::nextafter(f, -std::numeric_limits<float>::infinity()) : f;
}

float TRailTable::FloatAbove(double x) {
    return -FloatBelow(-x);
}

// Empty Near entries to the back, the others in their order: the loops over them stop early.
void TRailTable::PackNear(TRailData& r) {
    std::array<std::uint16_t, 6> packed;
    packed.fill(NoObject);
    int count = 0;
    for (std::uint16_t m : r.Link.Near)
        if (m != NoObject) packed[std::size_t(count++)] = m;
    r.Link.Near = packed;
    r.NearCount = std::uint8_t(count);
}

// The distances t along `r` at which r's X1 + DirX t lies within low - 0.5 .. high + 0.5; none
// when DirX is 0 and X1 lies outside the box (the computed X is then X1 exactly).
std::optional<std::pair<double, double>> TRailTable::AxisSpan(double start, double dir, double low,
                                                              double high) {
    constexpr double everywhere = std::numeric_limits<double>::max();
    if (dir == 0) {
        if (start < low || start > high) return std::nullopt;
        return std::pair{-everywhere, everywhere};
    }
    const double a = (low - 0.5 - start) / dir, b = (high + 0.5 - start) / dir;
    return std::pair{std::min(a, b), std::max(a, b)};
}

std::optional<TNearSpan> TRailTable::NearSpan(const TRailData& r, const TRailData& m) {
    const auto x = AxisSpan(r.X1, r.DirX, std::min(m.X1, m.X2), std::max(m.X1, m.X2));
    const auto y = AxisSpan(r.Y1, r.DirY, std::min(m.Y1, m.Y2), std::max(m.Y1, m.Y2));
    if (!x || !y) return std::nullopt;
    TNearSpan span;
    span.LowX = x->first;
    span.HighX = x->second;
    span.LowY = y->first;
    span.HighY = y->second;
    return span;
}

double TRailTable::OverturnFactor(const TMapObject& front, const TMapObject& rear) {
    // In line but off the axes, the cosine may come out a hair above 1 (see BendFactor).
    const double c =
        std::min(1.0, std::fabs(double(Dot(front, rear)) / (Length(front) * Length(rear))));
    return std::sqrt(0.05 * std::sqrt((1 - c) / (1 + c)));
}

void TRailTable::Clear() {
    Rails.clear();
    Rails.shrink_to_fit();
    Stops.clear();
    Spans.clear();
    Spans.shrink_to_fit();
}

} // namespace vell
