// Starting a game ("Начать игру (&G)"): the world set up, the arches prepared, the world run
// ahead, the player's tram chosen, and the cab view shown modally while the route selection
// window hides.
#pragma once

#include "model/Map.h"
#include "sim/World.h"
#include "sim/save/Replay.h"
#include "sim/save/WorldSave.h"
#include "sim/shift/ShiftScore.h"

#include <functional>

class QWidget;

namespace vell {

class TView3D;

// The whole game on route slot [row][col], from the start to the torn-down world. `runAhead`
// runs the world ahead (the route selection window's PreRun or WaitForTram, which show their
// progress) and says whether the game may start; without one the simulation's WaitForTram runs.
// When the game may not start, the world is torn down at once and nothing is shown.
// `selectionWindow` (may be none) is hidden during the game and shown again after it. Returns
// whether the cab view was shown. Does nothing for a map that has no file yet ("Новая"). The
// view's Run counts the game's world steps from the generator's state at the start; `runAhead`
// adds its own steps to it. The player's tram drives `shift`, scored in the view from its first
// step; a circuits or minutes shift starts with the autopilot off, since a leg the autopilot
// drove earns nothing.
bool RunGame(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow, int row, int col,
             const std::function<bool()>& runAhead, const TShift& shift = {});

// A saved game continued: the world (over the save's map, selected) restored from `save` and the
// cab view shown exactly where the player left it, its shift going on (a save without one: an
// open shift from here), as RunGame shows it, the joystick holding the
// saved tram's controller and doors. Empty when the game was shown; else one Russian line why
// the save does not fit (a save without a player's tram among them), with the world not running.
std::string ContinueGame(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow,
                         const TWorldSave& save);

// A recording played in the cab view from its start (the replay's map loaded and selected), as
// ContinueGame shows a saved game; the player may take over. Empty when shown, else one Russian
// line why the recording does not fit, with the world not running.
std::string WatchReplay(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow,
                        TReplay replay);

} // namespace vell
