// The editor's operations on the map for drawing and editing: snapping, grabbing and moving end
// points, the conversion cycle, colours and neighbours. Adding an object and deleting the
// selection are the map's own (TMap::AddObject, TMap::DeleteSelected).
#pragma once

#include "model/Map.h"

#include <cstdint>
#include <optional>

namespace vell {

// The colour the editor starts with: red, green and blue 136 each (0x00BBGGRR).
constexpr std::uint32_t StartColor = 8947848;

// A point in map coordinates (metres).
struct TMapPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TMapPoint&) const = default;
};

constexpr std::uint8_t ColorRed(std::uint32_t color) {
    return std::uint8_t(color & 0xFF);
}
constexpr std::uint8_t ColorGreen(std::uint32_t color) {
    return std::uint8_t(color >> 8 & 0xFF);
}
constexpr std::uint8_t ColorBlue(std::uint32_t color) {
    return std::uint8_t(color >> 16 & 0xFF);
}
// The speed grade a colour gives a rail: the mean of its components, rounded down.
constexpr std::uint8_t ColorGrade(std::uint32_t color) {
    return std::uint8_t((ColorRed(color) + ColorGreen(color) + ColorBlue(color)) / 3);
}

// The object end nearest to the cursor (plan-view pixel x, y) closer than 5 m, else the cursor
// point itself. Sets Snapped and the snap point (in plan-view pixels). With `excludeLast` the
// last object (the one being drawn) is passed over.
TMapPoint SnapToEnd(TMap& map, int x, int y, bool excludeLast);

// Marks every end point that lies exactly on the snap point (all ends of a junction together)
// and unmarks all the others.
void GrabEnds(TMap& map);
// Moves the marked end points to the cursor; marks the map modified when any was marked.
void MoveGrabbedEnds(TMap& map, int x, int y);

// One step of the conversion cycle on every selected object: walls through their four kinds,
// double tracks through theirs, rails plain -> stop 2 -> stop 3 -> kept clear -> plain.
void SwapSelected(TMap& map);

// The mean colour of the selected walls (their colour) and rails (their grade as grey);
// nothing when no such object is selected.
std::optional<std::uint32_t> AverageSelectedColor(const TMap& map);
// Gives the selected walls the colour and the selected rails its grade; stops stay stops.
// A recoloured map counts as modified, so that closing it asks to save the new colours.
void ApplyColorToSelected(TMap& map, std::uint32_t color);

// Selects every rail closer than 4 m to the first selected rail.
void ShowNeighbours(TMap& map);

} // namespace vell
