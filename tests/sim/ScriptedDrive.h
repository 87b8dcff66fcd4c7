// Drives as the game makes them, scripted: the world run ahead to a route's first tram, which
// becomes the player's, then stepped with the player's commands set before each step (as the
// cab sets them each timer tick, with its shake) and a recorder noting them.
#pragma once

#include "model/Map.h"
#include "model/Random.h"
#include "sim/World.h"
#include "sim/save/Replay.h"
#include "sim/shift/ShiftScore.h"

#include <memory>
#include <string>

namespace vell::test {

class TScriptedDrive {
  public:
    // The map file at `mapPath`, its first route in play driven; the recording starts once that
    // route's first tram is in service, and with it `shift` (when given), scored every step.
    TScriptedDrive(const std::string& mapPath, std::uint32_t seed, const TShift* shift = nullptr);

    TVell& Player() { return *World.PlayerTram; }
    // One timer tick at x1: `commands` into the player's tram, the shake, the recorder (told of
    // the bell when the player rang it), a step.
    void Step(const TPlayerCommands& commands, bool bell = false);
    // The ordinary drive: the autopilot, then by hand (the controller moved about, the tram
    // stopped at a stop, its doors opened and closed), then the autopilot again. False when the
    // hand-driven tram reached no stop.
    bool DriveOrdinary();
    // The autopilot for over two minutes, then full traction by hand until the tram crashes, and
    // a few steps more still at speed. False when it did not crash.
    bool DriveIntoCrash();
    TReplay Recorded() const { return Recorder.Drive(Run.Steps); }

    std::unique_ptr<TMap> Map = std::make_unique<TMap>();
    TRandom Random;
    TWorld World{*Map, Random};
    TRunState Run;
    TDriveRecorder Recorder;
    TShiftScore Score;
    TRandom Shake{99};
    long long StartStep = 0;
    bool DoorsOpenedAtStop = false;
};

} // namespace vell::test
