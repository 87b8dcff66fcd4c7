// The bundled maps' folder, found the same way by every program.
#include "model/BundledMaps.h"

#include <filesystem>
#include <system_error>

namespace vell {

namespace fs = std::filesystem;

namespace {

std::string Cleaned(const fs::path& path) {
    std::string clean = path.lexically_normal().string();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    return clean;
}

bool IsFolder(const std::string& path) {
    std::error_code failed;
    return !path.empty() && fs::is_directory(path, failed);
}

} // namespace

std::string BundledMapsFolder(const std::string& programFolder, const std::string& sourceMaps) {
    if (!programFolder.empty()) {
        const std::string installed = Cleaned(fs::path(programFolder + "/../share/vell/maps"));
        if (IsFolder(installed)) return installed;
    }
    if (IsFolder(sourceMaps)) return Cleaned(sourceMaps);
    return {};
}

std::string RunningProgramFolder() {
    std::error_code failed;
    const fs::path program = fs::read_symlink("/proc/self/exe", failed);
    if (failed) return {};
    return program.parent_path().string();
}

} // namespace vell
