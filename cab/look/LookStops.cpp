// Stops in the detailed look: the platform (the extract's outline raised 0.25 m with a kerb, or a
// small one beside the track at the stop's sign when the extract has none), a shelter and a sign
// with the stop's name. What stands on a platform keeps TrackClearance from every track, so a
// tram passes it; a shelter or a sign that finds no such place is left out.
#include "cab/look/LookShapes.h"

#include "model/Map.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace vell::look {

namespace {

constexpr double PlatformHeight = 0.25;
// A platform of our own: this long along the track, from this near its centre line to this far.
constexpr double OwnPlatformLength = 16, OwnPlatformInner = 1.5, OwnPlatformWidth = 2.5;
constexpr double LeastPlatformWidth = 1.2, OwnPlatformReach = 12;
constexpr double ShelterLength = 3.6, ShelterDepth = 1.4, ShelterHeight = 2.5;
constexpr double SignWidest = 2.2, SignLetters = 0.2, SignBottom = 2.0, SignTop = 2.45;
// A little more than the clearance, so that rounding never brings a corner inside it.
constexpr double Keep = TrackClearance + 0.1;
constexpr double SearchReach = 20, SearchStep = 0.5;

const TLookColour PlatformColour{178, 174, 166}, KerbColour{150, 148, 144};
const TLookColour ShelterFrame{70, 76, 84}, ShelterGlass{120, 150, 165}, ShelterRoof{88, 92, 98};
const TLookColour SignFace{236, 238, 240}, SignLetter{20, 40, 110}, SignNightFace{250, 248, 230};

struct TPlane {
    double X = 0, Y = 0;
};

bool InsideRing(const std::vector<TLookPoint>& ring, double x, double y) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const double xi = ring[i].X, yi = ring[i].Y, xj = ring[j].X, yj = ring[j].Y;
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
    }
    return inside;
}

double SignedArea(const std::vector<TPlane>& ring) {
    double area = 0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        area += ring[j].X * ring[i].Y - ring[i].X * ring[j].Y;
    return area / 2;
}

// Triangles of a simple ring by cutting ears; a ring that will not cut (it crosses itself) is
// left out rather than drawn wrongly.
std::vector<std::array<TPlane, 3>> Triangulate(std::vector<TPlane> ring) {
    std::vector<std::array<TPlane, 3>> triangles;
    if (ring.size() < 3) return triangles;
    if (SignedArea(ring) < 0) std::reverse(ring.begin(), ring.end());
    auto cross = [](const TPlane& a, const TPlane& b, const TPlane& c) {
        return (b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X);
    };
    std::size_t guard = ring.size() * ring.size();
    while (ring.size() > 3 && guard-- > 0) {
        bool cut = false;
        for (std::size_t i = 0; i < ring.size() && !cut; ++i) {
            const TPlane& a = ring[(i + ring.size() - 1) % ring.size()];
            const TPlane& b = ring[i];
            const TPlane& c = ring[(i + 1) % ring.size()];
            if (cross(a, b, c) <= 0) continue;
            bool empty = true;
            for (const TPlane& p : ring) {
                if (&p == &a || &p == &b || &p == &c) continue;
                if (cross(a, b, p) > 0 && cross(b, c, p) > 0 && cross(c, a, p) > 0) {
                    empty = false;
                    break;
                }
            }
            if (!empty) continue;
            triangles.push_back({a, b, c});
            ring.erase(ring.begin() + std::ptrdiff_t(i));
            cut = true;
        }
        if (!cut) return {};
    }
    if (ring.size() == 3) triangles.push_back({ring[0], ring[1], ring[2]});
    return triangles;
}

class TStopBuilder {
  public:
    TStopBuilder(const TMap& map, const TLookLight& light, TLookMesh& out)
        : Map(map), Light(light), Out(out) {}

