// The sounds' recipes.
#include "cab/sound/Synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vell {

namespace {

constexpr double TwoPi = 2 * std::numbers::pi;

using TWave = std::vector<double>;

// A second-order filter (the audio cookbook's low-pass, high-pass and band-pass).
class TBiquad {
  public:
    static TBiquad LowPass(double hz, double q) { return Make(hz, q, 0); }
    static TBiquad HighPass(double hz, double q) { return Make(hz, q, 1); }
    static TBiquad BandPass(double hz, double q) { return Make(hz, q, 2); }
    double operator()(double x) {
        const double y = B0 * x + B1 * X1 + B2 * X2 - A1 * Y1 - A2 * Y2;
        X2 = X1;
        X1 = x;
        Y2 = Y1;
        Y1 = y;
        return y;
    }

  private:
    static TBiquad Make(double hz, double q, int kind) {
        const double w = TwoPi * hz / SynthRate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
        const double a0 = 1 + alpha;
        TBiquad f;
        if (kind == 0) {
            f.B0 = f.B2 = (1 - c) / 2 / a0;
            f.B1 = (1 - c) / a0;
        } else if (kind == 1) {
            f.B0 = f.B2 = (1 + c) / 2 / a0;
            f.B1 = -(1 + c) / a0;
        } else {
            f.B0 = alpha / a0;
            f.B1 = 0;
            f.B2 = -alpha / a0;
        }
        f.A1 = -2 * c / a0;
        f.A2 = (1 - alpha) / a0;
        return f;
    }
    double B0 = 0, B1 = 0, B2 = 0, A1 = 0, A2 = 0;
    double X1 = 0, X2 = 0, Y1 = 0, Y2 = 0;
};

TWave Noise(std::size_t length, std::uint32_t seed) {
    TSynthNoise noise(seed);
    TWave wave(length);
    for (double& v : wave)
        v = noise.Next();
    return wave;
}

// Filters a looped wave round its loop: a first pass settles the filter on the wave's end, so
// that the second pass, which is kept, joins its end to its start.
template <class Filter> void FilterLoop(TWave& wave, Filter filter) {
    for (double v : wave)
        filter(v);
    for (double& v : wave)
        v = filter(v);
}

template <class Filter> void FilterOnce(TWave& wave, Filter filter) {
    for (double& v : wave)
        v = filter(v);
}

double Seconds(std::size_t i) {
    return double(i) / SynthRate;
}

// A sine of whole hertz: a whole number of cycles in every whole second.
void AddTone(TWave& wave, double hz, double level) {
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] += level * std::sin(TwoPi * hz * Seconds(i));
}

// A struck partial: from `start` seconds, rising in `attack` seconds (a softer strike, without
// the knock of a step), then decaying by e every `decay` seconds.
void AddStrike(TWave& wave, double start, double hz, double level, double decay,
               double attack = 0.004) {
    for (std::size_t i = std::size_t(start * SynthRate); i < wave.size(); ++i) {
        const double t = Seconds(i) - start;
        wave[i] +=
            level * std::min(1.0, t / attack) * std::exp(-t / decay) * std::sin(TwoPi * hz * t);
    }
}

TSoundBuffer Finish(const TWave& wave, double peak, bool loop) {
    double largest = 1e-9;
    for (double v : wave)
        largest = std::max(largest, std::abs(v));
    TSoundBuffer buffer;
    buffer.Loop = loop;
    buffer.Samples.reserve(wave.size());
    for (double v : wave)
        buffer.Samples.push_back(std::int16_t(std::lround(v / largest * peak * 32767)));
    return buffer;
}

constexpr std::size_t LoopLength = SynthRate; // one second

TSoundBuffer Motor() {
    // The hum's harmonics and, above them, the gears' whine.
    TWave wave(LoopLength);
    const double levels[] = {1.0, 0.6, 0.45, 0.3, 0.2, 0.12};
    for (int h = 0; h < 6; ++h)
        AddTone(wave, MotorBaseHz * (h + 1), levels[h]);
    AddTone(wave, MotorBaseHz * 9, 0.25);
    TWave rumble = Noise(LoopLength, 11);
    FilterLoop(rumble, TBiquad::LowPass(250, 0.7));
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] += 1.5 * rumble[i];
    return Finish(wave, 0.7, true);
}

