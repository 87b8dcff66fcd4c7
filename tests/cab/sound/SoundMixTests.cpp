// The frame of sound read from the world, without a device: the bell, the crash, a world the
// sound leaves exactly as it was, and frames made without allocating.
#include "cab/sound/DriveRecording.h"
#include "cab/sound/SoundMix.h"
#include "model/RouteTable.h"
#include "model/Units.h"
#include "sim/RunAhead.h"
#include "tests/cab/CabTestWorld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <new>
#include <vector>

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

// A whole drive on the demo city from the cab, a frame after every step. The world sorts its
// table by lateness every step, so the heard trams change slots under the voices; a voice must
// stay with its tram all the same.
TEST(SoundMix, EachVoiceFollowsItsTramWhileTheTableIsResorted) {
    std::unique_ptr<TMap> map = NewMap();
    map->FileName = std::string(VELL_MAPS_DIR) + "/demo.vl";
    ASSERT_TRUE(map->LoadFromFile());
    ASSERT_EQ(SelectMap(*map).NetworkResult, -1);
    TRandom random{7};
    TWorld world(*map, random);
    world.StartWorld();
    ASSERT_EQ(WaitForTram(world, 0, 0), TRunAhead::Ready);
    TVell* player = FindPlayerTram(world, 0, 0);
    ASSERT_NE(player, nullptr);
    // No tram covers 2 m in a step (130 km/h); a voice moved farther went to another tram.
    constexpr double MostPerStep = 2.0;
    TSoundMix mix;
    std::array<TPlacedTram, OtherTramVoices> last =
        mix.Update(world, player, ListenerInCab(*player)).Others;
    // By Number: the slot of a tram heard at the last frame, -1 for the others.
    std::vector<int> lastSlot(MaxVells + 1, -1);
    int heardFrames = 0, heardTramsMoved = 0;
    for (int s = 0; s < 40000 && !player->Accident; ++s) {
        world.WorldStep();
        const TSoundFrame& frame = mix.Update(world, player, ListenerInCab(*player));
        for (int v = 0; v < OtherTramVoices; ++v) {
            const TPlacedTram &now = frame.Others[std::size_t(v)], &before = last[std::size_t(v)];
            if (!now.Heard || !before.Heard) continue;
            ++heardFrames;
            ASSERT_LE(std::hypot(now.X - before.X, now.Y - before.Y), MostPerStep)
                << "voice " << v << " at step " << s;
        }
        last = frame.Others;
        std::vector<int> slot(MaxVells + 1, -1);
        for (int k = 0; k < world.VellCount; ++k) {
            const TVell& tram = *world.VellTable[std::size_t(k)];
            const TPointXY head = tram.PointXY(tram.Front[0]);
            const TListener l = frame.Listener;
            if (&tram != player && std::hypot(head.X - l.X, head.Y - l.Y) < HearingRange) {
                const int seen = lastSlot[std::size_t(tram.Number)];
                heardTramsMoved += seen >= 0 && seen != k;
                slot[std::size_t(tram.Number)] = k;
            }
        }
        lastSlot = std::move(slot);
    }
    EXPECT_FALSE(player->Accident);
    // The drive did hear trams, and some of them changed slots while heard.
    EXPECT_GT(heardFrames, 1000);
    EXPECT_GT(heardTramsMoved, 0);
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
