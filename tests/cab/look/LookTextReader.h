// Reads back the texts the detailed look laid on its glyph texture: each glyph is two triangles
// whose texture points lie in one glyph cell; glyphs that follow one another along a line make
// one text.
#pragma once

#include "cab/look/LookParts.h"

#include <cmath>
#include <string>
#include <vector>

namespace vell::test {

struct TReadText {
    std::u32string Text;
    float X = 0, Y = 0, Z = 0;    // the first glyph's lower left corner (OpenGL's frame)
    float DX = 0, DY = 0, DZ = 0; // the way the letters advance, a unit vector
    // Whether a reader on the side (nx, ny) (OpenGL's frame, level) of the text, looking at it,
    // reads it from left to right: the letters advance towards their right hand, (-n) x up.
    bool ReadsFrom(double nx, double ny) const { return DY * nx - DX * ny > 0.99; }
};

inline std::vector<TReadText> ReadLookTexts(const std::vector<TLookVertex>& glyphs) {
    std::vector<TReadText> texts;
    float lastX = 0, lastY = 0, lastZ = 0, lastWidth = 0;
    float lastDX = 0, lastDY = 0, lastDZ = 0;
    for (std::size_t k = 0; k + 6 <= glyphs.size(); k += 6) {
        // AddLookText's corners: lower left, lower right, upper right, -, -, upper left.
        const TLookVertex& a = glyphs[k];
        const TLookVertex& b = glyphs[k + 1];
        const TLookVertex& c = glyphs[k + 2];
        const char32_t code = LookGlyphAt((a.U + c.U) / 2, (a.V + c.V) / 2);
        const float width = std::hypot(b.X - a.X, b.Y - a.Y, b.Z - a.Z);
        const float gap = std::hypot(a.X - lastX, a.Y - lastY, a.Z - lastZ);
        // The next letter starts one font pixel after the last one ends, and every glyph is
        // one pixel wide or more.
        // ... and runs the same way (the back of a sign starts where its front ends).
        const float dx = (b.X - a.X) / width, dy = (b.Y - a.Y) / width, dz = (b.Z - a.Z) / width;
        const bool follows = !texts.empty() && gap <= std::max(lastWidth, width) * 1.01f &&
                             dx * lastDX + dy * lastDY + dz * lastDZ > 0.99f;
        if (!follows) texts.push_back({{}, a.X, a.Y, a.Z, dx, dy, dz});
        texts.back().Text.push_back(code);
        lastX = b.X;
        lastY = b.Y;
        lastZ = b.Z;
        lastWidth = width;
        lastDX = dx;
        lastDY = dy;
        lastDZ = dz;
    }
    return texts;
}

// The text as the font draws it: each character as the letter whose glyph it shares.
inline std::u32string AsDrawn(const std::string& text) {
    std::u32string drawn;
    for (const char32_t c : DecodeLookText(text))
        drawn.push_back(LookGlyphOf(c));
    return drawn;
}

} // namespace vell::test
