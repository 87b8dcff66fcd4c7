// What the cab's detailed look draws of the imported city, made from what the city's read found:
// streets by their class and tags, the areas of the ground cut to the square, the buildings that
// got walls with their heights, roofs and colours, and a sign and platform at each stop rail.
#include "import/CityParts.h"

#include "import/PlaneGeometry.h"
#include "model/MapExtras.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string_view>

namespace vell::import {

namespace {

constexpr double LookTolerance = 0.5; // metres: lines and rings are simplified to this
constexpr double MapLow = 0, MapHigh = 9999;
constexpr double LeastArea = 4; // square metres: a smaller ring is a slip of the pen

TLookPoint LookPointOf(TPointM p) {
    return {LookTenths(p.X), LookTenths(p.Y)};
}

// The points as the file keeps them, each differing from the one before.
std::vector<TLookPoint> LookPoints(const std::vector<TPointM>& points) {
    std::vector<TLookPoint> out;
    out.reserve(points.size());
    for (const TPointM p : points) {
        const TLookPoint q = LookPointOf(p);
        if (out.empty() || !(out.back() == q)) out.push_back(q);
    }
    return out;
}

// ---- Rings ----

// The ring cut to the square (Sutherland and Hodgman's clipping against each edge in turn).
std::vector<TPointM> ClippedToMap(std::vector<TPointM> ring) {
    const auto clip = [&ring](auto inside, auto cross) {
        std::vector<TPointM> out;
        for (std::size_t k = 0; k < ring.size(); ++k) {
            const TPointM a = ring[k], b = ring[(k + 1) % ring.size()];
            const bool ia = inside(a), ib = inside(b);
            if (ia) out.push_back(a);
            if (ia != ib) out.push_back(cross(a, b));
        }
        ring = std::move(out);
    };
    const auto atX = [](TPointM a, TPointM b, double x) {
        return TPointM{x, a.Y + (b.Y - a.Y) * (x - a.X) / (b.X - a.X)};
    };
    const auto atY = [](TPointM a, TPointM b, double y) {
        return TPointM{a.X + (b.X - a.X) * (y - a.Y) / (b.Y - a.Y), y};
    };
    clip([](TPointM p) { return p.X >= MapLow; },
         [&](TPointM a, TPointM b) { return atX(a, b, MapLow); });
    clip([](TPointM p) { return p.X <= MapHigh; },
         [&](TPointM a, TPointM b) { return atX(a, b, MapHigh); });
    clip([](TPointM p) { return p.Y >= MapLow; },
         [&](TPointM a, TPointM b) { return atY(a, b, MapLow); });
    clip([](TPointM p) { return p.Y <= MapHigh; },
         [&](TPointM a, TPointM b) { return atY(a, b, MapHigh); });
    return ring;
}

bool SegmentsCross(TLookPoint a, TLookPoint b, TLookPoint c, TLookPoint d) {
    const auto side = [](TLookPoint p, TLookPoint q, TLookPoint r) {
        const double v =
            (double(q.X) - p.X) * (double(r.Y) - p.Y) - (double(q.Y) - p.Y) * (double(r.X) - p.X);
        return v > 0 ? 1 : v < 0 ? -1 : 0;
    };
    const int d1 = side(a, b, c), d2 = side(a, b, d), d3 = side(c, d, a), d4 = side(c, d, b);
    if (d1 * d2 < 0 && d3 * d4 < 0) return true;
    // Touching or overlapping edges also make a ring that cannot be cut into triangles cleanly.
    const auto on = [](TLookPoint p, TLookPoint q, TLookPoint r) {
        return std::min(p.X, q.X) <= r.X && r.X <= std::max(p.X, q.X) &&
               std::min(p.Y, q.Y) <= r.Y && r.Y <= std::max(p.Y, q.Y);
    };
    return (d1 == 0 && on(a, b, c)) || (d2 == 0 && on(a, b, d)) || (d3 == 0 && on(c, d, a)) ||
           (d4 == 0 && on(c, d, b));
}

// Whether any two edges of the ring that are not neighbours meet: a grid of cells about as many
// as the edges keeps it near linear on long rings.
bool CrossesItself(const std::vector<TLookPoint>& ring) {
    const std::size_t n = ring.size();
    if (n < 4) return false;
    float minX = ring[0].X, maxX = minX, minY = ring[0].Y, maxY = minY;
    for (const TLookPoint p : ring) {
        minX = std::min(minX, p.X), maxX = std::max(maxX, p.X);
        minY = std::min(minY, p.Y), maxY = std::max(maxY, p.Y);
    }
    const int side = std::clamp(int(std::sqrt(double(n))), 1, 256);
    const double cellX = std::max(1e-3, double(maxX - minX) / side);
    const double cellY = std::max(1e-3, double(maxY - minY) / side);
    const auto column = [&](float x) { return std::clamp(int((x - minX) / cellX), 0, side - 1); };
    const auto row = [&](float y) { return std::clamp(int((y - minY) / cellY), 0, side - 1); };
    std::vector<std::vector<std::size_t>> cells(std::size_t(side) * std::size_t(side));
    for (std::size_t k = 0; k < n; ++k) {
        const TLookPoint a = ring[k], b = ring[(k + 1) % n];
        for (int r = row(std::min(a.Y, b.Y)); r <= row(std::max(a.Y, b.Y)); ++r)
            for (int c = column(std::min(a.X, b.X)); c <= column(std::max(a.X, b.X)); ++c)
                cells[std::size_t(r) * std::size_t(side) + std::size_t(c)].push_back(k);
    }
    for (const std::vector<std::size_t>& cell : cells)
        for (std::size_t i = 0; i < cell.size(); ++i)
            for (std::size_t j = i + 1; j < cell.size(); ++j) {
                const std::size_t e = cell[i], f = cell[j];
                if (f == e + 1 || (e == 0 && f == n - 1)) continue; // neighbours share a corner
                if (SegmentsCross(ring[e], ring[(e + 1) % n], ring[f], ring[(f + 1) % n]))
                    return true;
            }
    return false;
}

// A ring as the look keeps it: on the map, simplified, cut to the square, without a repeated
// point; empty when it crosses itself or holds next to nothing.
std::vector<TLookPoint> LookRing(const std::vector<TPointM>& points) {
    if (points.size() < 3) return {};
    std::vector<TPointM> closed = points;
    closed.push_back(points.front());
    closed = Simplified(closed, LookTolerance);
    closed.pop_back();
    std::vector<TLookPoint> ring = LookPoints(ClippedToMap(std::move(closed)));
    while (ring.size() > 1 && ring.front() == ring.back())
        ring.pop_back();
    if (ring.size() < 3 || std::abs(LookRingArea(ring)) < LeastArea || CrossesItself(ring))
        return {};
    return ring;
}

// ---- Buildings ----

struct TNamedColour {
    std::string_view Name;
    TLookColour Colour;
};

// The colour names mappers use most, as a facade or a roof shows them.
constexpr TNamedColour ColourNames[] = {
    {"white", {236, 234, 228}},     {"black", {40, 40, 42}},        {"grey", {150, 150, 150}},
    {"gray", {150, 150, 150}},      {"lightgrey", {200, 200, 198}}, {"lightgray", {200, 200, 198}},
    {"darkgrey", {96, 96, 98}},     {"darkgray", {96, 96, 98}},     {"silver", {192, 192, 192}},
    {"red", {170, 60, 50}},         {"darkred", {120, 40, 36}},     {"maroon", {120, 40, 36}},
    {"brown", {125, 85, 60}},       {"beige", {222, 208, 176}},     {"tan", {210, 180, 140}},
    {"cream", {240, 228, 196}},     {"ivory", {240, 236, 220}},     {"yellow", {226, 200, 110}},
    {"orange", {214, 130, 70}},     {"pink", {222, 170, 170}},      {"salmon", {224, 150, 128}},
    {"green", {110, 140, 96}},      {"darkgreen", {60, 90, 60}},    {"blue", {90, 120, 160}},
    {"lightblue", {160, 190, 214}}, {"terracotta", {186, 96, 66}},  {"sandstone", {204, 180, 140}},
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = char(std::tolower((unsigned char)c));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

std::optional<TLookColour> ColourOfTag(std::string_view value) {
    while (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    if (value.starts_with('#') && (value.size() == 4 || value.size() == 7)) {
        std::array<int, 6> d{};
        for (std::size_t k = 1; k < value.size(); ++k)
            if ((d[k - 1] = HexDigit(value[k])) < 0) return std::nullopt;
        if (value.size() == 4)
            return TLookColour{std::uint8_t(d[0] * 17), std::uint8_t(d[1] * 17),
                               std::uint8_t(d[2] * 17)};
        return TLookColour{std::uint8_t(d[0] * 16 + d[1]), std::uint8_t(d[2] * 16 + d[3]),
                           std::uint8_t(d[4] * 16 + d[5])};
    }
    std::string lower;
    for (const char c : value)
        if (c != ' ' && c != '_' && c != '-') lower += char(std::tolower((unsigned char)c));
    for (const TNamedColour& named : ColourNames)
        if (named.Name == lower) return named.Colour;
    return std::nullopt;
}

namespace {

// Plaster and stone for walls, tiles, slate and tar for roofs: one of each by the building's
// identifier, the same on every import.
constexpr TLookColour WallTones[] = {
    {214, 204, 184}, {226, 214, 190}, {196, 184, 164}, {230, 222, 208}, {206, 190, 160},
    {188, 176, 162}, {222, 200, 170}, {176, 168, 156}, {218, 196, 180}, {200, 200, 192},
};
constexpr TLookColour PitchedRoofTones[] = {
    {164, 78, 56}, {150, 70, 52}, {176, 92, 64}, {110, 104, 104}, {84, 80, 84}, {140, 66, 50},
};
constexpr TLookColour FlatRoofTones[] = {
    {120, 120, 118},
    {100, 100, 100},
    {140, 136, 130},
    {86, 86, 90},
};

template <std::size_t N>
TLookColour ToneOf(TOsmId id, std::uint64_t salt, const TLookColour (&tones)[N]) {
    // A multiplicative hash, so that neighbours, whose identifiers are often consecutive,
    // differ.
    const std::uint64_t h = (std::uint64_t(id) ^ salt) * 0x9E3779B97F4A7C15ull;
    return tones[(h >> 33) % N];
}

bool IsOneOf(std::string_view value, std::initializer_list<std::string_view> values) {
    return std::find(values.begin(), values.end(), value) != values.end();
}

// Metres to the eaves of a building tagged only with its type.
double HeightOfType(std::string_view type) {
    if (IsOneOf(type, {"house", "detached", "semidetached_house", "terrace", "bungalow"})) return 7;
    if (IsOneOf(type, {"apartments", "residential", "dormitory", "hotel"})) return 15;
    if (IsOneOf(type, {"commercial", "retail", "office", "civic", "public"})) return 12;
    if (IsOneOf(type, {"industrial", "warehouse", "hangar"})) return 8;
    if (IsOneOf(type, {"garage", "garages", "shed", "roof", "carport", "hut", "kiosk"})) return 3;
    if (IsOneOf(type, {"church", "cathedral", "chapel", "basilica"})) return 20;
    if (IsOneOf(type, {"school", "university", "college", "kindergarten"})) return 10;
    return 10;
}

TBuildingUse UseOf(const TOsmBuildingTags& tags, int levels) {
    const std::string_view type = tags.Type, amenity = tags.Amenity;
    if (IsOneOf(type,
                {"church", "cathedral", "chapel", "basilica", "mosque", "synagogue", "temple"}) ||
        amenity == "place_of_worship")
        return TBuildingUse::Church;
    if (tags.Shop || type == "retail" || (type == "commercial" && levels > 1) ||
        IsOneOf(amenity, {"restaurant", "cafe", "bar", "pub", "fast_food", "pharmacy", "bank"}))
        return TBuildingUse::Shops;
    if (IsOneOf(type, {"office", "commercial"})) return TBuildingUse::Offices;
    if (IsOneOf(type, {"industrial", "warehouse", "garage", "garages", "shed", "roof", "hangar",
                       "carport", "service"}))
        return TBuildingUse::Industry;
    if (IsOneOf(type, {"yes", "house", "detached", "semidetached_house", "terrace", "apartments",
                       "residential", "dormitory", "bungalow"}))
        return TBuildingUse::Home;
    return TBuildingUse::Other;
}

TRoofShape RoofOfTag(std::string_view shape) {
    if (shape == "gabled") return TRoofShape::Gabled;
    if (IsOneOf(shape, {"hipped", "half-hipped", "pyramidal", "mansard"}))
        return TRoofShape::Hipped;
    return TRoofShape::Flat;
}

double ShorterSide(const std::vector<TLookPoint>& ring) {
    double shortest = 1e9;
    for (std::size_t k = 0; k < ring.size(); ++k) {
        const TLookPoint a = ring[k], b = ring[(k + 1) % ring.size()];
        shortest = std::min(shortest, std::hypot(double(b.X) - a.X, double(b.Y) - a.Y));
    }
    return shortest;
}

constexpr double LeastHeight = 1, MostHeight = 300, MostRoof = 100;

// ---- Stops ----

constexpr double StopNameReach = 60; // metres from a stop rail to the stop it is named after
constexpr double PlatformReach = 25; // from a stop rail to its platform
constexpr double SignBeside = 3.2;   // a sign without a platform stands this far from the rail
constexpr double SignClearance = 2;  // and never nearer than this to any rail
constexpr double SameStop = 5;       // signs closer than this are one stop's

constexpr double PlatformHalfWidth = 1.25; // of a platform mapped as a line

// A platform mapped as a line, as a ring around it: the line's points shifted half a platform's
// width to its right, then back along its left.
std::vector<TPointM> PlatformAround(const std::vector<TPointM>& line) {
    if (line.size() < 2) return {};
    std::vector<TPointM> right, left;
    for (std::size_t k = 0; k < line.size(); ++k) {
        const TPointM in =
            Unit(line[std::max<std::size_t>(k, 1)] - line[std::max<std::size_t>(k, 1) - 1]);
        const TPointM out = Unit(line[std::min(k + 1, line.size() - 1)] -
                                 line[std::min(k + 1, line.size() - 1) - 1]);
        // The corner's shift along the bisector keeps the sides parallel to the line.
        const TPointM normal = Unit(RightOf(in) + RightOf(out));
        const double cosHalf = std::max(0.5, Dot(normal, RightOf(in)));
        const TPointM shift = (PlatformHalfWidth / cosHalf) * normal;
        right.push_back(line[k] + shift);
        left.push_back(line[k] - shift);
    }
    right.insert(right.end(), left.rbegin(), left.rend());
    return right;
}

TPointM Centroid(const std::vector<TPointM>& ring) {
    TPointM sum;
    for (const TPointM p : ring)
        sum = sum + p;
    return (1.0 / double(ring.size())) * sum;
}

double RailDistance(const TSegmentGrid& rails, TPointM p) {
    return rails.DistanceWithin(p, p, 50);
}

void AddStops(TCityLook& look, const TOsmExtract& city, const TProjection& projection,
              const TMap& map, const TSegmentGrid& rails) {
    struct TPlaced {
        const TOsmStop* Stop;
        TPointM At;
        std::vector<TPointM> Outline;
    };
    std::vector<TPlaced> stops;
    for (const TOsmStop& stop : city.Stops) {
        TPlaced placed{&stop, projection.ToMap(stop.At), {}};
        if (stop.OutlineIsLine)
            placed.Outline =
                PlatformAround(Simplified(OnMap(stop.Outline, projection), LookTolerance));
        else if (stop.Outline.size() >= 3)
            placed.Outline = OnMap(stop.Outline, projection);
        if (InsideMargin(placed.At, -StopNameReach)) stops.push_back(std::move(placed));
    }
    std::vector<TPointM> signs;
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[i];
        if (!o.IsRail() || !o.IsStop()) continue;
        const TPointM a{double(o.X1), double(o.Y1)}, b{double(o.X2), double(o.Y2)};
        const TPointM mid = 0.5 * (a + b), right = RightOf(Unit(b - a));
        // The stop it is named after: the nearest with a name; its platform, the nearest drawn
        // as an area.
        const TPlaced* named = nullptr;
        const TPlaced* platform = nullptr;
        double namedAt = StopNameReach, platformAt = PlatformReach;
        for (const TPlaced& s : stops) {
            const double d = Norm(s.At - mid);
            if (!s.Stop->Name.empty() && d < namedAt) named = &s, namedAt = d;
            if (!s.Outline.empty() && d < platformAt) platform = &s, platformAt = d;
        }
        TLookStop made;
        if (named) made.Name = CleanShownName(named->Stop->Name, MaxStopNameChars);
        TPointM sign = mid + SignBeside * right;
        if (RailDistance(rails, sign) < SignClearance) {
            const TPointM left = mid - SignBeside * right;
            if (RailDistance(rails, left) > RailDistance(rails, sign)) sign = left;
        }
        if (platform) {
            const TPointM centre = Centroid(platform->Outline);
            if (RailDistance(rails, centre) >= SignClearance) sign = centre;
            made.Platform = LookPoints(platform->Outline);
            while (made.Platform.size() > 1 && made.Platform.front() == made.Platform.back())
                made.Platform.pop_back();
            if (made.Platform.size() < 3 || CrossesItself(made.Platform)) made.Platform.clear();
        }
        if (std::any_of(signs.begin(), signs.end(),
                        [&](TPointM p) { return Norm(p - sign) < SameStop; }))
            continue;
        signs.push_back(sign);
        made.At = LookPointOf(sign);
        look.Stops.push_back(std::move(made));
    }
}

} // namespace

TCityLook GroundLook(const TOsmExtract& city, const TProjection& projection, const TMap& map,
                     const TSegmentGrid& rails) {
    TCityLook look;
    for (const TOsmStreet& street : city.Streets) {
        TLookStreet made;
        made.Kind = street.Kind;
        made.Width = LookTenths(street.Width);
        made.Pavements = street.Pavements;
        made.Line = LookPoints(Simplified(OnMap(street.Points, projection), LookTolerance));
        if (made.Line.size() >= 2) look.Streets.push_back(std::move(made));
    }
    struct TRing {
        double Size;
        TLookArea Area;
        TOsmId Id;
    };
    std::vector<TRing> rings;
    for (const TOsmArea& area : city.Areas) {
        std::vector<TLookPoint> ring = LookRing(OnMap(area.Ring, projection));
        if (ring.empty()) continue;
        const double size = std::abs(LookRingArea(ring));
        rings.push_back({size, {area.Kind, std::move(ring)}, area.Id});
    }
    // The larger first, so that a pond in a park or a lawn on a square is painted over it.
    std::stable_sort(rings.begin(), rings.end(), [](const TRing& x, const TRing& y) {
        if (x.Size != y.Size) return x.Size > y.Size;
        if (x.Area.Kind != y.Area.Kind) return x.Area.Kind < y.Area.Kind;
        return x.Id < y.Id;
    });
    for (TRing& ring : rings)
        look.Areas.push_back(std::move(ring.Area));
    AddStops(look, city, projection, map, rails);
    return look;
}

void AddLookBuildings(TCityLook& look, const std::vector<TOsmOutline>& buildings,
                      const TBuildingWalls& walls, int kept) {
    for (int k = 0; k < kept && k < int(walls.Buildings.size()); ++k) {
        const TOsmOutline& source = buildings[walls.Sources[std::size_t(k)]];
        const std::vector<TPointM>& outline = walls.Outlines[std::size_t(k)];
        // Only a closed outline has a roof to draw; a piece of one keeps its walls plain.
        if (outline.size() < 4 || outline.front().X != outline.back().X ||
            outline.front().Y != outline.back().Y)
            continue;
        TLookBuilding b;
        b.Outline = LookPoints({outline.begin(), outline.end() - 1});
        if (b.Outline.size() < 3 || std::abs(LookRingArea(b.Outline)) < 1 ||
            CrossesItself(b.Outline))
            continue;
        for (const TMapObject& wall : walls.Buildings[std::size_t(k)])
            b.Walls.push_back({wall.X1, wall.Y1, wall.X2, wall.Y2});
        const TOsmBuildingTags& tags = source.Look;
        // Pitched roofs only where the tags say so and the footprint has four corners to carry
        // them.
        const TRoofShape shape =
            b.Outline.size() == 4 ? RoofOfTag(tags.RoofShape) : TRoofShape::Flat;
        double roof = 0;
        if (shape != TRoofShape::Flat)
            roof = tags.RoofHeight > 0 ? tags.RoofHeight : ShorterSide(b.Outline) / 3;
        roof = std::min(roof, MostRoof);
        double eaves = 0;
        if (source.Height > 0)
            eaves = source.Height - roof;
        else if (source.Levels > 0)
            eaves = source.Levels * MetresPerLevel;
        else
            eaves = HeightOfType(tags.Type);
        eaves = std::clamp(eaves, LeastHeight, MostHeight);
        b.Height = LookTenths(eaves);
        b.RoofHeight = shape == TRoofShape::Flat ? 0.0f : LookTenths(roof);
        b.Roof = b.RoofHeight > 0 ? shape : TRoofShape::Flat;
        b.Levels = std::uint8_t(std::clamp(int(std::lround(eaves / MetresPerLevel)), 1, 100));
        b.Use = UseOf(tags, b.Levels);
        const std::optional<TLookColour> wall = ColourOfTag(tags.WallColour);
        const std::optional<TLookColour> roofColour = ColourOfTag(tags.RoofColour);
        b.WallColour = wall ? *wall : ToneOf(source.Id, 0, WallTones);
        b.RoofColour = roofColour                   ? *roofColour
                       : b.Roof == TRoofShape::Flat ? ToneOf(source.Id, 0x51, FlatRoofTones)
                                                    : ToneOf(source.Id, 0x51, PitchedRoofTones);
        look.Buildings.push_back(std::move(b));
    }
}

} // namespace vell::import
