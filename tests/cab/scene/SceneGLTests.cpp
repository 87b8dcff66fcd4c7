// Frames of the cab view drawn by OpenGL from a fixed eye on small maps and read back: the
// pixels of a wall and of a tram by day and by night, and the depth test between them.
#include "model/RouteTable.h"
#include "tests/cab/scene/OffscreenGL.h"
#include "tests/cab/scene/SceneTestSupport.h"
#include "tests/support/TestMaps.h"

#include <QGuiApplication>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vell::test {
namespace {

constexpr int Width = 640, Height = 480;

// Colours read back may differ from the exact value by the framebuffer's rounding.
::testing::AssertionResult PixelIs(const QImage& image, double wx, double wy, int r, int g, int b) {
    const int x = int(std::lround(wx)), y = Height - 1 - int(std::lround(wy));
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return ::testing::AssertionFailure() << "pixel " << x << ", " << y << " off the frame";
    const QColor c = image.pixelColor(x, y);
    if (std::abs(c.red() - r) <= 2 && std::abs(c.green() - g) <= 2 && std::abs(c.blue() - b) <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "pixel " << x << ", " << y << " is (" << c.red() << ", " << c.green() << ", "
           << c.blue() << "), not (" << r << ", " << g << ", " << b << ")";
}

class SceneGL : public ::testing::Test, public TSceneFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Gl.Ok()) << Gl.Error();
        SetUpCabContext(Width, Height, 1);
    }

    QImage Frame() {
        if (!World) World = std::make_unique<TWorld>(*Map, Random);
        DrawCabFrame(*Map, *World, Random, View, Lists);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return Gl.Grab();
    }
    ::testing::AssertionResult At(const QImage& image, double x, double y, double z, int r, int g,
                                  int b) {
        double wx, wy;
        if (!ProjectMapPoint(View, x, y, z, wx, wy))
            return ::testing::AssertionFailure() << "the point is not in view";
        return PixelIs(image, wx, wy, r, g, b);
    }

    // A one-car tram of route 1 heading east along y = 100 from x = 120: its centre at x = 123.8,
    // its front at x = 128.8, its left side at y = 98.8.
    TVell& AddTram(std::uint32_t colour) {
        const std::vector<int> ring = AddRing(*Map, 100, 100, 1100, 300, 10);
        SetRoute(*Map, 0, 0, {ring[0], ring[13]}, 1, 10);
        SelectMap(*Map);
        World = std::make_unique<TWorld>(*Map, Random);
        World->StartWorld();
        World->VellTable[0] = std::make_unique<TVell>(*World);
        TVell& tram = *World->VellTable[0];
        tram.Create(0, 0);
        tram.Active = true;
        tram.Colour = colour;
        World->VellCount = 1;
        return tram;
    }

    // The sky's gradient: no scene colour at all.
    ::testing::AssertionResult IsSky(const QImage& image, double x, double y, double z) {
        double wx, wy;
        if (!ProjectMapPoint(View, x, y, z, wx, wy))
            return ::testing::AssertionFailure() << "the point is not in view";
        const QColor c = image.pixelColor(int(std::lround(wx)), Height - 1 - int(std::lround(wy)));
        const double light = View.DayLight;
        if (std::abs(c.red() - 51 * light) <= 2 && c.green() > 127 * light &&
            c.blue() > 178 * light)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "(" << c.red() << ", " << c.green() << ", " << c.blue() << ") is not the sky";
    }

    TOffscreenGL Gl{Width, Height};
};

TEST_F(SceneGL, AWallAheadShowsItsColourDimmedByTheDayLight) {
    const int wall = AddObject(*Map, Wall, 980, 980, 1020, 980);
    Map->Objects[wall].Red = 200;
    Map->Objects[wall].Green = 100;
    Map->Objects[wall].Blue = 50;
    QImage day = Frame();
    EXPECT_TRUE(PixelIs(day, Width / 2.0, Height / 2.0, 200, 100, 50));
    EXPECT_TRUE(At(day, 1000, 980, 4.5, 200, 100, 50));
    // Above the wall the sky, below the horizon beside it the black ground.
    EXPECT_TRUE(IsSky(day, 1000, 980, 6));
    EXPECT_TRUE(At(day, 1025, 980, 0.5, 0, 0, 0));
    View.DayLight = 0.5;
    EXPECT_TRUE(PixelIs(Frame(), Width / 2.0, Height / 2.0, 100, 50, 25));
}

TEST_F(SceneGL, ATramsSideShowsItsColourWindowsAndRoof) {
    AddTram(0x3060C0); // red 0xC0, green 0x60, blue 0x30
    View.CamX = 124;
    View.CamY = 85;
    View.CamHeading = std::numbers::pi; // looking south at the tram's left side
    QImage image = Frame();
    EXPECT_TRUE(At(image, 122, 98.8, 0.7, 0xC0, 0x60, 0x30));
    EXPECT_TRUE(At(image, 122, 98.8, 2.0, 51, 51, 51));     // glass
    EXPECT_TRUE(At(image, 122, 98.8, 2.85, 255, 255, 255)); // roof band
    // Nothing of the tram reaches past its ends.
    EXPECT_TRUE(At(image, 129.5, 98.8, 0.7, 0, 0, 0));
}

TEST_F(SceneGL, HeadLampsStayBrightAtNight) {
    AddTram(0x3060C0);
    View.CamX = 150;
    View.CamY = 100;
    View.CamHeading = -std::numbers::pi / 2; // looking west at the front
    View.DayLight = 0.1;
    QImage image = Frame();
    // The head lamps at the front's two outer corners.
    EXPECT_TRUE(At(image, 128.8, 100.55, 0.4, 255, 255, 0));
    EXPECT_TRUE(At(image, 128.8, 99.45, 0.4, 255, 255, 0));
    EXPECT_TRUE(At(image, 128.8, 100, 0.5, 19, 10, 5)); // the body between them, dimmed
    EXPECT_TRUE(At(image, 128.8, 100, 2.0, 5, 5, 5));   // the windscreen
}

TEST_F(SceneGL, AWallBeforeATramHidesIt) {
    AddTram(0x3060C0);
    const int wall = AddObject(*Map, Wall, 110, 92, 140, 92);
    Map->Objects[wall].Red = 10;
    Map->Objects[wall].Green = 200;
    Map->Objects[wall].Blue = 10;
    View.CamX = 123;
    View.CamY = 70;
    View.CamHeading = std::numbers::pi;
    // The wall's quad is drawn before the tram's: only the depth test keeps it in front.
    QImage image = Frame();
    EXPECT_TRUE(At(image, 122, 98.8, 0.7, 10, 200, 10));
    EXPECT_TRUE(At(image, 122, 98.8, 2.85, 10, 200, 10));
    EXPECT_TRUE(IsSky(image, 122, 92, 5.5));
}

TEST_F(SceneGL, TheFrameLeavesTheColourAndMatrixAsTheyWere) {
    AddObject(*Map, Wall, 980, 980, 1020, 980);
    glColor3f(0.25f, 0.5f, 0.75f);
    GLdouble before[16], after[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, before);
    RenderScene(*Map, TWorld(*Map, Random), Random, View);
    glGetDoublev(GL_MODELVIEW_MATRIX, after);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.25f);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(before[k], after[k]);
    GLboolean vertexArray = GL_TRUE;
    glGetBooleanv(GL_VERTEX_ARRAY, &vertexArray);
    EXPECT_EQ(vertexArray, GL_FALSE);
}

} // namespace
} // namespace vell::test

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
