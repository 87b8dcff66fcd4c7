// The object pass of the cab view: which objects are drawn, and the shapes of walls, arches,
// rails with their joints and stop plates, and rows of trees.
#include "tests/cab/scene/SceneTestSupport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vell::test {
namespace {

// The eye at (1000, 1000) looks north (towards smaller y); a point at y = 1000 + b lies b metres
// behind it.
class ObjectPass : public ::testing::Test, public TSceneFixture {
  protected:
    int Add(std::uint8_t kind, int x1, int y1, int x2, int y2, std::uint8_t r = 200,
            std::uint8_t g = 100, std::uint8_t b = 50) {
        const int i = AddObject(*Map, kind, x1, y1, x2, y2);
        Map->Objects[i].Red = r;
        Map->Objects[i].Green = g;
        Map->Objects[i].Blue = b;
        return i;
    }
};

TEST_F(ObjectPass, EndsBehindTheEyeBeyondFourMetresAreCulled) {
    View.CamY = 999.5;
    Add(Border, 900, 1004, 1100, 1004); // both ends 4.5 m behind
    Build();
    EXPECT_TRUE(Lists.Empty());

    View.CamY = 1000.1;
    Build(); // 3.9 m behind now
    EXPECT_EQ(Lists.Lines.size(), 2u);

    // One end 3.9 m behind, the other far behind but within the distance: drawn.
    View.CamY = 999.1;
    Map->Objects[0] = MakeObject(Border, 1000, 1003, 1000, 1400);
    Build();
    EXPECT_EQ(Lists.Lines.size(), 2u);
    // Both ends 4.5 m or more behind: not drawn, however near.
    View.CamY = 998.5;
    Build();
    EXPECT_TRUE(Lists.Empty());
}

TEST_F(ObjectPass, EachEndIsJudgedOnItsOwn) {
    View.ViewDistWall = 100;
    // The near end is behind the eye, the far end ahead but out of range: drawn.
    Add(Wall, 1000, 1050, 1000, 800);
    Build();
    EXPECT_EQ(Lists.Quads.size(), 4u);
    // A long wall past the eye with both ends beyond the distance is not drawn.
    Map->Objects[0] = MakeObject(Wall, 500, 990, 1500, 990);
    Build();
    EXPECT_TRUE(Lists.Empty());
    View.ViewDistWall = 501;
    Build();
    EXPECT_EQ(Lists.Quads.size(), 4u);
    // The distance is strict.
    View.ViewDistWall = 100;
    Map->Objects[0] = MakeObject(Border, 1000, 900, 1000, 700);
    Build();
    EXPECT_TRUE(Lists.Empty());
    View.ViewDistWall = 101;
    Build();
    EXPECT_FALSE(Lists.Empty());
}

TEST_F(ObjectPass, WallsAreShadedByTheirAngleToTheView) {
    Add(Wall, 990, 900, 1010, 900, 255, 128, 0);    // across the line of sight
    Add(HighWall, 990, 890, 990, 870, 255, 128, 0); // along it
    View.DayLight = 0.5;
    Build();
    ASSERT_EQ(Lists.Quads.size(), 8u);
    EXPECT_EQ(FindQuad(Lists.Quads, MapPoint(990, 900, 0), MapPoint(1010, 900, 0),
                       MapPoint(1010, 900, 5), MapPoint(990, 900, 5)),
              0);
    EXPECT_EQ(FindQuad(Lists.Quads, MapPoint(990, 890, 0), MapPoint(990, 870, 0),
                       MapPoint(990, 870, 20), MapPoint(990, 890, 20)),
              1);
    auto across = PrimitiveColour(Lists.Quads, 4, 0);
    EXPECT_FLOAT_EQ(across[0], 0.5f);
    EXPECT_FLOAT_EQ(across[1], float(128 / 255.0 * 0.5));
    EXPECT_FLOAT_EQ(across[2], 0.f);
    auto along = PrimitiveColour(Lists.Quads, 4, 1);
    EXPECT_FLOAT_EQ(along[0], float(0.7 * 0.5));

    // Turned a quarter, the view sees the second wall square-on.
    View.CamHeading = std::numbers::pi / 2;
    View.CamX = 800;
    View.CamY = 880;
    Build();
    EXPECT_FLOAT_EQ(PrimitiveColour(Lists.Quads, 4, 1)[0], 0.5f);
    EXPECT_NEAR(PrimitiveColour(Lists.Quads, 4, 0)[0], 0.35f, 1e-6);
}

TEST_F(ObjectPass, ZeroLengthWallsArePostsInTheirOwnColour) {
    Add(Wall, 1000, 950, 1000, 950, 255, 0, 0);
    Add(HighWall, 1010, 950, 1010, 950, 0, 255, 0);
    View.DayLight = 0.1;
    Build();
    EXPECT_TRUE(Lists.Quads.empty());
    ASSERT_EQ(Lists.Lines.size(), 4u);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(1000, 950, 0), MapPoint(1000, 950, 5)), 0);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(1010, 950, 0), MapPoint(1010, 950, 20)), 1);
    auto red = PrimitiveColour(Lists.Lines, 2, 0);
    EXPECT_FLOAT_EQ(red[0], 0.1f);
    EXPECT_FLOAT_EQ(red[1], 0.f);
    EXPECT_FLOAT_EQ(PrimitiveColour(Lists.Lines, 2, 1)[1], 0.1f);
}