TSoundBuffer Brake() {
    TWave wave = Noise(LoopLength, 23);
    FilterLoop(wave, TBiquad::BandPass(1400, 2.0));
    AddTone(wave, 1400, 0.02);
    return Finish(wave, 0.6, true);
}

TSoundBuffer Roll() {
    // A rumble: noise low-passed twice, and a little of the rails' ring.
    TWave wave = Noise(LoopLength, 37);
    FilterLoop(wave, TBiquad::LowPass(320, 0.8));
    FilterLoop(wave, TBiquad::LowPass(320, 0.8));
    TWave ring = Noise(LoopLength, 41);
    FilterLoop(ring, TBiquad::BandPass(900, 3.0));
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] += 0.25 * ring[i];
    return Finish(wave, 0.8, true);
}

TSoundBuffer Squeal() {
    // A screech wavering six times a second, with its fifth.
    TWave wave(LoopLength);
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = Seconds(i), waver = 4.0 * std::sin(TwoPi * 6 * t);
        wave[i] =
            std::sin(TwoPi * SquealHz * t + waver) + 0.3 * std::sin(TwoPi * 1.5 * SquealHz * t);
    }
    return Finish(wave, 0.6, true);
}

TSoundBuffer DoorMotor() {
    // A buzz: odd harmonics of a square wave, softened.
    TWave wave(LoopLength);
    for (int h = 1; h <= 9; h += 2)
        AddTone(wave, 150 * h, 1.0 / (h * h));
    AddTone(wave, 1200, 0.08);
    return Finish(wave, 0.6, true);
}

TSoundBuffer Click() {
    // A sharp knock of the wheel on the join: a burst of bright noise and a short thump.
    TWave wave = Noise(std::size_t(0.05 * SynthRate), 53);
    FilterOnce(wave, TBiquad::HighPass(2500, 0.7));
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] *= std::exp(-Seconds(i) / 0.004);
    AddStrike(wave, 0, 160, 0.5, 0.015, 0.001);
    return Finish(wave, 0.9, false);
}

TSoundBuffer Hiss() {
    // Air let out of the brakes: a band of noise, rising in a tenth of a second, dying away.
    TWave wave = Noise(std::size_t(1.0 * SynthRate), 67);
    FilterOnce(wave, TBiquad::BandPass(2200, 1.2));
    FilterOnce(wave, TBiquad::LowPass(3500, 0.7));
    for (std::size_t i = 0; i < wave.size(); ++i) {
        const double t = Seconds(i);
        wave[i] *= std::min(1.0, t / 0.1) * std::exp(-t / 0.3);
    }
    return Finish(wave, 0.45, false);
}

TSoundBuffer Chime() {
    // Ding-dong: two soft tones with their octaves.
    TWave wave(std::size_t(1.3 * SynthRate));
    AddStrike(wave, 0.0, ChimeHighHz, 1.0, 0.35);
    AddStrike(wave, 0.0, 2 * ChimeHighHz, 0.25, 0.2);
    AddStrike(wave, 0.45, ChimeLowHz, 1.0, 0.4);
    AddStrike(wave, 0.45, 2 * ChimeLowHz, 0.25, 0.2);
    return Finish(wave, 0.6, false);
}

TSoundBuffer Bell() {
    // Two strokes of a small bell: partials of a struck bowl, not harmonic.
    TWave wave(std::size_t(1.1 * SynthRate));
    for (double start : {0.0, 0.22}) {
        AddStrike(wave, start, BellStrikeHz, 1.0, 0.35);
        AddStrike(wave, start, BellStrikeHz * 2.32, 0.5, 0.2);
        AddStrike(wave, start, BellStrikeHz * 3.73, 0.25, 0.1);
    }
    return Finish(wave, 0.7, false);
}

TSoundBuffer Crash() {
    // A loud burst of low noise with metal ringing in it, dying away over two seconds.
    TWave wave = Noise(std::size_t(2.0 * SynthRate), 79);
    FilterOnce(wave, TBiquad::LowPass(1800, 0.7));
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i] *= std::exp(-Seconds(i) / 0.5);
    for (double hz : {430.0, 1170.0, 2210.0})
        AddStrike(wave, 0.02, hz, 0.3, 0.6, 0.001);
    return Finish(wave, 1.0, false);
}

} // namespace

std::array<TSoundBuffer, SoundCount> SynthesiseSounds() {
    return {Motor(), Brake(), Roll(),  Squeal(), DoorMotor(),
            Click(), Hiss(),  Chime(), Bell(),   Crash()};
}

} // namespace vell
