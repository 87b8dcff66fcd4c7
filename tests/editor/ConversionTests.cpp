// Double-track conversion and the editor's route panel operations and rail check.
#include "editor/ops/Conversion.h"
#include "editor/ops/RouteEditing.h"
#include "model/RouteTable.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

TMapObject Object(std::uint8_t kind, int x1, int y1, int x2, int y2, std::uint8_t a = 136,
                  std::uint8_t b = 136, std::uint8_t c = 136) {
    TMapObject o = MakeObject(kind, x1, y1, x2, y2);
    o.Red = a, o.Green = b, o.Blue = c;
    return o;
}

std::vector<TMapObject> Converted(std::vector<TMapObject> objects, std::uint8_t grade = 136) {
    auto map = NewMap();
    map->Objects = std::move(objects);
    TRandom random(1);
    EXPECT_TRUE(ConvertDoubleTracks(*map, grade, random));
    return map->Objects;
}

TEST(ChooseOffset, FreeEndsTakeTheShortestOffsetTwoMetresOffTheLine) {
    EXPECT_EQ(ChooseOffset({1100, 1000}, {1000, 1000}, {1100, 1000}), (TOffset{0, 2}));
    EXPECT_EQ(ChooseOffset({1100, 1100}, {1000, 1000}, {1100, 1100}), (TOffset{-2, 1}));
    // Inside a bend: a straight continuation leaves the same choice as a free end.
    EXPECT_EQ(ChooseOffset({1100, 1000}, {1000, 1000}, {900, 1000}), (TOffset{0, 2}));
    EXPECT_DOUBLE_EQ(PointLineDistSq({0, 3}, {0, 0}, {10, 0}), 9.0);
    EXPECT_DOUBLE_EQ(PointLineDistSq({5, 5}, {1, 1}, {1, 1}), 0.0);
}

TEST(ConvertDoubleTracks, LonePolesTrack) {
    const std::vector<TMapObject> expected = {
        Object(Rail, 1000, 1002, 1100, 1002, 136, 0, 0),
        Object(Rail, 1100, 998, 1000, 998, 136, 0, 0),
        Object(HighWall, 1000, 1006, 1000, 1006),
        Object(HighWall, 1000, 994, 1000, 994),
        Object(Arch, 1000, 994, 1000, 1006),
        Object(HighWall, 1100, 1006, 1100, 1006),
        Object(HighWall, 1100, 994, 1100, 994),
        Object(Arch, 1100, 994, 1100, 1006),
    };
    EXPECT_EQ(Converted({Object(DoubleTrackPoles, 1000, 1000, 1100, 1000, 1, 2, 3)}), expected);
}

TEST(ConvertDoubleTracks, DrawnBackwardsTheRailsSwapSides) {
    std::vector<TMapObject> objects = Converted({Object(DoubleTrack, 1100, 1000, 1000, 1000)});
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0], Object(Rail, 1100, 998, 1000, 998, 136, 0, 0));
    EXPECT_EQ(objects[1], Object(Rail, 1000, 1002, 1100, 1002, 136, 0, 0));
}

TEST(ConvertDoubleTracks, LoneDiagonalTrack) {
    std::vector<TMapObject> objects = Converted({Object(DoubleTrack, 1000, 1000, 1100, 1100)});
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0], Object(Rail, 998, 1001, 1098, 1101, 136, 0, 0));
    EXPECT_EQ(objects[1], Object(Rail, 1102, 1099, 1002, 999, 136, 0, 0));
}

TEST(ConvertDoubleTracks, TracksHeadToTailShareOnePairOfPoles) {
    std::vector<TMapObject> objects = Converted({Object(DoubleTrackPoles, 1000, 1000, 1100, 1000),
                                                 Object(DoubleTrackPoles, 1100, 1000, 1200, 1000)});
    int rails = 0, arches = 0, arches1100 = 0;
    for (const TMapObject& o : objects) {
        rails += o.IsRail();
        if (o.Kind() == Arch) {
            ++arches;
            arches1100 += o.X1 == 1100;
        }
    }
    EXPECT_EQ(rails, 4);
    EXPECT_EQ(arches, 3);
    EXPECT_EQ(arches1100, 1);
    // The rails meet end to end on both sides.
    EXPECT_EQ(objects[0], Object(Rail, 1000, 1002, 1100, 1002, 136, 0, 0));
    EXPECT_EQ(objects[1], Object(Rail, 1100, 998, 1000, 998, 136, 0, 0));
    EXPECT_EQ(objects[5], Object(Rail, 1100, 1002, 1200, 1002, 136, 0, 0));
    EXPECT_EQ(objects[6], Object(Rail, 1200, 998, 1100, 998, 136, 0, 0));
}

