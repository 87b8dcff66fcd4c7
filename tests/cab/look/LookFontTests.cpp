// The detailed look's font: it draws the names of the stops of real cities, its glyphs are of
// sane widths and padded in their image, and a text laid out reads back as written.
#include "cab/look/LookParts.h"
#include "import/OsmRead.h"
#include "tests/cab/look/LookTextReader.h"
#include "tests/import/OsmDataFolder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vell::test {
namespace {

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

// Every character of every stop name in the extracts of Prague, Porto and Munich has a glyph.
TEST(LookFont, DrawsEveryStopNameOfRealCities) {
    VELL_NEED_OSM_FOLDER();
    for (const char* file : {"prague_itinero.osm.pbf", "porto.osm.pbf", "munchen.osm.pbf"}) {
        SCOPED_TRACE(file);
        const import::TOsmExtract network =
            import::ReadTramNetwork(import::TOsmInput::File(import::test::OsmFile(file)));
        int named = 0;
        std::set<std::string> missing;
        for (const import::TOsmStop& stop : network.Stops) {
            if (stop.Name.empty()) continue;
            ++named;
            for (const char32_t c : DecodeLookText(stop.Name))
                if (!LookFontHas(c)) missing.insert(Utf8(c) + " in " + stop.Name);
        }
        EXPECT_GT(named, 10);
        for (const std::string& m : missing)
            ADD_FAILURE() << "no glyph for " << m;
    }
}

TEST(LookFont, DrawsCzechPortugueseGermanAndRussianNames) {
    for (const char* name :
         {"Náměstí Míru", "Čechovo náměstí", "Palmovka - Ďáblice, Řečkovice, Žižkov, Ůvoz",
          "São Bento", "Praça da Liberdade", "Infante, Passeio Alegre (Museu do Carro Eléctrico)",
          "Münchner Freiheit", "Großhesseloher Brücke", "Площадь Ленина", "Ёлочка, Щукинская",
          "ЁЖЗИЙЛПУФЦЧШЩЪЫЬЭЮЯ ёжзийлпуфцчшщъыьэюя", "0123456789 «№ 5» 3/4 -+.,:;!?'\"()"}) {
        SCOPED_TRACE(name);
        for (const char32_t c : DecodeLookText(name))
            EXPECT_TRUE(LookFontHas(c)) << Utf8(c);
    }
}

// A letter's width is one to six font pixels of the seven of a capital's height, and a text is
// as wide as its letters and the one-pixel gaps between them.
TEST(LookFont, GlyphWidthsAreSane) {
    std::u32string letters;
    for (char32_t c = U'A'; c <= U'Z'; ++c)
        letters += {c, char32_t(c + 32)};
    for (char32_t c = U'А'; c <= U'я'; ++c)
        letters += c;
    letters += U"0123456789ЁёßáčřžšůãõçéüöäŁł";
    const double height = 0.7, pixel = height / 7;
    for (const char32_t c : letters) {
        const double width = LookTextWidth(Utf8(c), height);
        EXPECT_GE(width, pixel - 1e-9) << Utf8(c);
        EXPECT_LE(width, 6 * pixel + 1e-9) << Utf8(c);
    }
    EXPECT_GT(LookTextWidth("W", height), LookTextWidth("i", height));
    EXPECT_GT(LookTextWidth("Щ", height), LookTextWidth("г", height));
    EXPECT_NEAR(LookTextWidth("Wi", height),
                LookTextWidth("W", height) + pixel + LookTextWidth("i", height), 1e-9);
    EXPECT_NEAR(LookTextWidth("Náměstí", 2 * height), 2 * LookTextWidth("Náměstí", height), 1e-9);
    EXPECT_EQ(LookTextWidth("", height), 0);
}

// Ink never comes within two pixels of a cell's edge, so a mipmap level's averaging of a glyph
// does not take in its neighbour; the image's sides are powers of two for OpenGL 1.
TEST(LookFont, GlyphCellsArePadded) {
    const TGlyphAtlas& atlas = LookGlyphAtlas();
    ASSERT_GT(atlas.Width, 0);
    ASSERT_GT(atlas.Height, 0);
    EXPECT_EQ(atlas.Width & (atlas.Width - 1), 0);
    EXPECT_EQ(atlas.Height & (atlas.Height - 1), 0);
    ASSERT_EQ(atlas.Rgba.size(), std::size_t(atlas.Width) * std::size_t(atlas.Height) * 4);
    // The cell of "W" measured from its glyph's texture points.
    TLookMesh mesh;
    const float origin[3] = {0, 0, 0}, right[3] = {1, 0, 0}, up[3] = {0, 0, 1};
    AddLookText(mesh, true, "W", origin, right, up, 1, {255, 255, 255});
    ASSERT_EQ(mesh.Shining[GlyphTexture].size(), 6u);
    int inked = 0, nearEdge = 0;
    for (int y = 0; y < atlas.Height; ++y)
        for (int x = 0; x < atlas.Width; ++x) {
            if (atlas.Rgba[(std::size_t(y) * std::size_t(atlas.Width) + std::size_t(x)) * 4 + 3] ==
                0)
                continue;
            ++inked;
            // Ink belongs to the cell whose glyph LookGlyphAt names; two pixels away in any
            // direction is still that cell.
            const auto at = [&](int px, int py) {
                return LookGlyphAt((float(px) + 0.5f) / float(atlas.Width),
                                   (float(py) + 0.5f) / float(atlas.Height));
            };
            const char32_t here = at(x, y);
            if (here == 0 || at(x - 2, y) != here || at(x + 2, y) != here || at(x, y - 2) != here ||
                at(x, y + 2) != here)
                ++nearEdge;
        }
    EXPECT_GT(inked, 1000);
    EXPECT_EQ(nearEdge, 0);
}

// A text reads back letter by letter from its triangles' texture points; a character the font
// lacks, or a broken byte, shows as "?".
TEST(LookFont, TextReadsBackAsWritten) {
    TLookMesh mesh;
    const float origin[3] = {10, -20, 2}, right[3] = {0, 1, 0}, up[3] = {0, 0, 1};
    const std::string name = "Hlavní nádraží – Площадь Ёлочка";
    const double width = AddLookText(mesh, false, name, origin, right, up, 0.2, {1, 2, 3});
    EXPECT_TRUE(mesh.Shining[GlyphTexture].empty());
    const std::vector<TLookVertex>& glyphs = mesh.Solid[GlyphTexture];
    ASSERT_EQ(glyphs.size(), 6 * DecodeLookText(name).size());
    EXPECT_NEAR(width, LookTextWidth(name, 0.2), 1e-6);
    const auto texts = ReadLookTexts(glyphs);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0].Text == AsDrawn(name));
    EXPECT_EQ(AsDrawn("Ё")[0], LookGlyphOf(U'Ё'));
    EXPECT_NE(LookGlyphOf(U'Ё'), LookGlyphOf(U'E'));
    EXPECT_EQ(LookGlyphOf(U'А'), U'A');
    // Along `right` from the origin, standing on the base line along `up`.
    float least = 1e9f, most = -1e9f;
    for (const TLookVertex& v : glyphs) {
        EXPECT_FLOAT_EQ(v.X, 10);
        least = std::min(least, v.Y);
        most = std::max(most, v.Y);
        EXPECT_EQ(v.R, 1);
        EXPECT_EQ(v.A, 255);
    }
    EXPECT_NEAR(least, -20, 1e-5);
    EXPECT_NEAR(most, -20 + width, 1e-4);

    TLookMesh odd;
    AddLookText(odd, true, "\xE2\x98\x83x\xFF", origin, right, up, 0.2, {});
    const auto oddTexts = ReadLookTexts(odd.Shining[GlyphTexture]);
    ASSERT_EQ(oddTexts.size(), 1u);
    EXPECT_TRUE(oddTexts[0].Text == U"?x?");
    EXPECT_FALSE(LookFontHas(U'☃'));
}

TEST(LookFont, GlowImageFallsFromTheMiddle) {
    const TGlyphAtlas glow = MakeGlowImage(32);
    ASSERT_EQ(glow.Rgba.size(), 32u * 32u * 4u);
    auto alpha = [&](int x, int y) {
        return glow.Rgba[(std::size_t(y) * 32 + std::size_t(x)) * 4 + 3];
    };
    EXPECT_GT(alpha(16, 16), 200);
    EXPECT_GT(alpha(16, 16), alpha(16, 8));
    EXPECT_GT(alpha(16, 8), alpha(16, 2));
    EXPECT_EQ(alpha(0, 0), 0);
}

} // namespace
} // namespace vell::test
