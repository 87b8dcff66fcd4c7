// Map file names.
#include "model/FileName.h"

#include "model/Utf8.h"

#include <sys/stat.h>

namespace vell {

bool FileNameHasDot(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.find('.') != std::string_view::npos;
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    std::string name = CutUtf8(path, MaxFileNameChars);
    if (!FileNameHasDot(name)) name = CutUtf8(name + std::string(extension), MaxFileNameChars);
    return name;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace vell
