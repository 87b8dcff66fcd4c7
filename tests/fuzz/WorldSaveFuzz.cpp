// libFuzzer target: any bytes given to the world save's reader must decode or be refused cleanly;
// a save that decodes must restore into a world over the ring map or be refused with the world
// not running, and a restored world must save and restore to the same state, step on and give
// its report with the figures VellSim prints, so that a figure out of range shows here under
// the sanitizer.
// The save names its map by path and hash: here the ring map, loaded once, stands for it.
#include "model/Units.h"
#include "sim/JamText.h"
#include "sim/Jams.h"
#include "sim/RouteReport.h"
#include "sim/RunStatistics.h"
#include "sim/World.h"
#include "sim/save/WorldSave.h"

#include "tests/fuzz/FuzzWorld.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace vell;

// Restores `save`, checks the state survives its own save, and steps the world a little.
void RestoreAndStep(TFuzzWorld& f, const TWorldSave& save) {
    f.Reset();
    TRunStatistics statistics(f.World);
    TJamWatch jams(f.World, 100);
    TShiftScore shift;
    TRunState run{0, 0, &statistics, &jams, {}, &shift};
    std::string error;
    if (!RestoreWorld(save, f.World, run, error)) {
        if (f.World.Running() || error.empty()) std::abort();
        return;
    }
    const std::uint64_t digest = WorldStateDigest(f.World, run);
    const std::vector<std::uint8_t> again =
        EncodeWorldSave(f.World, run, save.MapPath, save.MapHash);
    TWorldSave reread;
    if (!DecodeWorldSave(again, reread, error)) std::abort();
    f.Reset();
    if (!RestoreWorld(reread, f.World, run, error) || WorldStateDigest(f.World, run) != digest)
        std::abort();
    for (int s = 0; s < 4; ++s) {
        f.World.WorldStep();
        statistics.Observe();
        jams.Observe();
        shift.AfterStep(f.World, run.Steps + s + 1);
    }
    // The shift's evaluation as the cab and VellSim show it.
    const TEvaluation evaluation = shift.Evaluation();
    if (!(evaluation.Total >= 0 && evaluation.Total <= PointsPerStop) || evaluation.Stars < 0 ||
        evaluation.Stars > 4)
        std::abort();
    // The report and the figures as VellSim formats them.
    std::string report = RouteReport(f.World.Map);
    for (const TRouteStatistics& r : statistics.Routes()) {
        for (double v : {r.Boarded, r.Alighted, r.WorstLateS, r.LongestStandstillMin,
                         r.MeanDeviationS.value_or(0)})
            report += std::to_string(RoundHalfEven(v * 10));
        report += std::to_string(r.StopsServed + r.StopsUnserved + r.AccidentTicks);
    }
    for (const TJamEpisode& e : jams.Episodes())
        report += EpisodeLine(f.World.Map, e);
    TJamPicture now = jams.Now();
    now.Deadlocks = jams.Deadlocks();
    report += JamPictureText(f.World.Map, now, "\n");
    if (report.empty()) std::abort();
    f.Reset();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TFuzzWorld fuzz;
    TWorldSave save;
    std::string error;
    // The bytes as they are: the header's checks.
    if (DecodeWorldSave({data, size}, save, error)) {
        RestoreAndStep(fuzz, save);
        return 0;
    }
    if (error.empty()) std::abort();
    // The same bytes with the body's length and checksum made right, so that the mutations reach
    // the body's fields rather than stopping at the checksum.
    std::vector<std::uint8_t> bytes(data, data + size);
    SealWorldSave(bytes);
    if (DecodeWorldSave(bytes, save, error)) RestoreAndStep(fuzz, save);
    return 0;
}
