// The scripted drives: the player's hand on the controller and the door buttons, by the tram's
// own figures.
#include "tests/sim/ScriptedDrive.h"

#include "model/RouteTable.h"
#include "sim/RunAhead.h"
#include "sim/Speed.h"

#include <cstdlib>
#include <stdexcept>

namespace vell::test {

namespace {

// The first route slot the world can dispatch.
std::pair<int, int> FirstRoute(const TWorld& world) {
    for (int row = 0; row < RouteRows; ++row)
        for (int col = 0; col < RouteColumns; ++col)
            if (world.CanDispatch(row, col)) return {row, col};
    throw std::runtime_error("no route in play");
}

} // namespace

TScriptedDrive::TScriptedDrive(const std::string& mapPath, std::uint32_t seed, const TShift* shift)
    : Random(seed) {
    Map->FileName = mapPath;
    if (!Map->LoadFromFile() || SelectMap(*Map).NetworkResult >= 0)
        throw std::runtime_error("the map does not run: " + mapPath);
    Run.Seed = seed;
    World.StartWorld();
    const auto [row, col] = FirstRoute(World);
    TRunAheadLoop loop = TRunAheadLoop::ForRoute(World, row, col);
    std::optional<TRunAhead> outcome = loop.Check();
    while (!outcome)
        outcome = loop.Step();
    Run.Steps = loop.Steps();
    if (*outcome != TRunAhead::Ready || !FindPlayerTram(World, row, col))
        throw std::runtime_error("the route's first tram never came");
    StartStep = Run.Steps;
    if (shift) {
        Score.Start(World, *shift, Run.Steps);
        Run.Shift = &Score;
    }
    if (const std::string error = Recorder.Start(World, Run); !error.empty())
        throw std::runtime_error(error);
}

void TScriptedDrive::Step(const TPlayerCommands& commands, bool bell) {
    TVell& tram = Player();
    commands.ApplyTo(tram);
    tram.ShakeAngle = (2 * Shake.Real() - 1) * tram.ShakeAmplitude;
    Run.Program.Autopilot = commands.Autopilot;
    Recorder.Before(World, Run, Run.Steps, bell);
    World.WorldStep();
    ++Run.Steps;
    if (Run.Shift) Run.Shift->AfterStep(World, Run.Steps);
}

bool TScriptedDrive::DriveOrdinary() {
    TPlayerCommands hand;
    for (int s = 0; s < 400; ++s)
        Step(hand);
    hand.Autopilot = false;
    // By hand towards about 25 km/h, never past what the track ahead allows, the controller
    // moved every few steps as a mouse moves it; at a stop rail, braking to a stand.
    bool stopped = false;
    for (int s = 0; s < 20000 && !stopped; ++s) {
        const TVell& tram = Player();
        const double kmh = MptToKmh(tram.Speed);
        const bool atStop = World.Map.Objects[tram.Front[0].Obj].IsStop() && s > 200;
        if (atStop)
            hand.Controller = -1;
        else if (tram.Speed > 0.9 * tram.AllowedSpeed || kmh > 27)
            hand.Controller = -0.25 - 0.05 * (s / 5 % 4);
        else if (kmh < 22)
            hand.Controller = 0.45 + 0.1 * (s / 7 % 3);
        else
            hand.Controller = -0.0; // the joystick at its neutral point
        Step(hand);
        stopped = atStop && Player().Speed <= 0;
    }
    if (!stopped) return false;
    hand.Controller = -0.0;
    for (auto [open, close, steps] : {std::tuple{true, false, 30},
                                      {false, false, 250},
                                      {false, true, 30},
                                      {false, false, 80}}) {
        hand.Open = open;
        hand.Close = close;
        for (int s = 0; s < steps; ++s) {
            Step(hand);
            DoorsOpenedAtStop = DoorsOpenedAtStop || Player().DoorOpening > 0.3;
        }
    }
    hand.Autopilot = true;
    hand.Controller = 0;
    for (int s = 0; s < 900; ++s) {
        // The mouse comes to rest at the neutral point under the autopilot: -0, not +0, and the
        // drive ends with it.
        if (s == 300) hand.Controller = -0.0;
        Step(hand);
    }
    return true;
}

bool TScriptedDrive::DriveIntoCrash() {
    TPlayerCommands hand;
    for (int s = 0; s < 2600; ++s)
        Step(hand);
    hand.Autopilot = false;
    hand.Controller = 1;
    for (int s = 0; s < 40000 && !Player().Accident; ++s)
        Step(hand);
    if (!Player().Accident) return false;
    // Still fast, so that the accident holds (it clears below 15 km/h).
    for (int s = 0; s < 5; ++s)
        Step(hand);
    return true;
}

} // namespace vell::test
