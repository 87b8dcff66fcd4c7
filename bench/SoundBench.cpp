// The cab's sound per frame on the stress city with the whole tram table out: the frame read
// from the world, and the frame read and handed to OpenAL Soft (a loopback device, not
// rendered). A frame has 0.5 ms.
#include "cab/sound/SoundDevice.h"
#include "cab/sound/SoundMix.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/GeneratedCity.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vell;
using namespace vell::test;

// The world benchmark's stress city.
struct TBusyWorld {
    TBusyWorld() : Sim(GenerateCity(StressPlan()), 12345) {
        PreRun(*Sim.World, Sim.Selection.TotalTrams);
        for (int k = 0; k < Sim.World->VellCount && !Player; ++k)
            if (Sim.World->VellTable[std::size_t(k)]->Active)
                Player = Sim.World->VellTable[std::size_t(k)].get();
    }
    TSimulation Sim;
    TVell* Player = nullptr;
};

TBusyWorld& Busy() {
    static TBusyWorld world;
    return world;
}

void SoundFrame(benchmark::State& state) {
    TBusyWorld& w = Busy();
    TSoundMix mix;
    for (auto _ : state)
        benchmark::DoNotOptimize(mix.Update(*w.Sim.World, w.Player, ListenerInCab(*w.Player)));
    state.counters["trams"] = w.Sim.World->VellCount;
}
BENCHMARK(SoundFrame)->Unit(benchmark::kMicrosecond);

void SoundFrameToOpenAL(benchmark::State& state) {
    TBusyWorld& w = Busy();
    TSoundMix mix;
    TSoundDevice device;
    std::string why;
    if (!device.OpenLoopback(22050, why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    for (auto _ : state)
        device.Apply(mix.Update(*w.Sim.World, w.Player, ListenerInCab(*w.Player)));
}
BENCHMARK(SoundFrameToOpenAL)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
