// What a map carries beside its ".vl" file, which has no room for it: the names riders know its
// lines by. It lives in memory with the map (TMap::Extras) and on disk in "NAME.vlx" beside
// "NAME.vl": sealed as the world's saves are (magic, version, length, checksum) and made of
// sections, each an id and a length, so that a reader skips what it does not know.
//
// A line name belongs to a route slot and holds the slot's waypoints as they were when it was
// named: it applies only while the slot still has those waypoints, so that a route edited into
// another one loses the name, and a stale file beside a map names nothing it does not fit.
#pragma once

#include "model/CityLook.h"
#include "model/MapFile.h"
#include "model/Route.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class TMap;

constexpr std::size_t MaxLineNameChars = 24;
// The largest file beside a map that is read; anything larger is ignored.
constexpr std::size_t MaxMapExtrasSize = std::size_t(16) << 20;

// A waypoint rail as its end points: the same rail whatever its index, which deleting another
// object changes.
struct TWaypointRail {
    std::int16_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    bool operator==(const TWaypointRail&) const = default;
};

struct TLineName {
    std::string Name; // empty: the slot has none
    std::vector<TWaypointRail> Waypoints;
    bool operator==(const TLineName&) const = default;
};

// A section this program does not read, kept as it came so that a save gives it back. A section
// has to tell by itself whether it still fits the map, as the line names do by their waypoints.
struct TExtraSection {
    std::uint16_t Id = 0;
    std::vector<std::uint8_t> Bytes;
    bool operator==(const TExtraSection&) const = default;
};

struct TMapExtras {
    std::array<std::array<TLineName, RouteColumns>, RouteRows> Lines;
    // What the cab's detailed look draws of the city; empty when the file has none for this map.
    TCityLook Look;
    // Why the city's look is not drawn, one line in the program's language: the file is damaged
    // or was made for another map. Empty when all is well, or when there is simply no look.
    std::string LookWarning;
    std::vector<TExtraSection> Others;
    bool operator==(const TMapExtras&) const = default;
};

// The name riders know the route of a slot by, while the slot has the waypoints it was named
// with; nothing otherwise.
std::optional<std::string> LineName(const TMap& map, int row, int column);
// The line name, or the slot's own name as people write it ("1", "10", "1А").
std::string LineDisplayName(const TMap& map, int row, int column);
// Names the slot's route as it now is. The name is cleaned for showing (control characters become
// blanks, broken UTF-8 a "?") and cut to 24 characters; an empty name takes the slot's away.
void NameLine(TMap& map, int row, int column, std::string_view name);

constexpr std::size_t MaxStopNameChars = 48;

// A name as it is shown: control characters become blanks, broken UTF-8 a "?", blanks at the ends
// dropped, cut to `maxChars` characters.
std::string CleanShownName(std::string_view name, std::size_t maxChars);

// The city's look as its section of the file holds it: points as int32 tenths of a metre, lengths
// as uint16 tenths. Values are rounded to what the file keeps (LookTenths) by whoever makes them.
std::vector<std::uint8_t> EncodeCityLook(const TCityLook& look);
// False when the bytes are not a section a writer of this version makes: a count past the data,
// a value out of its range (points -1000..11000 m, widths 2..40 m, heights 1..300 m, roofs
// 0..100 m, levels 1..100), a ring of under three points, a line of under two. Names are cleaned.
bool DecodeCityLook(std::span<const std::uint8_t> bytes, TCityLook& out);
// A value rounded to the tenth of a metre the file keeps, so that it reads back the same.
float LookTenths(double metres);
// Whether a look fits the map of `objects`: one without buildings does; one with buildings when
// at least half of them have every one of their walls on the map, as a wall or a high wall.
bool LookFitsMap(const TCityLook& look, std::span<const TMapObject> objects);
// The look without the buildings none of whose walls the map still has.
TCityLook LookKeptForMap(const TCityLook& look, std::span<const TMapObject> objects);

// "NAME.vlx" for "NAME.vl" (any case of ".vl"); "NAME.ext.vlx" for any other name.
std::string MapExtrasPath(const std::string& mapFileName);

// The file's bytes for the map as it now is: the names that apply, with the slots' waypoint
// indices, the city's look (without buildings whose walls are all gone), and the sections kept from
// the file it was read with. Empty when there is nothing to keep: such a map has no file beside it.
std::vector<std::uint8_t> EncodeMapExtras(const TMap& map);
// Reads the file's bytes for the map `contents` (as its file holds it, before anything is
// purged): a name whose stored waypoints are not the slot's is left out, and a look that does not
// fit the map (LookFitsMap) is dropped with LookWarning saying so. False, with `why` a
// sentence for the user and `out` untouched, when the bytes are not a sound file of this version.
bool DecodeMapExtras(std::span<const std::uint8_t> bytes, const TMapFileContents& contents,
                     TMapExtras& out, std::string& why);

// Removes a file beside a map that the map no longer has anything for; a folder of that name
// stays, and a file that cannot be removed stays harmless: its names fit no route of the map.
void RemoveMapExtrasFile(const std::string& path);

// Reads the file beside `mapFileName` for the map `contents`. A missing file gives empty extras
// and no warning; a file that cannot be read or is not sound gives empty extras and the one line
// a user is told (in the program's language). Empty when all is well.
std::string ReadMapExtras(const std::string& mapFileName, const TMapFileContents& contents,
                          TMapExtras& out);

} // namespace vell
