// Time units of the world step and the rounding rule used throughout.
#pragma once

#include <cmath>
#include <cstdint>

namespace vell {

// Both are single-precision constants in the timetable; as doubles they are exact.
constexpr double TicksPerSecond = 18.20648193359375;
constexpr double TicksPerMinute = 1092.388916015625;

// Nearest integer, halves to even (the default floating-point rounding mode).
inline std::int64_t RoundHalfEven(double x) {
    return std::int64_t(std::nearbyint(x));
}

} // namespace vell
