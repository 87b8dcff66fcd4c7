// The tram pass of the cab view: which trams and cars are drawn, the car model's panels, lamps
// and doors, couplers and route signs.
#include "model/RouteTable.h"
#include "tests/cab/scene/SceneTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

constexpr int RingBottomRail = 13; // the ring's bottom side, from x = 1080 to 120 at y = 300

// A three-car tram of route 3А standing at the start of the ring's first top rail, heading east
// from x = 120 at y = 100: car centres at x = 147, 135.4 and 123.8. The eye stands just north
// of it, looking north, so the ring itself lies behind the eye.
class TramPass : public ::testing::Test, public TSceneFixture {
  protected:
    void SetUp() override {
        Rails = AddRing(*Map, 100, 100, 1100, 300, 10);
        SetRoute(*Map, 2, 11, {Rails[0], Rails[RingBottomRail]}, 3, 10);
        SelectMap(*Map);
        World = std::make_unique<TWorld>(*Map, Random);
        World->StartWorld();
        ASSERT_TRUE(World->CanDispatch(2, 11));
        World->VellTable[0] = std::make_unique<TVell>(*World);
        World->VellTable[0]->Create(2, 11);
        World->VellCount = 1;
        Tram().Active = true;
        View.CamX = 150;
        View.CamY = 90;
        View.CamHeading = 0;
        View.ViewDistVell = 200;
    }

    TVell& Tram() { return *World->VellTable[0]; }

    // A point of car i in its own frame, in OpenGL's frame.
    TGLPoint Local(int car, double x, double y, double z) {
        const TCarAxisXY pose = Tram().CarPose(car);
        return MapPoint(pose.Centre.X + x * pose.Dir.X - y * pose.Dir.Y,
                        pose.Centre.Y + x * pose.Dir.Y + y * pose.Dir.X, z);
    }
    // The car panel from p1 to p2 between heights z1 and z2, or -1.
    int Panel(int car, double x1, double y1, double z1, double x2, double y2, double z2) {
        return FindQuad(Lists.Quads, Local(car, x1, y1, z1), Local(car, x2, y2, z1),
                        Local(car, x2, y2, z2), Local(car, x1, y1, z2));
    }
    std::array<float, 3> PanelColour(int index) { return PrimitiveColour(Lists.Quads, 4, index); }

    // Which of the eight segments of the glyph at `origin` (glyph unit `step`) are drawn.
    int SignMask(int car, double ox, double oy, double sx, double sy) {
        static constexpr int seg[8][4] = {{0, 0, 2, 0}, {0, 0, 0, 2}, {2, 0, 2, 2}, {0, 2, 2, 2},
                                          {0, 2, 0, 4}, {2, 2, 2, 4}, {0, 4, 2, 4}, {0, 4, 0, 5}};
        int mask = 0;
        for (int k = 0; k < 8; ++k) {
            const TGLPoint a =
                Local(car, ox + seg[k][0] * sx, oy + seg[k][0] * sy, 3.9 - 0.2 * seg[k][1]);
            const TGLPoint b =
                Local(car, ox + seg[k][2] * sx, oy + seg[k][2] * sy, 3.9 - 0.2 * seg[k][3]);
            if (FindLine(Lists.Lines, a, b) >= 0) mask |= 1 << k;
        }
        return mask;
    }

    std::vector<int> Rails;
};

constexpr std::size_t LeadingQuads = 60, OtherQuads = 55;

TEST_F(TramPass, OnlyOtherActiveTramsAreDrawn) {
    Build();
    EXPECT_EQ(Lists.Quads.size(), 4 * (LeadingQuads + 2 * OtherQuads));
    // The leading car's front faces east, its doors south (the right-hand side going east).
    EXPECT_NEAR(Local(0, -5, 0, 0).X, 152, 1e-9);
    EXPECT_NEAR(Local(0, 0, -1.2, 0).Y, -101.2, 1e-9);

    View.PlayerTram = &Tram();
    Build();
    EXPECT_TRUE(Lists.Empty());
    View.PlayerTram = nullptr;
    Tram().Active = false;
    Build();
    EXPECT_TRUE(Lists.Empty());
}

