// libFuzzer target: any bytes given to the replay's reader must decode or be refused cleanly with
// a line; a replay that decodes must write and read back to the same replay, and its start must
// restore into a world over the ring map (or be refused with the world not running) and play
// its commands for a few steps. The replay names its map by path and hash: here the ring map,
// loaded once, stands for it.
#include "sim/World.h"
#include "sim/save/Replay.h"

#include "tests/fuzz/FuzzWorld.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace vell;

// The most steps a replay is played for here: enough for every event's command to reach a step.
constexpr long long PlayedSteps = 64;

void CheckAndPlay(TFuzzWorld& f, const TReplay& replay) {
    TReplay again;
    std::string error;
    if (!DecodeReplay(EncodeReplay(replay), again, error) || again.Start != replay.Start ||
        again.EndStep != replay.EndStep || again.Events.size() != replay.Events.size())
        std::abort();
    for (std::size_t k = 0; k < replay.Events.size(); ++k)
        if (again.Events[k].Step != replay.Events[k].Step ||
            !(again.Events[k].Commands == replay.Events[k].Commands))
            std::abort();
    const TWorldSave start = ReplayStart(replay);
    f.Reset();
    TRunState run;
    if (!RestoreWorld(start, f.World, run, error)) {
        if (f.World.Running() || error.empty()) std::abort();
        return;
    }
    TReplayPlayer player(replay);
    const long long end = std::min(replay.EndStep, start.Steps + PlayedSteps);
    for (long long step = start.Steps; step < end && !player.Finished(step); ++step) {
        player.Before(f.World, step);
        f.World.WorldStep();
    }
    (void)ReplayDigest(f.World, run);
    f.Reset();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TFuzzWorld fuzz;
    TReplay replay;
    std::string error;
    // The bytes as they are: the header's checks.
    if (DecodeReplay({data, size}, replay, error)) {
        CheckAndPlay(fuzz, replay);
        return 0;
    }
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    // The same bytes with the body's length and checksum made right, so that the mutations reach
    // the body's fields rather than stopping at the checksum.
    std::vector<std::uint8_t> bytes(data, data + size);
    SealHeader(bytes);
    if (DecodeReplay(bytes, replay, error)) CheckAndPlay(fuzz, replay);
    return 0;
}