TEST(ConvertDoubleTracks, TracksAtARightAngleAreFreeEnds) {
    std::vector<TMapObject> objects = Converted({Object(DoubleTrackPoles, 1000, 1000, 1100, 1000),
                                                 Object(DoubleTrackPoles, 1100, 1000, 1100, 1100)});
    int archesAtCorner = 0;
    for (const TMapObject& o : objects)
        archesAtCorner += o.Kind() == Arch && o.X1 + o.X2 == 2200 && o.Y1 + o.Y2 == 2000;
    EXPECT_EQ(archesAtCorner, 2); // each track puts its own poles at the shared corner
}

TEST(ConvertDoubleTracks, GradeFromTheColour) {
    for (std::uint8_t grade : {136, 85}) {
        std::vector<TMapObject> objects =
            Converted({Object(DoubleTrack, 1000, 1000, 1100, 1000)}, grade);
        EXPECT_EQ(objects[0].SpeedGrade(), grade);
        EXPECT_EQ(objects[0].StopInfo(), 0);
        EXPECT_EQ(objects[0].Flags, Rail);
    }
}

TEST(ConvertDoubleTracks, LaneAndGreenTracksAddKerbsAndTrees) {
    std::vector<TMapObject> lane = Converted({Object(DoubleTrackLane, 1000, 1000, 1100, 1000)});
    ASSERT_EQ(lane.size(), 10u);
    EXPECT_EQ(lane[8], Object(Border, 1000, 1006, 1100, 1006));
    EXPECT_EQ(lane[9], Object(Border, 1100, 994, 1000, 994));

    std::vector<TMapObject> green = Converted({Object(DoubleTrackGreen, 1000, 1000, 1100, 1000)});
    ASSERT_EQ(green.size(), 12u);
    EXPECT_EQ(green[2], Object(HighWall, 1000, 1008, 1000, 1008)); // poles four offsets out
    EXPECT_EQ(green[8], Object(Border, 1000, 1008, 1100, 1008, 0, 255, 0));
    EXPECT_EQ(green[9], Object(Border, 1100, 992, 1000, 992, 0, 255, 0));
    EXPECT_EQ(green[10].Kind(), Trees);
    EXPECT_EQ(green[10].Y1, 1006);
    EXPECT_EQ(green[11].Y1, 994);
    for (const TMapObject& t : {green[10], green[11]})
        EXPECT_TRUE(t.Red < 255 && t.Green < 255 && t.Blue < 255);
}

TEST(ConvertDoubleTracks, NoDoubleTracksOnlyClearsTheSelection) {
    auto map = NewMap();
    AddRail(*map, 100, 100, 200, 100);
    map->Objects[0].SetSelected(true);
    TRandom random(1);
    EXPECT_TRUE(ConvertDoubleTracks(*map, 136, random));
    EXPECT_EQ(map->ObjectCount(), 1);
    EXPECT_FALSE(map->Objects[0].Selected());
    EXPECT_FALSE(map->Modified);
}

TEST(ConvertDoubleTracks, FullMapLeavesTheUnconvertedTracksInPlace) {
    auto map = NewMap();
    map->Objects.resize(MaxObjects - 5, MakeObject(Wall, 0, 0, 0, 0));
    AddObject(*map, DoubleTrack, 1000, 1000, 1100, 1000);      // 2 rails fit
    AddObject(*map, DoubleTrackPoles, 2000, 1000, 2100, 1000); // needs 8
    AddObject(*map, DoubleTrack, 3000, 1000, 3100, 1000);      // nothing left
    ASSERT_EQ(map->ObjectCount(), MaxObjects - 2);
    TRandom random(1);
    EXPECT_FALSE(ConvertDoubleTracks(*map, 136, random));
    int doubles = 0;
    for (const TMapObject& o : map->Objects)
        doubles += o.Kind() >= DoubleTrack;
    EXPECT_EQ(doubles, 2); // the first was converted and deleted
    EXPECT_EQ(map->ObjectCount(), MaxObjects - 1);
    EXPECT_TRUE(map->Modified);
}

