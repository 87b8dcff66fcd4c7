// The detailed look's textures, made by our own code when the look starts: detail in grey on
// which the vertices' colours lay the colour, so that a texture left off far away changes the
// picture little. Every image is square, a power of two wide, top row first.
#pragma once

#include "cab/look/LookMesh.h"

#include <cstdint>
#include <vector>

namespace vell {

struct TLookImage {
    int Size = 0;
    std::vector<std::uint8_t> Rgba; // Size x Size x 4
};

// The image of one of the textures the look makes itself (not GlyphTexture nor GlowTexture, which
// the parts bring); empty for those. The same image every time.
TLookImage MakeLookTexture(TLookTexture texture);

// How many metres of the map one repeat of a ground, roof or sleeper texture covers.
double TextureMetres(TLookTexture texture);

// Where a facade tile (one bay of one storey) has its window, as parts of the tile: lit windows
// at night are laid over exactly there.
constexpr float WindowLeft = 0.3f, WindowRight = 0.7f, WindowBottom = 0.3f, WindowTop = 0.8f;

} // namespace vell
