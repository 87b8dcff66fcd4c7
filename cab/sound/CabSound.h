// The cab's sound as the game plays it: the sound card opened once, the world's frame heard
// at every tick at x1, silence while the game waits or runs faster, the player's volume and
// switch.
#pragma once

#include "cab/sound/SoundDevice.h"
#include "cab/sound/SoundMix.h"

#include <iosfwd>

namespace vell {

class TCabSound {
  public:
    // Opens the sound card, once: without one the cab stays silent and `err` hears one line.
    void Open(std::ostream& err);
    bool Playing() const { return Device.IsOpen(); }
    // A tick of the game at x1: what the world sounds like now in `player`'s cab.
    void Tick(const TWorld& world, const TVell* player, const TListener& listener);
    // The game waits, runs faster than x1 or is over: nothing is heard until the next Tick.
    void Silence();
    void RingBell() { Mix.RingBell(); }
    // A new game: the next tick starts afresh.
    void Reset() { Mix.Reset(); }
    void SetVolume(float volume);
    void SetEnabled(bool enabled);

  private:
    TSoundMix Mix;
    TSoundDevice Device;
    bool Tried = false;
    bool Enabled = true;
};

} // namespace vell