TEST_F(ObjectPass, ArchesHaveLegsOnlyAtTheirFreeEnds) {
    const int arch = Add(Arch, 990, 950, 1010, 950);
    Build(); // both ends held by walls
    ASSERT_EQ(Lists.Lines.size(), 2u);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(990, 950, 5), MapPoint(1010, 950, 5)), 0);

    Map->Objects[arch].SetEndGrab(true); // the end stands free
    Build();
    ASSERT_EQ(Lists.Lines.size(), 4u);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(1010, 950, 5), MapPoint(1010, 950, 0)), 1);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(990, 950, 5), MapPoint(990, 950, 0)), -1);

    Map->Objects[arch].SetStartGrab(true);
    Build();
    ASSERT_EQ(Lists.Lines.size(), 6u);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(990, 950, 0), MapPoint(990, 950, 5)), 0);
}

TEST_F(ObjectPass, DoubleTracksAndUnknownKindsAreNotDrawn) {
    for (std::uint8_t kind = DoubleTrack; kind < 16; ++kind)
        Add(kind, 990, 950, 1010, 950);
    Build();
    EXPECT_TRUE(Lists.Empty());
}

// ---------------------------------------------------------------------------------------------
// Rails.

class Rails : public ObjectPass {
  protected:
    // Every line at z 0 (the rails, not the wire), as map points.
    std::vector<std::array<double, 4>> RailLines() const {
        std::vector<std::array<double, 4>> out;
        for (std::size_t k = 0; k + 1 < Lists.Lines.size(); k += 2) {
            const TSceneVertex &a = Lists.Lines[k], &b = Lists.Lines[k + 1];
            if (a.Z == 0 && b.Z == 0) out.push_back({a.X, -a.Y, b.X, -b.Y});
        }
        return out;
    }
};

TEST_F(Rails, WireAndStraightPartsStopFiveMetresShortOfTheEnds) {
    const int rail = AddRail(*Map, 900, 950, 1100, 950, 204);
    Link(rail, NoObject);
    View.DayLight = 0.5;
    Build();
    ASSERT_EQ(Lists.Lines.size(), 6u);
    EXPECT_EQ(FindLine(Lists.Lines, MapPoint(900, 950, 5), MapPoint(1100, 950, 5)), 0);
    auto wire = PrimitiveColour(Lists.Lines, 2, 0);
    EXPECT_FLOAT_EQ(wire[0], 0.25f);
    EXPECT_FLOAT_EQ(wire[2], 0.25f);
    // n = (u.y, -u.x) = (0, -1) for a rail running east.
    EXPECT_GE(FindLine(Lists.Lines, MapPoint(905, 950 - 0.762, 0), MapPoint(1095, 950 - 0.762, 0)),
              0);
    EXPECT_GE(FindLine(Lists.Lines, MapPoint(905, 950 + 0.762, 0), MapPoint(1095, 950 + 0.762, 0)),
              0);
    auto rails = PrimitiveColour(Lists.Lines, 2, 1);
    EXPECT_FLOAT_EQ(rails[0], 0.25f);
    EXPECT_FLOAT_EQ(rails[2], float(204 / 255.0 * 0.5));
}

