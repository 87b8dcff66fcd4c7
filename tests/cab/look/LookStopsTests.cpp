// Stops on a plain double line: a mapped platform outline is raised whole, a stop whose sign
// stands between the two tracks gets no platform over the other track, and nothing stands in
// either track.
#include "cab/look/LookParts.h"
#include "tests/cab/look/LookCheck.h"
#include "tests/cab/look/LookTextReader.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

// A double line along y = 1000 from x = 900 to 1100: eastbound at y = 1001.5, westbound at 998.5.
class LookStops : public ::testing::Test {
  protected:
    void SetUp() override {
        Map = NewMap();
        AddRail(*Map, 900, 1002, 1100, 1002);
        AddRail(*Map, 1100, 999, 900, 999);
    }
    TLookMesh Build(const TCityLook& look, bool night = false) {
        TLookLight light;
        light.Night = night;
        TLookMesh mesh;
        BuildTileParts(*Map, look, {800, 800, 1200, 1200}, light, mesh);
        return mesh;
    }
    std::unique_ptr<TMap> Map;
};

double PlatformArea(const TLookMesh& mesh) {
    double area = 0;
    const auto& list = mesh.Solid[PavementTexture];
    for (std::size_t k = 0; k + 3 <= list.size(); k += 3) {
        const TLookVertex &a = list[k], &b = list[k + 1], &c = list[k + 2];
        EXPECT_FLOAT_EQ(a.Z, 0.25f);
        area += ((b.X - a.X) * (c.Y - a.Y) - (b.Y - a.Y) * (c.X - a.X)) / 2;
    }
    return area;
}

// An L-shaped outline south of the line: the platform's top is the whole L, counter-clockwise
// seen from above, with its name on a sign and a shelter that keep out of the track.
TEST_F(LookStops, MappedOutlineIsRaisedWhole) {
    TCityLook look;
    look.Stops.push_back({"Trindade",
                          {1000, 1005},
                          {{980, 1003.6f},
                           {1020, 1003.6f},
                           {1020, 1006.6f},
                           {990, 1006.6f},
                           {990, 1016.6f},
                           {980, 1016.6f}}});
    const TLookMesh mesh = Build(look);
    EXPECT_NEAR(PlatformArea(mesh), 40 * 3 + 10 * 10, 0.01);
    const TRailCells rails(*Map);
    const TIntrusions found = Intrusions(mesh, rails);
    EXPECT_EQ(found.Count, 0) << found.First;
    const auto texts = ReadLookTexts(mesh.Solid[GlyphTexture]);
    ASSERT_EQ(texts.size(), 2u); // both faces of the sign
    EXPECT_TRUE(texts[0].Text == AsDrawn("Trindade"));
    EXPECT_TRUE(texts[1].Text == AsDrawn("Trindade"));
    // Each face reads left to right from its own side, the letters not mirrored.
    const bool firstNorth = texts[0].Y > texts[1].Y; // OpenGL's y is the map's north
    EXPECT_TRUE(texts[0].ReadsFrom(0, firstNorth ? 1 : -1));
    EXPECT_TRUE(texts[1].ReadsFrom(0, firstNorth ? -1 : 1));
    // The shelter's roof stands on the platform.
    int roof = 0;
    for (const TLookVertex& v : mesh.Solid[NoTexture])
        if (std::fabs(v.Z - 2.58f) < 1e-4f) {
            ++roof;
            EXPECT_GT(-v.Y, 1003.6f);
            EXPECT_LT(-v.Y, 1016.6f);
        }
    EXPECT_GT(roof, 0);
}

// A sign mapped on the line's middle, between the tracks: a platform there would lie on the
// other track, so none is made; the shelter and the sign find room outside the tracks.
TEST_F(LookStops, NoPlatformOverTheOtherTrack) {
    TCityLook look;
    look.Stops.push_back({"Náměstí Míru", {1000, 1000.5f}, {}});
    const TLookMesh mesh = Build(look, true);
    const TRailCells rails(*Map);
    for (const TLookVertex& v : mesh.Solid[PavementTexture])
        EXPECT_GE(rails.Nearest(v.X, -v.Y), 1.45) << v.X << ", " << -v.Y;
    const TIntrusions found = Intrusions(mesh, rails);
    EXPECT_EQ(found.Count, 0) << found.First;
    EXPECT_EQ(ReadLookTexts(mesh.Shining[GlyphTexture]).size(), 2u);
}

// A sign beside the track with no outline gets a platform 2.5 m wide on its side, from 1.5 m
// off the track's centre line.
TEST_F(LookStops, SignBesideTheTrackGetsASmallPlatform) {
    TCityLook look;
    look.Stops.push_back({"São Bento", {1000, 1004}, {}});
    const TLookMesh mesh = Build(look);
    EXPECT_NEAR(PlatformArea(mesh), 16 * 2.5, 0.01);
    for (const TLookVertex& v : mesh.Solid[PavementTexture]) {
        EXPECT_GE(-v.Y, 1003.5 - 1e-3);
        EXPECT_LE(-v.Y, 1006 + 1e-3);
    }
    const TIntrusions found = Intrusions(mesh, TRailCells(*Map));
    EXPECT_EQ(found.Count, 0) << found.First;
}

// Without a track near it a stop still gets its sign, and no stop outside the tile is built.
TEST_F(LookStops, StopFarFromTrackAndStopOutsideTheTile) {
    TCityLook look;
    look.Stops.push_back({"Odeonsplatz", {850, 1150}, {}});
    look.Stops.push_back({"Elsewhere", {5000, 5000}, {}});
    const TLookMesh mesh = Build(look);
    const auto texts = ReadLookTexts(mesh.Solid[GlyphTexture]);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_TRUE(texts[0].Text == AsDrawn("Odeonsplatz"));
}

// A line of two 200 m rails with a span across it every 35 m, built in tiles of 50 m: the wire
// is held up at every span, however far along its rail from the tile the rail starts in.
TEST_F(LookStops, ContactWireIsHeldAtEverySpanWhateverTheTile) {
    std::vector<double> spans;
    for (int x = 917; x < 1100; x += 35) {
        const int arch = AddObject(*Map, Arch, x, 995, x, 1006);
        Map->Objects[std::size_t(arch)].SetStartGrab(true);
        Map->Objects[std::size_t(arch)].SetEndGrab(true);
        spans.push_back(x);
    }
    TLookMesh mesh;
    for (float x = 850; x < 1150; x += 50)
        for (float y = 950; y < 1050; y += 50)
            BuildTileParts(*Map, {}, {x, y, x + 50, y + 50}, TLookLight{}, mesh);
    for (const double line : {1002.0, 999.0})
        for (const double x : spans) {
            // The wire's own pieces, not the droppers down to it.
            float highest = 0;
            for (std::size_t k = 0; k + 2 <= mesh.Lines.size(); k += 2)
                for (const TLookVertex& v : {mesh.Lines[k], mesh.Lines[k + 1]})
                    if (std::fabs(mesh.Lines[k].Z - mesh.Lines[k + 1].Z) < 0.3f &&
                        std::fabs(-v.Y - line) < 0.01 && std::fabs(v.X - x) < 1.6)
                        highest = std::max(highest, v.Z);
            EXPECT_GT(highest, 5.55f) << "span at x = " << x << " over y = " << line;
        }
    // Poles stand at the legs, clear of the track.
    const TIntrusions found = Intrusions(mesh, TRailCells(*Map));
    EXPECT_EQ(found.Count, 0) << found.First;
}

} // namespace
} // namespace vell::test
