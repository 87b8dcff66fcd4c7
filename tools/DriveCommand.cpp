// VellSim drive: route NAME's first tram driven by the autopilot after the run-ahead a game
// makes, and what is heard in its cab written to a WAV file, rendered without a sound card.
#include "tools/Commands.h"

#include "cab/sound/DriveRecording.h"
#include "model/FileName.h"
#include "model/Random.h"
#include "model/RouteTable.h"
#include "model/SafeFile.h"
#include "model/Texts.h"
#include "model/Units.h"
#include "sim/RunAhead.h"
#include "sim/World.h"
#include "tools/ToolMap.h"

#include <memory>
#include <ostream>

namespace vell::tool {

namespace {

// A drive's longest recording: an hour is 320 MB of sound.
constexpr long long MaxDriveMinutes = 60;
constexpr long long DefaultDriveMinutes = 2;

struct TDriveSettings {
    int Row = 0, Col = 0;
    long long Minutes = DefaultDriveMinutes;
    std::uint32_t Seed = 0;
};

bool ReadDriveSettings(const TArguments& args, TDriveSettings& settings, std::ostream& err) {
    const auto name = args.Value("--route");
    const auto route = name ? RouteSlotOfName(*name) : std::nullopt;
    if (!route) {
        ReportUsageError(err, "drive",
                         name ? "--route names no route: " + *name
                              : std::string("--route NAME is needed (1, 10, 19, ...)"));
        return false;
    }
    settings.Row = route->first;
    settings.Col = route->second;
    if (auto text = args.Value("--minutes")) {
        const auto v = ParseInteger(*text, 1, MaxDriveMinutes);
        if (!v) {
            ReportUsageError(err, "drive",
                             "--minutes takes a whole number from 1 to " +
                                 std::to_string(MaxDriveMinutes));
            return false;
        }
        settings.Minutes = *v;
    }
    settings.Seed = TRandom::ClockSeed();
    if (auto text = args.Value("--seed")) {
        const auto v = ParseSeed(*text);
        if (!v) {
            ReportUsageError(err, "drive", SeedRange);
            return false;
        }
        settings.Seed = *v;
    }
    return true;
}

} // namespace

int RunDrive(const TArguments& args, std::ostream& out, std::ostream& err) {
    TDriveSettings settings;
    if (!ReadDriveSettings(args, settings, err)) return ExitBadInput;
    const std::string& path = args.Positional[1];
    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    if (SameFile(path, map->FileName)) {
        err << Arg(translate("VellSim", "VellSim: звук не записан поверх карты %1"), path) << "\n";
        return ExitBadInput;
    }
    const std::string name = RouteDisplayName(settings.Row, settings.Col);
    if (!map->Route(settings.Row, settings.Col).InUse()) {
        err << Arg(translate("VellSim", "VellSim %1: маршрут %2 не задан"), "drive", name) << "\n";
        return ExitBadInput;
    }
    if (SelectMap(*map).NetworkResult != -1) {
        ReportRailError(err, *map);
        return ExitFindings;
    }
    // As a game starts: the world run ahead until the route has a tram in service, which the
    // player then drives, here under the autopilot.
    TRandom random(settings.Seed);
    TWorld world(*map, random);
    world.StartWorld();
    if (WaitForTram(world, settings.Row, settings.Col) != TRunAhead::Ready ||
        !FindPlayerTram(world, settings.Row, settings.Col)) {
        err << Arg(translate("VellSim", "VellSim drive: маршрут %1 не ходит"), name) << "\n";
        return ExitFindings;
    }
    TDriveSound sound;
    std::string why;
    if (!RecordDrive(world, RoundHalfEven(settings.Minutes * TicksPerMinute), sound, why)) {
        err << "VellSim drive: " << why << "\n";
        return ExitBadInput;
    }
    if (const TFileFault fault = WriteFileAtomically(path, WavFile(sound));
        fault != TFileFault::None) {
        err << WithReason(Arg(translate("VellSim", "VellSim: не удалось записать звук %1"), path),
                          fault)
            << "\n";
        return ExitBadInput;
    }
    out << Arg(translate("VellSim", "Звук записан: %1 (зерно %2)"), path,
               std::to_string(settings.Seed))
        << "\n";
    return ExitOk;
}

} // namespace vell::tool
