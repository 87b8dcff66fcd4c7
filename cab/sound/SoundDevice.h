// The cab's sound through OpenAL Soft: a device (the sound card, or a loopback device that
// renders into memory), the synthesised sounds in its buffers, and the sources that play a
// TSoundFrame: the player's tram beside the listener, the other trams placed in 3D with
// distance and Doppler. No allocation per frame.
#pragma once

#include "cab/sound/SoundMix.h"
#include "cab/sound/Synth.h"

#include <array>
#include <cstdint>
#include <string>

namespace vell {

class TSoundDevice {
  public:
    TSoundDevice() = default;
    ~TSoundDevice();
    TSoundDevice(const TSoundDevice&) = delete;
    TSoundDevice& operator=(const TSoundDevice&) = delete;

    // Opens the default output. False, with why in `why`, when there is none (a server, a
    // container); the libraries' own messages are kept off stderr.
    bool OpenOutput(std::string& why);
    // Opens a loopback device: stereo, 16 bits, `rate` samples per second, rendered by Render.
    bool OpenLoopback(int rate, std::string& why);
    bool IsOpen() const { return Context != nullptr; }

    // Plays one frame: the looped voices take its settings, its one-shot sounds start.
    void Apply(const TSoundFrame& frame);
    // Silence until the next Apply: every voice stops; a crash already sounding rings on.
    void Silence();
    // The overall loudness, 0..1.
    void SetVolume(float volume);
    // The next `frames` stereo frames of a loopback device into `out` (2 x frames samples).
    void Render(std::int16_t* out, int frames);

  private:
    bool Start(std::string& why);
    void Close();
    void SetVoice(unsigned source, const TVoice& voice);

    void* Device = nullptr;  // ALCdevice
    void* Context = nullptr; // ALCcontext
    bool Loopback = false;
    bool Paused = false;
    std::array<unsigned, SoundCount> Buffers{};
    // The player's looped voices, in the order of TSoundFrame: Motor, Brake, Roll, Squeal,
    // DoorMotor.
    std::array<unsigned, 5> Cab{};
    // Clicks overlap: each plays on the next source of the pool.
    std::array<unsigned, 6> Clicks{};
    std::size_t NextClick = 0;
    unsigned Hiss = 0, Chime = 0, Bell = 0, Crash = 0;
    // Two voices for each other tram heard: rolling and motors.
    std::array<unsigned, OtherTramVoices> OtherRoll{}, OtherMotor{};
};

} // namespace vell
