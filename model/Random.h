// The program's random generator: a 32-bit linear congruential generator that can be seeded,
// so that a run with a given seed repeats exactly.
#pragma once

#include <cstdint>

namespace vell {

class TRandom {
  public:
    explicit TRandom(std::uint32_t seed = 0) : State(seed) {}

    void Seed(std::uint32_t seed) { State = seed; }
    std::uint32_t GetState() const { return State; }

    // A real in [0, 1).
    double Real() { return Step() / 4294967296.0; }
    // An integer in [0, n); 0 when n is not positive. Draws a number either way.
    std::int32_t Below(std::int32_t n) {
        const std::uint64_t r = Step();
        return n > 0 ? std::int32_t((r * std::uint64_t(n)) >> 32) : 0;
    }

    // A seed from the clock's low 32 bits, as the programs use at start-up.
    static std::uint32_t ClockSeed();

  private:
    std::uint32_t Step() { return State = State * 134775813u + 1u; }
    std::uint32_t State;
};

} // namespace vell
