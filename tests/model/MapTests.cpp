// The map's object list: growing, shrinking, compaction, validity, new maps and file naming.
#include "model/FileName.h"
#include "model/Map.h"
#include "model/Utf8.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

TEST(MapObjects, ShrinkingRemovesExactlyTheWaypointsOfRemovedObjects) {
    auto map = NewMap();
    for (int k = 0; k < 6; ++k)
        AddRail(*map, 100 * k, 100, 100 * k + 50, 100);
    SetRoute(*map, 0, 0, {0, 4, 1, 5, 2, 4, 3});
    SetRoute(*map, 2, 11, {5, 4});
    SetRoute(*map, 5, 5, {0, 1});
    map->SetObjectCount(4);
    EXPECT_EQ(map->ObjectCount(), 4);
    EXPECT_EQ(Waypoints(*map, 0, 0), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Waypoints(*map, 2, 11), std::vector<int>{});
    EXPECT_EQ(Waypoints(*map, 5, 5), (std::vector<int>{0, 1}));
}

TEST(MapObjects, GrowingAddsZeroedRecordsAndKeepsTheOld) {
    auto map = NewMap();
    AddRail(*map, 10, 10, 100, 10);
    const TMapObject first = map->Objects[0];
    map->SetObjectCount(3);
    ASSERT_EQ(map->ObjectCount(), 3);
    EXPECT_EQ(map->Objects[0], first);
    EXPECT_EQ(map->Objects[2], TMapObject{});
    map->SetObjectCount(70000); // past the limit of the data model
    EXPECT_EQ(map->ObjectCount(), MaxObjects);
}

TEST(MapObjects, CompactIsStableAndRenumbersWaypoints) {
    auto map = NewMap();
    for (int k = 0; k < 8; ++k)
        AddRail(*map, 100 * k, 100, 100 * k + 50, 100);
    for (int k : {1, 4, 5})
        map->Objects[k].SetSelected(true);
    SetRoute(*map, 1, 1, {7, 4, 6, 1, 0});
    map->Compact([](const TMapObject& o) { return o.Selected(); });
    ASSERT_EQ(map->ObjectCount(), 5);
    const int survivors[] = {0, 2, 3, 6, 7};
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(map->Objects[k].X1, 100 * survivors[k]);
    EXPECT_EQ(Waypoints(*map, 1, 1), (std::vector<int>{4, 3, 0}));
    EXPECT_TRUE(map->Modified);
}

TEST(MapObjects, CompactWithNothingToDeleteLeavesModifiedAlone) {
    auto map = NewMap();
    AddRail(*map, 100, 100, 200, 100);
    map->PurgeInvalid();
    EXPECT_EQ(map->ObjectCount(), 1);
    EXPECT_FALSE(map->Modified);
}

TEST(MapObjects, IndexOfFindsOnlyObjectsOfThisMap) {
    auto map = NewMap();
    AddRail(*map, 100, 100, 200, 100);
    AddRail(*map, 200, 100, 300, 100);
    EXPECT_EQ(map->IndexOf(&map->Objects[1]), 1);
    TMapObject elsewhere;
    EXPECT_EQ(map->IndexOf(&elsewhere), -1);
    EXPECT_EQ(map->IndexOf(nullptr), -1);
}

struct ValidityCase {
    const char* Name;
    std::uint8_t Kind;
    int X1, Y1, X2, Y2;
    bool Invalid;
    friend void PrintTo(const ValidityCase& c, std::ostream* os) { *os << c.Name; }
};

class Validity : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(Validity, FollowsTheLoadRule) {
    const ValidityCase& c = GetParam();
    EXPECT_EQ(IsInvalidObject(MakeObject(c.Kind, c.X1, c.Y1, c.X2, c.Y2)), c.Invalid);
}

