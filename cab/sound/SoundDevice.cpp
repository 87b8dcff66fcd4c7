// The OpenAL side of the cab's sound.
#include "cab/sound/SoundDevice.h"

#include "model/Texts.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdlib>

namespace vell {

namespace {

// Distances of the other trams' voices, metres: full loudness up to the first, then falling
// as the inverse of the distance; beyond hearing the mixing gives them no loudness at all.
constexpr float ReferenceDistance = 8;

// About 80 dB below full loudness.
constexpr float QuietestGain = 1e-4f;

ALCdevice* AsDevice(void* device) {
    return static_cast<ALCdevice*>(device);
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// ALSA and OpenAL Soft print several lines of their own when there is no sound card: our one
// line says it. A log level the user set stays.
void QuietLibraries() {
    setenv("ALSOFT_LOGLEVEL", "0", 0);
    snd_lib_error_set_handler(IgnoreAlsaError);
}

void Place(ALuint source, float x, float y, float vx, float vy) {
    alSource3f(source, AL_POSITION, x, 0, y);
    alSource3f(source, AL_VELOCITY, vx, 0, vy);
}

} // namespace

TSoundDevice::~TSoundDevice() {
    Close();
}

bool TSoundDevice::OpenOutput(std::string& why) {
    Close();
    QuietLibraries();
    Device = alcOpenDevice(nullptr);
    if (!Device) {
        why = translate("Sound", "нет звукового устройства");
        return false;
    }
    Context = alcCreateContext(AsDevice(Device), nullptr);
    return Start(why);
}

bool TSoundDevice::OpenLoopback(int rate, std::string& why) {
    Close();
    QuietLibraries();
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) {
        why = "OpenAL Soft has no loopback device (ALC_SOFT_loopback)";
        return false;
    }
    auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    Device = open ? open(nullptr) : nullptr;
    if (!Device) {
        why = "OpenAL Soft could not open a loopback device";
        return false;
    }
    Loopback = true;
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_SHORT_SOFT,
                                 ALC_FREQUENCY,
                                 rate,
                                 ALC_HRTF_SOFT,
                                 ALC_FALSE,
                                 0};
    Context = alcCreateContext(AsDevice(Device), attributes);
    return Start(why);
}

bool TSoundDevice::Start(std::string& why) {
    if (!Context || !alcMakeContextCurrent(static_cast<ALCcontext*>(Context))) {
        why = translate("Sound", "звуковое устройство не открылось");
        Close();
        return false;
    }
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(1);
    alSpeedOfSound(343.3f);
    const std::array<TSoundBuffer, SoundCount> sounds = SynthesiseSounds();
    alGenBuffers(SoundCount, Buffers.data());
    for (int s = 0; s < SoundCount; ++s)
        alBufferData(
            Buffers[std::size_t(s)], AL_FORMAT_MONO16, sounds[std::size_t(s)].Samples.data(),
            ALsizei(sounds[std::size_t(s)].Samples.size() * sizeof(std::int16_t)), SynthRate);
    const auto source = [&](TSoundId sound, bool beside) {
        ALuint id = 0;
        alGenSources(1, &id);
        alSourcei(id, AL_BUFFER, ALint(Buffers[std::size_t(sound)]));
        alSourcei(id, AL_LOOPING, sounds[std::size_t(sound)].Loop ? AL_TRUE : AL_FALSE);
        alSourcei(id, AL_SOURCE_RELATIVE, beside ? AL_TRUE : AL_FALSE);
        alSourcef(id, AL_REFERENCE_DISTANCE, ReferenceDistance);
        alSourcef(id, AL_MAX_DISTANCE, float(HearingRange));
        alSourcef(id, AL_GAIN, 0);
        if (sounds[std::size_t(sound)].Loop) alSourcePlay(id);
        return id;
    };
    const TSoundId cab[] = {TSoundId::Motor, TSoundId::Brake, TSoundId::Roll, TSoundId::Squeal,
                            TSoundId::DoorMotor};
    for (std::size_t v = 0; v < Cab.size(); ++v)
        Cab[v] = source(cab[v], true);
    for (unsigned& click : Clicks) {
        click = source(TSoundId::Click, true);
        alSourcef(click, AL_GAIN, 0.8f);
    }
    Hiss = source(TSoundId::Hiss, true);
    Chime = source(TSoundId::Chime, true);
    Bell = source(TSoundId::Bell, true);
    Crash = source(TSoundId::Crash, true);
    for (ALuint one : {Hiss, Chime, Bell, Crash})
        alSourcef(one, AL_GAIN, 1);
    for (int v = 0; v < OtherTramVoices; ++v) {
        OtherRoll[std::size_t(v)] = source(TSoundId::Roll, false);
        OtherMotor[std::size_t(v)] = source(TSoundId::Motor, false);
    }
    if (alGetError() != AL_NO_ERROR) {
        why = translate("Sound", "звуковое устройство не открылось");
        Close();
        return false;
    }
    return true;
}

