// The plan view and the overview, pixel by pixel, on small maps.
#include "model/Geometry.h"
#include "model/Random.h"
#include "model/draw/MapBitmaps.h"
#include "model/draw/Palette.h"
#include "model/draw/PlanView.h"
#include "tests/draw/Pictures.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace vell::test {
namespace {

constexpr std::uint32_t Black = Colors::Black;

// The map's view stays at 4800, 4800: plan pixel (x, y) shows map point (4800 + x, 4800 + y).
class PlanView : public ::testing::Test {
  protected:
    const QImage& Plan(double seconds = 0) {
        DrawPlan(*Map, Bitmaps, seconds);
        return Bitmaps.PlanBitmap;
    }
    const QImage& Overview() {
        DrawOverview(*Map, Bitmaps);
        return Bitmaps.OverviewBitmap;
    }
    int Wall(int x1, int y1, int x2, int y2, std::uint32_t color, std::uint8_t kind = vell::Wall) {
        const int i = AddObject(*Map, kind, x1, y1, x2, y2);
        Map->Objects[i].Red = std::uint8_t(color);
        Map->Objects[i].Green = std::uint8_t(color >> 8);
        Map->Objects[i].Blue = std::uint8_t(color >> 16);
        return i;
    }
    std::unique_ptr<TMap> Map = NewMap();
    TMapBitmaps Bitmaps;
};

// Colours met along row y from x1 to x2, each run of equal pixels once.
std::vector<std::uint32_t> Runs(const QImage& image, int y, int x1, int x2) {
    std::vector<std::uint32_t> runs;
    for (int x = x1; x <= x2; ++x)
        if (runs.empty() || runs.back() != ColorAt(image, x, y))
            runs.push_back(ColorAt(image, x, y));
    return runs;
}

// Pixels of the square of side 25 around (cx, cy) that lie farther than `radius` from it and
// whose colour passes the test.
template <class Test>
int CountAround(const QImage& image, int cx, int cy, double radius, Test test) {
    int count = 0;
    for (int y = cy - 12; y <= cy + 12; ++y)
        for (int x = cx - 12; x <= cx + 12; ++x)
            if (std::hypot(x - cx, y - cy) > radius && test(ColorAt(image, x, y))) ++count;
    return count;
}

int LitBeyond(const QImage& image, int cx, int cy, double radius) {
    return CountAround(image, cx, cy, radius, [](std::uint32_t c) { return c != Black; });
}

TEST_F(PlanView, ObjectsAreDrawnUnlessWhollyToOneSideOfTheWindow) {
    const std::uint32_t across = MakeColor(10, 200, 30), left = MakeColor(200, 10, 30),
                        below = MakeColor(30, 10, 200), into = MakeColor(100, 100, 100);
    Wall(4700, 5000, 5500, 5000, across); // both ends outside, crossing the window
    Wall(4000, 5300, 4700, 5300, left);   // both ends left of it
    Wall(5000, 5450, 5200, 5500, below);  // both ends below it
    Wall(4000, 5100, 4900, 5100, into);   // from outside into it
    const QImage& plan = Plan();
    EXPECT_EQ(CountColor(plan, QRect(0, 199, 600, 2), across), 1200); // width 2, edge to edge
    EXPECT_EQ(CountColor(plan, plan.rect(), left), 0);
    EXPECT_EQ(CountColor(plan, plan.rect(), below), 0);
    EXPECT_EQ(CountColor(plan, QRect(0, 299, 101, 2), into), 202);
    EXPECT_EQ(ColorAt(plan, 102, 300), Black);
}

TEST_F(PlanView, WallWidthsByKindAndSelection) {
    const std::uint32_t c = MakeColor(120, 130, 140);
    const int border = Wall(4900, 4850, 5100, 4850, c, Border);
    Wall(4900, 4900, 5100, 4900, c, vell::Wall);
    Wall(4900, 4950, 5100, 4950, c, HighWall);
    const int selected = Wall(4900, 5000, 5100, 5000, c, vell::Wall);
    Map->Objects[selected].SetSelected(true);
    Wall(4900, 5050, 5100, 5050, c, 12); // kinds 10..15 are never drawn
    Map->Objects[border].SetSelected(false);
    const QImage& plan = Plan();
    auto width = [&](int y) { return CountColor(plan, QRect(200, y - 5, 1, 11), c); };
    EXPECT_EQ(width(50), 1);
    EXPECT_EQ(width(100), 2);
    EXPECT_EQ(width(150), 3);
    EXPECT_EQ(width(200), 5);
    EXPECT_EQ(CountColor(plan, QRect(0, 240, 600, 20), c), 0) << "kind 12";
}

TEST_F(PlanView, SelectedStopRailIsWideWithADoubleCircle) {
    const int rail = AddRail(*Map, 4900, 5000, 5100, 5000, 200, 3);
    Map->Objects[rail].SetSelected(true);
    const QImage& plan = Plan();
    const std::uint32_t railColor = MakeColor(85, 200, 200);
    for (int x : {110, 150, 250, 290}) {
        for (int y = 198; y <= 201; ++y)
            EXPECT_EQ(ColorAt(plan, x, y), railColor) << x << "," << y;
        EXPECT_EQ(ColorAt(plan, x, 197), Black);
        EXPECT_EQ(ColorAt(plan, x, 202), Black);
    }
    // Through the middle of the circles (they are centred half a pixel up and left of the
    // midpoint (200, 200)): rail, outer ring, inner ring, the black centre, inner, outer, rail.
    const std::vector<std::uint32_t> across = {railColor,     Colors::Olive, Black,
                                               Colors::Olive, Black,         Colors::Olive,
                                               Black,         Colors::Olive, railColor};
    EXPECT_EQ(Runs(plan, 199, 180, 220), across)
        << Sketch(plan, QRect(185, 186, 30, 28), Colors::Olive);
    // The outer ring reaches about 11 pixels from the midpoint, the inner one 5.
    auto olive = [](std::uint32_t c) { return c == Colors::Olive; };
    EXPECT_EQ(CountAround(plan, 200, 200, 12, olive), 0);
    EXPECT_GT(CountAround(plan, 200, 200, 8, olive), 100);
    EXPECT_GT(CountAround(plan, 200, 200, 0, olive) - CountAround(plan, 200, 200, 5.5, olive), 30);
}

TEST_F(PlanView, RailArrowheadPointsTheWayOfTravel) {
    const std::uint32_t railColor = MakeColor(85, 200, 200);
    const int east = AddRail(*Map, 4900, 5000, 5100, 5000, 200, 0); // midpoint (200, 200)
    const int west = AddRail(*Map, 5100, 5100, 4900, 5100, 200, 0); // midpoint (200, 300)
    const int stop = AddRail(*Map, 4900, 5200, 5100, 5200, 200, 2); // midpoint (200, 400)
    for (int i : {east, west, stop})
        Map->Objects[i].SetSelected(true);
    const QImage& plan = Plan();
    // Wings 6 pixels behind the tip and 3 to each side; nothing ahead of the tip.
    for (int dy : {-3, 3}) {
        EXPECT_EQ(ColorAt(plan, 194, 200 + dy), railColor)
            << Sketch(plan, QRect(188, 194, 25, 13), railColor);
        EXPECT_EQ(ColorAt(plan, 206, 200 + dy), Black);
        EXPECT_EQ(ColorAt(plan, 206, 300 + dy), railColor);
        EXPECT_EQ(ColorAt(plan, 194, 300 + dy), Black);
        // Around the small circle of a stop of type 2 the wings still show.
        EXPECT_EQ(ColorAt(plan, 192, 400 + dy), railColor)
            << Sketch(plan, QRect(188, 394, 25, 13), railColor);
    }
    EXPECT_GT(CountColor(plan, QRect(194, 394, 13, 13), Colors::Olive), 20);
}

TEST_F(PlanView, RailWithoutLengthHasNoArrowhead) {
    const int point = AddRail(*Map, 5000, 5000, 5000, 5000, 200);    // at (200, 200)
    const int selected = AddRail(*Map, 5000, 5100, 5000, 5100, 200); // at (200, 300)
    Map->Objects[selected].SetSelected(true);
    AddRail(*Map, 5000, 5200, 5020, 5200, 200); // a short real rail, for contrast
    (void)point;
    const QImage& plan = Plan();
    EXPECT_EQ(LitBeyond(plan, 200, 200, 2.9), 0)
        << Sketch(plan, QRect(190, 190, 21, 21), MakeColor(85, 200, 200));
    EXPECT_EQ(LitBeyond(plan, 200, 300, 2.9), 0)
        << Sketch(plan, QRect(190, 290, 21, 21), MakeColor(85, 200, 200));
    EXPECT_GT(LitBeyond(plan, 210, 400, 2.9), 4);
}

TEST_F(PlanView, RailColourShowsGradeAndKeepClear) {
    AddRail(*Map, 4900, 5000, 5100, 5000, 0);
    const int clear = AddRail(*Map, 4900, 5100, 5100, 5100, 255);
    Map->Objects[clear].SetKeepClear(true);
    const QImage& plan = Plan();
    EXPECT_EQ(ColorAt(plan, 150, 200), MakeColor(85, 0, 0));
    EXPECT_EQ(ColorAt(plan, 150, 300), MakeColor(255, 255, 255));
}

TEST_F(PlanView, ArchesTreesAndDoubleTracksLieOverWallsAndRails) {
    const std::uint32_t arch = MakeColor(200, 100, 50), wall = MakeColor(50, 100, 200);
    Wall(4900, 5000, 5100, 5000, arch, Arch); // index 0, still over the rail that follows
    AddRail(*Map, 5000, 4900, 5000, 5100, 120);
    Wall(4900, 5100, 5100, 5100, wall);
    AddRail(*Map, 5050, 5050, 5050, 5150, 120); // later in index order: over the wall
    const QImage& plan = Plan();
    EXPECT_EQ(ColorAt(plan, 200, 199), arch);
    EXPECT_EQ(ColorAt(plan, 200, 200), Black) << "the arch's dark centre stripe";
    EXPECT_EQ(ColorAt(plan, 200, 201), arch);
    EXPECT_EQ(ColorAt(plan, 150, 200), Black);
    EXPECT_EQ(ColorAt(plan, 250, 300), MakeColor(85, 120, 120));
}

TEST_F(PlanView, DottedAndDashedLines) {
    const std::uint32_t wall = MakeColor(90, 60, 30);
    Wall(4800, 5000, 5400, 5000, wall);
    AddObject(*Map, Trees, 4800, 5000, 5400, 5000);                      // row 200, over the wall
    AddObject(*Map, DoubleTrack, 4800, 5100, 5400, 5100);                // row 300
    AddObject(*Map, DoubleTrackGreen, 4800, 5200, 5400, 5200);           // row 400
    const int selected = AddObject(*Map, Trees, 4800, 5300, 5400, 5300); // row 500
    Map->Objects[selected].SetSelected(true);
    const QImage& plan = Plan();
    const QRect row200(100, 200, 400, 1), row300(100, 300, 400, 1), row400(100, 400, 400, 1);
    // Dots with the wall showing between them.
    EXPECT_GT(CountColor(plan, row200, Colors::Green), 100);
    EXPECT_GT(CountColor(plan, row200, wall), 100);
    EXPECT_EQ(CountColor(plan, row200, Colors::Green) + CountColor(plan, row200, wall), 400);
    // Dashes over the black ground.
    EXPECT_GT(CountColor(plan, row300, Colors::Grey), 200);
    EXPECT_GT(CountColor(plan, row300, Black), 50);
    EXPECT_EQ(CountColor(plan, row300, Colors::Grey) + CountColor(plan, row300, Black), 400);
    // Greenery: the gaps between the dark-green dashes are green.
    EXPECT_GT(CountColor(plan, row400, Colors::DarkGreen), 200);
    EXPECT_EQ(CountColor(plan, row400, Colors::DarkGreen) + CountColor(plan, row400, Colors::Green),
              400);
    // Selected trees: a wide green line with black dots along its middle.
    EXPECT_EQ(CountColor(plan, QRect(100, 499, 400, 1), Colors::Green), 400);
    EXPECT_EQ(CountColor(plan, QRect(100, 501, 400, 1), Colors::Green), 400);
    EXPECT_GT(CountColor(plan, QRect(100, 500, 400, 1), Black), 100);
}

TEST_F(PlanView, SnapMarkerTurnsWithTheTimeOfDay) {
    EXPECT_EQ(CountColor(Plan(), QRect(0, 0, 600, 600), Colors::Green), 0) << "not snapped";
    Map->Snapped = true;
    Map->SnapX = 300;
    Map->SnapY = 200;
    const QImage& atMidnight = Plan(0);
    // Spokes from radius 6 to 14 at 0, 90, 180 and 270 degrees (up is minus y on screen).
    for (QPoint p : {QPoint(312, 200), QPoint(300, 188), QPoint(288, 200), QPoint(300, 212)})
        EXPECT_EQ(ColorAt(atMidnight, p.x(), p.y()), Colors::Green) << p.x() << "," << p.y();
    EXPECT_EQ(ColorAt(atMidnight, 300, 200), Black);
    // A circle of radius 10 around the point.
    EXPECT_GT(CountColor(atMidnight, QRect(289, 189, 22, 22), Colors::Green), 50);
    // An eighth of a turn later (pi/4 seconds) the spokes are diagonal.
    const QImage& later = Plan(std::numbers::pi / 4);
    EXPECT_EQ(ColorAt(later, 312, 200), Black);
    EXPECT_EQ(ColorAt(later, 308, 192), Colors::Green)
        << Sketch(later, QRect(284, 184, 33, 33), Colors::Green);
    EXPECT_EQ(ColorAt(later, 292, 208), Colors::Green);
}

TEST_F(PlanView, ObjectCountIsWrittenAtTheTopLeft) {
    auto whiteBox = [](const QImage& plan) {
        QRect box;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 300; ++x)
                if (ColorAt(plan, x, y) == Colors::White) box |= QRect(x, y, 1, 1);
        return box;
    };
    AddObject(*Map, vell::Wall, 0, 0, 10, 10); // off the window
    const QRect one = whiteBox(Plan());
    ASSERT_FALSE(one.isEmpty());
    EXPECT_GE(one.left(), 10);
    EXPECT_GE(one.top(), 10);
    EXPECT_LE(one.bottom(), 30);
    EXPECT_GT(one.width(), 30) << "\"Линий: 1\" is several letters wide";
    Map->SetObjectCount(12345);
    const QRect five = whiteBox(Plan());
    EXPECT_EQ(five.left(), one.left());
    EXPECT_GT(five.right(), one.right() + 15) << "four more digits";
}

