// The tram system and the stops in the detailed look: what stands along the track (platforms with
// a shelter and the stop's name, poles and wires as they hang, street lamps), built once per tile,
// and the other trams (windows, a lit destination sign, headlights), built every frame.
#pragma once

#include "cab/look/LookMesh.h"
#include "model/CityLook.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vell {

class TMap;
class TWorld;
struct TSceneView;

// A part of the map in map metres: what a tile covers.
struct TLookBox {
    float MinX = 0, MinY = 0, MaxX = 0, MaxY = 0;
    bool Contains(float x, float y) const { return x >= MinX && x < MaxX && y >= MinY && y < MaxY; }
};

// Appends the parts whose place (a stop's sign, a pole, a lamp, a wire's start) lies in `box`.
// Works on a map without look data too (poles, wires and lamps from the map's rails and arches).
void BuildTileParts(const TMap& map, const TCityLook& look, const TLookBox& box,
                    const TLookLight& light, TLookMesh& out);

// Appends every other tram in service within view.ViewDistVell of the eye (never the player's).
void BuildLookTrams(const TMap& map, const TWorld& world, const TSceneView& view,
                    const TLookLight& light, TLookMesh& out);

// The look's font as an image of glyph cells, made by our code: white glyphs on transparent.
struct TGlyphAtlas {
    int Width = 0, Height = 0;
    std::vector<std::uint8_t> Rgba; // Width x Height x 4, top row first
};
const TGlyphAtlas& LookGlyphAtlas();
// A soft round spot, white, alpha falling from the middle: lamps and headlights.
TGlyphAtlas MakeGlowImage(int size);

// Appends `text` (UTF-8; a character the font lacks shows as "?") on the GlyphTexture into the
// Shining (`shining`) or Solid bucket: the left end of its base line at `origin`, letters
// advancing along `right` and standing along `up` (OpenGL frame, unit vectors), `height` metres
// tall. Gives the text's width in metres.
double AddLookText(TLookMesh& out, bool shining, std::string_view text, const float origin[3],
                   const float right[3], const float up[3], double height, TLookColour colour);
// The width in metres AddLookText gives `text` at `height`.
double LookTextWidth(std::string_view text, double height);
// UTF-8 as code points; a broken byte becomes "?".
std::u32string DecodeLookText(std::string_view text);
// Whether the font draws `code` (a letter it lacks shows as "?").
bool LookFontHas(char32_t code);
// The character whose glyph draws `code` (Cyrillic А is drawn as Latin A), "?" when none does.
char32_t LookGlyphOf(char32_t code);
// The character whose glyph cell of LookGlyphAtlas holds the texture point (u, v), 0 for none:
// what a text's triangles say.
char32_t LookGlyphAt(float u, float v);

} // namespace vell
