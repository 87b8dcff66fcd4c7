// The ".vl" map file format: magic, object count, 12-byte records, 117 route records.
#include "model/MapFile.h"

#include "model/ByteStream.h"
#include "model/Texts.h"

#include <algorithm>

namespace vell {

std::string Describe(TMapFileError error) {
    switch (error) {
    case TMapFileError::None:
        return translate("Map", "ошибок нет");
    case TMapFileError::CannotOpen:
        return translate("Map", "файл не найден или не читается");
    case TMapFileError::Truncated:
        return translate("Map", "файл обрывается раньше времени");
    case TMapFileError::BadWaypointCount:
        return translate("Map", "у маршрута больше 31 точки");
    case TMapFileError::BadWaypointIndex:
        return translate("Map", "точка маршрута ссылается на несуществующий объект");
    }
    return translate("Map", "неизвестная ошибка");
}

namespace {

bool ReadObject(TByteReader& in, TMapObject& o) {
    return in.ReadI16(o.X1) && in.ReadI16(o.Y1) && in.ReadI16(o.X2) && in.ReadI16(o.Y2) &&
           in.ReadU8(o.Red) && in.ReadU8(o.Green) && in.ReadU8(o.Blue) && in.ReadU8(o.Flags);
}

TMapFileError ReadRoute(TByteReader& in, std::size_t objectCount, TStoredRoute& r) {
    if (!in.ReadI8(r.WaypointCount) || !in.ReadU8(r.Reserved)) return TMapFileError::Truncated;
    if (r.WaypointCount > MaxWaypoints) return TMapFileError::BadWaypointCount;
    for (int k = 0; k < r.WaypointCount; ++k) {
        if (!in.ReadU16(r.Waypoints[k])) return TMapFileError::Truncated;
        if (r.Waypoints[k] >= objectCount) return TMapFileError::BadWaypointIndex;
    }
    if (!in.ReadU8(r.Cars) || !in.ReadU8(r.Interval)) return TMapFileError::Truncated;
    return TMapFileError::None;
}

} // namespace

TMapFileError ParseMapFile(std::span<const std::uint8_t> data, TMapFileContents& out) {
    TByteReader in(data);
    std::uint16_t magic = 0; // any two bytes are accepted
    std::uint16_t count = 0;
    if (!in.ReadU16(magic) || !in.ReadU16(count)) return TMapFileError::Truncated;
    if (!in.Has(std::size_t(count) * sizeof(TMapObject))) return TMapFileError::Truncated;

    TMapFileContents result;
    result.Objects.resize(count);
    for (TMapObject& o : result.Objects)
        if (!ReadObject(in, o)) return TMapFileError::Truncated;
    for (auto& row : result.Routes)
        for (TStoredRoute& r : row)
            if (TMapFileError e = ReadRoute(in, count, r); e != TMapFileError::None) return e;
    out = std::move(result);
    return TMapFileError::None;
}

std::size_t MapFileSize(const TMapFileContents& contents) {
    std::size_t size = 4 + 12 * contents.Objects.size();
    for (const auto& row : contents.Routes)
        for (const TStoredRoute& r : row)
            size += 4 + 2 * std::size_t(std::clamp<int>(r.WaypointCount, 0, 32));
    return size;
}

std::vector<std::uint8_t> SerializeMapFile(const TMapFileContents& contents) {
    TByteWriter out;
    out.WriteU8('V');
    out.WriteU8('L');
    out.WriteU16(std::uint16_t(contents.Objects.size()));
    for (const TMapObject& o : contents.Objects) {
        out.WriteI16(o.X1);
        out.WriteI16(o.Y1);
        out.WriteI16(o.X2);
        out.WriteI16(o.Y2);
        out.WriteU8(o.Red);
        out.WriteU8(o.Green);
        out.WriteU8(o.Blue);
        out.WriteU8(o.Flags);
    }
    for (const auto& row : contents.Routes)
        for (const TStoredRoute& r : row) {
            out.WriteI8(r.WaypointCount);
            out.WriteU8(r.Reserved);
            for (int k = 0; k < r.WaypointCount && k < 32; ++k)
                out.WriteU16(r.Waypoints[k]);
            out.WriteU8(r.Cars);
            out.WriteU8(r.Interval);
        }
    return out.Take();
}

} // namespace vell
