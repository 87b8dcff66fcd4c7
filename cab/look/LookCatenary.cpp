// The tram system's overhead line in the detailed look: the map's poles as slim masts, the span
// wire of each arch, the contact wire over each track sagging between the spans that hold it, and
// street lamps along the track, on the poles where there are poles.
#include "cab/look/LookShapes.h"

#include "model/Map.h"
#include "model/Random.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vell::look {

namespace {

constexpr double PoleTop = 7.0;
constexpr double SpanHeight = 6.2, SpanSag = 0.3;
// The contact wire hangs at 5.6 m where a span holds it and 0.2 m lower half a span away.
constexpr double WireTop = 5.6, WireSag = 0.2, HalfSpan = 17.5;
constexpr double WireStep = 3; // metres of wire drawn as one straight piece
constexpr double LampHeight = 6.4, LampReach = 1.2;
constexpr double LampSpacing = 35;
constexpr double LampPostSide = 3.3; // a lamp post of its own stands this far from the track
constexpr double LampPoleReach = 25; // no post of its own this near a pole: the pole has one
constexpr double LampPostClearance = 2.2;
// How far beyond a tile the spans and rails are looked at: half a span and a little.
constexpr double Reach = 40;

const TLookColour PoleColour{72, 80, 76}, WireColour{40, 40, 44}, LampBody{90, 92, 96};
const TLookColour LampLit{255, 236, 190}, LampGlow{255, 214, 150};

struct TSpan {
    double X1, Y1, X2, Y2;
    bool PoleAtStart, PoleAtEnd;
};

struct TSupport {
    double X, Y;
};

bool IsPole(const TMapObject& o) {
    return o.Kind() == HighWall && o.X1 == o.X2 && o.Y1 == o.Y2;
}

bool Near(const TLookBox& box, double x, double y, double margin) {
    return x >= box.MinX - margin && x < box.MaxX + margin && y >= box.MinY - margin &&
           y < box.MaxY + margin;
}

// Where segment a crosses segment b: the point, if they cross.
bool Crossing(double ax1, double ay1, double ax2, double ay2, double bx1, double by1, double bx2,
              double by2, double& x, double& y) {
    const double dax = ax2 - ax1, day = ay2 - ay1, dbx = bx2 - bx1, dby = by2 - by1;
    const double denominator = dax * dby - day * dbx;
    if (std::fabs(denominator) < 1e-9) return false;
    const double t = ((bx1 - ax1) * dby - (by1 - ay1) * dbx) / denominator;
    const double u = ((bx1 - ax1) * day - (by1 - ay1) * dax) / denominator;
    if (t < 0 || t > 1 || u < 0 || u > 1) return false;
    x = ax1 + t * dax;
    y = ay1 + t * day;
    return true;
}

// The box and every rail that starts in it: where the tile's contact wires run.
TLookBox WireExtent(const TMap& map, const TLookBox& box) {
    TLookBox extent = box;
    for (const TMapObject& o : map.Objects) {
        if (!o.IsRail() || !box.Contains(o.X1, o.Y1)) continue;
        extent.MinX = std::min(extent.MinX, float(o.X2));
        extent.MinY = std::min(extent.MinY, float(o.Y2));
        extent.MaxX = std::max(extent.MaxX, float(o.X2));
        extent.MaxY = std::max(extent.MaxY, float(o.Y2));
    }
    return extent;
}

class TCatenaryBuilder {
  public:
    TCatenaryBuilder(const TMap& map, const TLookBox& box, const TLookLight& light, TLookMesh& out)
        : Map(map), Box(box), Extent(WireExtent(map, box)), Light(light), Out(out),
          Rails(map, box, Reach + HalfSpan), SupportRails(map, Extent, HalfSpan + 1) {
        CollectPolesAndSpans();
        CollectSupports();
    }

    void Build() {
        for (const TSupport& pole : Poles)
            if (Box.Contains(float(pole.X), float(pole.Y))) AddPole(pole.X, pole.Y);
        for (const TSpan& span : Spans)
            if (Box.Contains(float(span.X1), float(span.Y1))) AddSpan(span);
        for (const TNearRails::TRail& rail : Rails.Rails())
            if (Box.Contains(float(rail.X1), float(rail.Y1))) AddContactWire(rail);
        AddLamps();
    }

