// A drive heard from the cab, rendered into memory through OpenAL Soft's loopback device, with
// no sound card: VellSim's `drive` and the tests that listen to it.
#pragma once

#include "sim/World.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vell {

// Samples per second of a recording.
constexpr int DriveRate = 22050;

struct TDriveSound {
    std::vector<std::int16_t> Samples; // stereo, left and right interleaved
    int Rate = DriveRate;
    std::size_t Frames() const { return Samples.size() / 2; }
};

// The stereo frame at which world step `step` (counted from 1) of a recording ends.
long long DriveFrameAfter(long long step);

// Runs `steps` world steps and records what is heard in the cab of the world's PlayerTram, each
// step lasting 1 / TicksPerSecond seconds. `afterStep` (may be empty) sees the world after each
// step, counted from 1, before it is heard. False, with why, when there is no loopback device.
bool RecordDrive(TWorld& world, long long steps, TDriveSound& sound, std::string& why,
                 const std::function<void(long long step)>& afterStep = {});

// The recording as a WAV file: PCM, 16 bits, stereo.
std::vector<std::uint8_t> WavFile(const TDriveSound& sound);

} // namespace vell
