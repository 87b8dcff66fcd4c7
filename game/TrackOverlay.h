// The top view's "Показать занятые пути": every rail a tram reserves or marks, in that tram's
// colour (thicker for the followed tram), a red ring round every blocked tram, and the trams
// of a deadlock with the rails they hold in red. It only reads the world.
#pragma once

#include "sim/Jams.h"
#include "sim/World.h"

class QPainter;

namespace vell {

constexpr int OverlayRailWidth = 3, OverlayFollowedWidth = 6;
constexpr int JamRingRadius = 12; // pixels round the lead car's centre

// The held rails, drawn under the trams.
void DrawHeldRails(QPainter& plan, const TWorld& world, const TJamPicture& jams, int originX,
                   int originY);
// The rings and the deadlocked trams, drawn over the trams.
void DrawJamMarks(QPainter& plan, const TWorld& world, const TJamPicture& jams, int originX,
                  int originY);

} // namespace vell
