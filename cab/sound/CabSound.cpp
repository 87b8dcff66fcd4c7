// The game's sound.
#include "cab/sound/CabSound.h"

#include "model/Texts.h"

#include <ostream>

namespace vell {

void TCabSound::Open(std::ostream& err) {
    if (Tried) return;
    Tried = true;
    std::string why;
    if (!Device.OpenOutput(why)) err << Arg(translate("Sound", "Звука нет: %1"), why) << std::endl;
}

void TCabSound::Tick(const TWorld& world, const TVell* player, const TListener& listener) {
    const TSoundFrame& frame = Mix.Update(world, player, listener);
    if (Enabled) Device.Apply(frame);
}

void TCabSound::Silence() {
    Device.Silence();
}

void TCabSound::SetVolume(float volume) {
    Device.SetVolume(volume);
}

void TCabSound::SetEnabled(bool enabled) {
    Enabled = enabled;
    if (!enabled) Device.Silence();
}

} // namespace vell
