// The cab's sounds, synthesised by our own code once at start: oscillators, filtered noise and
// envelopes from a generator of our own, so the same samples come out on every run and the
// world's generator is never touched.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vell {

// Samples per second of every synthesised sound.
constexpr int SynthRate = 22050;

enum class TSoundId : std::uint8_t {
    Motor,     // traction motors: a hum with a gear whine, looped; pitch follows the speed
    Brake,     // brake shoes grinding, looped
    Roll,      // wheels rolling on the rails, looped
    Squeal,    // flanges squealing in a curve, looped
    DoorMotor, // the door motors, looped
    Click,     // a wheel passing a rail join
    Hiss,      // the brakes released
    Chime,     // the warning as the doors start closing
    Bell,      // the tram's bell, two strokes
    Crash,     // the crash
    Count
};
constexpr int SoundCount = int(TSoundId::Count);

// A looped sound's samples join without a step: its oscillators run whole cycles over it and
// its noise is filtered round the loop.
struct TSoundBuffer {
    std::vector<std::int16_t> Samples; // mono, SynthRate
    bool Loop = false;
};

// Pitches and tones the mixing and the tests rely on, in Hz at pitch 1.
constexpr double MotorBaseHz = 100;   // the motor hum's fundamental
constexpr double SquealHz = 3150;     // the flange squeal
constexpr double ChimeHighHz = 660;   // the chime's first tone
constexpr double ChimeLowHz = 524;    // and its second
constexpr double BellStrikeHz = 1180; // the bell's lowest partial

// Every sound of TSoundId, in its order. Deterministic: the same samples every call.
std::array<TSoundBuffer, SoundCount> SynthesiseSounds();

// Our own noise: xorshift32, whatever the world draws.
class TSynthNoise {
  public:
    explicit TSynthNoise(std::uint32_t seed) : State(seed ? seed : 1) {}
    // Uniform in [-1, 1).
    double Next() {
        State ^= State << 13;
        State ^= State >> 17;
        State ^= State << 5;
        return State / 2147483648.0 - 1.0;
    }

  private:
    std::uint32_t State;
};

} // namespace vell
