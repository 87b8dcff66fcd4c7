// The file beside a map: its sections, the line names in it, and reading it without trusting it.
#include "model/MapExtras.h"

#include "model/ByteStream.h"
#include "model/FileFault.h"
#include "model/Map.h"
#include "model/SafeFile.h"
#include "model/SealedFile.h"
#include "model/Texts.h"
#include "model/Utf8.h"

#include <algorithm>
#include <cctype>
#include <unistd.h>

namespace vell {

namespace {

constexpr TFileMagic Magic = {'V', 'L', 'X', 'S'};
constexpr std::uint16_t Version = 1;

constexpr std::uint16_t LineNamesSection = 1;
constexpr std::uint16_t CityLookSection = 2;
// A name of 24 characters takes at most 4 bytes each.
constexpr std::size_t MaxLineNameBytes = 4 * MaxLineNameChars;

TWaypointRail RailOf(const TMapObject& o) {
    return {o.X1, o.Y1, o.X2, o.Y2};
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

// A name as a file of ours holds it: 1 to 24 characters of sound UTF-8, no control characters.
bool IsStorableName(std::string_view name) {
    return !name.empty() && name.size() <= MaxLineNameBytes && IsValidUtf8(name) &&
           Utf8Length(name) <= MaxLineNameChars &&
           std::none_of(name.begin(), name.end(),
                        [](char c) { return IsControl((unsigned char)c); });
}

void WriteSection(TByteWriter& out, std::uint16_t id, std::span<const std::uint8_t> bytes) {
    out.WriteU16(id);
    out.WriteU32(std::uint32_t(bytes.size()));
    out.WriteBytes(bytes);
}

// The line names section: a count, then per named slot in table order the slot's number
// (row x 13 + column), the name's length and bytes, and the waypoint indices with their count.
std::vector<std::uint8_t> LineNamesBytes(const TMap& map) {
    TByteWriter out;
    std::uint8_t count = 0;
    out.WriteU8(0); // the count, set below
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j) {
            const std::optional<std::string> name = LineName(map, i, j);
            if (!name || !IsStorableName(*name)) continue;
            const TRouteRec& route = map.Route(i, j);
            out.WriteU8(std::uint8_t(i * RouteColumns + j));
            out.WriteU8(std::uint8_t(name->size()));
            out.WriteBytes(
                std::span(reinterpret_cast<const std::uint8_t*>(name->data()), name->size()));
            out.WriteU8(std::uint8_t(route.WaypointCount));
            for (int k = 0; k < route.WaypointCount; ++k)
                out.WriteU16(route.Waypoints[k]);
            ++count;
        }
    if (count == 0) return {};
    std::vector<std::uint8_t> bytes = out.Take();
    bytes[0] = count;
    return bytes;
}

// False when the section is not one a writer of this version makes.
bool ReadLineNames(std::span<const std::uint8_t> bytes, const TMapFileContents& contents,
                   TMapExtras& out) {
    TByteReader in(bytes);
    std::uint8_t count = 0;
    if (!in.ReadU8(count) || count > RouteRows * RouteColumns) return false;
    int lastSlot = -1;
    for (int e = 0; e < count; ++e) {
        std::uint8_t slot = 0, nameBytes = 0, waypointCount = 0;
        std::span<const std::uint8_t> nameData;
        if (!in.ReadU8(slot) || slot >= RouteRows * RouteColumns || slot <= lastSlot) return false;
        lastSlot = slot;
        if (!in.ReadU8(nameBytes) || !in.ReadBytes(nameBytes, nameData)) return false;
        const std::string name(nameData.begin(), nameData.end());
        if (!IsStorableName(name)) return false;
        if (!in.ReadU8(waypointCount) || waypointCount < 1 || waypointCount > MaxWaypoints)
            return false;
        std::array<std::uint16_t, MaxWaypoints> waypoints{};
        for (int k = 0; k < waypointCount; ++k)
            if (!in.ReadU16(waypoints[k])) return false;
        // A name whose waypoints are not the slot's is stale: it names nothing, harmlessly.
        const TStoredRoute& route = contents.Routes[slot / RouteColumns][slot % RouteColumns];
        if (route.WaypointCount != waypointCount ||
            !std::equal(waypoints.begin(), waypoints.begin() + waypointCount,
                        route.Waypoints.begin()))
            continue;
        TLineName& line = out.Lines[slot / RouteColumns][slot % RouteColumns];
        line.Name = name;
        // The map file's reader has checked every index of a route against the object count.
        for (int k = 0; k < waypointCount; ++k)
            line.Waypoints.push_back(RailOf(contents.Objects[waypoints[k]]));
    }
    return in.Left() == 0;
}

std::string Damaged() {
    return FaultReason(TFileFault::Damaged);
}

} // namespace

std::string CleanShownName(std::string_view name, std::size_t maxChars) {
    std::string clean;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = Utf8SequenceAt(name, at);
        if (length == 0) {
            clean += '?';
            ++at;
        } else if (length == 1 && IsControl((unsigned char)name[at])) {
            clean += ' ';
            ++at;
        } else {
            clean.append(name.substr(at, length));
            at += length;
        }
    }
    // Blanks at the ends show as nothing, or as a name that looks like another.
    const auto trimmed = [](const std::string& text) {
        const auto first = text.find_first_not_of(' ');
        if (first == std::string::npos) return std::string();
        return text.substr(first, text.find_last_not_of(' ') - first + 1);
    };
    return trimmed(CutUtf8(trimmed(clean), maxChars));
}