  private:
    void CollectPolesAndSpans() {
        for (const TMapObject& o : Map.Objects) {
            if (IsPole(o) && Near(Box, o.X1, o.Y1, Reach))
                Poles.push_back({double(o.X1), double(o.Y1)});
            if (o.Kind() != Arch) continue;
            if (!Near(Extent, o.X1, o.Y1, Reach + 2 * HalfSpan) &&
                !Near(Extent, o.X2, o.Y2, Reach + 2 * HalfSpan))
                continue;
            Spans.push_back({double(o.X1), double(o.Y1), double(o.X2), double(o.Y2), o.StartGrab(),
                             o.EndGrab()});
        }
        // A leg that no wall holds stands as a pole, as the classic look draws it; one a pole
        // holds already is not doubled.
        for (const TSpan& span : Spans) {
            if (span.PoleAtStart && !PoleAt(span.X1, span.Y1)) Poles.push_back({span.X1, span.Y1});
            if (span.PoleAtEnd && !PoleAt(span.X2, span.Y2)) Poles.push_back({span.X2, span.Y2});
        }
    }

    bool PoleAt(double x, double y) const {
        return std::any_of(Poles.begin(), Poles.end(),
                           [&](const TSupport& p) { return p.X == x && p.Y == y; });
    }

    // Where each span crosses a track: the contact wire is held there. Every support within
    // half a span of the tile's wires is found, so that a wire meets its neighbour from another
    // tile at the same height.
    void CollectSupports() {
        for (const TSpan& span : Spans)
            for (const TNearRails::TRail& rail : SupportRails.Rails()) {
                double x = 0, y = 0;
                if (Crossing(span.X1, span.Y1, span.X2, span.Y2, rail.X1, rail.Y1, rail.X2, rail.Y2,
                             x, y))
                    Supports.push_back({x, y});
            }
    }

    double WireHeightAt(double x, double y) const {
        double nearest = std::numeric_limits<double>::max();
        for (const TSupport& s : Supports)
            nearest = std::min(nearest, std::hypot(x - s.X, y - s.Y));
        // A parabola from each support, level half a span away: the same height at a point
        // whichever rail asks, so the wire runs on without a step where rails meet.
        const double m = std::min(nearest / HalfSpan, 1.0);
        return WireTop - WireSag * (1 - (1 - m) * (1 - m));
    }

    static double SpanHeightAt(double t) { return SpanHeight - SpanSag * 4 * t * (1 - t); }

    void AddPole(double x, double y) {
        AddBox(Out, Light, {x, y, 1, 0, 0.2, 0.2, 0, 0.45}, PoleColour);
        AddBox(Out, Light, {x, y, 1, 0, 0.1, 0.1, 0.45, PoleTop}, PoleColour);
    }

    void AddSpan(const TSpan& span) {
        constexpr int pieces = 8;
        TPoint3 previous{span.X1, span.Y1, SpanHeightAt(0)};
        for (int k = 1; k <= pieces; ++k) {
            const double t = double(k) / pieces;
            const TPoint3 next{span.X1 + t * (span.X2 - span.X1), span.Y1 + t * (span.Y2 - span.Y1),
                               SpanHeightAt(t)};
            AddLine(Out, previous, next, WireColour);
            previous = next;
        }
        // A dropper from the span down to the contact wire over each track it crosses.
        const double length = std::hypot(span.X2 - span.X1, span.Y2 - span.Y1);
        for (const TNearRails::TRail& rail : Rails.Rails()) {
            double x = 0, y = 0;
            if (length <= 0 || !Crossing(span.X1, span.Y1, span.X2, span.Y2, rail.X1, rail.Y1,
                                         rail.X2, rail.Y2, x, y))
                continue;
            const double t = std::hypot(x - span.X1, y - span.Y1) / length;
            AddLine(Out, {x, y, SpanHeightAt(t)}, {x, y, WireHeightAt(x, y)}, WireColour);
        }
    }

    void AddContactWire(const TNearRails::TRail& rail) {
        const double length = std::hypot(rail.X2 - rail.X1, rail.Y2 - rail.Y1);
        if (length <= 0) return;
        const int pieces = std::max(1, int(std::ceil(length / WireStep)));
        TPoint3 previous{rail.X1, rail.Y1, WireHeightAt(rail.X1, rail.Y1)};
        for (int k = 1; k <= pieces; ++k) {
            const double t = double(k) / pieces;
            const double x = rail.X1 + t * (rail.X2 - rail.X1);
            const double y = rail.Y1 + t * (rail.Y2 - rail.Y1);
            const TPoint3 next{x, y, WireHeightAt(x, y)};
            AddLine(Out, previous, next, WireColour);
            previous = next;
        }
    }

    // A lamp head on an arm reaching from (x, y) towards the unit vector (dx, dy).
    void AddLamp(double x, double y, double dx, double dy) {
        const double hx = x + dx * LampReach, hy = y + dy * LampReach;
        AddBox(Out, Light,
               {(x + hx) / 2, (y + hy) / 2, dx, dy, LampReach / 2, 0.04, LampHeight + 0.1,
                LampHeight + 0.16},
               LampBody);
        AddBox(Out, Light, {hx, hy, dx, dy, 0.3, 0.14, LampHeight - 0.02, LampHeight + 0.12},
               LampBody);
        if (!Light.Night) return;
        AddBox(Out, Light, {hx, hy, dx, dy, 0.26, 0.11, LampHeight - 0.05, LampHeight - 0.02},
               LampLit, true);
        // Two crossed sprites look round from any side; the patch lights the street below.
        AddGlowSprite(Out, {hx, hy, LampHeight - 0.1}, dx, dy, 2.4, LampGlow, 200);
        AddGlowSprite(Out, {hx, hy, LampHeight - 0.1}, -dy, dx, 2.4, LampGlow, 200);
        AddGlowPatch(Out, {hx, hy, 0.04}, dx, dy, 7, 7, LampGlow, 90);
    }

