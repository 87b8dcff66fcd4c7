// Free arch ends: only wall and high wall end points hold an arch up.
#include "cab/Arches.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell {
namespace {

using test::AddObject;

TEST(PrepareArches, WallEndsHoldArchesUp) {
    auto map = test::NewMap();
    // Between the ends of two walls: a beam, no legs.
    AddObject(*map, Wall, 0, 0, 100, 0);
    AddObject(*map, HighWall, 200, 50, 200, 0);
    const int beam = AddObject(*map, Arch, 100, 0, 200, 0);
    // Alone: two legs.
    const int alone = AddObject(*map, Arch, 500, 500, 520, 500);
    // One end on a wall's start point: a leg at the other end only.
    AddObject(*map, Wall, 700, 700, 800, 700);
    const int half = AddObject(*map, Arch, 690, 690, 700, 700);
    // Ends on another arch, a border and a rail: those do not count.
    AddObject(*map, Border, 900, 900, 950, 900);
    test::AddRail(*map, 1000, 900, 1100, 900);
    const int other = AddObject(*map, Arch, 950, 900, 1000, 900);
    const int onArch = AddObject(*map, Arch, 1000, 900, 1000, 950);
    // A wall passing through an end, but not ending there, does not hold it up.
    AddObject(*map, Wall, 1200, 0, 1400, 0);
    const int midWall = AddObject(*map, Arch, 1300, 0, 1300, 50);

    PrepareArches(*map);
    const auto& o = map->Objects;
    EXPECT_FALSE(o[beam].StartGrab());
    EXPECT_FALSE(o[beam].EndGrab());
    EXPECT_TRUE(o[alone].StartGrab());
    EXPECT_TRUE(o[alone].EndGrab());
    EXPECT_TRUE(o[half].StartGrab());
    EXPECT_FALSE(o[half].EndGrab());
    EXPECT_TRUE(o[other].StartGrab());
    EXPECT_TRUE(o[other].EndGrab());
    EXPECT_TRUE(o[onArch].StartGrab());
    EXPECT_TRUE(o[onArch].EndGrab());
    EXPECT_TRUE(o[midWall].StartGrab());
    EXPECT_TRUE(o[midWall].EndGrab());
}

TEST(PrepareArches, RedoneForEachGameAndLeavesOtherObjectsAlone) {
    auto map = test::NewMap();
    const int wall = AddObject(*map, Wall, 0, 0, 100, 0);
    const int arch = AddObject(*map, Arch, 100, 0, 100, 100);
    const int rail = test::AddRail(*map, 0, 10, 100, 10);
    map->Objects[wall].SetStartGrab(true); // a wall's bits are not the arches'
    map->Objects[rail].SetEndGrab(true);
    map->Objects[arch].SetStartGrab(true); // stale marks from an earlier game
    map->Objects[arch].SetEndGrab(false);
    const std::uint8_t kind = map->Objects[arch].Kind();

    PrepareArches(*map);
    EXPECT_FALSE(map->Objects[arch].StartGrab());
    EXPECT_TRUE(map->Objects[arch].EndGrab());
    EXPECT_EQ(map->Objects[arch].Kind(), kind);
    EXPECT_TRUE(map->Objects[wall].StartGrab());
    EXPECT_TRUE(map->Objects[rail].EndGrab());

    // The wall moves away: the next game gives the arch its leg back.
    map->Objects[wall].X2 = 90;
    PrepareArches(*map);
    EXPECT_TRUE(map->Objects[arch].StartGrab());
}

TEST(PrepareArches, NegativeCoordinatesDoNotMeetOthers) {
    // Points are matched exactly on both coordinates, sign included.
    auto map = test::NewMap();
    AddObject(*map, Wall, -5, 7, 0, 0);
    const int arch = AddObject(*map, Arch, 5, 7, -5, -7);
    PrepareArches(*map);
    EXPECT_TRUE(map->Objects[arch].StartGrab());
    EXPECT_TRUE(map->Objects[arch].EndGrab());
}

} // namespace
} // namespace vell
