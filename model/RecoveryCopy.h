// Recovery copies of maps: the folder they live in and their bytes. The editor keeps one of an
// unsaved map; a map written in place keeps one of its old bytes until the new ones are on disk.
// An editor that starts offers every copy whose writer no longer holds its lock.
#pragma once

#include "model/MapExtras.h"
#include "model/MapFile.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vell {

// A copy is "<name>.vlr"; its writer holds a lock on "<name>.lock" for as long as it runs.
extern const char* const RecoveryCopySuffix;
extern const char* const RecoveryLockSuffix;

// $XDG_STATE_HOME/vell/recovery, or ~/.local/state/vell/recovery; empty without either.
std::string DefaultRecoveryFolder();
// Creates the folder, readable by its owner only (copies are the user's maps); false when it
// cannot be made.
bool MakeRecoveryFolder(const std::string& folder);

// The absolute path of a map file, with symbolic links and "." and ".." resolved, so that a copy
// names the same file whatever the folder it is restored from; NewMapName stays as it is.
std::string CanonicalMapPath(const std::string& fileName);

// A copy as bytes: a header with the map's path, the map file's bytes, then the bytes of the file
// beside the map (none when it has none); and back. The path may be up to 65535 bytes long,
// beyond the map name's own limit; a longer one gives no bytes. A copy whose file beside the map
// cannot be read gives the map without it.
std::vector<std::uint8_t> RecoveryCopyBytes(const std::string& mapPath,
                                            std::span<const std::uint8_t> mapFile,
                                            std::span<const std::uint8_t> extras = {});
bool ParseRecoveryCopy(std::span<const std::uint8_t> data, std::string& mapPath,
                       TMapFileContents& contents, TMapExtras* extras = nullptr);
// The largest copy: a map file and the file beside it after the largest header.
extern const std::size_t MaxRecoveryCopySize;

} // namespace vell
