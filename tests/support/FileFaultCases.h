// What the file-fault tests of both programs share: the scratch mounts that
// with-scratch-mounts.sh provides, long Cyrillic names, and a map's state to compare.
#pragma once

#include "model/Map.h"
#include "model/MapFile.h"
#include "tests/support/TestMaps.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace vell::test {

// The folder a scratch mount is at, or "" when the test was not started by the wrapper.
inline std::string ScratchMount(const char* variable) {
    const char* value = std::getenv(variable);
    return value && std::filesystem::is_directory(value) ? value : "";
}

// `letters` Cyrillic letters, two bytes each in UTF-8.
inline std::string CyrillicName(int letters) {
    static const char* const alphabet[] = {"а", "б", "в", "г", "д", "е", "ж", "з", "и", "к",
                                           "л", "м", "н", "о", "п", "р", "с", "т", "у", "я"};
    std::string name;
    for (int k = 0; k < letters; ++k)
        name += alphabet[k % 20];
    return name;
}

// A map path of 200 Cyrillic letters under `root`: four folders of 40 letters (created here)
// and a file name of 40 letters with ".vl"; over 400 bytes, well under 255 characters.
inline std::string LongCyrillicPath(const std::filesystem::path& root) {
    std::filesystem::path folder = root;
    for (int k = 0; k < 4; ++k)
        folder /= CyrillicName(40 - k); // different names
    std::filesystem::create_directories(folder);
    return (folder / (CyrillicName(40) + ".vl")).string();
}

// Everything a failed file operation must leave as it was.
struct TMapState {
    std::vector<std::uint8_t> Stored; // objects and routes as the file would hold them
    std::string FileName;
    bool Modified;
    explicit TMapState(const TMap& map)
        : Stored(SerializeMapFile(map.StoredContents())), FileName(map.FileName),
          Modified(map.Modified) {}
    bool operator==(const TMapState&) const = default;
};

// The names in a folder, sorted: a failed save must leave no temporary file behind.
inline std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Rails enough that the map file no longer fits the 64 KiB scratch disk (12 bytes each).
inline void AddManyRails(TMap& map, int count = 8000) {
    for (int k = 0; k < count; ++k)
        AddRail(map, 100 + k % 9000, 100 + k / 9000 * 50, 100 + k % 9000, 130 + k / 9000 * 50);
}

} // namespace vell::test
