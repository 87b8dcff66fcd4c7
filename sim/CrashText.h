// Which of the four causes ended a drive, with its figures, in the program's language: the
// second line of the cab's crash message and what VellSim replay says of a crash, in the same
// words.
#pragma once

#include "sim/Vell.h"

#include <string>

namespace vell {

// A speed in km/h with one decimal ("30.4"), from m/tick. A speed above a limit is rounded up
// and a limit rounded down, so that a speed just above its limit never reads as equal to it.
std::string KmhRoundedUp(double mpt);
std::string KmhRoundedDown(double mpt);

// Why the tram crashed ("Сход с рельсов на пересечении: ..."); empty when `crash` holds no
// cause.
std::string CrashReason(const TCrash& crash);

} // namespace vell
