// The real extracts beside the project (../shared/osm), which are never copied into it. A test
// that needs them skips with the reason when they are missing, and fails under CI.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace vell::import::test {

inline std::string OsmFile(const std::string& name) {
    return std::string(VELL_OSM_DIR) + "/" + name;
}

inline bool OsmFolderPresent() {
    return std::filesystem::is_directory(VELL_OSM_DIR);
}

inline bool UnderCi() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::strcmp(ci, "true") == 0;
}

} // namespace vell::import::test

// Skips the test, or fails it under CI, when the extracts are missing.
#define VELL_NEED_OSM_FOLDER()                                                                     \
    do {                                                                                           \
        if (!vell::import::test::OsmFolderPresent()) {                                             \
            if (vell::import::test::UnderCi()) FAIL() << VELL_OSM_DIR " is missing";               \
            GTEST_SKIP() << VELL_OSM_DIR " is missing: no real extracts to read";                  \
        }                                                                                          \
    } while (false)
