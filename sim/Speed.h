// Speeds inside the simulation are metres per tick; limits and displays are km/h.
#pragma once

#include "model/Units.h"

namespace vell {

constexpr double KmhToMpt(double kmh) {
    return kmh / 3.6 / TicksPerSecond;
}
constexpr double MptToKmh(double mpt) {
    return mpt * 3.6 * TicksPerSecond;
}

} // namespace vell
