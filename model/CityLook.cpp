// The city's look in the file beside the map: its section written and read without trusting it,
// and whether it still fits the map it lies beside.
#include "model/ByteStream.h"
#include "model/MapExtras.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace vell {

namespace {

// Map metres a point may lie in: the map and a kilometre around it, in tenths.
constexpr std::int32_t LeastTenths = -10000, MostTenths = 110000;
constexpr int LeastWidth = 20, MostWidth = 400;    // tenths of a metre
constexpr int LeastHeight = 10, MostHeight = 3000; // tenths
constexpr int MostRoofHeight = 1000;               // tenths
constexpr int LeastLevels = 1, MostLevels = 100;
constexpr std::size_t PointBytes = 8;
// A name of 48 characters takes at most 4 bytes each.
constexpr std::size_t MostStopNameBytes = 4 * MaxStopNameChars;

std::int32_t Tenths(float metres) {
    return std::int32_t(std::lround(double(metres) * 10));
}

float FromTenths(std::int32_t tenths) {
    return float(tenths) / 10.0f;
}

// Lengths are kept within their range by whoever makes them; a writer clamps so that what it
// writes is always a section its reader takes.
std::uint16_t ClampedTenths(float metres, int least, int most) {
    const std::int32_t t = Tenths(metres);
    return std::uint16_t(t < least ? least : t > most ? most : t);
}

void WritePoints(TByteWriter& out, const std::vector<TLookPoint>& points) {
    out.WriteU32(std::uint32_t(points.size()));
    for (const TLookPoint& p : points) {
        out.WriteI32(std::clamp(Tenths(p.X), LeastTenths, MostTenths));
        out.WriteI32(std::clamp(Tenths(p.Y), LeastTenths, MostTenths));
    }
}

void WriteColour(TByteWriter& out, TLookColour c) {
    out.WriteU8(c.R);
    out.WriteU8(c.G);
    out.WriteU8(c.B);
}

// A count of items of at least `itemBytes` each, never more than the data left could hold.
bool ReadCount(TByteReader& in, std::size_t itemBytes, std::uint32_t& count) {
    return in.ReadU32(count) && count <= in.Left() / itemBytes;
}

bool ReadPointsAfterCount(TByteReader& in, std::uint32_t count, std::vector<TLookPoint>& points) {
    points.resize(count);
    for (TLookPoint& p : points) {
        std::int32_t x = 0, y = 0;
        if (!in.ReadI32(x) || !in.ReadI32(y)) return false;
        if (x < LeastTenths || x > MostTenths || y < LeastTenths || y > MostTenths) return false;
        p = {FromTenths(x), FromTenths(y)};
    }
    return true;
}

bool ReadPoints(TByteReader& in, std::size_t least, std::vector<TLookPoint>& points) {
    std::uint32_t count = 0;
    return ReadCount(in, PointBytes, count) && count >= least &&
           ReadPointsAfterCount(in, count, points);
}

bool ReadTenths(TByteReader& in, int least, int most, float& metres) {
    std::uint16_t t = 0;
    if (!in.ReadU16(t) || t < least || t > most) return false;
    metres = FromTenths(t);
    return true;
}

template <typename E> bool ReadEnum(TByteReader& in, int count, E& value) {
    std::uint8_t v = 0;
    if (!in.ReadU8(v) || v >= count) return false;
    value = E(v);
    return true;
}

bool ReadColour(TByteReader& in, TLookColour& c) {
    return in.ReadU8(c.R) && in.ReadU8(c.G) && in.ReadU8(c.B);
}

// The least bytes of each kind of record, for bounding counts before anything is allocated.
constexpr std::size_t StreetBytes = 1 + 2 + 1 + 4 + 2 * PointBytes;
constexpr std::size_t AreaBytes = 1 + 4 + 3 * PointBytes;
constexpr std::size_t BuildingBytes = 2 + 8 + 4 + 3 * PointBytes + 2 + 2 + 1 + 1 + 1 + 6;
constexpr std::size_t StopBytes = 1 + PointBytes + 4;

bool ReadStreet(TByteReader& in, TLookStreet& street) {
    std::uint8_t pavements = 0;
    if (!ReadEnum(in, StreetKindCount, street.Kind) ||
        !ReadTenths(in, LeastWidth, MostWidth, street.Width) || !in.ReadU8(pavements) ||
        pavements > 1)
        return false;
    street.Pavements = pavements == 1;
    return ReadPoints(in, 2, street.Line);
}

bool ReadArea(TByteReader& in, TLookArea& area) {
    return ReadEnum(in, AreaKindCount, area.Kind) && ReadPoints(in, 3, area.Ring);
}

bool ReadBuilding(TByteReader& in, TLookBuilding& building) {
    std::uint16_t walls = 0;
    if (!in.ReadU16(walls) || walls < 1 || walls > in.Left() / 8) return false;
    building.Walls.resize(walls);
    for (TWallKey& w : building.Walls)
        if (!in.ReadI16(w.X1) || !in.ReadI16(w.Y1) || !in.ReadI16(w.X2) || !in.ReadI16(w.Y2))
            return false;
    return ReadPoints(in, 3, building.Outline) &&
           ReadTenths(in, LeastHeight, MostHeight, building.Height) &&
           ReadTenths(in, 0, MostRoofHeight, building.RoofHeight) && in.ReadU8(building.Levels) &&
           building.Levels >= LeastLevels && building.Levels <= MostLevels &&
           ReadEnum(in, RoofShapeCount, building.Roof) &&
           ReadEnum(in, BuildingUseCount, building.Use) && ReadColour(in, building.WallColour) &&
           ReadColour(in, building.RoofColour);
}

bool ReadStop(TByteReader& in, TLookStop& stop) {
    std::uint8_t nameBytes = 0;
    std::span<const std::uint8_t> name;
    if (!in.ReadU8(nameBytes) || nameBytes > MostStopNameBytes || !in.ReadBytes(nameBytes, name))
        return false;
    stop.Name = CleanShownName(std::string(name.begin(), name.end()), MaxStopNameChars);
    std::vector<TLookPoint> at;
    if (!ReadPointsAfterCount(in, 1, at)) return false;
    stop.At = at.front();
    // No platform, or a ring of three points or more.
    std::uint32_t count = 0;
    return ReadCount(in, PointBytes, count) && (count == 0 || count >= 3) &&
           ReadPointsAfterCount(in, count, stop.Platform);
}

template <typename T, typename F>
bool ReadAll(TByteReader& in, std::size_t itemBytes, std::vector<T>& items, F read) {
    std::uint32_t count = 0;
    if (!ReadCount(in, itemBytes, count)) return false;
    items.resize(count);
    for (T& item : items)
        if (!read(in, item)) return false;
    return true;
}

std::uint64_t WallHash(std::int16_t x1, std::int16_t y1, std::int16_t x2, std::int16_t y2) {
    return (std::uint64_t(std::uint16_t(x1)) << 48) | (std::uint64_t(std::uint16_t(y1)) << 32) |
           (std::uint64_t(std::uint16_t(x2)) << 16) | std::uint64_t(std::uint16_t(y2));
}

// The map's walls and high walls by their end points, either way round: the editor may draw a
// wall again from its other end.
std::unordered_set<std::uint64_t> MapWalls(std::span<const TMapObject> objects) {
    std::unordered_set<std::uint64_t> walls;
    walls.reserve(objects.size() * 2);
    for (const TMapObject& o : objects)
        if (o.Kind() == Wall || o.Kind() == HighWall) {
            walls.insert(WallHash(o.X1, o.Y1, o.X2, o.Y2));
            walls.insert(WallHash(o.X2, o.Y2, o.X1, o.Y1));
        }
    return walls;
}

bool OnMap(const std::unordered_set<std::uint64_t>& walls, const TWallKey& w) {
    return walls.count(WallHash(w.X1, w.Y1, w.X2, w.Y2)) > 0;
}

} // namespace

