// The cab gauges, the delay number and the background, checked as the vertices they hand to
// OpenGL; numbers are read back from their segments.
#include "cab/CabGauges.h"
#include "model/Units.h"
#include "tests/cab/CabTestWorld.h"
#include "tests/cab/GlyphReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vell {
namespace {

using test::ReadDigits;
using test::SegmentsNear;
using test::SegmentsOf;

constexpr double Pi = std::numbers::pi;
constexpr double Degree = Pi / 180;

double KmhToTicks(double kmh) {
    return kmh / 3.6 / TicksPerSecond;
}

struct TBox {
    double Left = 1e9, Right = -1e9, Bottom = 1e9, Top = -1e9;
};
TBox BoxOf(const std::vector<TPoint2>& points) {
    TBox b;
    for (const TPoint2& p : points) {
        b.Left = std::min(b.Left, p.X);
        b.Right = std::max(b.Right, p.X);
        b.Bottom = std::min(b.Bottom, p.Y);
        b.Top = std::max(b.Top, p.Y);
    }
    return b;
}

TEST(DrawNumber, WritesDigitsCentredOnThePoint) {
    for (auto [value, text] : {std::pair{0LL, "0"},
                               {7LL, "7"},
                               {1234LL, "1234"},
                               {9876543210LL, "9876543210"},
                               {100LL, "100"}}) {
        TShape lines;
        DrawNumber(lines, value, 0.3, -0.2);
        EXPECT_EQ(ReadDigits(SegmentsOf(lines.Points)), text);
        const TBox box = BoxOf(lines.Points);
        EXPECT_NEAR((box.Top + box.Bottom) / 2, -0.2, 1e-12) << text;
        EXPECT_NEAR(box.Top - box.Bottom, 0.04, 1e-12) << text;
        // Every digit but "1" reaches the right edge of its cell, so only the left edge of the
        // first cell and the right edge of the last give the centre.
        const double n = std::string(text).size();
        if (std::string(text).back() != '1') {
            EXPECT_NEAR(box.Left, 0.3 - (0.03 * (n - 1) + 0.02) / 2, 1e-12) << text;
            EXPECT_NEAR(box.Right, 0.3 + (0.03 * (n - 1) + 0.02) / 2, 1e-12) << text;
        }
    }
}

TEST(DrawNumber, TwoDigitsKeepTheLeadingZero) {
    for (auto [value, text] : {std::pair{0LL, "00"}, {5LL, "05"}, {59LL, "59"}, {123LL, "23"}}) {
        TShape lines;
        DrawTwoDigits(lines, value, -0.8, -0.9);
        EXPECT_EQ(ReadDigits(SegmentsOf(lines.Points)), text);
        const TBox box = BoxOf(lines.Points);
        EXPECT_NEAR(box.Left, -0.825, 1e-12) << text;
        EXPECT_NEAR((box.Top + box.Bottom) / 2, -0.9, 1e-12) << text;
    }
}

TEST(Speedometer, QuadraticUpToTwentyThenTwoDegreesPerKmh) {
    EXPECT_NEAR(SpeedNeedleAngleKmh(0), 195 * Degree, 1e-12);
    EXPECT_NEAR(SpeedNeedleAngleKmh(10), 187.5 * Degree, 1e-12);
    EXPECT_NEAR(SpeedNeedleAngleKmh(20), 165 * Degree, 1e-12);
    EXPECT_NEAR(SpeedNeedleAngleKmh(20.000001), 165 * Degree, 1e-6); // continuous
    EXPECT_NEAR(SpeedNeedleAngleKmh(40), 105 * Degree, 1e-12);
    EXPECT_NEAR(SpeedNeedleAngleKmh(60), 45 * Degree, 1e-12);
    EXPECT_NEAR(SpeedNeedleAngleKmh(80), -15 * Degree, 1e-12);
    EXPECT_NEAR(SpeedNeedleAngleKmh(90), -45 * Degree, 1e-12); // no stop beyond 80
}

struct TGaugeFixture : ::testing::Test {
    test::TCabWorld City;
    TVell& Tram = City.StartWithPlayer();
};

TEST_F(TGaugeFixture, SpeedNeedlePointsAtTheSpeed) {
    Tram.SpeedometerWorks = true;
    Tram.Speed = KmhToTicks(10);
    TShape needle = CabPanel(Tram).SpeedNeedle;
    ASSERT_EQ(needle.Kind, TPrimitive::Triangles);
    ASSERT_EQ(needle.Points.size(), 3u);
    EXPECT_EQ(needle.Colour, NeedleColour);
    // The tip at 0.95 of the radii from the dial's centre (-0.3, -0.5).
    const TPoint2 tip = needle.Points[0];
    EXPECT_NEAR(tip.X, -0.3 + 0.95 * 0.21 * std::cos(187.5 * Degree), 1e-12);
    EXPECT_NEAR(tip.Y, -0.5 + 0.95 * 0.28 * std::sin(187.5 * Degree), 1e-12);
    // The base corners 135 degrees either side, close to the centre.
    EXPECT_NEAR(needle.Points[1].X, -0.3 + 0.1 * 0.21 * std::cos(52.5 * Degree), 1e-12);
    EXPECT_NEAR(needle.Points[2].Y, -0.5 + 0.1 * 0.28 * std::sin(322.5 * Degree), 1e-12);

    Tram.Speed = KmhToTicks(90);
    needle = CabPanel(Tram).SpeedNeedle;
    EXPECT_NEAR(needle.Points[0].X, -0.3 + 0.95 * 0.21 * std::cos(-45 * Degree), 1e-12);
    EXPECT_NEAR(needle.Points[0].Y, -0.5 + 0.95 * 0.28 * std::sin(-45 * Degree), 1e-12);
}

TEST_F(TGaugeFixture, BrokenSpeedometerRestsAtZero) {
    Tram.SpeedometerWorks = false;
    for (double kmh : {0.0, 25.0, 60.0}) {
        Tram.Speed = KmhToTicks(kmh);
        EXPECT_DOUBLE_EQ(SpeedNeedleAngle(Tram), 3.4033920413889427);
        const TPoint2 tip = CabPanel(Tram).SpeedNeedle.Points[0];
        EXPECT_NEAR(tip.X, -0.3 + 0.95 * 0.21 * std::cos(195 * Degree), 1e-12);
    }
}

TEST_F(TGaugeFixture, SpeedDialIsAFullEllipseWithTicksAndLabels) {
    const TShape dial = CabPanel(Tram).SpeedDial;
    EXPECT_EQ(dial.Kind, TPrimitive::Lines);
    EXPECT_EQ(dial.Colour, White);
    const auto segments = SegmentsOf(dial.Points);
    // On the dial's own scale (radii 1), the rim and ticks lie from 0.8 outwards, labels inside.
    const auto fraction = [](TPoint2 p) {
        return std::hypot((p.X + 0.3) / 0.21, (p.Y + 0.5) / 0.28);
    };
    int rim = 0, longTicks = 0, shortTicks = 0;
    for (const auto& s : segments) {
        const double fa = fraction(s.A), fb = fraction(s.B);
        if (std::fabs(fa - 1) < 1e-9 && std::fabs(fb - 1) < 1e-9)
            ++rim;
        else if (std::fabs(std::min(fa, fb) - 0.8) < 1e-9)
            ++longTicks;
        else if (std::fabs(std::min(fa, fb) - 0.9) < 1e-9)
            ++shortTicks;
    }
    EXPECT_EQ(rim, 48);
    EXPECT_EQ(longTicks, 5);
    EXPECT_EQ(shortTicks, 10); // every 15 degrees between the labelled marks, down to -15
    // The labels at 0.6 of the radii, at 195, 165, 105, 45 and -15 degrees.
    const std::pair<double, const char*> labels[] = {
        {195, "0"}, {165, "20"}, {105, "40"}, {45, "60"}, {-15, "80"}};
    for (auto [degrees, text] : labels) {
        const double t = degrees * Degree;
        auto near = SegmentsNear(segments, -0.3 + 0.6 * 0.21 * std::cos(t),
                                 -0.5 + 0.6 * 0.28 * std::sin(t), 0.05);
        std::erase_if(near, [&](const test::TSegment& s) {
            return fraction(s.A) > 0.79 || fraction(s.B) > 0.79;
        });
        EXPECT_EQ(ReadDigits(near), text) << degrees;
    }
}

TEST_F(TGaugeFixture, ControllerNeedleFollowsTheCommand) {
    const TShape dial = CabPanel(Tram).ControllerDial;
    EXPECT_EQ(dial.Points.size(), 2u * (12 + 7)); // twelve rim pieces, seven ticks
    for (double command : {-1.0, 0.0, 0.5, 1.0, 1.4}) {
        Tram.Command = command;
        const TShape needle = CabPanel(Tram).ControllerNeedle;
        ASSERT_EQ(needle.Kind, TPrimitive::Quads);
        ASSERT_EQ(needle.Points.size(), 4u);
        const double t = command * 67.5 * Degree; // not clamped
        // The far end's middle lies at 1.1 radii along the needle.
        const double mx = (needle.Points[2].X + needle.Points[3].X) / 2;
        const double my = (needle.Points[2].Y + needle.Points[3].Y) / 2;
        EXPECT_NEAR(mx, -0.9 + 1.1 * 0.24 * std::cos(t), 1e-12) << command;
        EXPECT_NEAR(my, -0.5 + 1.1 * 0.32 * std::sin(t), 1e-12) << command;
        // The near end straddles the centre, 0.2 radii wide across.
        const double nx = (needle.Points[0].X + needle.Points[1].X) / 2;
        EXPECT_NEAR(nx, -0.9, 1e-12);
    }
}

TEST_F(TGaugeFixture, ClockShowsMinutesAndSecondsGreenEarlyRedLate) {
    struct TCase {
        double seconds;
        TRgb colour;
        const char *minutes, *secs;
    };
    for (const TCase& c :
         {TCase{-700, Red, "9", "59"}, TCase{65, Green, "1", "05"}, TCase{0, Green, "0", "00"},
          TCase{-1, Red, "0", "01"}, TCase{599, Green, "9", "59"}, TCase{5000, Green, "9", "59"}}) {
        Tram.Deviation = std::int32_t(std::lround(c.seconds * TicksPerSecond));
        const TShape clock = CabPanel(Tram).Clock;
        EXPECT_EQ(clock.Colour, c.colour) << c.seconds;
        auto segments = SegmentsOf(clock.Points);
        std::vector<test::TSegment> minutes, seconds;
        for (const auto& s : segments)
            (s.A.X < -0.85 ? minutes : seconds).push_back(s);
        EXPECT_EQ(ReadDigits(minutes), c.minutes) << c.seconds;
        EXPECT_EQ(ReadDigits(seconds), c.secs) << c.seconds;
    }
    EXPECT_EQ(ClockSeconds(std::int32_t(-700 * TicksPerSecond)), -599);
    EXPECT_EQ(ClockSeconds(1183), 65);
}

TEST_F(TGaugeFixture, StatusFrameLoadBarAndDoors) {
    Tram.RulesKept = true;
    Tram.OnRoute = true;
    Tram.Passengers = 35; // half of a one-car train's 70
    Tram.DoorOpening = 0;
    TCabPanel panel = CabPanel(Tram);
    EXPECT_EQ(panel.StatusFrame.Colour, Green);
    EXPECT_EQ(panel.StatusFrame.Kind, TPrimitive::LineStrip);
    EXPECT_EQ(panel.StatusFrame.Points.size(), 5u);
    EXPECT_EQ(panel.LoadBar.Colour, (TRgb{0.5, 0.5, 0}));
    EXPECT_NEAR(BoxOf(panel.LoadBar.Points).Right, 0.21 + 0.29, 1e-12);
    // Closed doors: one flat line across the frame's width with a gap in the middle.
    EXPECT_NEAR(BoxOf(panel.DoorLeft.Points).Top, -0.7, 1e-12);
    EXPECT_NEAR(BoxOf(panel.DoorLeft.Points).Right, 0.49, 1e-12);
    EXPECT_NEAR(BoxOf(panel.DoorRight.Points).Left, 0.51, 1e-12);

    Tram.RulesKept = false;
    Tram.Passengers = 70;
    Tram.DoorOpening = 0.6;
    panel = CabPanel(Tram);
    EXPECT_EQ(panel.StatusFrame.Colour, Red);
    EXPECT_EQ(panel.LoadBar.Colour, (TRgb{1, 0, 0}));
    // Open doors fold up toward the frame's ends.
    EXPECT_NEAR(BoxOf(panel.DoorLeft.Points).Top, -0.7 + 0.09, 1e-12);
    EXPECT_NEAR(BoxOf(panel.DoorLeft.Points).Right, 0.2 + 0.11, 1e-12);
    EXPECT_NEAR(BoxOf(panel.DoorRight.Points).Left, 0.51 + 0.18, 1e-12);

    // Over capacity the bar grows past the frame: nothing is limited.
    Tram.Passengers = 140;
    EXPECT_NEAR(BoxOf(CabPanel(Tram).LoadBar.Points).Right, 0.21 + 1.16, 1e-12);
}

TEST_F(TGaugeFixture, SwitchArrowShowsTheNextBranchWhileOnRoute) {
    Tram.OnRoute = true;
    TRouteRec& route = *Tram.Route;
    Tram.Front[0].SwitchNo = 3;
    route.Choices[3] = 1;
    std::optional<TShape> arrow = CabPanel(Tram).SwitchArrow;
    ASSERT_TRUE(arrow);
    EXPECT_EQ(arrow->Colour, Orange);
    EXPECT_EQ(arrow->Kind, TPrimitive::LineStrip);
    EXPECT_NEAR(BoxOf(arrow->Points).Right, -0.3 + 0.16, 1e-12); // right branch
    EXPECT_NEAR(BoxOf(arrow->Points).Left, -0.3, 1e-12);
    route.Choices[3] = 0;
    arrow = CabPanel(Tram).SwitchArrow;
    ASSERT_TRUE(arrow);
    EXPECT_NEAR(BoxOf(arrow->Points).Left, -0.3 - 0.16, 1e-12); // left branch

    // Off the route: a red frame and no arrow.
    Tram.OnRoute = false;
    const TCabPanel panel = CabPanel(Tram);
    EXPECT_FALSE(panel.SwitchArrow);
    EXPECT_EQ(panel.StatusFrame.Colour, Red);
    EXPECT_EQ(panel.InDrawOrder().size(), 9u);
}

// Full traction by hand down the 1 km straight of a ring whose rails allow 117 x 0.3 + 15 =
// 50.1 km/h: the speedometer shows 50 ahead; the figure turns red at 48 km/h, before the tram
// derails; braking, it stays red down to 47 and clears below; driven on, it is red at the crash.
TEST(LimitFigure, RedFromTheLimitLessTwoUntilBelowTheLimitLessThree) {
    test::TCabWorld city(117);
    TVell& tram = city.StartWithPlayer();
    tram.SpeedometerWorks = true;
    tram.AutoDrive = false;
    TLimitWarning warning;
    const auto frame = [&] {
        city.World->WorldStep();
        return LimitShown(*city.World, tram, warning);
    };
    const auto figure = [&](const std::optional<TLimitShown>& shown) {
        const std::optional<TShape> lines = CabPanel(tram, shown).LimitFigure;
        return lines ? ReadDigits(SegmentsOf(lines->Points)) : std::string("none");
    };
    tram.ManualCommand = 1;
    double before = SpeedometerKmh(tram);
    std::optional<TLimitShown> shown = frame();
    for (int s = 0; s < 5000 && shown && !shown->Warning; ++s) {
        ASSERT_FALSE(tram.Accident);
        before = SpeedometerKmh(tram);
        shown = frame();
    }
    ASSERT_TRUE(shown && shown->Warning);
    EXPECT_EQ(shown->Kmh, 50);
    EXPECT_LT(before, 48);
    EXPECT_GE(SpeedometerKmh(tram), 48);
    EXPECT_FALSE(tram.Accident);
    EXPECT_EQ(figure(shown), "50");
    EXPECT_EQ(CabPanel(tram, shown).LimitFigure->Colour, Red);

    tram.ManualCommand = -0.3;
    int redBelow48 = 0;
    while (shown->Warning) {
        ASSERT_GE(SpeedometerKmh(tram), 47);
        redBelow48 += SpeedometerKmh(tram) < 48;
        shown = frame();
    }
    EXPECT_GT(redBelow48, 0); // held between the two thresholds
    EXPECT_LT(SpeedometerKmh(tram), 47);
    EXPECT_GE(SpeedometerKmh(tram), 46); // cleared as it fell below, not later
    EXPECT_EQ(CabPanel(tram, shown).LimitFigure->Colour, White);

    tram.ManualCommand = 1;
    for (int s = 0; s < 5000 && !tram.Accident; ++s)
        shown = frame();
    ASSERT_TRUE(tram.Accident);
    EXPECT_EQ(tram.Crash.Cause, TAccidentCause::Overspeed);
    EXPECT_TRUE(shown->Warning);
}

TEST(LimitFigure, InsideTheSpeedometerOnlyWhileItWorks) {
    test::TCabWorld city(117);
    TVell& tram = city.StartWithPlayer();
    TLimitWarning warning;
    tram.SpeedometerWorks = true;
    tram.Speed = KmhToTicks(49);
    const std::optional<TLimitShown> shown = LimitShown(*city.World, tram, warning);
    ASSERT_TRUE(shown);
    const TCabPanel panel = CabPanel(tram, shown);
    ASSERT_TRUE(panel.LimitFigure);
    // Below the hub, clear of the scale's labels (the lowest, 0 and 80, at 0.6 of the radii
    // and 15 degrees below the level) and inside the rim.
    const TBox box = BoxOf(panel.LimitFigure->Points);
    EXPECT_LT(box.Top, -0.5 - 0.6 * 0.28 * std::sin(15 * Degree) - 0.02 - 0.01);
    EXPECT_GT(box.Bottom, -0.5 - 0.8 * 0.28);
    EXPECT_NEAR((box.Left + box.Right) / 2, -0.3, 0.02);
    // Drawn over the dial, under the needle.
    const TShapes order = panel.InDrawOrder();
    ASSERT_EQ(order.size(), 11u);
    EXPECT_EQ(order[1].Points.size(), panel.LimitFigure->Points.size());
    EXPECT_EQ(order[2].Kind, TPrimitive::Triangles);

    // A broken speedometer shows no figure, whatever the speed, and warns of nothing.
    tram.SpeedometerWorks = false;
    EXPECT_FALSE(LimitShown(*city.World, tram, warning));
    EXPECT_FALSE(warning.On());
    EXPECT_FALSE(CabPanel(tram, TLimitShown{50, true}).LimitFigure);
    EXPECT_EQ(CabPanel(tram, TLimitShown{50, true}).InDrawOrder().size(), 10u);
}

TEST(NeutralMarker, RingAndLevelLinesAtTheJoysticksCentreHeldOnThePicture) {
    // At the middle of a 640 x 480 picture: a round ring of 6 pixels about (0, 0), then the
    // level lines 9 to 16 pixels either side, at its height.
    const TShape marker = NeutralMarker(320, 240, 640, 480);
    EXPECT_EQ(marker.Colour, Yellow);
    ASSERT_EQ(marker.Points.size(), 2u * 14);
    for (std::size_t k = 0; k < marker.Points.size(); ++k) {
        const TPoint2 p = marker.Points[k];
        const bool ring = k < 24;
        EXPECT_TRUE(ring ? std::fabs(std::hypot(p.X * 320, p.Y * 240) - 6) < 1e-9
                         : p.Y == 0 && std::fabs(p.X * 320) >= 9 - 1e-9)
            << k;
    }
    // A centre beyond the picture (it follows the pointer up to 99.5 pixels away, and starts at
    // the screen's middle) is held so that the whole marker stays on the picture.
    const TBox below = BoxOf(NeutralMarker(320, 560, 640, 480).Points);
    EXPECT_NEAR(below.Bottom, -1 + 2 * 2 / 480.0, 1e-9);
    const TBox left = BoxOf(NeutralMarker(-2000, 100, 640, 480).Points);
    EXPECT_NEAR(left.Left, -1 + 2 * 1 / 640.0, 1e-9);
}

TEST(Background, SkyGradientAboveBlackGround) {
    const TShapes bg = Background(0.5);
    ASSERT_EQ(bg.size(), 2u);
    const TShape& ground = bg[0];
    const TShape& sky = bg[1];
    EXPECT_EQ(ground.Colour, (TRgb{0, 0, 0}));
    EXPECT_EQ(BoxOf(ground.Points).Top, 0);
    EXPECT_EQ(BoxOf(ground.Points).Bottom, -1);
    EXPECT_EQ(BoxOf(sky.Points).Bottom, 0);
    EXPECT_EQ(BoxOf(sky.Points).Top, 1);
    ASSERT_EQ(sky.PointColours.size(), 4u);
    for (std::size_t k = 0; k < 4; ++k) {
        const TRgb expected = sky.Points[k].Y == 0 ? TRgb{0.1, 0.4, 0.5} : TRgb{0.1, 0.25, 0.35};
        EXPECT_NEAR(sky.PointColours[k].R, expected.R, 1e-12);
        EXPECT_NEAR(sky.PointColours[k].G, expected.G, 1e-12);
        EXPECT_NEAR(sky.PointColours[k].B, expected.B, 1e-12);
    }
}

TEST(DelayNumber, WritesTheMagnitudeUpperLeft) {
    const TShape delay = DelayNumber(-42);
    EXPECT_EQ(delay.Colour, White);
    EXPECT_EQ(ReadDigits(SegmentsOf(delay.Points)), "42");
    const TBox box = BoxOf(delay.Points);
    EXPECT_NEAR((box.Left + box.Right) / 2, -0.75, 1e-12);
    EXPECT_NEAR((box.Top + box.Bottom) / 2, 0.85, 1e-12);
}

} // namespace
} // namespace vell
