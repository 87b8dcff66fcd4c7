// A best shift as the game makes one, headless and quick: fifteen minutes on the ring map, the
// player's tram held at a stand by hand from the start to the end, scored and recorded.
#pragma once

#include "model/Units.h"
#include "sim/shift/ShiftScore.h"
#include "tests/sim/ScriptedDrive.h"

#include <string>

namespace vell::test {

inline constexpr TShift StandingShiftKind{TShiftKind::Minutes, TShift::MinMinutes};

struct TStandingShift {
    TScriptedDrive Drive{std::string(VELL_MAPS_DIR) + "/ring.vl", 11, &StandingShiftKind};

    TStandingShift() {
        TPlayerCommands hand;
        hand.Autopilot = false;
        hand.Controller = -1;
        const long long most = 2 * TShift::MinMinutes * (long long)TicksPerMinute;
        for (long long k = 0; k < most && !Drive.Score.Finished(); ++k)
            Drive.Step(hand);
    }
    const TShiftScore& Score() const { return Drive.Score; }
    TReplay Recorded() const { return Drive.Recorded(); }
};

} // namespace vell::test
