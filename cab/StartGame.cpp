// StartGameClick's work.
#include "cab/StartGame.h"

#include "cab/Arches.h"
#include "cab/View3D.h"
#include "sim/RunAhead.h"

#include <QWidget>

namespace vell {

namespace {

// The cab view, modal, while the selection window hides; then the world is torn down.
void ShowCab(TWorld& world, TView3D& view, QWidget* selectionWindow) {
    if (selectionWindow) selectionWindow->hide();
    view.exec();
    view.Watching.reset();
    view.Recorder.Stop();
    world.PlayerTram = nullptr;
    if (selectionWindow) selectionWindow->show();
    world.StopWorld();
}

// WaitForTram, counting its steps into the game's.
bool WaitCountingSteps(TWorld& world, TRunState& run, int row, int col) {
    TRunAheadLoop loop = TRunAheadLoop::ForRoute(world, row, col);
    std::optional<TRunAhead> outcome = loop.Check();
    while (!outcome)
        outcome = loop.Step();
    run.Steps += loop.Steps();
    return *outcome == TRunAhead::Ready;
}

} // namespace

bool RunGame(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow, int row, int col,
             const std::function<bool()>& runAhead, const TShift& shift) {
    if (map.FileName == NewMapName) return false;
    view.Run = TRunState{};
    view.ShiftOutcome.reset();
    view.Run.Seed = world.Random.GetState();
    world.StartWorld();
    world.PlayerTram = nullptr;
    PrepareArches(map);
    const bool ready = runAhead ? runAhead() : WaitCountingSteps(world, view.Run, row, col);
    if (!ready) {
        world.PlayerTram = nullptr;
        world.StopWorld();
        return false;
    }
    TVell* tram = FindPlayerTram(world, row, col);
    view.PrepareForGame();
    if (tram && shift.Kind != TShiftKind::Open) {
        tram->AutoDrive = false;
        view.UseProgramState({false, 1});
    }
    view.Score.Start(world, shift, view.Run.Steps);
    view.BeginDrive();
    ShowCab(world, view, selectionWindow);
    return true;
}

std::string ContinueGame(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow,
                         const TWorldSave& save) {
    TRunState run;
    run.Shift = &view.Score;
    view.ShiftOutcome.reset();
    std::string error;
    if (!RestoreWorld(save, world, run, error)) return error;
    if (!world.PlayerTram) {
        // A headless run's save: the cab would have nothing to drive.
        world.StopWorld();
        return NoPlayerTramInSave();
    }
    PrepareArches(map);
    view.Run = run;
    view.PrepareForGame();
    view.UseProgramState(run.Program);
    if (view.Score.Started() && !view.Score.Finished())
        view.Score.MarkContinued();
    else
        view.Score.Start(world, TShift{}, run.Steps);
    view.BeginDrive();
    view.JoystickFromTram = true;
    ShowCab(world, view, selectionWindow);
    return {};
}

std::string WatchReplay(TMap& map, TWorld& world, TView3D& view, QWidget* selectionWindow,
                        TReplay replay) {
    view.PrepareForGame();
    view.ShiftOutcome.reset();
    if (std::string error = view.StartWatching(std::move(replay), 0, false); !error.empty())
        return error;
    PrepareArches(map);
    ShowCab(world, view, selectionWindow);
    return {};
}

} // namespace vell
