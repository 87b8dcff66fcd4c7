// Loading a map for a VellSim command, with a clear message when it fails.
#pragma once

#include "model/Map.h"
#include "sim/save/WorldSave.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace vell::tool {

// Exit codes of VellSim.
constexpr int ExitOk = 0;
constexpr int ExitFindings = 1;    // the command ran and found faults
constexpr int ExitBadInput = 2;    // usage error, missing or corrupt file, failed write
constexpr int ExitSignalled = 128; // plus the signal that stopped a run, as a shell counts it

// Names the file as the programs do (".vl" added to a file name without a dot) and loads it.
// On failure writes the reason to `err` and returns false.
bool LoadToolMap(const std::string& argument, TMap& map, std::ostream& err);

// Where the map of the save or recording `savedFile` is looked for when it is not at the path
// the file names: beside the file, in the maps that come with the programs, then `chosen`
// (--map FILE, named as a map argument is).
TMapSearch SavedMapSearch(const std::string& savedFile, const std::optional<std::string>& chosen);

// Writes to `out` that the rail network of `map` has faults and how to find them, as the game
// says it; the command then exits with ExitFindings.
void ReportRailError(std::ostream& out, const TMap& map);

} // namespace vell::tool
