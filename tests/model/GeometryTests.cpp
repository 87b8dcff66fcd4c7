// Geometry, the segment font, the random generator and rounding.
#include "model/Geometry.h"
#include "model/Random.h"
#include "model/Route.h"
#include "model/SegmentFont.h"
#include "model/Units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

TEST(Geometry, LengthsAndAngles) {
    const TMapObject east = MakeObject(Rail, 0, 0, 30, 40);
    EXPECT_DOUBLE_EQ(Length(east), 50.0);
    const TMapObject a = MakeObject(Rail, 0, 0, 10, 0);
    const TMapObject up = MakeObject(Rail, 10, 0, 10, -10);  // a left turn on the plan view
    const TMapObject down = MakeObject(Rail, 10, 0, 10, 10); // a right turn
    const TMapObject back = MakeObject(Rail, 10, 0, 0, 0);
    EXPECT_DOUBLE_EQ(CosAngle(a, up), 0.0);
    EXPECT_DOUBLE_EQ(CosAngle(a, back), -1.0);
    EXPECT_DOUBLE_EQ(HalfAngleCot(a, a), 0.0);
    EXPECT_DOUBLE_EQ(HalfAngleCot(a, back), 0.0);
    EXPECT_DOUBLE_EQ(HalfAngleCot(a, down), 1.0); // cot 45°, signed like cross
    EXPECT_DOUBLE_EQ(HalfAngleCot(a, up), -1.0);
    const TMapObject slight = MakeObject(Rail, 10, 0, 110, 10);
    const double theta = std::atan2(10.0, 100.0);
    EXPECT_NEAR(HalfAngleCot(a, slight), 1.0 / std::tan(theta / 2), 1e-9);
}

TEST(Geometry, DirectionProductsAreExactForLargeCoordinates) {
    const TMapObject a = MakeObject(Rail, -32768, -32768, 32767, 32767);
    EXPECT_EQ(Dot(a, a), 2LL * 65535 * 65535);
    EXPECT_EQ(Cross(a, MakeObject(Rail, 0, 0, 65535 / 5, 0)), -65535LL * (65535 / 5));
}

TEST(Geometry, PointSegmentDistances) {
    EXPECT_DOUBLE_EQ(PointSegmentDistSq(5, 3, 0, 0, 10, 0), 9.0);   // beside
    EXPECT_DOUBLE_EQ(PointSegmentDistSq(13, 4, 0, 0, 10, 0), 25.0); // beyond B
    EXPECT_DOUBLE_EQ(PointSegmentDistSq(-3, 4, 0, 0, 10, 0), 25.0); // before A
    EXPECT_DOUBLE_EQ(PointSegmentDistSq(10, 0, 0, 0, 10, 0), 0.0);
}

TEST(Geometry, SegmentDistances) {
    const TMapObject a = MakeObject(Rail, 0, 0, 10, 10);
    EXPECT_DOUBLE_EQ(SegmentDistSq(a, MakeObject(Rail, 0, 10, 10, 0)), 0.0); // an X
    EXPECT_DOUBLE_EQ(SegmentDistSq(MakeObject(Rail, 0, 0, 100, 0), MakeObject(Rail, 20, 3, 80, 3)),
                     9.0); // parallel and overlapping, 3 m apart
    EXPECT_DOUBLE_EQ(SegmentDistSq(MakeObject(Rail, 0, 0, 10, 0), MakeObject(Rail, 10, 0, 20, 5)),
                     0.0); // touching end points
    EXPECT_DOUBLE_EQ(SegmentDistSq(MakeObject(Rail, 0, 0, 10, 0), MakeObject(Rail, 5, 0, 5, 7)),
                     0.0); // T: an end on the other segment
    EXPECT_DOUBLE_EQ(SegmentDistSq(MakeObject(Rail, 0, 0, 10, 0), MakeObject(Rail, 14, 3, 30, 3)),
                     25.0);
    EXPECT_DOUBLE_EQ(SegmentDistSq(MakeObject(Rail, 0, 0, 10, 0), MakeObject(Rail, 20, 0, 30, 0)),
                     100.0); // collinear, apart
}

TEST(Geometry, Colours) {
    EXPECT_EQ(MakeColor(255, 0, 0), 255u);
    EXPECT_EQ(MakeColor(0, 0, 255), 16711680u);
    EXPECT_EQ(MakeColor(136, 136, 136), 0x888888u);
}

