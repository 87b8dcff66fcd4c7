// Recovery copies: where they live and how they are laid out.
#include "model/RecoveryCopy.h"

#include "model/ByteStream.h"
#include "model/Map.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace vell {

namespace fs = std::filesystem;

namespace {
constexpr char Magic[] = "VELL-RECOVERY-1\n";
constexpr std::size_t MagicSize = sizeof(Magic) - 1;
} // namespace

const char* const RecoveryCopySuffix = ".vlr";
const char* const RecoveryLockSuffix = ".lock";
const std::size_t MaxRecoveryCopySize = MaxMapFileSize + MaxMapExtrasSize + MagicSize + 2 + 65535;

std::string DefaultRecoveryFolder() {
    // A relative XDG_STATE_HOME is to be ignored, as for every XDG variable.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return (fs::path(state) / "vell" / "recovery").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return (fs::path(home) / ".local" / "state" / "vell" / "recovery").string();
    return {};
}

bool MakeRecoveryFolder(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    return fs::is_directory(folder, ec);
}

std::string CanonicalMapPath(const std::string& fileName) {
    if (fileName == NewMapName || fileName.empty()) return fileName;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fileName, ec);
    if (ec) return fileName;
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute.lexically_normal() : canonical).string();
}

std::vector<std::uint8_t> RecoveryCopyBytes(const std::string& mapPath,
                                            std::span<const std::uint8_t> mapFile,
                                            std::span<const std::uint8_t> extras) {
    const std::size_t nameSize = mapPath.size();
    if (nameSize > 65535) return {}; // never cut: a cut path names another file
    std::vector<std::uint8_t> bytes(Magic, Magic + MagicSize);
    bytes.push_back(std::uint8_t(nameSize & 0xFF));
    bytes.push_back(std::uint8_t(nameSize >> 8));
    bytes.insert(bytes.end(), mapPath.begin(), mapPath.begin() + long(nameSize));
    bytes.insert(bytes.end(), mapFile.begin(), mapFile.end());
    bytes.insert(bytes.end(), extras.begin(), extras.end());
    return bytes;
}

bool ParseRecoveryCopy(std::span<const std::uint8_t> data, std::string& mapPath,
                       TMapFileContents& contents, TMapExtras* extras) {
    if (data.size() < MagicSize + 2 || !std::equal(Magic, Magic + MagicSize, data.begin()))
        return false;
    TByteReader in(data.subspan(MagicSize));
    std::uint16_t nameSize = 0;
    if (!in.ReadU16(nameSize) || !in.Has(nameSize)) return false;
    const auto name = data.subspan(MagicSize + 2, nameSize);
    const auto mapFile = data.subspan(MagicSize + 2 + nameSize);
    TMapFileContents parsed;
    if (ParseMapFile(mapFile, parsed) != TMapFileError::None) return false;
    if (extras) {
        // Copies of older editors end with the map.
        const auto rest = mapFile.subspan(std::min(mapFile.size(), MapFileSize(parsed)));
        std::string why;
        if (rest.empty() || !DecodeMapExtras(rest, parsed, *extras, why)) *extras = {};
    }
    mapPath.assign(name.begin(), name.end());
    contents = std::move(parsed);
    return true;
}

} // namespace vell
