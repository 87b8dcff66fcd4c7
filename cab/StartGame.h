// Starting a game ("Начать игру (&G)"): the world set up, the arches prepared, the world run
// ahead, the player's tram chosen, and the cab view shown modally while the route selection
// window hides.
#pragma once

#include "model/Map.h"
#include "sim/World.h"

#include <functional>

class QWidget;

namespace vell {

class TView3D;

// The whole game on route slot [row][col], from the start to the torn-down world. `runAhead`
// runs the world ahead (the route selection window's PreRun or WaitForTram, which show their
// progress) and says whether the game may start; without one the simulation's WaitForTram runs.
// When the game may not start, the world is torn down at once and nothing is shown.
// `selectionWindow` (may be none) is hidden during the game and shown again after it. Returns
// whether the cab view was shown. Does nothing for a map that has no file yet ("Новая").
bool RunGame(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow, int row, int col,
             const std::function<bool()>& runAhead);

} // namespace vell