TEST_F(Rails, StraightJointsAreContinuous) {
    const int a = AddRail(*Map, 900, 950, 1000, 950);
    const int b = AddRail(*Map, 1000, 950, 1100, 950);
    Link(a, b);
    Link(b, NoObject);
    Build();
    // Rail a runs on through the joint zone to where b's straight part begins.
    for (double side : {-0.762, 0.762}) {
        EXPECT_GE(
            FindLine(Lists.Lines, MapPoint(995, 950 + side, 0), MapPoint(1005, 950 + side, 0)), 0);
        EXPECT_GE(
            FindLine(Lists.Lines, MapPoint(1005, 950 + side, 0), MapPoint(1095, 950 + side, 0)), 0);
    }
    // Together the pieces cover each rail from 905 to 1095 without a gap.
    for (double side : {-0.762, 0.762}) {
        double reach = 905;
        for (int pass = 0; pass < 4; ++pass)
            for (auto& l : RailLines())
                if (std::fabs(l[1] - (950 + side)) < 1e-3 &&
                    std::fabs(l[3] - (950 + side)) < 1e-3 && std::min(l[0], l[2]) <= reach + 1e-3)
                    reach = std::max(reach, std::max(l[0], l[2]));
        EXPECT_NEAR(reach, 1095, 1e-3);
    }
}

TEST_F(Rails, ARightAngleCurvesFromFiveMetresBeforeTheCorner) {
    // East, then south on the plan: a quarter turn with J = 1, a centre-line radius of 5 m.
    const int a = AddRail(*Map, 900, 950, 1000, 950);
    const int b = AddRail(*Map, 1000, 950, 1000, 990);
    Link(a, b);
    Link(b, NoObject);
    Build();
    const double g = 0.762;
    // The arc's centre lies 5 m before the corner, 5 m to the side it turns to.
    const double cx = 995, cy = 955;
    int onArc[2] = {0, 0};
    for (auto& l : RailLines()) {
        for (int e = 0; e < 2; ++e) {
            const double x = l[2 * e], y = l[2 * e + 1];
            if (x < 995 - 1e-3 || y > 955 + 1e-3) continue; // not in the corner's square
            const double r = std::hypot(x - cx, y - cy);
            if (std::fabs(r - (5 + g)) < 2e-3)
                ++onArc[0];
            else if (std::fabs(r - (5 - g)) < 2e-3)
                ++onArc[1];
            else
                ADD_FAILURE() << "a corner point off both arcs at " << x << ", " << y;
        }
    }
    // Ten segments of two ends each, the straight end before and b's straight start after.
    EXPECT_EQ(onArc[0], 22);
    EXPECT_EQ(onArc[1], 22);
    // Each arc starts where the straight part ends and ends where b's straight part begins.
    EXPECT_GE(FindLine(Lists.Lines, MapPoint(995, 950 - g, 0),
                       MapPoint(995 + (5 + g) * std::sin(0.05 * std::numbers::pi),
                                955 - (5 + g) * std::cos(0.05 * std::numbers::pi), 0)),
              0);
    int ends = 0;
    for (auto& l : RailLines())
        for (int e = 0; e < 2; ++e)
            if (std::fabs(l[2 * e + 1] - 955) < 2e-3 && (std::fabs(l[2 * e] - (1000 + g)) < 2e-3 ||
                                                         std::fabs(l[2 * e] - (1000 - g)) < 2e-3))
                ++ends;
    EXPECT_EQ(ends, 4); // each arc's last point and each of b's straight starts
}

