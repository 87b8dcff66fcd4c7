// Where the maps that come with the programs are: the game's open dialog starts there, and a
// save or a recording whose map moved looks for it there.
#pragma once

#include <string>

namespace vell {

// "<prefix>/share/vell/maps" when the programs are installed in "<prefix>/bin" (`programFolder`),
// else `sourceMaps` (a build tree's source maps); empty when neither is a folder. The path is
// cleaned: no "." or ".." parts, no doubled or trailing "/".
std::string BundledMapsFolder(const std::string& programFolder, const std::string& sourceMaps);

// The folder of the running program's file; empty when the system does not say.
std::string RunningProgramFolder();

} // namespace vell
