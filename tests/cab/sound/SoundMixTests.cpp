// The frame of sound read from the world, without a device: the bell, the crash, a world the
// sound leaves exactly as it was, and frames made without allocating.
#include "cab/sound/DriveRecording.h"
#include "cab/sound/SoundMix.h"
#include "model/Units.h"
#include "tests/cab/CabTestWorld.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {
// Allocations counted while set.
bool CountingAllocations = false;
long long Allocations = 0;
} // namespace

void* operator new(std::size_t size) {
    if (CountingAllocations) ++Allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace vell::test {
namespace {

TEST(SoundMix, TheBellRingsOnceForEachRingAndTheCrashSoundsOnce) {
    TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    TSoundMix mix;
    const auto frame = [&] { return mix.Update(*city.World, &tram, ListenerInCab(tram)); };
    frame();
    EXPECT_FALSE(frame().Bell);
    const std::uint32_t random = city.Random.GetState();
    mix.RingBell();
    EXPECT_TRUE(frame().Bell);
    EXPECT_FALSE(frame().Bell);
    EXPECT_EQ(city.Random.GetState(), random); // heard, nothing drawn
    // Full traction by hand until the tram crashes (too fast for the rails or the bends).
    tram.AutoDrive = false;
    tram.ManualCommand = 1;
    int crashes = 0, accidentSteps = 0;
    for (int s = 0; s < 60 * TicksPerSecond && accidentSteps < 5; ++s) {
        city.World->WorldStep();
        accidentSteps += tram.Accident;
        crashes += frame().Crash;
    }
    ASSERT_GT(accidentSteps, 1);
    EXPECT_EQ(crashes, 1);
}

TEST(SoundMix, RecordingADriveLeavesTheWorldAsItWasWithoutSound) {
    TCabWorld heard, unheard;
    TVell& a = heard.StartWithPlayer();
    TVell& b = unheard.StartWithPlayer();
    const long long steps = std::llround(90 * TicksPerSecond);
    TDriveSound sound;
    std::string why;
    ASSERT_TRUE(RecordDrive(*heard.World, steps, sound, why)) << why;
    for (long long s = 0; s < steps; ++s)
        unheard.World->WorldStep();
    EXPECT_EQ(heard.Random.GetState(), unheard.Random.GetState());
    ASSERT_EQ(heard.World->VellCount, unheard.World->VellCount);
    EXPECT_EQ(a.Front, b.Front);
    EXPECT_EQ(a.Speed, b.Speed);
    EXPECT_EQ(a.Passengers, b.Passengers);
    EXPECT_GT(a.Speed, 0);
}

TEST(SoundMix, FramesAreMadeWithoutAllocating) {
    TCabWorld city;
    TVell& tram = city.StartWithPlayer();
    TSoundMix mix;
    long long clicks = 0;
    for (int s = 0; s < 2000; ++s) {
        city.World->WorldStep();
        const TListener listener = ListenerInCab(tram);
        CountingAllocations = true;
        clicks += mix.Update(*city.World, &tram, listener).Clicks;
        CountingAllocations = false;
    }
    EXPECT_EQ(Allocations, 0);
    EXPECT_GT(clicks, 0); // the frames did hear the drive
}

} // namespace
} // namespace vell::test
