// The look font's glyphs as drawn by hand: each glyph's rows of ink, the letters that share a
// shape with another (Cyrillic А and Latin A), and accented letters as a base letter and an accent.
#pragma once

#include <span>
#include <string_view>

namespace vell {

struct TGlyphArt {
    char32_t Code;
    // Rows from the capitals' top down, separated by '|', '#' for ink: seven rows to the base
    // line, then up to two for descenders.
    std::string_view Rows;
};

struct TGlyphAlias {
    char32_t Code, Base;
};

struct TAccented {
    char32_t Code, Base;
    // Up to two rows as in TGlyphArt, centred over the base letter; a leading 'v' puts them
    // under the base line. Empty: the base letter alone.
    std::string_view Accent;
};

std::span<const TGlyphArt> GlyphArt();
std::span<const TGlyphAlias> GlyphAliases();
std::span<const TAccented> AccentedLetters();

} // namespace vell
