// Recording a drive.
#include "cab/sound/DriveRecording.h"

#include "cab/sound/SoundDevice.h"
#include "cab/sound/SoundMix.h"
#include "model/Units.h"

#include <cmath>

namespace vell {

long long DriveFrameAfter(long long step) {
    return std::llround(double(step) * DriveRate / TicksPerSecond);
}

bool RecordDrive(TWorld& world, long long steps, TDriveSound& sound, std::string& why,
                 const std::function<void(long long step)>& afterStep) {
    TSoundDevice device;
    if (!device.OpenLoopback(DriveRate, why)) return false;
    TSoundMix mix;
    sound.Rate = DriveRate;
    sound.Samples.assign(std::size_t(2 * DriveFrameAfter(steps)), 0);
    for (long long s = 1; s <= steps; ++s) {
        world.WorldStep();
        if (afterStep) afterStep(s);
        const TVell* player = world.PlayerTram;
        device.Apply(mix.Update(world, player, player ? ListenerInCab(*player) : TListener{}));
        const long long from = DriveFrameAfter(s - 1), to = DriveFrameAfter(s);
        device.Render(sound.Samples.data() + 2 * from, int(to - from));
    }
    return true;
}

namespace {

void Put16(std::vector<std::uint8_t>& bytes, unsigned v) {
    bytes.push_back(std::uint8_t(v & 0xff));
    bytes.push_back(std::uint8_t((v >> 8) & 0xff));
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t v) {
    Put16(bytes, v & 0xffff);
    Put16(bytes, v >> 16);
}

void PutTag(std::vector<std::uint8_t>& bytes, const char* tag) {
    for (int k = 0; k < 4; ++k)
        bytes.push_back(std::uint8_t(tag[k]));
}

} // namespace

std::vector<std::uint8_t> WavFile(const TDriveSound& sound) {
    const std::uint32_t dataBytes = std::uint32_t(sound.Samples.size() * 2);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    PutTag(bytes, "RIFF");
    Put32(bytes, 36 + dataBytes);
    PutTag(bytes, "WAVE");
    PutTag(bytes, "fmt ");
    Put32(bytes, 16);
    Put16(bytes, 1); // PCM
    Put16(bytes, 2); // stereo
    Put32(bytes, std::uint32_t(sound.Rate));
    Put32(bytes, std::uint32_t(sound.Rate) * 4); // bytes a second
    Put16(bytes, 4);                             // bytes a frame
    Put16(bytes, 16);                            // bits a sample
    PutTag(bytes, "data");
    Put32(bytes, dataBytes);
    for (std::int16_t v : sound.Samples)
        Put16(bytes, std::uint16_t(v));
    return bytes;
}

} // namespace vell