INSTANTIATE_TEST_SUITE_P(
    Objects, Validity,
    ::testing::Values(ValidityCase{"wallAsPoint", Wall, 5, 5, 5, 5, false},
                      ValidityCase{"borderAtEdges", Border, 0, 0, 9999, 9999, false},
                      ValidityCase{"wallBelowZero", Wall, -1, 5, 50, 5, true},
                      ValidityCase{"archAbove9999", Arch, 5, 5, 10000, 5, true},
                      ValidityCase{"rail10m", Rail, 100, 100, 110, 100, false},
                      ValidityCase{"rail9m", Rail, 100, 100, 109, 100, true},
                      ValidityCase{"railDiagonalJustShort", Rail, 100, 100, 106, 107, true},
                      ValidityCase{"trees20m", Trees, 100, 100, 100, 120, false},
                      ValidityCase{"trees19m", Trees, 100, 100, 100, 119, true},
                      ValidityCase{"treesNearEdgeAllowed", Trees, 0, 5, 100, 5, false},
                      ValidityCase{"doubleTrackAt9989", DoubleTrack, 10, 10, 9989, 10, false},
                      ValidityCase{"doubleTrackAt9990", DoubleTrackPoles, 10, 10, 9990, 10, true},
                      ValidityCase{"doubleTrackAt9", DoubleTrackGreen, 9, 10, 100, 10, true},
                      ValidityCase{"unknownKindUsesDoubleTrackRule", 12, 5, 10, 100, 10, true},
                      ValidityCase{"unknownKindInside", 15, 10, 10, 100, 10, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(MapLifecycle, NewMapResetsEverythingStored) {
    auto map = NewMap();
    AddRail(*map, 100, 100, 200, 100);
    SetRoute(*map, 3, 3, {0, 0}, 3, 25);
    map->Modified = true;
    map->FileName = "x.vl";
    map->ViewX = 0;
    map->SelectMode = 3;
    map->NewMap();
    EXPECT_EQ(map->ObjectCount(), 0);
    EXPECT_EQ(map->FileName, "Новая");
    EXPECT_FALSE(map->Modified);
    EXPECT_EQ(map->ViewX, 4800);
    EXPECT_EQ(map->ViewY, 4800);
    EXPECT_EQ(map->SelectMode, 0);
    EXPECT_EQ(map->Route(3, 3).WaypointCount, 0);
    EXPECT_EQ(map->Route(3, 3).Cars, 1);
    EXPECT_EQ(map->Route(3, 3).Interval, 10);
    EXPECT_EQ(map->ModifiedPrompt(), "Карта 'Новая' была изменена. Сохранить?");
}

TEST(MapLifecycle, CreateLoadsTheArgumentWithDefaultExtension) {
    TTempDir dir;
    auto saved = NewMap();
    AddRail(*saved, 100, 100, 200, 100);
    std::filesystem::create_directory(dir.Path("maps.old"));
    for (const char* name : {"city.vl", "city.map", "maps.old/town.vl"}) {
        saved->FileName = dir.Path(name);
        ASSERT_TRUE(saved->SaveToFile());
    }
    struct Case {
        std::string Argument, Expected;
    } cases[] = {
        {dir.Path("city"), dir.Path("city.vl")},
        {dir.Path("city.map"), dir.Path("city.map")},
        {dir.Path("maps.old/town"),
         dir.Path("maps.old/town.vl")}, // the folder's dot is no extension
        {dir.Path("maps.old/../city"), dir.Path("maps.old/../city.vl")},
    };
    for (const Case& c : cases) {
        auto map = NewMap();
        map->Create(c.Argument.c_str());
        EXPECT_EQ(map->FileName, c.Expected);
        EXPECT_EQ(map->ObjectCount(), 1) << c.Argument;
    }
}

TEST(MapLifecycle, CreateFallsBackToANewMapSilently) {
    auto map = NewMap();
    map->Create("/nonexistent/folder/city");
    EXPECT_EQ(map->FileName, "Новая");
    EXPECT_EQ(map->ObjectCount(), 0);
    map->Create(nullptr);
    EXPECT_EQ(map->FileName, "Новая");
}

TEST(FileNames, CutAt255Characters) {
    std::string cyrillic;
    for (int k = 0; k < 200; ++k)
        cyrillic += "ж"; // two bytes each
    EXPECT_EQ(Utf8Length(cyrillic), 200u);
    EXPECT_EQ(Utf8Length("1'А"), 3u);
    EXPECT_EQ(CutUtf8(cyrillic, MaxFileNameChars), cyrillic)
        << "200 letters are a name to keep whole";
    EXPECT_EQ(CutUtf8(cyrillic + cyrillic, MaxFileNameChars),
              cyrillic + cyrillic.substr(0, 2 * 55));
    EXPECT_EQ(CutUtf8("a" + cyrillic + cyrillic, MaxFileNameChars).size(), 1u + 2 * 254);
    EXPECT_EQ(CutUtf8("short", MaxFileNameChars), "short");
    EXPECT_EQ(WithDefaultExtension("/карты/" + cyrillic, ".vl"), "/карты/" + cyrillic + ".vl");
    // The extension goes after the cut and is cut again.
    EXPECT_EQ(WithDefaultExtension(std::string(300, 'a'), ".vl"), std::string(255, 'a'));
    EXPECT_EQ(WithDefaultExtension(std::string(250, 'a'), ".vl"), std::string(250, 'a') + ".vl");
    EXPECT_EQ(WithDefaultExtension(std::string(253, 'a'), ".VL"), std::string(253, 'a') + ".V");
}

TEST(FileNames, OnlyTheFileNamePartCountsForTheDot) {
    EXPECT_FALSE(FileNameHasDot("./city"));
    EXPECT_FALSE(FileNameHasDot("../maps/city"));
    EXPECT_FALSE(FileNameHasDot("a.b/city"));
    EXPECT_TRUE(FileNameHasDot("a.b/city.map"));
    EXPECT_TRUE(FileNameHasDot(".hidden"));
    EXPECT_EQ(WithDefaultExtension("../maps/city", ".vl"), "../maps/city.vl");
}

} // namespace
} // namespace vell::test
