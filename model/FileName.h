// Map file names: the 255-byte limit and the default extension.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vell {

constexpr std::size_t MaxFileNameBytes = 255;

// Cuts a UTF-8 string to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string_view text, std::size_t limit = MaxFileNameBytes);
// True when the file-name part (after the last '/') holds a dot; folder names do not count.
bool FileNameHasDot(std::string_view path);
// Cuts to 255 bytes and appends `extension` (".vl" or ".VL") when the file name has no dot.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

} // namespace vell
