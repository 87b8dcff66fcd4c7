// Map file names.
#include "FileName.h"

namespace vell {

std::string CutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t end = limit;
    // Step back over continuation bytes (10xxxxxx) so the cut falls before a lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end));
}

bool FileNameHasDot(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.find('.') != std::string_view::npos;
}

std::string WithDefaultExtension(std::string_view path, std::string_view extension) {
    std::string name = CutUtf8(path);
    if (!FileNameHasDot(name)) name = CutUtf8(name + std::string(extension));
    return name;
}

} // namespace vell
