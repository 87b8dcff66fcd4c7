// The detailed look's texture font: small bitmap glyphs drawn in this file (digits, Latin,
// Cyrillic, common punctuation, accented Latin letters made from their base letter and an accent),
// laid into one image of padded cells, and text laid out on it as textured triangles.
#include "cab/look/LookFontGlyphs.h"
#include "cab/look/LookParts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace vell {

namespace {

// A glyph is drawn on a grid of 11 rows: two for accents over capitals, seven from the capitals'
// top to the base line, two for descenders. Each font pixel is 2 x 2 image pixels, and every
// cell keeps a clear border so that mipmaps of one glyph do not pick up its neighbours.
constexpr int GridRows = 11;
constexpr int TopRow = 2;  // the capitals' top
constexpr int BaseRow = 9; // the first row below the base line
constexpr int MaxGlyphWidth = 6;
constexpr int Scale = 2;
constexpr int CellWidth = 16, CellHeight = 32;
constexpr int CellsAcross = 16;
constexpr int PadX = (CellWidth - MaxGlyphWidth * Scale) / 2;
constexpr int PadY = (CellHeight - GridRows * Scale) / 2;

struct TGlyph {
    char32_t Code = 0;
    int Width = 0;
    std::array<std::array<bool, MaxGlyphWidth>, GridRows> Ink{};
};

// "rows|rows|..." from the capitals' top down, each row the same length, '#' for ink.
TGlyph ParseGlyph(char32_t code, std::string_view art) {
    TGlyph glyph;
    glyph.Code = code;
    int row = TopRow, column = 0;
    for (const char c : art) {
        if (c == '|') {
            ++row;
            column = 0;
            continue;
        }
        if (row < GridRows && column < MaxGlyphWidth) glyph.Ink[row][column] = c == '#';
        ++column;
        glyph.Width = std::max(glyph.Width, column);
    }
    glyph.Width = std::min(glyph.Width, MaxGlyphWidth);
    return glyph;
}

// Whether the glyph reaches above the small letters' top (a capital, or b d f h k l t).
bool ReachesUp(const TGlyph& glyph) {
    for (int row = TopRow; row < TopRow + 2; ++row)
        for (const bool ink : glyph.Ink[row])
            if (ink) return true;
    return false;
}

TGlyph WithAccent(char32_t code, const TGlyph& base, std::string_view accent) {
    TGlyph glyph = base;
    glyph.Code = code;
    // Two rows: over a capital or a tall small letter above it, over a small letter in its
    // ascender rows, under the base line for cedillas.
    const bool below = accent.front() == 'v';
    if (below) accent.remove_prefix(1);
    int width = 0;
    for (std::size_t k = 0; k < accent.size() && accent[k] != '|'; ++k)
        width = int(k) + 1;
    const int first = below ? BaseRow : ReachesUp(base) ? 0 : TopRow;
    const int offset = (base.Width - width) / 2;
    int row = first, column = 0;
    for (const char c : accent) {
        if (c == '|') {
            ++row;
            column = 0;
            continue;
        }
        const int x = column + offset;
        if (c == '#' && row < GridRows && x >= 0 && x < glyph.Width) {
            // Over a small letter the accent takes the rows of the letter's dot or ascender.
            if (!below && first == TopRow)
                for (int r = TopRow; r < TopRow + 2; ++r)
                    glyph.Ink[r][x] = false;
            glyph.Ink[row][x] = true;
        }
        ++column;
    }
    return glyph;
}

struct TFont {
    std::vector<TGlyph> Glyphs;    // cell order
    std::map<char32_t, int> Cells; // code point -> cell
    TGlyphAtlas Atlas;
    int Question = 0;
};

TFont MakeFont() {
    TFont font;
    auto add = [&](const TGlyph& glyph) {
        font.Cells[glyph.Code] = int(font.Glyphs.size());
        font.Glyphs.push_back(glyph);
    };
    for (const TGlyphArt& art : GlyphArt())
        add(ParseGlyph(art.Code, art.Rows));
    for (const TGlyphAlias& alias : GlyphAliases()) {
        const auto it = font.Cells.find(alias.Base);
        if (it != font.Cells.end()) font.Cells[alias.Code] = it->second;
    }
    for (const TAccented& accented : AccentedLetters()) {
        const auto it = font.Cells.find(accented.Base);
        if (it == font.Cells.end()) continue;
        if (accented.Accent.empty())
            font.Cells[accented.Code] = it->second;
        else
            add(WithAccent(accented.Code, font.Glyphs[std::size_t(it->second)], accented.Accent));
    }
    font.Question = font.Cells.at(U'?');

    TGlyphAtlas& atlas = font.Atlas;
    const int rows = (int(font.Glyphs.size()) + CellsAcross - 1) / CellsAcross;
    atlas.Width = CellsAcross * CellWidth;
    atlas.Height = CellHeight;
    while (atlas.Height < rows * CellHeight)
        atlas.Height *= 2;
    atlas.Rgba.assign(std::size_t(atlas.Width) * std::size_t(atlas.Height) * 4, 0);
    for (std::size_t n = 0; n < font.Glyphs.size(); ++n) {
        const TGlyph& glyph = font.Glyphs[n];
        const int cellX = int(n % CellsAcross) * CellWidth + PadX;
        const int cellY = int(n / CellsAcross) * CellHeight + PadY;
        for (int row = 0; row < GridRows; ++row)
            for (int column = 0; column < glyph.Width; ++column) {
                if (!glyph.Ink[row][column]) continue;
                for (int dy = 0; dy < Scale; ++dy)
                    for (int dx = 0; dx < Scale; ++dx) {
                        const std::size_t at =
                            (std::size_t(cellY + row * Scale + dy) * std::size_t(atlas.Width) +
                             std::size_t(cellX + column * Scale + dx)) *
                            4;
                        atlas.Rgba[at] = atlas.Rgba[at + 1] = atlas.Rgba[at + 2] = 255;
                        atlas.Rgba[at + 3] = 255;
                    }
            }
    }
    return font;
}

const TFont& Font() {
    static const TFont font = MakeFont();
    return font;
}

int CellOf(char32_t code) {
    const TFont& font = Font();
    const auto it = font.Cells.find(code);
    return it == font.Cells.end() ? font.Question : it->second;
}

} // namespace

