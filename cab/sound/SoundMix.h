// What the cab hears, frame by frame, read from the world's state: the player's tram (motors,
// brakes, rolling, rail joins, flange squeal, doors, chime, bell, hiss, crash) and the other
// trams near it, placed around the listener. It only reads the world: it never writes it and
// never draws from its generator. No allocation after construction.
#pragma once

#include "sim/World.h"

#include <array>
#include <cstdint>

namespace vell {

// Other trams are heard up to this far (metres), at most this many at once, the nearest.
constexpr double HearingRange = 150;
constexpr int OtherTramVoices = 8;
// A car squeals while its front and rear points stand on two rails whose headings differ by
// more than this, faster than this.
constexpr double SquealTurnDegrees = 5;
constexpr double SquealSpeedKmh = 10;

// A looped voice: its loudness (0 is silent) and its pitch (1 is the sound as synthesised).
struct TVoice {
    float Gain = 0;
    float Pitch = 1;
};

// Another tram, placed on the map (metres, y southwards) with its velocity in metres per second.
struct TPlacedTram {
    bool Heard = false;
    float X = 0, Y = 0, VX = 0, VY = 0;
    TVoice Roll, Motor;
};

// Where the cab hears from: a point on the map, the unit vector it faces and its velocity (m/s).
struct TListener {
    double X = 0, Y = 0;
    double ForwardX = 0, ForwardY = -1;
    double VX = 0, VY = 0;
};

// One frame of sound: the looped voices' settings and the one-shot sounds that start now.
struct TSoundFrame {
    TListener Listener;
    // The player's tram, heard where the listener is.
    TVoice Motor, Brake, Roll, Squeal, DoorMotor;
    int Clicks = 0; // rail joins passed by a car's front or rear point since the last frame
    bool Hiss = false, Chime = false, Bell = false, Crash = false;
    // The other trams heard, each on a voice of its own for as long as it is heard.
    std::array<TPlacedTram, OtherTramVoices> Others{};
};

// The listener in the cab of `tram`: 4 m ahead of the first car's centre, facing forward.
TListener ListenerInCab(const TVell& tram);

class TSoundMix {
  public:
    TSoundMix() { Reset(); }
    // The frame after the world's latest steps, heard by `listener` in `player`'s cab (none: only
    // silence). Keeps what it needs to see changes at the next frame.
    const TSoundFrame& Update(const TWorld& world, const TVell* player, const TListener& listener);
    // The bell, rung by the player: heard with the next frame.
    void RingBell() { BellRung = true; }
    // Forgets the tram followed: the next frame starts afresh (a new game).
    void Reset();

    // Whether a car of `tram` squeals now (for the tests, and the frame's Squeal).
    static bool CarSqueals(const TMap& map, const TVell& tram, int car);

  private:
    void HearPlayer(const TMap& map, const TVell& tram);
    void NoteEvents(const TVell& tram);
    void HearOthers(const TWorld& world, const TVell* player, const TListener& listener);

    TSoundFrame Frame;
    // The player's tram as the last frame saw it.
    const TVell* Seen = nullptr;
    std::array<std::uint16_t, 2 * MaxCars> SeenRails{};
    double SeenSpeed = 0;
    bool SeenBraking = false;
    bool SeenClosing = false;
    bool SeenAccident = false;
    bool DoorsOpenedStanding = false; // the doors opened since the tram last stood still
    bool BellRung = false;
    // The loudness of the cab's looped voices at the last frame: Motor, Brake, Roll, Squeal,
    // DoorMotor.
    std::array<float, 5> LastGains{};
    // The Number of the tram each voice of the other trams follows; NoTram when free.
    static constexpr std::int32_t NoTram = -1;
    std::array<std::int32_t, OtherTramVoices> VoiceTram{};
    // This frame's nearest trams: slots and squared distances, nearest first.
    std::array<int, OtherTramVoices> Nearest{};
    std::array<double, OtherTramVoices> NearestDistSq{};
};

} // namespace vell