float LookTenths(double metres) {
    return FromTenths(std::int32_t(std::lround(metres * 10)));
}

std::vector<std::uint8_t> EncodeCityLook(const TCityLook& look) {
    // What its reader would refuse is left out, so that one bad record never costs the file.
    const auto count = [](const auto& items, auto sound) {
        return std::uint32_t(std::count_if(items.begin(), items.end(), sound));
    };
    const auto soundStreet = [](const TLookStreet& s) { return s.Line.size() >= 2; };
    const auto soundArea = [](const TLookArea& a) { return a.Ring.size() >= 3; };
    const auto soundBuilding = [](const TLookBuilding& b) {
        return !b.Walls.empty() && b.Walls.size() <= 0xFFFF && b.Outline.size() >= 3;
    };
    TByteWriter out;
    out.WriteU32(count(look.Streets, soundStreet));
    for (const TLookStreet& s : look.Streets) {
        if (!soundStreet(s)) continue;
        out.WriteU8(std::uint8_t(s.Kind));
        out.WriteU16(ClampedTenths(s.Width, LeastWidth, MostWidth));
        out.WriteU8(s.Pavements ? 1 : 0);
        WritePoints(out, s.Line);
    }
    out.WriteU32(count(look.Areas, soundArea));
    for (const TLookArea& a : look.Areas) {
        if (!soundArea(a)) continue;
        out.WriteU8(std::uint8_t(a.Kind));
        WritePoints(out, a.Ring);
    }
    out.WriteU32(count(look.Buildings, soundBuilding));
    for (const TLookBuilding& b : look.Buildings) {
        if (!soundBuilding(b)) continue;
        out.WriteU16(std::uint16_t(b.Walls.size()));
        for (const TWallKey& w : b.Walls) {
            out.WriteI16(w.X1);
            out.WriteI16(w.Y1);
            out.WriteI16(w.X2);
            out.WriteI16(w.Y2);
        }
        WritePoints(out, b.Outline);
        out.WriteU16(ClampedTenths(b.Height, LeastHeight, MostHeight));
        out.WriteU16(ClampedTenths(b.RoofHeight, 0, MostRoofHeight));
        out.WriteU8(std::uint8_t(std::clamp<int>(b.Levels, LeastLevels, MostLevels)));
        out.WriteU8(std::uint8_t(b.Roof));
        out.WriteU8(std::uint8_t(b.Use));
        WriteColour(out, b.WallColour);
        WriteColour(out, b.RoofColour);
    }
    out.WriteU32(std::uint32_t(look.Stops.size()));
    for (const TLookStop& s : look.Stops) {
        const std::string name = CleanShownName(s.Name, MaxStopNameChars);
        out.WriteU8(std::uint8_t(name.size()));
        out.WriteBytes(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
        out.WriteI32(std::clamp(Tenths(s.At.X), LeastTenths, MostTenths));
        out.WriteI32(std::clamp(Tenths(s.At.Y), LeastTenths, MostTenths));
        WritePoints(out, s.Platform.size() >= 3 ? s.Platform : std::vector<TLookPoint>{});
    }
    return out.Take();
}

bool DecodeCityLook(std::span<const std::uint8_t> bytes, TCityLook& out) {
    TByteReader in(bytes);
    TCityLook look;
    if (!ReadAll(in, StreetBytes, look.Streets, ReadStreet) ||
        !ReadAll(in, AreaBytes, look.Areas, ReadArea) ||
        !ReadAll(in, BuildingBytes, look.Buildings, ReadBuilding) ||
        !ReadAll(in, StopBytes, look.Stops, ReadStop) || in.Left() != 0)
        return false;
    out = std::move(look);
    return true;
}

bool LookFitsMap(const TCityLook& look, std::span<const TMapObject> objects) {
    if (look.Buildings.empty()) return true;
    const std::unordered_set<std::uint64_t> walls = MapWalls(objects);
    std::size_t whole = 0;
    for (const TLookBuilding& b : look.Buildings)
        if (std::all_of(b.Walls.begin(), b.Walls.end(),
                        [&](const TWallKey& w) { return OnMap(walls, w); }))
            ++whole;
    return 2 * whole >= look.Buildings.size();
}

TCityLook LookKeptForMap(const TCityLook& look, std::span<const TMapObject> objects) {
    TCityLook kept = look;
    if (kept.Buildings.empty()) return kept;
    const std::unordered_set<std::uint64_t> walls = MapWalls(objects);
    std::erase_if(kept.Buildings, [&](const TLookBuilding& b) {
        return std::none_of(b.Walls.begin(), b.Walls.end(),
                            [&](const TWallKey& w) { return OnMap(walls, w); });
    });
    return kept;
}

} // namespace vell
