// Map file names: the 255-character limit, the default extension, and whether two names name
// one file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vell {

// Counted in characters, not bytes: a Cyrillic letter is two bytes in UTF-8, and a path of 200
// Cyrillic letters is a name the programs must keep whole.
constexpr std::size_t MaxFileNameChars = 255;

// True when the file-name part (after the last '/') holds a dot; folder names do not count.
bool FileNameHasDot(std::string_view path);
// Cuts to 255 characters and appends `extension` (".vl" or ".VL") when the file name has no
// dot, cutting again.
std::string WithDefaultExtension(std::string_view path, std::string_view extension);

// Whether `a` and `b` name one file: the same name, or the same device and inode however each is
// reached (a hard link, a symbolic link, "./city.vl" for "city.vl"). An output checked with it
// is never written over an input.
bool SameFile(const std::string& a, const std::string& b);

} // namespace vell