std::optional<std::string> LineName(const TMap& map, int row, int column) {
    if (row < 0 || row >= RouteRows || column < 0 || column >= RouteColumns) return std::nullopt;
    const TLineName& line = map.Extras.Lines[row][column];
    const TRouteRec& route = map.Route(row, column);
    if (line.Name.empty() || std::size_t(route.WaypointsUsed()) != line.Waypoints.size())
        return std::nullopt;
    for (std::size_t k = 0; k < line.Waypoints.size(); ++k) {
        const int index = route.Waypoints[k];
        if (index >= map.ObjectCount() || RailOf(map.Objects[index]) != line.Waypoints[k])
            return std::nullopt;
    }
    return line.Name;
}

std::string LineDisplayName(const TMap& map, int row, int column) {
    if (std::optional<std::string> name = LineName(map, row, column)) return *name;
    return RouteDisplayName(row, column);
}

void NameLine(TMap& map, int row, int column, std::string_view name) {
    if (row < 0 || row >= RouteRows || column < 0 || column >= RouteColumns) return;
    TLineName& line = map.Extras.Lines[row][column];
    line = {};
    const TRouteRec& route = map.Route(row, column);
    std::string clean = CleanShownName(name, MaxLineNameChars);
    if (clean.empty() || route.WaypointsUsed() == 0) return;
    for (int k = 0; k < route.WaypointsUsed(); ++k) {
        if (route.Waypoints[k] >= map.ObjectCount()) return;
        line.Waypoints.push_back(RailOf(map.Objects[route.Waypoints[k]]));
    }
    line.Name = std::move(clean);
}

std::string MapExtrasPath(const std::string& mapFileName) {
    const std::size_t n = mapFileName.size();
    if (n > 3 && mapFileName[n - 3] == '.' &&
        std::tolower((unsigned char)mapFileName[n - 2]) == 'v' &&
        std::tolower((unsigned char)mapFileName[n - 1]) == 'l')
        return mapFileName.substr(0, n - 3) + ".vlx";
    return mapFileName + ".vlx";
}

