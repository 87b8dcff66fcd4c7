// Measuring a recording as an ear with instruments would: loudness of a stretch, the strength
// of one frequency, and the sharp knocks in the highest band.
#pragma once

#include "cab/sound/DriveRecording.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace vell::test {

// The recording's two channels averaged.
inline std::vector<double> Mono(const TDriveSound& sound) {
    std::vector<double> mono(sound.Frames());
    for (std::size_t i = 0; i < mono.size(); ++i)
        mono[i] = (sound.Samples[2 * i] + sound.Samples[2 * i + 1]) / 65536.0;
    return mono;
}

inline double Decibels(double rms) {
    return 20 * std::log10(rms + 1e-9);
}

// Loudness of frames [from, to), dB below full scale.
inline double RmsDb(const std::vector<double>& x, std::size_t from, std::size_t to) {
    to = std::min(to, x.size());
    if (from >= to) return Decibels(0);
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return Decibels(std::sqrt(sum / double(to - from)));
}

// The amplitude of `hz` in frames [from, to) (Goertzel), dB below full scale.
inline double ToneDb(const std::vector<double>& x, std::size_t from, std::size_t to, double hz,
                     int rate) {
    to = std::min(to, x.size());
    if (from >= to) return Decibels(0);
    const double w = 2 * std::numbers::pi * hz / rate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double s0 = x[i] + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return Decibels(2 * std::sqrt(std::max(0.0, power)) / double(to - from));
}

// The recording above about 7 kHz (two second-order high-passes): what is left of the cab's
// sounds there is the knock of the wheels on the rail joins.
inline std::vector<double> HighBand(const std::vector<double>& x, int rate) {
    std::vector<double> y = x;
    for (int pass = 0; pass < 2; ++pass) {
        const double w = 2 * std::numbers::pi * 7000 / rate, c = std::cos(w);
        const double alpha = std::sin(w) / (2 * 0.7071), a0 = 1 + alpha;
        const double b0 = (1 + c) / 2 / a0, b1 = -(1 + c) / a0, a1 = -2 * c / a0,
                     a2 = (1 - alpha) / a0;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : y) {
            const double out = b0 * v + b1 * x1 + b0 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = out;
            v = out;
        }
    }
    return y;
}

// The frames at which a knock starts: a 2 ms block of the high band far louder than the
// 100 ms before it and than a floor, at least 30 ms after the last knock.
inline std::vector<std::size_t> Knocks(const std::vector<double>& x, int rate) {
    const std::vector<double> high = HighBand(x, rate);
    const std::size_t block = std::size_t(rate / 500);
    std::vector<double> energy(high.size() / block);
    for (std::size_t b = 0; b < energy.size(); ++b)
        for (std::size_t i = b * block; i < (b + 1) * block; ++i)
            energy[b] += high[i] * high[i] / double(block);
    std::vector<std::size_t> knocks;
    const std::size_t history = 50, refractory = 15;
    const double floor = 1e-6; // -60 dB
    for (std::size_t b = history; b < energy.size(); ++b) {
        double before = 0;
        for (std::size_t k = b - history; k < b; ++k)
            before += energy[k] / double(history);
        if (energy[b] > floor && energy[b] > 30 * before &&
            (knocks.empty() || b - knocks.back() / block > refractory))
            knocks.push_back(b * block);
    }
    return knocks;
}

} // namespace vell::test
