// Click selection of the nearest object on the plan view.
#include "model/Selection.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

// The view is at 4800, 4800: plan pixel (250, 200) is map point (5050, 5000).
class SelectNearestTest : public ::testing::Test {
  protected:
    std::unique_ptr<TMap> Map = NewMap();
    bool Selected(int i) const { return Map->Objects[i].Selected(); }
};

TEST_F(SelectNearestTest, ADragThatSelectsDoesNotDeselect) {
    const int wall = AddObject(*Map, Wall, 5000, 5000, 5100, 5000);
    SelectNearest(*Map, 250, 204); // 4 m below the wall
    EXPECT_TRUE(Selected(wall));
    EXPECT_EQ(Map->SelectMode, 2);
    SelectNearest(*Map, 250, 197); // 3 m above it, still selecting
    EXPECT_TRUE(Selected(wall));
    EXPECT_EQ(Map->SelectMode, 2);
}

TEST_F(SelectNearestTest, AFirstClickOnASelectedObjectStartsDeselecting) {
    const int wall = AddObject(*Map, Wall, 5000, 5000, 5100, 5000);
    const int other = AddObject(*Map, Wall, 5000, 5002, 5100, 5002);
    Map->Objects[wall].SetSelected(true);
    Map->Objects[other].SetSelected(true);
    SelectNearest(*Map, 250, 199);
    EXPECT_EQ(Map->SelectMode, 3);
    EXPECT_FALSE(Selected(wall));
    EXPECT_TRUE(Selected(other));
    // Deselecting passes over unselected objects, however close: the other wall goes next.
    SelectNearest(*Map, 250, 199);
    EXPECT_FALSE(Selected(other));
    EXPECT_EQ(Map->SelectMode, 3);
}

TEST_F(SelectNearestTest, OnlyObjectsCloserThanFiveMetres) {
    const int wall = AddObject(*Map, Wall, 5000, 5000, 5100, 5000);
    SelectNearest(*Map, 250, 205); // exactly 5 m
    SelectNearest(*Map, 303, 204); // 5 m from the end point (3, 4)
    EXPECT_FALSE(Selected(wall));
    EXPECT_EQ(Map->SelectMode, 0);
    SelectNearest(*Map, 302, 204); // 4.47 m from the end point
    EXPECT_TRUE(Selected(wall));
}

TEST_F(SelectNearestTest, TheNearestWinsAndOnATieTheLowerIndex) {
    const int far = AddObject(*Map, Wall, 5000, 4997, 5100, 4997);
    const int nearer = AddObject(*Map, Rail, 5000, 5002, 5100, 5002);
    const int tied = AddObject(*Map, Trees, 5000, 5002, 5100, 5002);
    SelectNearest(*Map, 250, 200);
    EXPECT_TRUE(Selected(nearer));
    EXPECT_FALSE(Selected(far));
    EXPECT_FALSE(Selected(tied));
    // The next click of the drag passes over the selected rail to the tied trees.
    SelectNearest(*Map, 250, 200);
    EXPECT_TRUE(Selected(tied));
    EXPECT_FALSE(Selected(far));
}

TEST_F(SelectNearestTest, TheNearestObjectQueryFiltersAndChangesNothing) {
    const int wall = AddObject(*Map, Wall, 5000, 5001, 5100, 5001);
    const int rail = AddObject(*Map, Rail, 5000, 5003, 5100, 5003);
    const std::vector<TMapObject> before = Map->Objects;
    EXPECT_EQ(NearestObject(*Map, 250, 200), wall);
    EXPECT_EQ(NearestObject(*Map, 250, 200, [](const TMapObject& o) { return o.IsRail(); }), rail);
    EXPECT_EQ(NearestObject(*Map, 250, 209), -1); // 6 m from the rail
    EXPECT_EQ(Map->Objects, before);
    EXPECT_EQ(Map->SelectMode, 0);
}

TEST_F(SelectNearestTest, PixelsCountFromTheViewOrigin) {
    Map->ViewX = -1000;
    Map->ViewY = 9000;
    const int wall = AddObject(*Map, Wall, 0, 9990, 0, 9999);
    SelectNearest(*Map, 1000, 995);
    EXPECT_TRUE(Selected(wall));
    SelectNearest(*Map, -32768, -32768); // nothing there: nothing changes
    EXPECT_TRUE(Selected(wall));
    EXPECT_EQ(Map->SelectMode, 2);
}

} // namespace
} // namespace vell::test
