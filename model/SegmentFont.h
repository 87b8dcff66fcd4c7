// The eight-segment line font for route names and numbers: digits, "А", "Б", comma, apostrophe.
#pragma once

#include <array>
#include <cstdint>

namespace vell {

struct TFontSegment {
    std::int8_t X1, Y1, X2, Y2; // glyph units, Y downwards; a glyph is 2 x 4 (5 with the tail)
};

struct TGlyph {
    char32_t Character;
    std::uint8_t Mask;  // bit k lights segment k
    std::uint8_t Width; // advance in the scheme picture, without the one-unit gap
};

constexpr std::array<TFontSegment, 8> FontSegments{{
    {0, 0, 2, 0}, // top bar
    {0, 0, 0, 2}, // upper left
    {2, 0, 2, 2}, // upper right
    {0, 2, 2, 2}, // middle bar
    {0, 2, 0, 4}, // lower left
    {2, 2, 2, 4}, // lower right
    {0, 4, 2, 4}, // bottom bar
    {0, 4, 0, 5}, // tail below the lower left
}};

// Digit d is glyph d + 1; route suffix number j is glyph j.
constexpr std::array<TGlyph, 15> Glyphs{{
    {U' ', 0x00, 1},
    {U'0', 0x77, 3},
    {U'1', 0x12, 1},
    {U'2', 0x5D, 3},
    {U'3', 0x6D, 3},
    {U'4', 0x2E, 3},
    {U'5', 0x6B, 3},
    {U'6', 0x7A, 3},
    {U'7', 0x25, 3},
    {U'8', 0x7F, 3},
    {U'9', 0x6F, 3},
    {U'А', 0x3F, 3},
    {U'Б', 0x79, 3},
    {U',', 0x80, 1},
    {U'\'', 0x02, 1},
}};

// The glyph number of a character, or -1 when the font has none.
constexpr int GlyphOf(char32_t c) {
    for (std::size_t g = 0; g < Glyphs.size(); ++g)
        if (Glyphs[g].Character == c) return int(g);
    return -1;
}

} // namespace vell