    // The direction from (x, y) to the nearest track, or none.
    bool TowardsTrack(double x, double y, double& dx, double& dy) const {
        const int nearest = Rails.Nearest(x, y);
        if (nearest < 0) return false;
        const TNearRails::TRail& r = Rails.Rails()[std::size_t(nearest)];
        const double rx = r.X2 - r.X1, ry = r.Y2 - r.Y1;
        const double length2 = rx * rx + ry * ry;
        const double t =
            length2 > 0 ? std::clamp(((x - r.X1) * rx + (y - r.Y1) * ry) / length2, 0.0, 1.0) : 0;
        const double fx = r.X1 + t * rx - x, fy = r.Y1 + t * ry - y;
        const double d = std::hypot(fx, fy);
        if (d < 1e-6 || d > 15) return false;
        dx = fx / d;
        dy = fy / d;
        return true;
    }

    void AddLamps() {
        // On a pole that begins a span or stands alone: one lamp to each span, not two.
        for (const TSupport& pole : Poles) {
            if (!Box.Contains(float(pole.X), float(pole.Y))) continue;
            const bool spanEnd = std::any_of(Spans.begin(), Spans.end(), [&](const TSpan& s) {
                return s.X2 == pole.X && s.Y2 == pole.Y && !(s.X1 == pole.X && s.Y1 == pole.Y);
            });
            double dx = 0, dy = 0;
            if (!spanEnd && TowardsTrack(pole.X, pole.Y, dx, dy)) AddLamp(pole.X, pole.Y, dx, dy);
        }
        // Posts of their own where no pole is near: about every LampSpacing metres of track,
        // on its right-hand side (the outside of a double track, as trams keep right).
        std::vector<TSupport> posts;
        for (const TNearRails::TRail& rail : Rails.Rails()) {
            if (!Box.Contains(float(rail.X1), float(rail.Y1))) continue;
            const double length = std::hypot(rail.X2 - rail.X1, rail.Y2 - rail.Y1);
            if (length <= 0) continue;
            const double ux = (rail.X2 - rail.X1) / length, uy = (rail.Y2 - rail.Y1) / length;
            std::vector<double> along;
            for (double s = LampSpacing / 2; s < length; s += LampSpacing)
                along.push_back(s);
            if (along.empty()) {
                // A short rail has its lamp by a fixed draw on its place, so that lamps keep
                // about their spacing along a track made of short rails.
                TRandom draw(std::uint32_t(rail.X1) * 40503u + std::uint32_t(rail.Y1) * 9973u +
                             std::uint32_t(rail.X2) * 7u + std::uint32_t(rail.Y2));
                if (draw.Real() < length / LampSpacing) along.push_back(length / 2);
            }
            for (const double s : along) {
                // The map's right of the direction (ux, uy), y down: (-uy, ux).
                const double x = rail.X1 + s * ux - uy * LampPostSide;
                const double y = rail.Y1 + s * uy + ux * LampPostSide;
                if (Rails.Distance(x, y) < LampPostClearance) continue;
                const auto near = [&](const TSupport& p, double reach) {
                    return std::hypot(p.X - x, p.Y - y) < reach;
                };
                if (std::any_of(Poles.begin(), Poles.end(),
                                [&](const TSupport& p) { return near(p, LampPoleReach); }) ||
                    std::any_of(posts.begin(), posts.end(),
                                [&](const TSupport& p) { return near(p, LampSpacing / 2); }))
                    continue;
                posts.push_back({x, y});
                AddBox(Out, Light, {x, y, ux, uy, 0.08, 0.08, 0, LampHeight + 0.16}, PoleColour);
                AddLamp(x, y, uy, -ux);
            }
        }
    }

    const TMap& Map;
    const TLookBox& Box;
    const TLookBox Extent;
    const TLookLight& Light;
    TLookMesh& Out;
    TNearRails Rails, SupportRails;
    std::vector<TSupport> Poles;
    std::vector<TSpan> Spans;
    std::vector<TSupport> Supports;
};

} // namespace

void AddCatenary(const TMap& map, const TLookBox& box, const TLookLight& light, TLookMesh& out) {
    TCatenaryBuilder(map, box, light, out).Build();
}

} // namespace vell::look
