// Map file names.
#include "FileName.h"

namespace vell {

std::string CutUtf8(std::string_view text, std::size_t limit) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Every byte but a continuation byte (10xxxxxx) starts a character.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == limit) return std::string(text.substr(0, i));
    }
    return std::string(text);
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