TEST_F(Rails, ASwitchCurvesIntoEachBranchOnce) {
    const int a = AddRail(*Map, 900, 950, 1000, 950);
    const int left = AddRail(*Map, 1000, 950, 1100, 950);
    const int right = AddRail(*Map, 1000, 950, 1090, 990);
    Link(a, left, right);
    Link(left, NoObject);
    Link(right, NoObject);
    Build();
    // Rail a: straight parts (2), extension into the straight branch (2), arcs into the other
    // (20); each branch its straight parts (2 + 2); three wires.
    EXPECT_EQ(Lists.Lines.size(), 2u * (2 + 2 + 20 + 4 + 3));
    Link(a, left, left); // one successor: one joint
    Build();
    EXPECT_EQ(Lists.Lines.size(), 2u * (2 + 2 + 4 + 3));
}

TEST_F(Rails, StopRailsHangABluePlateAtTheStartAndAWhiteOneAtTheEnd) {
    const int rail = AddRail(*Map, 900, 950, 1100, 950, 100, 2);
    Link(rail, NoObject);
    View.DayLight = 0.5;
    Build();
    ASSERT_EQ(Lists.Quads.size(), 8u);
    // u = (1, 0), n = (0, -1).
    EXPECT_EQ(FindQuad(Lists.Quads, MapPoint(900.2, 949.8, 5), MapPoint(900.2, 950.2, 5),
                       MapPoint(900.2, 950.2, 4.6), MapPoint(900.2, 949.8, 4.6)),
              0);
    EXPECT_EQ(FindQuad(Lists.Quads, MapPoint(1099.8, 949.8, 5), MapPoint(1099.8, 950.2, 5),
                       MapPoint(1099.8, 950.2, 4.6), MapPoint(1099.8, 949.8, 4.6)),
              1);
    auto blue = PrimitiveColour(Lists.Quads, 4, 0);
    EXPECT_FLOAT_EQ(blue[0], 0.f);
    EXPECT_FLOAT_EQ(blue[2], 0.25f);
    auto white = PrimitiveColour(Lists.Quads, 4, 1);
    EXPECT_FLOAT_EQ(white[0], 0.5f);
    EXPECT_FLOAT_EQ(white[1], 0.5f);

    Map->Objects[rail].SetStopType(0);
    Build();
    EXPECT_TRUE(Lists.Quads.empty());
}

TEST_F(Rails, RailsWithoutSuccessorsOrLengthDrawNothingUndefined) {
    // A map that never passed the network check or the loader: a rail without links, a dead
    // end, and a stop rail of no length.
    AddRail(*Map, 900, 950, 1000, 950, 100, 2);
    const int deadEnd = AddRail(*Map, 900, 960, 1000, 960);
    const int point = AddRail(*Map, 1000, 940, 1000, 940, 100, 3);
    Link(deadEnd, NoObject);
    Link(point, deadEnd);
    Build();
    // Wire and straight parts for the first two, plates for the first, the wire alone for the
    // third.
    EXPECT_EQ(Lists.Lines.size(), 2u * (3 + 3 + 1));
    EXPECT_EQ(Lists.Quads.size(), 8u);
    for (const auto* list : {&Lists.Lines, &Lists.Quads})
        for (const TSceneVertex& v : *list)
            EXPECT_TRUE(std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z));
}

// ---------------------------------------------------------------------------------------------
// Trees.

constexpr std::size_t TreeVertices = 42 * 3; // 24 bark and 18 crown triangles

class TreeRows : public ObjectPass {
  protected:
    // The top of tree k: the last vertex of its seventh triangle.
    TSceneVertex Top(std::size_t tree) const {
        return Lists.Triangles.at(tree * TreeVertices + 20);
    }
};