TEST(ConvertDoubleTracks, ClosedLoopBecomesASoundNetwork) {
    auto map = NewMap();
    const std::vector<std::pair<int, int>> corners = {{1000, 1000}, {1500, 1000}, {1700, 1200},
                                                      {1700, 1600}, {1500, 1800}, {1000, 1800},
                                                      {800, 1600},  {800, 1200}};
    for (std::size_t k = 0; k < corners.size(); ++k) {
        auto [x1, y1] = corners[k];
        auto [x2, y2] = corners[(k + 1) % corners.size()];
        AddObject(*map, k % 2 ? DoubleTrackPoles : DoubleTrackGreen, x1, y1, x2, y2);
    }
    TRandom random(1);
    ASSERT_TRUE(ConvertDoubleTracks(*map, 136, random));
    EXPECT_EQ(CheckRails(*map).FaultyRail, -1);
    int rails = 0;
    for (const TMapObject& o : map->Objects)
        rails += o.IsRail();
    EXPECT_EQ(rails, 16);
}

TEST(RouteEditing, WaypointCaptions) {
    const std::pair<int, const char*> cases[] = {
        {0, "Маршрут не задан"}, {1, "1 точка (маршрут не задан)"},
        {2, "2 точки"},          {5, "5 точек"},
        {11, "11 точек"},        {21, "21 точка"},
        {22, "22 точки"},        {25, "25 точек"},
        {31, "31 точка"}};
    for (auto [n, caption] : cases)
        EXPECT_EQ(CountPointCaption(n), caption) << n;
    EXPECT_FALSE(CountPointCaption(-1).has_value());
    EXPECT_FALSE(CountPointCaption(32).has_value());
}

TEST(RouteEditing, AddsOnlyTheLowestSelectedRailAndNoThirtySecond) {
    auto map = NewMap();
    AddObject(*map, Wall, 0, 0, 10, 10);
    const int a = AddRail(*map, 100, 100, 200, 100);
    const int b = AddRail(*map, 200, 100, 300, 100);
    map->Objects[0].SetSelected(true);
    map->Objects[b].SetSelected(true);
    map->Objects[a].SetSelected(true);
    EXPECT_TRUE(AddSelectedRailToRoute(*map, 2, 3));
    EXPECT_EQ(Waypoints(*map, 2, 3), std::vector<int>{a});
    EXPECT_TRUE(map->Modified);
    for (int k = 1; k < 31; ++k)
        EXPECT_TRUE(AddSelectedRailToRoute(*map, 2, 3));
    map->Modified = false;
    EXPECT_FALSE(AddSelectedRailToRoute(*map, 2, 3));
    EXPECT_EQ(map->Route(2, 3).WaypointCount, 31);
    EXPECT_TRUE(map->Modified); // marked even when nothing was added
    ClearRoute(*map, 2, 3);
    EXPECT_EQ(map->Route(2, 3).WaypointCount, 0);
}

TEST(RouteEditing, NegativeCountFromAFileStartsAFreshList) {
    auto map = NewMap();
    const int a = AddRail(*map, 100, 100, 200, 100);
    map->Objects[a].SetSelected(true);
    map->Route(0, 0).WaypointCount = -5;
    EXPECT_TRUE(AddSelectedRailToRoute(*map, 0, 0));
    EXPECT_EQ(Waypoints(*map, 0, 0), std::vector<int>{a});
}

TEST(RouteEditing, CheckSelectsTheWalkOrNothing) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300, 2);
    const int spare = AddRing(*map, 1000, 1000, 1200, 1200)[0]; // another line
    SetRoute(*map, 0, 0, {ring[0]});
    CheckRoute(*map, 0, 0);
    for (const TMapObject& o : map->Objects)
        EXPECT_FALSE(o.Selected());
    SetRoute(*map, 0, 0, {ring[0], ring[4]});
    CheckRoute(*map, 0, 0);
    for (int r : ring)
        EXPECT_TRUE(map->Objects[r].Selected());
    EXPECT_FALSE(map->Objects[spare].Selected());
    EXPECT_FALSE(map->NetworkOk);
}