std::u32string DecodeLookText(std::string_view text) {
    std::u32string out;
    std::size_t k = 0;
    while (k < text.size()) {
        const auto lead = std::uint8_t(text[k]);
        int more = lead < 0x80             ? 0
                   : (lead & 0xE0) == 0xC0 ? 1
                   : (lead & 0xF0) == 0xE0 ? 2
                   : (lead & 0xF8) == 0xF0 ? 3
                                           : -1;
        char32_t code = more == 0   ? lead
                        : more == 1 ? lead & 0x1F
                        : more == 2 ? lead & 0x0F
                                    : lead & 0x07;
        bool sound = more >= 0 && k + std::size_t(more) < text.size();
        for (int m = 1; sound && m <= more; ++m) {
            const auto next = std::uint8_t(text[k + std::size_t(m)]);
            if ((next & 0xC0) != 0x80) sound = false;
            code = (code << 6) | (next & 0x3F);
        }
        if (!sound) {
            out.push_back(U'?');
            ++k;
            continue;
        }
        out.push_back(code);
        k += std::size_t(more) + 1;
    }
    return out;
}

bool LookFontHas(char32_t code) {
    return Font().Cells.count(code) != 0;
}

char32_t LookGlyphOf(char32_t code) {
    return Font().Glyphs[std::size_t(CellOf(code))].Code;
}

const TGlyphAtlas& LookGlyphAtlas() {
    return Font().Atlas;
}

char32_t LookGlyphAt(float u, float v) {
    const TFont& font = Font();
    const int x = int(std::floor(u * float(font.Atlas.Width)));
    const int y = int(std::floor(v * float(font.Atlas.Height)));
    if (x < 0 || y < 0 || x >= font.Atlas.Width || y >= font.Atlas.Height) return 0;
    const std::size_t cell = std::size_t(y / CellHeight * CellsAcross + x / CellWidth);
    return cell < font.Glyphs.size() ? font.Glyphs[cell].Code : 0;
}

double LookTextWidth(std::string_view text, double height) {
    const TFont& font = Font();
    const double pixel = height / (BaseRow - TopRow);
    int pixels = 0;
    for (const char32_t code : DecodeLookText(text))
        pixels += font.Glyphs[std::size_t(CellOf(code))].Width + 1;
    return pixels > 0 ? (pixels - 1) * pixel : 0;
}

double AddLookText(TLookMesh& out, bool shining, std::string_view text, const float origin[3],
                   const float right[3], const float up[3], double height, TLookColour colour) {
    const TFont& font = Font();
    std::vector<TLookVertex>& list = shining ? out.Shining[GlyphTexture] : out.Solid[GlyphTexture];
    const double pixel = height / (BaseRow - TopRow);
    const double bottom = -(GridRows - BaseRow) * pixel, top = BaseRow * pixel;
    const float width = float(font.Atlas.Width), imageHeight = float(font.Atlas.Height);
    double pen = 0;
    int pixels = 0;
    for (const char32_t code : DecodeLookText(text)) {
        const int cell = CellOf(code);
        const TGlyph& glyph = font.Glyphs[std::size_t(cell)];
        const double w = glyph.Width * pixel;
        const float u0 = float((cell % CellsAcross) * CellWidth + PadX) / width;
        const float u1 = u0 + float(glyph.Width * Scale) / width;
        const float v0 = float((cell / CellsAcross) * CellHeight + PadY) / imageHeight;
        const float v1 = v0 + float(GridRows * Scale) / imageHeight;
        auto at = [&](double along, double rise, float u, float v) {
            TLookVertex vertex{};
            vertex.X = float(origin[0] + along * right[0] + rise * up[0]);
            vertex.Y = float(origin[1] + along * right[1] + rise * up[1]);
            vertex.Z = float(origin[2] + along * right[2] + rise * up[2]);
            vertex.U = u;
            vertex.V = v;
            vertex.R = colour.R;
            vertex.G = colour.G;
            vertex.B = colour.B;
            vertex.A = 255;
            return vertex;
        };
        // The image's first row is the glyph's top (v0).
        const TLookVertex a = at(pen, bottom, u0, v1), b = at(pen + w, bottom, u1, v1),
                          c = at(pen + w, top, u1, v0), d = at(pen, top, u0, v0);
        list.insert(list.end(), {a, b, c, a, c, d});
        pen += (glyph.Width + 1) * pixel;
        pixels += glyph.Width + 1;
    }
    return pixels > 0 ? (pixels - 1) * pixel : 0;
}

TGlyphAtlas MakeGlowImage(int size) {
    TGlyphAtlas image;
    size = std::max(size, 2);
    image.Width = image.Height = size;
    image.Rgba.assign(std::size_t(size) * std::size_t(size) * 4, 255);
    const double middle = (size - 1) / 2.0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double r = std::hypot(x - middle, y - middle) / (size / 2.0);
            // Bright in the middle, falling smoothly to nothing at the rim.
            const double fall = std::clamp(1 - r, 0.0, 1.0);
            image.Rgba[(std::size_t(y) * std::size_t(size) + std::size_t(x)) * 4 + 3] =
                std::uint8_t(std::lround(255 * fall * fall));
        }
    return image;
}

} // namespace vell
