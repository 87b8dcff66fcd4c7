// Frames of the detailed look drawn by OpenGL on the test city and read back: drawn without
// errors by day and by night, the ground, a facade and lit windows where they belong, the
// context left as it was, and the tiles not built again from frame to frame.
#include "cab/look/LookParts.h"
#include "model/Random.h"
#include "sim/World.h"
#include "tests/cab/scene/LookTestCity.h"
#include "tests/cab/scene/OffscreenGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

constexpr int Width = 640, Height = 480;

class LookGL : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Gl.Ok()) << Gl.Error();
        SetUpCabContext(Width, Height, 1);
        City.Map->Extras.Look = City.Look;
        World = std::make_unique<TWorld>(*City.Map, Random);
        // In the street west of the shop house, looking north at its south wall.
        View.CamX = 115;
        View.CamY = 500;
        View.CamHeading = 0;
    }
    QImage Frame(double hours) {
        TLookLight light = LookLightAt(hours);
        View.DayLight = light.DayLight;
        DrawLookFrame(*City.Map, *World, Random, View, light, Renderer);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return Gl.Grab();
    }

    TOffscreenGL Gl{Width, Height};
    TLookTestCity City;
    TRandom Random{5};
    std::unique_ptr<TWorld> World;
    TSceneView View;
    TLookRenderer Renderer;
};

// Pixels of a warm lamp's colour: lit windows.
int LitPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 220 && c.green() > 170 && c.blue() < 170) ++count;
        }
    return count;
}

TEST_F(LookGL, ADetailedFrameDrawsTheStreetAndTheFacadeByDayAndLitWindowsByNight) {
    const QImage day = Frame(11);
    // Ahead and above the eye the shop house's wall, in its colour (220, 200, 160) shaded
    // between its windows: not the sky's blue, not black.
    int wall = 0, all = 0;
    for (int y = 120; y < 230; y += 2)
        for (int x = 220; x < 420; x += 2) {
            const QColor c = day.pixelColor(x, y);
            ++all;
            if (c.red() > 120 && c.red() >= c.blue() + 20) ++wall;
        }
    EXPECT_GT(wall, all / 3);
    // Below the eye the street: grey, never the classic look's black ground.
    const QColor street = day.pixelColor(Width / 2, Height - 5);
    EXPECT_GT(street.red() + street.green() + street.blue(), 90);
    EXPECT_EQ(LitPixels(day), 0);

    const QImage night = Frame(23);
    const QColor dark = night.pixelColor(Width / 2, Height - 5);
    EXPECT_LT(dark.red() + dark.green() + dark.blue(),
              street.red() + street.green() + street.blue());
    EXPECT_GT(LitPixels(night), 20);
}

TEST_F(LookGL, AFrameLeavesTheContextAsItWasAndBuildsItsTilesOnce) {
    Frame(11);
    const int built = Renderer.City.Builds();
    EXPECT_GT(built, 0);
    EXPECT_GT(Renderer.TilesDrawn, 0);
    Frame(11.02);
    View.CamHeading = 3; // looking south: other tiles come into view, the seen ones stay
    Frame(11.04);
    const int turned = Renderer.City.Builds();
    View.CamHeading = 0;
    Frame(11.06);
    EXPECT_EQ(Renderer.City.Builds(), turned);
    EXPECT_GE(turned, built);

    // The scene alone, as the cab calls it under its eye matrix.
    glColor3f(0.25f, 0.5f, 0.75f);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    Renderer.Render(*City.Map, City.Look, *World, Random, View, LookLightAt(23));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(before[k], after[k]);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean writes = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
    EXPECT_EQ(writes, GL_TRUE);
    GLboolean vertexArray = GL_TRUE;
    glGetBooleanv(GL_VERTEX_ARRAY, &vertexArray);
    EXPECT_EQ(vertexArray, GL_FALSE);
}

// The stop's name on its sign, seen from 3 m in front of it: dark blue letters on the white board,
// cut out of their cells (a board wholly blue, or wholly white, would mean the font's texture or
// its cut-out failed).
TEST_F(LookGL, AStopSignShowsItsNameInLetters) {
    TLookStop stop;
    stop.Name = "Hlavní nádraží";
    stop.At = {135, 470};
    City.Look.Stops = {stop};
    City.Map->Extras.Look = City.Look;
    TLookMesh parts;
    BuildTileParts(*City.Map, City.Look, {0, 0, 10000, 10000}, LookLightAt(11), parts);
    const std::vector<TLookVertex>& letters = parts.Solid[GlyphTexture];
    ASSERT_GE(letters.size(), 3u) << "the sign has no letters";
    double cx = 0, cy = 0;
    for (const TLookVertex& v : letters)
        cx += v.X, cy += -v.Y;
    cx /= double(letters.size()), cy /= double(letters.size());
    // The face's normal on the map, from the first letter's winding (outwards).
    const TLookVertex &a = letters[0], &b = letters[1], &c = letters[2];
    const double ux = b.X - a.X, uy = b.Y - a.Y, uz = b.Z - a.Z;
    const double wx = c.X - a.X, wy = c.Y - a.Y, wz = c.Z - a.Z;
    double nx = uy * wz - uz * wy, ny = -(uz * wx - ux * wz);
    const double length = std::hypot(nx, ny);
    ASSERT_GT(length, 0);
    nx /= length, ny /= length;
    View.CamX = cx + 3 * nx;
    View.CamY = cy + 3 * ny;
    View.CamHeading = std::atan2(-nx, ny); // looking along -n
    const QImage day = Frame(11);
    int blue = 0, white = 0;
    for (int y = Height / 2 - 60; y < Height / 2 + 60; ++y)
        for (int x = Width / 2 - 200; x < Width / 2 + 200; ++x) {
            const QColor p = day.pixelColor(x, y);
            // the letters' ink, darker than any sky
            if (p.blue() > p.red() + 40 && p.red() < 90 && p.blue() < 150) ++blue;
            if (p.red() > 180 && p.green() > 180 && p.blue() > 180) ++white;
        }
    EXPECT_GT(blue, 200);
    EXPECT_GT(white, blue);
}

TEST_F(LookGL, AMapWithoutLookDataDrawsInTheDetailedLook) {
    City.Map->Extras.Look = {};
    const QImage day = Frame(11);
    const QColor ground = day.pixelColor(Width / 2, Height - 5);
    EXPECT_GT(ground.red() + ground.green() + ground.blue(), 90);
    EXPECT_GT(Renderer.TilesDrawn, 0);
}

} // namespace
} // namespace vell::test