void TSoundDevice::Close() {
    if (Context) {
        alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
        const auto drop = [](unsigned& id) {
            if (id) alDeleteSources(1, &id);
            id = 0;
        };
        for (unsigned& id : Cab)
            drop(id);
        for (unsigned& id : Clicks)
            drop(id);
        for (unsigned* id : {&Hiss, &Chime, &Bell, &Crash})
            drop(*id);
        for (int v = 0; v < OtherTramVoices; ++v) {
            drop(OtherRoll[std::size_t(v)]);
            drop(OtherMotor[std::size_t(v)]);
        }
        alDeleteBuffers(SoundCount, Buffers.data());
        Buffers.fill(0);
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(static_cast<ALCcontext*>(Context));
        Context = nullptr;
    }
    if (Device) alcCloseDevice(AsDevice(Device));
    Device = nullptr;
    Loopback = false;
    Paused = false;
}

void TSoundDevice::SetVoice(unsigned source, const TVoice& voice) {
    // OpenAL Soft fades a voice from one loudness to the next, but starts a voice it counts as
    // silent at once, with a knock: a looped voice is never quite silent.
    alSourcef(source, AL_GAIN, std::max(voice.Gain, QuietestGain));
    alSourcef(source, AL_PITCH, voice.Pitch > 0.05f ? voice.Pitch : 0.05f);
}

void TSoundDevice::Apply(const TSoundFrame& frame) {
    if (!Context) return;
    alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
    if (Paused) {
        for (ALuint id : Cab)
            alSourcePlay(id);
        for (int v = 0; v < OtherTramVoices; ++v) {
            alSourcePlay(OtherRoll[std::size_t(v)]);
            alSourcePlay(OtherMotor[std::size_t(v)]);
        }
        Paused = false;
    }
    // The listener stays at the origin, unmoving: the other trams are placed around it and
    // move relative to it, so their Doppler shift is their speed relative to the cab's and the
    // cab's own voices, which move with it, keep their pitch.
    const TListener& l = frame.Listener;
    const ALfloat orientation[] = {float(l.ForwardX), 0, float(l.ForwardY), 0, 1, 0};
    alListener3f(AL_POSITION, 0, 0, 0);
    alListener3f(AL_VELOCITY, 0, 0, 0);
    alListenerfv(AL_ORIENTATION, orientation);
    const TVoice* cab[] = {&frame.Motor, &frame.Brake, &frame.Roll, &frame.Squeal,
                           &frame.DoorMotor};
    for (std::size_t v = 0; v < Cab.size(); ++v)
        SetVoice(Cab[v], *cab[v]);
    for (std::size_t v = 0; v < std::size_t(OtherTramVoices); ++v) {
        const TPlacedTram& other = frame.Others[v];
        if (other.Heard) {
            for (ALuint id : {OtherRoll[v], OtherMotor[v]})
                Place(id, float(other.X - l.X), float(other.Y - l.Y), float(other.VX - l.VX),
                      float(other.VY - l.VY));
            SetVoice(OtherRoll[v], other.Roll);
            SetVoice(OtherMotor[v], other.Motor);
        } else {
            SetVoice(OtherRoll[v], {});
            SetVoice(OtherMotor[v], {});
        }
    }
    for (int c = 0; c < frame.Clicks && c < int(Clicks.size()); ++c) {
        alSourcePlay(Clicks[NextClick]);
        NextClick = (NextClick + 1) % Clicks.size();
    }
    if (frame.Hiss) alSourcePlay(Hiss);
    if (frame.Chime) alSourcePlay(Chime);
    if (frame.Bell) alSourcePlay(Bell);
    if (frame.Crash) alSourcePlay(Crash);
}

void TSoundDevice::Silence() {
    if (!Context || Paused) return;
    alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
    for (ALuint id : Cab)
        alSourcePause(id);
    for (int v = 0; v < OtherTramVoices; ++v) {
        alSourcePause(OtherRoll[std::size_t(v)]);
        alSourcePause(OtherMotor[std::size_t(v)]);
    }
    for (ALuint id : Clicks)
        alSourceStop(id);
    for (ALuint id : {Hiss, Chime, Bell})
        alSourceStop(id);
    Paused = true;
}

void TSoundDevice::SetVolume(float volume) {
    if (!Context) return;
    alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
    alListenerf(AL_GAIN, volume < 0 ? 0 : volume > 1 ? 1 : volume);
}

void TSoundDevice::Render(std::int16_t* out, int frames) {
    if (!Context || !Loopback || frames <= 0) return;
    alcMakeContextCurrent(static_cast<ALCcontext*>(Context));
    static const auto render = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
        alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (render) render(AsDevice(Device), out, frames);
}

} // namespace vell