TEST_F(TreeRows, OneTreeEveryTenMetresFromFiveMetres) {
    Add(Trees, 1000, 900, 1027, 913); // 29.97 m
    Build();
    ASSERT_EQ(Lists.Triangles.size(), 2 * TreeVertices);
    const double length = std::hypot(27.0, 13.0);
    for (int k = 0; k < 2; ++k) {
        // The top stands within the tree's size (at most 1 m) of its foot.
        const double along = 10 * k + 5;
        const double x = 1000 + 27 / length * along, y = 900 + 13 / length * along;
        EXPECT_LT(std::fabs(Top(k).X - x), 1.0);
        EXPECT_LT(std::fabs(-Top(k).Y - y), 1.0);
        EXPECT_GT(Top(k).Z, 16 * 0.3 - 1e-4);
        EXPECT_LT(Top(k).Z, 24.0);
    }
    Map->Objects[0] = MakeObject(Trees, 1000, 900, 1024, 882); // exactly 30 m
    Build();
    EXPECT_EQ(Lists.Triangles.size(), 3 * TreeVertices);
    EXPECT_TRUE(Lists.Lines.empty() && Lists.Quads.empty());
}

TEST_F(TreeRows, SeenNoFartherThanTheSmallerDistance) {
    Add(Trees, 1000, 850, 1000, 830); // 150 m ahead
    View.ViewDistWall = 500;
    View.ViewDistTree = 100;
    Build();
    EXPECT_TRUE(Lists.Empty());
    View.ViewDistTree = 200;
    Build();
    EXPECT_EQ(Lists.Triangles.size(), 2 * TreeVertices);
    View.ViewDistWall = 100;
    Build();
    EXPECT_TRUE(Lists.Empty());
}

TEST_F(TreeRows, TheColourSeedsTheTreesAndTheGeneratorGoesOnUntouched) {
    Add(Trees, 990, 900, 1010, 900, 10, 20, 30);
    Build();
    const std::vector<TSceneVertex> first = Lists.Triangles;
    // The simulation's sequence is where it was.
    EXPECT_EQ(Random.GetState(), 20240611u);

    // Another frame and another game (another generator state) give the same trees.
    Random.Seed(7);
    Random.Real();
    const std::uint32_t before = Random.GetState();
    Build();
    EXPECT_EQ(Random.GetState(), before);
    ASSERT_EQ(Lists.Triangles.size(), first.size());
    for (std::size_t k = 0; k < first.size(); ++k) {
        EXPECT_EQ(Lists.Triangles[k].X, first[k].X);
        EXPECT_EQ(Lists.Triangles[k].Z, first[k].Z);
        EXPECT_EQ(Lists.Triangles[k].G, first[k].G);
    }

    // The same colour elsewhere gives the same trees moved; another colour other trees.
    Map->Objects[0].Blue = 31;
    Build();
    int differ = 0;
    for (std::size_t k = 0; k < first.size(); ++k)
        differ += Lists.Triangles[k].Z != first[k].Z;
    EXPECT_GT(differ, int(first.size()) / 2);
    EXPECT_EQ(Random.GetState(), before);
}

TEST_F(TreeRows, TreesFollowTheirSeedDrawByDraw) {
    // Seed 0 makes the first draws known: state 1, then 134775814, ...
    Add(Trees, 990, 900, 1010, 900, 0, 0, 0);
    Build();
    TRandom r(0);
    const double turn = 2 * std::numbers::pi * r.Real();
    const double q = r.Real();
    const double size = q * q * 0.7 + 0.3;
    // The first point of the foot ring (angle `turn`, radius 2).
    const double dx = (r.Real() + std::cos(turn) - 0.5) * 2 * size;
    const double dy = (r.Real() + std::sin(turn) - 0.5) * 2 * size;
    ASSERT_FALSE(Lists.Triangles.empty());
    EXPECT_NEAR(Lists.Triangles[0].X, 995 + dx, 1e-4);
    EXPECT_NEAR(Lists.Triangles[0].Y, -900 + dy, 1e-4);
    EXPECT_EQ(Lists.Triangles[0].Z, 0.f);
    // Bark, then crown, each within its range.
    EXPECT_FLOAT_EQ(Lists.Triangles[0].R, 0.5f);
    EXPECT_LT(Lists.Triangles[0].G, 0.3f);
    EXPECT_FLOAT_EQ(Lists.Triangles[12].B, 0.1f);
    EXPECT_GE(Lists.Triangles[12].G, 0.2f);
    EXPECT_LE(Lists.Triangles[12].R, Lists.Triangles[12].G);
}

} // namespace
} // namespace vell::test