TEST_F(PlanView, OverviewOutlinesTheViewWindow) {
    const QImage& overview = Overview();
    for (int k = 96; k <= 107; ++k) {
        EXPECT_EQ(ColorAt(overview, k, 96), Colors::Green) << k;
        EXPECT_EQ(ColorAt(overview, k, 107), Colors::Green) << k;
        EXPECT_EQ(ColorAt(overview, 96, k), Colors::Green) << k;
        EXPECT_EQ(ColorAt(overview, 107, k), Colors::Green) << k;
    }
    EXPECT_EQ(CountColor(overview, overview.rect(), Colors::Green), 44) << "a 12 x 12 outline";
    Map->ViewX = Map->ViewY = -1000; // as the game sets it when a map is chosen
    EXPECT_EQ(CountColor(Overview(), Bitmaps.OverviewBitmap.rect(), Colors::Green), 0);
}

TEST_F(PlanView, OverviewColoursAndSelectedRailsOnTop) {
    Map->ViewX = Map->ViewY = -1000;
    const int selected = AddRail(*Map, 1000, 1000, 1000, 2000); // x 20, y 20..40
    AddRail(*Map, 500, 1500, 1500, 1500);                       // crosses it at (20, 30)
    Wall(2000, 1000, 3000, 1000, MakeColor(201, 100, 51));      // row 20
    AddObject(*Map, Trees, 2000, 2000, 3000, 2000);             // row 40
    AddObject(*Map, DoubleTrackLane, 2000, 3000, 3000, 3000);   // row 60
    Wall(2000, 4000, 3000, 4000, MakeColor(255, 255, 255), 13); // row 80: never drawn
    Map->Objects[selected].SetSelected(true);
    const QImage& overview = Overview();
    EXPECT_EQ(ColorAt(overview, 20, 30), Colors::Red);
    EXPECT_EQ(ColorAt(overview, 15, 30), Colors::White);
    EXPECT_EQ(ColorAt(overview, 50, 20), MakeColor(100, 50, 25));
    EXPECT_EQ(ColorAt(overview, 50, 40), Colors::MediumGreen);
    EXPECT_EQ(ColorAt(overview, 50, 60), Colors::Green);
    EXPECT_EQ(ColorAt(overview, 50, 80), Black);
}

