// Clock seeding of the random generator.
#include "model/Random.h"

#include <chrono>

namespace vell {

std::uint32_t TRandom::ClockSeed() {
    return std::uint32_t(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace vell
