// StartGameClick's work.
#include "cab/StartGame.h"

#include "cab/Arches.h"
#include "cab/View3D.h"
#include "sim/RunAhead.h"

#include <QWidget>

namespace vell {

bool RunGame(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow, int row, int col,
             const std::function<bool()>& runAhead) {
    if (map.FileName == NewMapName) return false;
    world.StartWorld();
    world.PlayerTram = nullptr;
    PrepareArches(map);
    const bool ready = runAhead ? runAhead() : WaitForTram(world, row, col) == TRunAhead::Ready;
    if (ready) {
        FindPlayerTram(world, row, col);
        view.PrepareForGame();
        if (selectionWindow) selectionWindow->hide();
        view.exec();
    }
    world.PlayerTram = nullptr;
    if (ready && selectionWindow) selectionWindow->show();
    world.StopWorld();
    return ready;
}

} // namespace vell
