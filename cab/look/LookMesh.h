// The detailed look's geometry as built without OpenGL: textured, coloured triangles in buckets
// by texture, so that a tile or a frame hands each texture's triangles to OpenGL in one call.
// Points are in OpenGL's frame, as the classic look's: map (x, y) at height z is (x, -y, z).
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace vell {

struct TLookVertex {
    float X, Y, Z;
    float U, V; // texture coordinates; ignored with NoTexture
    std::uint8_t R, G, B, A;
};

// Every texture is made by our own code when the look starts (LookTextures).
enum TLookTexture : std::uint8_t {
    NoTexture,
    AsphaltTexture,
    PavingTexture,   // setts and slabs: squares, pedestrian streets, track in a street
    PavementTexture, // pavement slabs
    GrassTexture,
    WaterTexture,
    BallastTexture,
    SleeperTexture, // sleepers on ballast, across the track
    FacadeTexture,  // a wall with windows: one tile is one window bay of one storey
    ShopTexture,    // a ground floor with shop windows: one tile is one bay
    RoofTexture,
    GlyphTexture, // the look's font (LookFont)
    GlowTexture,  // a soft round spot for lamps and headlights
    LookTextureCount
};

// The sun and the night, for building a tile or a frame.
struct TLookLight {
    double DayLight = 1;                 // 0.1 to 1, as the classic look's
    double SunX = 0, SunY = 0, SunZ = 1; // unit vector towards the sun, map frame (y down, z up)
    bool Night = false;                  // windows, lamps and headlights shine
    // A face's brightness by its outward normal (map frame): 0.55 facing away from the sun, up to
    // 1 facing it; the day light is applied when drawing, not here.
    float Shade(double nx, double ny, double nz) const {
        const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (length <= 0) return 1;
        const double facing = (nx * SunX + ny * SunY + nz * SunZ) / length;
        return float(0.55 + 0.45 * std::max(0.0, facing));
    }
};

struct TLookMesh {
    // Lit by the day: drawn with depth test and writes, colours scaled by DayLight.
    std::array<std::vector<TLookVertex>, LookTextureCount> Solid;
    // Shining by themselves (a lit sign, a lit window, a lamp's head): drawn at their colour.
    std::array<std::vector<TLookVertex>, LookTextureCount> Shining;
    // Lines (wires), lit by the day.
    std::vector<TLookVertex> Lines;
    // Glowing sprites and patches on the GlowTexture, added to what is behind them, without depth
    // writes, at night only.
    std::vector<TLookVertex> Glow;

    void Clear() {
        for (auto& list : Solid)
            list.clear();
        for (auto& list : Shining)
            list.clear();
        Lines.clear();
        Glow.clear();
    }
    bool Empty() const {
        for (const auto& list : Solid)
            if (!list.empty()) return false;
        for (const auto& list : Shining)
            if (!list.empty()) return false;
        return Lines.empty() && Glow.empty();
    }
};

} // namespace vell