TEST_F(TramPass, CarsBeyondTheDistanceAreCulledByTheirCentre) {
    View.CamY = 100;
    View.ViewDistVell = 20; // car centres 3, 14.6 and 26.2 m away
    Build();
    EXPECT_EQ(Lists.Quads.size(), 4 * (LeadingQuads + OtherQuads));
    EXPECT_GE(Panel(1, 3, -1.2, 0.2, -3, -1.2, 1.2), 0);
    EXPECT_EQ(Panel(2, 3, -1.2, 0.2, -3, -1.2, 1.2), -1);
    View.ViewDistVell = 2;
    Build();
    EXPECT_TRUE(Lists.Quads.empty()); // the rails beside the eye are lines
}

TEST_F(TramPass, PanelsComeInTheirOrder) {
    Build();
    // The leading car: the side between the doors first, the windscreen after the twelve
    // panels every car has, window and roof bands, gear, doors, wells.
    EXPECT_EQ(Panel(0, 3, -1.2, 0.2, -3, -1.2, 1.2), 0);
    EXPECT_EQ(Panel(0, 4.5, 1.2, 0.2, -4.5, 1.2, 1.2), 11);
    EXPECT_EQ(Panel(0, -5, -0.7, 2.7, -5, 0.7, 1.2), 12);
    EXPECT_EQ(Panel(0, -4.5, 1.2, 2.7, -5, 0.7, 1.2), 22);
    EXPECT_EQ(Panel(0, 3, -1.2, 2.7, -3, -1.2, 1.2), 23);
    EXPECT_EQ(Panel(0, 4.5, -1.2, 2.7, -4.5, -1.2, 3.0), 28);
    EXPECT_EQ(Panel(0, -1.2, -0.762, 0, -2, -0.762, 0.3), 39);
    EXPECT_EQ(Panel(0, 3.75, -1.2, 0.2, 3.375, -1.2, 1.0), 40);
    EXPECT_EQ(Panel(0, -3.75, -0.8, 0.2, -4.125, -1.2, 2.7), 59);
    // A following car has a plain front with a window.
    const int second = int(LeadingQuads);
    EXPECT_EQ(Panel(1, -5, -0.7, 0.2, -4.5, -1.2, 1.2), second + 12);
    EXPECT_EQ(Panel(1, -5, -0.7, 2.7, -5, 0.7, 1.2), second + 15);
    EXPECT_EQ(Panel(1, -4.5, 1.2, 2.7, -5, 0.7, 1.2), second + 17);
    EXPECT_EQ(Panel(1, -5, -0.7, 0.2, -5, -0.4, 0.6), -1); // no head lamps
}

TEST_F(TramPass, LampsGlowByNightWhileTheBodyDarkens) {
    View.DayLight = 0.1;
    Tram().Colour = 0x0080FF; // red 255, green 128, blue 0
    Build();
    const std::array<float, 3> red{1, 0, 0}, yellow{1, 1, 0};
    EXPECT_EQ(PanelColour(Panel(0, -5, -0.7, 0.2, -5, -0.4, 0.6)), yellow);
    EXPECT_EQ(PanelColour(Panel(0, -5, 0.7, 0.2, -5, 0.4, 0.6)), yellow);
    for (int car = 0; car < 3; ++car) {
        EXPECT_EQ(PanelColour(Panel(car, 5, 0.4, 0.2, 5, 0.7, 0.4)), red);
        EXPECT_EQ(PanelColour(Panel(car, 5, -0.4, 0.2, 5, -0.7, 0.4)), red);
    }
    // The left side runs across the line of sight (shade 1), the rear face along it (0.7).
    auto side = PanelColour(Panel(0, 4.5, 1.2, 0.2, -4.5, 1.2, 1.2));
    EXPECT_FLOAT_EQ(side[0], 0.1f);
    EXPECT_FLOAT_EQ(side[1], float(128 / 255.0 * 0.1));
    EXPECT_FLOAT_EQ(side[2], 0.f);
    EXPECT_NEAR(PanelColour(Panel(0, 5, 0.7, 0.8, 5, -0.7, 1.2))[0], 0.07f, 1e-6);
    // Unlit brake and indicator lamps darken with the body.
    EXPECT_NEAR(PanelColour(Panel(0, 5, 0.4, 0.4, 5, 0.7, 0.6))[0], 0.07f, 1e-6);
    auto amber = PanelColour(Panel(0, -5, 0.7, 0.6, -5, 0.4, 0.8));
    EXPECT_NEAR(amber[0], 0.07f, 1e-6);
    EXPECT_NEAR(amber[1], 0.035f, 1e-6);
}