    void Build(const TLookStop& stop) {
        Shelter.reset();
        // The tracks that what is searched for round the sign can come near.
        const float reach = float(SearchReach + OwnPlatformLength + Keep + 2);
        Rails = TNearRails(
            Map, {stop.At.X - reach, stop.At.Y - reach, stop.At.X + reach, stop.At.Y + reach}, 0);
        // The track's direction at the stop: shelters and signs stand along it.
        Along = {1, 0};
        int nearest = Rails.Nearest(stop.At.X, stop.At.Y);
        // A sign this far from every track belongs to none: no platform of our own for it.
        if (nearest >= 0 && Rails.Distance(stop.At.X, stop.At.Y) > OwnPlatformReach) nearest = -1;
        if (nearest >= 0) {
            const TNearRails::TRail& r = Rails.Rails()[std::size_t(nearest)];
            const double length = std::hypot(r.X2 - r.X1, r.Y2 - r.Y1);
            if (length > 0) Along = {(r.X2 - r.X1) / length, (r.Y2 - r.Y1) / length};
        }
        std::vector<TLookPoint> ring = stop.Platform;
        if (ring.size() < 3 && nearest >= 0) ring = OwnPlatform(stop, nearest);
        if (ring.size() >= 3) AddPlatform(ring);
        auto onPlatform = [&](double x, double y) {
            return ring.size() >= 3 ? InsideRing(ring, x, y) : true;
        };
        if (const auto place = Find(stop.At, ShelterLength / 2 + 0.1, ShelterDepth / 2 + 0.1,
                                    ring.size() >= 3, onPlatform))
            AddShelter(*place, ring.size() >= 3);
        if (stop.Name.empty()) return;
        const double width = SignWidth(stop.Name);
        if (const auto place =
                Find(stop.At, width / 2 + 0.05, 0.1, ring.size() >= 3, onPlatform, Shelter))
            AddSign(*place, stop.Name, width, ring.size() >= 3);
    }

  private:
    // A ring 2.5 m wide beside the track at the sign, on the sign's side (the right-hand side
    // when the sign stands on the track), narrowed where another track comes near.
    std::vector<TLookPoint> OwnPlatform(const TLookStop& stop, int nearest) {
        const TNearRails::TRail& r = Rails.Rails()[std::size_t(nearest)];
        const double rx = r.X2 - r.X1, ry = r.Y2 - r.Y1;
        const double length2 = rx * rx + ry * ry;
        const double t =
            length2 > 0 ? std::clamp(((stop.At.X - r.X1) * rx + (stop.At.Y - r.Y1) * ry) / length2,
                                     0.0, 1.0)
                        : 0;
        const TPlane foot{r.X1 + t * rx, r.Y1 + t * ry};
        TPlane side{-Along.Y, Along.X};
        if ((stop.At.X - foot.X) * side.X + (stop.At.Y - foot.Y) * side.Y < 0)
            side = {-side.X, -side.Y};
        auto corner = [&](double along, double across) {
            return TLookPoint{float(foot.X + along * Along.X + across * side.X),
                              float(foot.Y + along * Along.Y + across * side.Y)};
        };
        // The platform's outer edge comes in while any of it lies nearer another track than
        // its inner edge does to its own.
        double outer = OwnPlatformInner + OwnPlatformWidth;
        for (; outer >= OwnPlatformInner + LeastPlatformWidth; outer -= 0.25) {
            bool clear = true;
            for (double a = -OwnPlatformLength / 2; a <= OwnPlatformLength / 2 && clear; a += 1)
                for (double c = OwnPlatformInner; c <= outer + 1e-9 && clear; c += 0.25) {
                    const TLookPoint p = corner(a, c);
                    clear = Rails.Distance(p.X, p.Y) >= OwnPlatformInner - 0.05;
                }
            if (clear) break;
        }
        if (outer < OwnPlatformInner + LeastPlatformWidth) return {};
        const double half = OwnPlatformLength / 2;
        return {corner(-half, OwnPlatformInner), corner(half, OwnPlatformInner),
                corner(half, outer), corner(-half, outer)};
    }