// The overview sets the pixel of a line a pixel long or less itself; the picture must be the one
// the painter draws object by object.
TEST_F(PlanView, OverviewIsThePainterDrawingObjectByObject) {
    TRandom random(7);
    for (int k = 0; k < 20000; ++k) {
        const int x = random.Below(10000), y = random.Below(10000);
        const int length = random.Below(4) == 0 ? 400 : 90; // mostly a pixel or two
        const int x2 = std::clamp(x + random.Below(2 * length + 1) - length, 0, 9999);
        const int y2 = std::clamp(y + random.Below(2 * length + 1) - length, 0, 9999);
        const int i = Wall(x, y, x2, y2, random.Below(1 << 24), std::uint8_t(random.Below(16)));
        Map->Objects[i].SetSelected(random.Below(3) == 0);
    }
    Map->ViewX = Map->ViewY = -1000;
    const QImage& fast = Overview();
    QImage reference(OverviewSize, OverviewSize, QImage::Format_RGB32);
    reference.fill(Qt::black);
    {
        QPainter p(&reference);
        for (const TMapObject& o : Map->Objects)
            if (!o.IsRail()) DrawOverviewObject(p, o);
        for (const TMapObject& o : Map->Objects)
            if (o.IsRail() && !o.Selected()) DrawOverviewObject(p, o);
        for (const TMapObject& o : Map->Objects)
            if (o.IsRail() && o.Selected()) DrawOverviewObject(p, o);
    }
    int differing = 0;
    for (int y = 0; y < OverviewSize; ++y)
        for (int x = 0; x < OverviewSize; ++x)
            differing += fast.pixel(x, y) != reference.pixel(x, y);
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace vell::test