TEST_F(TramPass, BrakeLampsAndIndicatorsLightWithTheTram) {
    View.DayLight = 0.1;
    Tram().Command = -0.25;
    Tram().LeftLamp = true;
    Build();
    const std::array<float, 3> red{1, 0, 0}, amber{1, 0.5f, 0};
    for (int car = 0; car < 3; ++car) {
        EXPECT_EQ(PanelColour(Panel(car, 5, 0.4, 0.4, 5, 0.7, 0.6)), red);
        EXPECT_EQ(PanelColour(Panel(car, 5, -0.4, 0.4, 5, -0.7, 0.6)), red);
        EXPECT_EQ(PanelColour(Panel(car, 5, 0.4, 0.6, 5, 0.7, 0.8)), amber);
        EXPECT_NE(PanelColour(Panel(car, 5, -0.4, 0.6, 5, -0.7, 0.8)), amber);
    }
    EXPECT_EQ(PanelColour(Panel(0, -5, 0.7, 0.6, -5, 0.4, 0.8)), amber);
    EXPECT_NE(PanelColour(Panel(0, -5, -0.7, 0.6, -5, -0.4, 0.8)), amber);

    Tram().Command = 0;
    Tram().LeftLamp = false;
    Tram().RightLamp = true;
    Build();
    EXPECT_NE(PanelColour(Panel(2, 5, 0.4, 0.4, 5, 0.7, 0.6)), red);
    EXPECT_EQ(PanelColour(Panel(2, 5, -0.4, 0.6, 5, -0.7, 0.8)), amber);
    EXPECT_EQ(PanelColour(Panel(0, -5, -0.7, 0.6, -5, -0.4, 0.8)), amber);
}

TEST_F(TramPass, DoorLeavesFoldWithTheOpening) {
    Tram().DoorOpening = 0.75;
    Build();
    // Pair A: the outer leaf from (3.1875, -1.2), the inner from (3.0, -1.2), both to the fold
    // point (3.09375, -0.91875); white below, glass above, in that order.
    const int outer = Panel(0, 3.1875, -1.2, 0.2, 3.09375, -0.91875, 1.0);
    ASSERT_GE(outer, 0);
    EXPECT_EQ(Panel(0, 3.1875, -1.2, 2.7, 3.09375, -0.91875, 1.0), outer + 1);
    EXPECT_EQ(Panel(0, 3.0, -1.2, 0.2, 3.09375, -0.91875, 1.0), outer + 2);
    EXPECT_EQ(Panel(0, 3.0, -1.2, 2.7, 3.09375, -0.91875, 1.0), outer + 3);
    // Folded leaves turn from the side, so they are shaded between 0.7 and 1.
    const auto white = PanelColour(outer), glass = PanelColour(outer + 1);
    EXPECT_GT(white[0], 0.7f);
    EXPECT_LT(white[0], 1.0f);
    EXPECT_EQ(white[0], white[2]);
    EXPECT_FLOAT_EQ(glass[0], 0.2f * white[0]);
    EXPECT_EQ(glass[0], glass[1]);
    // Pair D mirrors pair A at the front door; the well behind it is dark.
    EXPECT_GE(Panel(0, -4.3125, -1.2, 0.2, -4.40625, -0.91875, 1.0), 0);
    const int well = Panel(0, -3.75, -0.8, 0.2, -4.40625, -0.91875, 2.7);
    ASSERT_GE(well, 0);
    EXPECT_EQ(PanelColour(well), (std::array<float, 3>{0, 0, 0}));

    // Closed, every leaf lies in the side.
    Tram().DoorOpening = 0;
    Build();
    for (int pair = 0; pair < 4; ++pair)
        for (int c = 0; c < 16; ++c) {
            const TSceneVertex& v = Lists.Quads[4 * (40 + 4 * pair) + c];
            EXPECT_NEAR(-v.Y, 101.2, 1e-3);
        }
}

