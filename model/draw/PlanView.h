// The plan view (600 x 600, one pixel per metre, from the view origin) and the overview of the
// whole map (200 x 200), drawn onto the map's bitmaps.
#pragma once

#include "model/Map.h"
#include "model/draw/MapBitmaps.h"

#include <QPainter>

#include <cstdint>
#include <optional>

namespace vell {

// Seconds since local midnight: the angle, in radians, of the turning snap marker.
double SecondsOfDay();

// Clears the plan and draws walls and rails, then arches, trees and double tracks over them,
// the snap marker when the map is Snapped, and the object count.
void DrawPlan(const TMap& map, TMapBitmaps& bitmaps, double secondsOfDay);
// Draws one object onto a painter open on the plan bitmap, unless it lies wholly to one side
// of the view window.
void DrawObject(QPainter& plan, const TMap& map, const TMapObject& o);

// Clears the overview and draws every object (other kinds, then rails, then selected rails on
// top) and the outline of the plan-view window.
void DrawOverview(const TMap& map, TMapBitmaps& bitmaps);
// Draws one object onto a painter open on the overview bitmap.
void DrawOverviewObject(QPainter& overview, const TMapObject& o);

// An object as the overview draws it: end points at 0.02 pixel per metre and a colour.
struct TOverviewLine {
    int X1, Y1, X2, Y2;
    std::uint32_t Color; // 0x00BBGGRR
};
// Nothing for the kinds 10..15, which no view draws.
std::optional<TOverviewLine> OverviewLine(const TMapObject& o);
int OverviewPosition(int metres);

} // namespace vell