TEST(Rounding, HalvesGoToEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(218.48), 218);
    EXPECT_DOUBLE_EQ(TicksPerMinute, TicksPerSecond * 60);
}

TEST(RandomGenerator, FollowsTheLinearCongruentialSequence) {
    TRandom r(0);
    // state := state * 134775813 + 1 (mod 2^32), from 0.
    const std::uint32_t expected[] = {1u, 134775814u, 3698175007u, 870078620u};
    for (std::uint32_t e : expected) {
        const double real = r.Real();
        EXPECT_EQ(r.GetState(), e);
        EXPECT_DOUBLE_EQ(real, e / 4294967296.0);
    }
}

TEST(RandomGenerator, IntegersBelowNUseTheHighBits) {
    TRandom r(0);
    EXPECT_EQ(r.Below(10), 0);     // state 1
    EXPECT_EQ(r.Below(10), 0);     // 134775814 * 10 >> 32 = 0
    EXPECT_EQ(r.Below(10), 8);     // 3698175007 * 10 >> 32 = 8
    EXPECT_EQ(r.Below(1000), 202); // 870078620 * 1000 >> 32
    TRandom s(12345);
    for (int k = 0; k < 10000; ++k) {
        const int n = 1 + k % 97;
        const int v = s.Below(n);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, n);
    }
    const std::uint32_t before = s.GetState();
    EXPECT_EQ(s.Below(0), 0);
    EXPECT_NE(s.GetState(), before); // a draw is made either way
}

TEST(RandomGenerator, SameSeedRepeats) {
    TRandom a(777), b(777);
    for (int k = 0; k < 100; ++k)
        ASSERT_EQ(a.Below(1 << 30), b.Below(1 << 30));
}

TEST(SegmentFont, GlyphTable) {
    EXPECT_EQ(Glyphs[GlyphOf(U'8')].Mask, 0x7F);                // all seven, no tail
    EXPECT_EQ(Glyphs[GlyphOf(U'0')].Mask, 0x77);                // all but the middle bar
    EXPECT_EQ(Glyphs[GlyphOf(U'1')].Mask, (1 << 1) | (1 << 4)); // the two left-hand segments
    EXPECT_EQ(Glyphs[GlyphOf(U'6')].Mask & 1, 0);               // no top bar
    EXPECT_EQ(Glyphs[GlyphOf(U',')].Mask, 0x80);                // the tail alone
    EXPECT_EQ(Glyphs[GlyphOf(U'\'')].Mask, 0x02);               // upper left alone
    EXPECT_EQ(Glyphs[GlyphOf(U'Б')].Mask, 0x79);
    EXPECT_EQ(Glyphs[GlyphOf(U'1')].Width, 1);
    EXPECT_EQ(Glyphs[GlyphOf(U'0')].Width, 3);
    EXPECT_EQ(GlyphOf(U'x'), -1);
    for (int d = 0; d <= 9; ++d)
        EXPECT_EQ(GlyphOf(U'0' + d), d + 1);
}

TEST(SegmentFont, RouteSuffixNumberIsItsGlyph) {
    for (int j = 0; j < RouteColumns; ++j) {
        const std::string suffix = RouteSuffix(j);
        char32_t c = suffix.size() == 1 ? char32_t(suffix[0])
                                        : char32_t(((suffix[0] & 0x1F) << 6) | (suffix[1] & 0x3F));
        EXPECT_EQ(GlyphOf(c), j) << suffix;
    }
}

TEST(SegmentFont, SegmentsStayInsideTheCell) {
    for (const TFontSegment& s : FontSegments) {
        for (int x : {s.X1, s.X2})
            EXPECT_TRUE(x >= 0 && x <= 2);
        for (int y : {s.Y1, s.Y2})
            EXPECT_TRUE(y >= 0 && y <= 5);
        EXPECT_TRUE(s.X1 == s.X2 || s.Y1 == s.Y2);
    }
}

TEST(RouteNames, SlotsAreNamedDigitThenSuffix) {
    EXPECT_EQ(RouteName(0, 0), "1 ");
    EXPECT_EQ(RouteDisplayName(0, 0), "1");
    EXPECT_EQ(RouteName(0, 1), "10");
    EXPECT_EQ(RouteName(0, 10), "19");
    EXPECT_EQ(RouteName(0, 11), "1А");
    EXPECT_EQ(RouteName(8, 12), "9Б");
}

} // namespace
} // namespace vell::test