TEST_F(TramPass, CouplersJoinTheCarsInRange) {
    auto couplers = [&] {
        std::vector<std::array<double, 2>> out; // map x of both ends
        for (std::size_t k = 0; k < Lists.Lines.size(); k += 2)
            if (std::fabs(Lists.Lines[k].Z - 0.2) < 1e-6 &&
                std::fabs(Lists.Lines[k + 1].Z - 0.2) < 1e-6)
                out.push_back({Lists.Lines[k].X, Lists.Lines[k + 1].X});
        return out;
    };
    Build();
    auto all = couplers();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_NEAR(all[0][0], 139.4, 1e-3); // car 1's front coupling point to car 0's rear
    EXPECT_NEAR(all[0][1], 143.0, 1e-3);
    EXPECT_NEAR(all[1][0], 127.8, 1e-3);
    EXPECT_NEAR(all[1][1], 131.4, 1e-3);

    // The middle car far away on the bottom side: the last car couples to the first directly.
    Tram().Front[1] = {std::uint16_t(Rails[RingBottomRail]), 0, 500};
    Tram().Rear[1] = {std::uint16_t(Rails[RingBottomRail]), 0, 507.6};
    View.ViewDistVell = 100;
    Build();
    EXPECT_EQ(Lists.Quads.size(), 4 * (LeadingQuads + OtherQuads));
    auto across = couplers();
    ASSERT_EQ(across.size(), 1u);
    EXPECT_GE(FindLine(Lists.Lines, MapPoint(127.8, 100, 0.2), MapPoint(143, 100, 0.2)), 0);
}

TEST_F(TramPass, SignsShowTheRouteNumberAndSuffix) {
    Build();
    // 3 (segments 0, 2, 3, 5, 6) and А (segments 0 to 5), front, side and rear.
    EXPECT_EQ(SignMask(0, -5, -0.6, 0, 0.2), 0x6D);
    EXPECT_EQ(SignMask(0, -5, 0.2, 0, 0.2), 0x3F);
    for (int car = 0; car < 3; ++car) {
        EXPECT_EQ(SignMask(car, -3, -1.2, -0.2, 0), 0x6D);
        EXPECT_EQ(SignMask(car, -3.8, -1.2, -0.2, 0), 0x3F);
    }
    EXPECT_EQ(SignMask(2, 5, 0.6, 0, -0.2), 0x6D);
    EXPECT_EQ(SignMask(2, 5, -0.2, 0, -0.2), 0x3F);
    EXPECT_EQ(SignMask(1, 5, 0.6, 0, -0.2), 0); // only the last car has a rear sign
    // Pantograph (6), three signs of 11 strokes on five sign places, two couplers.
    EXPECT_EQ(Lists.Lines.size(), 2u * (6 + 5 * 11 + 2));

    // Route 9 without suffix: the number alone.
    Tram().RouteRow = 8;
    Tram().RouteCol = 0;
    Build();
    EXPECT_EQ(SignMask(0, -5, -0.6, 0, 0.2), 0x6F);
    EXPECT_EQ(SignMask(0, -5, 0.2, 0, 0.2), 0);

    // A slot beyond the route table has no glyph: the signs stay blank.
    Tram().RouteRow = RouteRows;
    Tram().RouteCol = RouteColumns;
    Build();
    EXPECT_EQ(Lists.Lines.size(), 2u * (6 + 2));
}

TEST_F(TramPass, ThePantographReachesTheWire) {
    Build();
    EXPECT_GE(FindLine(Lists.Lines, Local(0, 0.9, -1, 5), Local(0, 0.9, 1, 5)), 0);
    EXPECT_GE(FindLine(Lists.Lines, Local(0, -3, 0.6, 3), Local(0, 1, 0.6, 4.6)), 0);
    EXPECT_EQ(FindLine(Lists.Lines, Local(1, 0.9, -1, 5), Local(1, 0.9, 1, 5)), -1);
    auto grey = PrimitiveColour(Lists.Lines, 2, 0);
    EXPECT_FLOAT_EQ(grey[0], 0.6f);
}

TEST_F(TramPass, TheSceneChangesNothingOfTheWorld) {
    const std::uint32_t state = Random.GetState();
    const TCarAxisXY pose = Tram().CarPose(0);
    Map->Objects.push_back(MakeObject(Trees, 140, 80, 170, 80));
    Build();
    EXPECT_EQ(Random.GetState(), state);
    EXPECT_EQ(Tram().CarPose(0).Centre.X, pose.Centre.X);
    EXPECT_FALSE(Lists.Triangles.empty());
}

} // namespace
} // namespace vell::test