    void AddPlatform(const std::vector<TLookPoint>& ring) {
        std::vector<TPlane> plane;
        for (const TLookPoint& p : ring)
            plane.push_back({p.X, p.Y});
        const auto triangles = Triangulate(plane);
        if (triangles.empty()) return;
        const TLookColour top = Shaded(PlatformColour, Light.Shade(0, 0, 1));
        std::vector<TLookVertex>& list = Out.Solid[PavementTexture];
        for (const auto& t : triangles) {
            // The pavement's slabs by map metres, one tile every two metres.
            const TLookVertex a = GLVertex({t[0].X, t[0].Y, PlatformHeight}, float(t[0].X / 2),
                                           float(t[0].Y / 2), top);
            const TLookVertex b = GLVertex({t[1].X, t[1].Y, PlatformHeight}, float(t[1].X / 2),
                                           float(t[1].Y / 2), top);
            const TLookVertex c = GLVertex({t[2].X, t[2].Y, PlatformHeight}, float(t[2].X / 2),
                                           float(t[2].Y / 2), top);
            // Counter-clockwise in the map (y down) is clockwise seen from above in OpenGL's
            // frame: give the triangle the other way round.
            list.insert(list.end(), {a, c, b});
        }
        // The kerb: each edge's face outwards, the ring made counter-clockwise in the map.
        if (SignedArea(plane) < 0) std::reverse(plane.begin(), plane.end());
        for (std::size_t i = 0; i < plane.size(); ++i) {
            const TPlane& a = plane[i];
            const TPlane& b = plane[(i + 1) % plane.size()];
            const double ex = b.X - a.X, ey = b.Y - a.Y;
            const double length = std::hypot(ex, ey);
            if (length <= 0) continue;
            // Outward of a counter-clockwise ring (in x right, y down): (ey, -ex).
            const TPoint3 normal{ey / length, -ex / length, 0};
            AddFace(Out.Solid[NoTexture],
                    {{a.X, a.Y, 0},
                     {b.X, b.Y, 0},
                     {b.X, b.Y, PlatformHeight},
                     {a.X, a.Y, PlatformHeight}},
                    normal, Shaded(KerbColour, Light.Shade(normal.X, normal.Y, 0)));
        }
    }

    // Whether a box of these half sizes along the track, centred at (x, y), keeps clear of
    // every track and (on a platform) stands on it.
    template <typename TOn>
    bool Fits(double x, double y, double halfLength, double halfWidth, const TOn& onPlatform,
              const std::optional<TPlane>& avoid) const {
        if (avoid && std::hypot(x - avoid->X, y - avoid->Y) < ShelterLength / 2 + halfLength + 0.3)
            return false;
        const TPlane across{-Along.Y, Along.X};
        for (int i = -2; i <= 2; ++i)
            for (int j = -1; j <= 1; ++j) {
                const double px = x + i * halfLength / 2 * Along.X + j * halfWidth * across.X;
                const double py = y + i * halfLength / 2 * Along.Y + j * halfWidth * across.Y;
                if (Rails.Distance(px, py) < Keep) return false;
                if ((std::abs(i) == 2 || j != 0) && !onPlatform(px, py)) return false;
            }
        return true;
    }

    // The place nearest the sign where such a box fits: on the platform if there is one.
    template <typename TOn>
    std::optional<TPlane> Find(TLookPoint at, double halfLength, double halfWidth, bool platform,
                               const TOn& onPlatform, std::optional<TPlane> avoid = {}) const {
        const auto none = [](double, double) { return true; };
        for (const TPlane& offset : SearchOffsets()) {
            const double x = at.X + offset.X, y = at.Y + offset.Y;
            const bool fits = platform ? Fits(x, y, halfLength, halfWidth, onPlatform, avoid)
                                       : Fits(x, y, halfLength, halfWidth, none, avoid);
            if (fits) return TPlane{x, y};
        }
        return std::nullopt;
    }

    // The places round a sign nearest first, ties in a fixed order.
    static const std::vector<TPlane>& SearchOffsets() {
        static const std::vector<TPlane> offsets = [] {
            std::vector<TPlane> list;
            const int steps = int(SearchReach / SearchStep);
            for (int i = -steps; i <= steps; ++i)
                for (int j = -steps; j <= steps; ++j)
                    if (i * i + j * j <= steps * steps)
                        list.push_back({i * SearchStep, j * SearchStep});
            std::stable_sort(list.begin(), list.end(), [](const TPlane& a, const TPlane& b) {
                return a.X * a.X + a.Y * a.Y < b.X * b.X + b.Y * b.Y;
            });
            return list;
        }();
        return offsets;
    }