std::vector<std::uint8_t> EncodeMapExtras(const TMap& map) {
    TByteWriter body;
    const std::vector<std::uint8_t> names = LineNamesBytes(map);
    if (!names.empty()) WriteSection(body, LineNamesSection, names);
    const std::size_t named = body.Data().size();
    const TCityLook look = LookKeptForMap(map.Extras.Look, map.Objects);
    if (!look.Empty()) WriteSection(body, CityLookSection, EncodeCityLook(look));
    // A look too large for a reader is left out rather than the names.
    if (SealedHeaderBytes + body.Data().size() > MaxMapExtrasSize) {
        std::vector<std::uint8_t> bytes = body.Take();
        bytes.resize(named);
        body = TByteWriter();
        body.WriteBytes(bytes);
    }
    const std::size_t known = body.Data().size();
    for (const TExtraSection& section : map.Extras.Others)
        WriteSection(body, section.Id, section.Bytes);
    if (body.Data().empty()) return {};
    // Kept sections never push the file past what a reader takes: they go first.
    if (SealedHeaderBytes + body.Data().size() > MaxMapExtrasSize) {
        std::vector<std::uint8_t> bytes = body.Take();
        bytes.resize(known);
        if (bytes.empty()) return {};
        return SealFile(Magic, Version, bytes);
    }
    return SealFile(Magic, Version, body.Data());
}

bool DecodeMapExtras(std::span<const std::uint8_t> bytes, const TMapFileContents& contents,
                     TMapExtras& out, std::string& why) {
    if (bytes.size() > MaxMapExtrasSize) {
        why = FaultReason(TFileFault::TooBig);
        return false;
    }
    std::uint16_t found = 0;
    std::span<const std::uint8_t> body;
    switch (OpenSealedFile(bytes, Magic, Version, found, body)) {
    case TSealFault::None:
        break;
    case TSealFault::OtherKind:
        why = translate("MapExtras", "Это файл не того вида.");
        return false;
    case TSealFault::CutShort:
        why = translate("MapExtras", "Файл обрывается раньше времени.");
        return false;
    case TSealFault::OtherVersion:
        why = Arg(translate("MapExtras", "Файл версии %1, а эта программа читает версию %2."),
                  std::to_string(found), std::to_string(Version));
        return false;
    case TSealFault::Damaged:
        why = Damaged();
        return false;
    }
    TMapExtras read;
    bool namesRead = false, lookRead = false;
    TByteReader in(body);
    while (in.Left() > 0) {
        std::uint16_t id = 0;
        std::uint32_t length = 0;
        std::span<const std::uint8_t> section;
        if (!in.ReadU16(id) || !in.ReadU32(length) || !in.ReadBytes(length, section)) {
            why = Damaged();
            return false;
        }
        if (id == LineNamesSection) {
            if (namesRead || !ReadLineNames(section, contents, read)) {
                why = Damaged();
                return false;
            }
            namesRead = true;
        } else if (id == CityLookSection) {
            if (lookRead || !DecodeCityLook(section, read.Look)) {
                why = Damaged();
                return false;
            }
            lookRead = true;
        } else {
            read.Others.push_back({id, std::vector<std::uint8_t>(section.begin(), section.end())});
        }
    }
    if (!LookFitsMap(read.Look, contents.Objects)) {
        read.Look = {};
        read.LookWarning = translate("MapExtras", "Подробный вид города не показан: файл при карте "
                                                  "сделан для другой карты.");
    }
    out = std::move(read);
    return true;
}

void RemoveMapExtrasFile(const std::string& path) {
    ::unlink(path.c_str()); // unlink leaves folders alone
}

std::string ReadMapExtras(const std::string& mapFileName, const TMapFileContents& contents,
                          TMapExtras& out) {
    out = {};
    const std::string path = MapExtrasPath(mapFileName);
    std::vector<std::uint8_t> bytes;
    std::string why;
    // One byte more than the limit tells a file over it from one at it.
    const TFileFault fault = ReadFileBytes(path, bytes, MaxMapExtrasSize + 1);
    if (fault == TFileFault::NotFound) return {};
    if (fault != TFileFault::None) {
        why = FaultReason(fault);
        if (why.empty()) why = translate("MapExtras", "Файл не читается.");
    } else if (DecodeMapExtras(bytes, contents, out, why)) {
        return {};
    }
    out.LookWarning = Arg(
        translate("MapExtras", "Файл %1 при карте пропущен, подробный вид города не показан: %2"),
        path, why);
    return Arg(translate("MapExtras", "Файл %1 при карте пропущен, названия линий не показаны: %2"),
               path, why);
}

} // namespace vell