// The route check says why a route does not close, counting waypoints from 1 as the panel does.
TEST(RouteEditing, CheckSaysWhatStandsInTheRoutesWay) {
    auto map = NewMap();
    std::vector<int> ring = AddRing(*map, 100, 100, 500, 300, 2);
    const int spare = AddRing(*map, 1000, 1000, 1200, 1200)[0]; // a line of its own
    const int leadIn = AddRail(*map, 50, 40, 120, 100);         // into the ring, nothing back
    const int wall = AddObject(*map, Wall, 0, 0, 50, 0);
    auto said = [&](std::initializer_list<int> waypoints, int column = 0) {
        SetRoute(*map, 0, column, waypoints);
        return RouteCheckText(*map, 0, column, CheckRoute(*map, 0, column));
    };
    EXPECT_EQ(said({ring[0]}), "Маршрут 1 не задан: нужны хотя бы две точки.");
    EXPECT_EQ(said({ring[0], ring[4]}, 11),
              "Маршрут 1А замыкается; его рельсы выделены (" + std::to_string(ring.size()) + ").");
    EXPECT_EQ(said({leadIn, ring[1]}), "Маршрут 1 не замыкается: от точки 2 нет пути к точке 1.");
    EXPECT_EQ(said({ring[0], ring[4], spare}),
              "Маршрут 1 замыкается, но минует точку 3: от точки 2 к ней нет пути.");
    EXPECT_EQ(said({ring[0], wall}), "Маршрут 1 не замыкается: точка 2 не рельс.");
    const int dead = AddRail(*map, 3000, 3000, 3100, 3000);
    EXPECT_EQ(said({ring[0], ring[4]}), "Маршрут 1 не проложен: ошибка с рельсами. Неисправных "
                                        "рельсов: 1 (выделены); рельс " +
                                            std::to_string(dead) +
                                            ": тупик: рельс никуда не ведёт");
    EXPECT_TRUE(map->Objects[dead].Selected());
}

TEST(RailCheck, CentresTheViewOnTheFaultyRailWithinTheScrollRange) {
    auto map = NewMap();
    EXPECT_EQ(CheckRails(*map).FaultyRail, -1);
    AddRail(*map, 5000, 6000, 5100, 6000);
    TRailCheck check = CheckRails(*map);
    EXPECT_EQ(check.FaultyRail, 0);
    EXPECT_EQ(check.ViewX, 4750);
    EXPECT_EQ(check.ViewY, 5700);
    EXPECT_TRUE(map->Objects[0].Selected());
    EXPECT_FALSE(map->NetworkOk);
    AddRail(*map, 10, 20, 60, 20);
    check = CheckRails(*map);
    EXPECT_EQ(check.FaultyRail, 1);
    EXPECT_EQ(check.ViewX, 0);
    EXPECT_EQ(check.ViewY, 0);
    AddRail(*map, 9990, 9990, 9999, 9999);
    EXPECT_EQ(CheckRails(*map).ViewX, 9400);
}

// The words of VellSim's check, with how many rails are faulty: the one in the middle of the view
// breaks both of its rules.
TEST(RailCheck, SaysHowManyRailsAreFaultyAndWhichRulesTheShownOneBreaks) {
    auto map = NewMap();
    AddRing(*map, 100, 100, 500, 300);
    EXPECT_EQ(RailCheckText(CheckRails(*map)), "");
    AddRail(*map, 2000, 2000, 2100, 2000);
    const int stop = AddRail(*map, 3000, 3000, 3020, 3000, 136, 2);
    const TRailCheck check = CheckRails(*map);
    EXPECT_EQ(check.FaultyRail, stop);
    EXPECT_EQ(RailCheckText(check),
              "Ошибка с рельсами! Неисправных рельсов: 2 (выделены). В центре вида рельс " +
                  std::to_string(stop) + ": тупик: рельс никуда не ведёт; остановка короче 25 м");
}

} // namespace
} // namespace vell::test