    // Which way is away from the nearest track at (x, y): a shelter turns its back that way.
    TPlane AwayFromTrack(double x, double y) const {
        const TPlane across{-Along.Y, Along.X};
        const double ahead = Rails.Distance(x + across.X * 0.5, y + across.Y * 0.5);
        const double behind = Rails.Distance(x - across.X * 0.5, y - across.Y * 0.5);
        return ahead >= behind ? across : TPlane{-across.X, -across.Y};
    }

    void AddShelter(TPlane at, bool platform) {
        Shelter = at;
        const double base = platform ? PlatformHeight : 0;
        const TPlane back = AwayFromTrack(at.X, at.Y);
        const double hl = ShelterLength / 2 - 0.1, hw = ShelterDepth / 2 - 0.1;
        for (const double a : {-hl, hl})
            for (const double c : {-hw, hw})
                AddBox(Out, Light,
                       {at.X + a * Along.X + c * back.X, at.Y + a * Along.Y + c * back.Y, Along.X,
                        Along.Y, 0.04, 0.04, base, ShelterHeight},
                       ShelterFrame);
        AddBox(Out, Light,
               {at.X, at.Y, Along.X, Along.Y, ShelterLength / 2, ShelterDepth / 2, ShelterHeight,
                ShelterHeight + 0.08},
               ShelterRoof);
        // The back and the two ends are glass; the bench stands against the back.
        const double bx = at.X + hw * back.X, by = at.Y + hw * back.Y;
        AddBox(Out, Light, {bx, by, Along.X, Along.Y, hl, 0.02, base + 0.2, ShelterHeight - 0.1},
               ShelterGlass);
        for (const double a : {-hl, hl})
            AddBox(Out, Light,
                   {at.X + a * Along.X + back.X * hw / 2, at.Y + a * Along.Y + back.Y * hw / 2,
                    back.X, back.Y, hw / 2, 0.02, base + 0.2, ShelterHeight - 0.1},
                   ShelterGlass);
        AddBox(Out, Light,
               {bx - back.X * 0.3, by - back.Y * 0.3, Along.X, Along.Y, hl * 0.8, 0.2, base + 0.4,
                base + 0.46},
               ShelterFrame);
        if (Light.Night)
            AddBox(
                Out, Light,
                {at.X, at.Y, Along.X, Along.Y, hl * 0.7, 0.08, ShelterHeight - 0.03, ShelterHeight},
                LampLight(), true);
    }

    static TLookColour LampLight() { return {255, 244, 214}; }

    double SignWidth(const std::string& name) const {
        return std::min(SignWidest, LookTextWidth(name, SignLetters) + 0.24);
    }

    void AddSign(TPlane at, const std::string& name, double width, bool platform) {
        const double base = platform ? PlatformHeight : 0;
        AddBox(Out, Light, {at.X, at.Y, Along.X, Along.Y, 0.04, 0.04, base, SignTop}, ShelterFrame);
        const bool night = Light.Night;
        AddBox(Out, Light, {at.X, at.Y, Along.X, Along.Y, width / 2, 0.03, SignBottom, SignTop},
               night ? SignNightFace : SignFace, night);
        // The name on both faces, read from the platform and from the tram.
        const TPlane across{-Along.Y, Along.X};
        for (const double s : {1.0, -1.0}) {
            const TPoint3 middle{at.X + s * across.X * 0.035, at.Y + s * across.Y * 0.035,
                                 (SignBottom + SignTop) / 2};
            AddFacingText(Out, night, name, middle, s * across.X, s * across.Y, SignLetters,
                          width - 0.16, SignLetter);
        }
    }

    const TMap& Map;
    const TLookLight& Light;
    TLookMesh& Out;
    TNearRails Rails;
    TPlane Along{1, 0};
    std::optional<TPlane> Shelter;
};

} // namespace

void AddStops(const TMap& map, const TCityLook& look, const TLookBox& box, const TLookLight& light,
              TLookMesh& out) {
    TStopBuilder builder(map, light, out);
    for (const TLookStop& stop : look.Stops)
        if (box.Contains(stop.At.X, stop.At.Y)) builder.Build(stop);
}

} // namespace vell::look
