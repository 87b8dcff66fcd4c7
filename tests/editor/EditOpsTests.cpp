// The editor's drawing and editing operations, its mouse protocol and its file questions.
#include "editor/ops/EditOps.h"
#include "editor/ops/EditorFlows.h"
#include "editor/ops/PlanMouse.h"
#include "model/Geometry.h"
#include "model/MapFlows.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

TMapPoint Start(const TMapObject& o) {
    return {o.X1, o.Y1};
}
TMapPoint End(const TMapObject& o) {
    return {o.X2, o.Y2};
}

TEST(SnapToEnd, NearestEndCloserThanFiveMetres) {
    auto map = NewMap();
    map->ViewX = 1000, map->ViewY = 2000;
    AddObject(*map, Wall, 1100, 2100, 1200, 2100);
    // (3, 3) away: 18 < 25 snaps; (3, 4) away is exactly 5 m and does not.
    EXPECT_EQ(SnapToEnd(*map, 103, 103, false), (TMapPoint{1100, 2100}));
    EXPECT_TRUE(map->Snapped);
    EXPECT_EQ(map->SnapX, 100);
    EXPECT_EQ(map->SnapY, 100);
    EXPECT_EQ(SnapToEnd(*map, 103, 104, false), (TMapPoint{1103, 2104}));
    EXPECT_FALSE(map->Snapped);
    EXPECT_EQ(map->SnapX, 103);
    EXPECT_EQ(map->SnapY, 104);
    // The nearer of two ends wins even when the farther comes first.
    AddObject(*map, Wall, 1101, 2101, 1300, 2300);
    EXPECT_EQ(SnapToEnd(*map, 102, 102, false), (TMapPoint{1101, 2101}));
    // The last object (the one being drawn) can be left out.
    EXPECT_EQ(SnapToEnd(*map, 102, 102, true), (TMapPoint{1100, 2100}));
    EXPECT_EQ(SnapToEnd(*map, 300, 300, true), (TMapPoint{1300, 2300}));
    EXPECT_FALSE(map->Snapped);
}

TEST(GrabEnds, MarksExactlyTheEndsOnTheSnapPointAndMovesThem) {
    auto map = NewMap();
    map->ViewX = map->ViewY = 0;
    const int a = AddObject(*map, Wall, 10, 10, 50, 50);
    const int b = AddObject(*map, Rail, 50, 50, 90, 10);
    const int c = AddObject(*map, Rail, 51, 50, 50, 50);
    map->Objects[a].SetStartGrab(true); // left over from an earlier drag
    SnapToEnd(*map, 50, 51, false);
    GrabEnds(*map);
    EXPECT_FALSE(map->Objects[a].StartGrab());
    EXPECT_TRUE(map->Objects[a].EndGrab());
    EXPECT_TRUE(map->Objects[b].StartGrab());
    EXPECT_FALSE(map->Objects[b].EndGrab());
    EXPECT_FALSE(map->Objects[c].StartGrab());
    EXPECT_TRUE(map->Objects[c].EndGrab());

    MoveGrabbedEnds(*map, 70, 80);
    EXPECT_EQ(End(map->Objects[a]), (TMapPoint{70, 80}));
    EXPECT_EQ(Start(map->Objects[b]), (TMapPoint{70, 80}));
    EXPECT_EQ(Start(map->Objects[c]), (TMapPoint{51, 50}));
    EXPECT_TRUE(map->Modified);
    EXPECT_TRUE(map->Objects[a].EndGrab()); // the marks stay until the next grab

    // Nothing under the snap point: nothing grabbed, nothing moved, nothing modified.
    map->Modified = false;
    SnapToEnd(*map, 300, 300, false);
    GrabEnds(*map);
    MoveGrabbedEnds(*map, 5, 5);
    EXPECT_FALSE(map->Modified);
    EXPECT_EQ(End(map->Objects[a]), (TMapPoint{70, 80}));
}

TEST(SwapSelected, CyclesKindsAndRailStates) {
    auto map = NewMap();
    for (int kind = 0; kind < ObjectKindCount; ++kind)
        AddObject(*map, kind, 0, kind, 100, kind);
    const int unselected = AddObject(*map, Wall, 0, 50, 100, 50);
    for (int i = 0; i < ObjectKindCount; ++i)
        map->Objects[i].SetSelected(true);
    map->Objects[Trees].Red = 7;
    const TMapObject trees = map->Objects[Trees];
    SwapSelected(*map);
    const std::uint8_t expected[] = {Wall,
                                     HighWall,
                                     Arch,
                                     Border,
                                     Rail,
                                     Trees,
                                     DoubleTrackPoles,
                                     DoubleTrackLane,
                                     DoubleTrackGreen,
                                     DoubleTrack};
    for (int i = 0; i < ObjectKindCount; ++i)
        EXPECT_EQ(map->Objects[i].Kind(), expected[i]) << i;
    EXPECT_EQ(map->Objects[Trees], trees);
    EXPECT_EQ(map->Objects[unselected].Kind(), Wall);
    EXPECT_TRUE(map->Objects[Border].Selected()); // the other flag bits stay
    EXPECT_TRUE(map->Modified);

    // Only trees selected: nothing changes, yet the map counts as modified.
    map->Modified = false;
    map->ClearMarks();
    map->Objects[Trees].SetSelected(true);
    SwapSelected(*map);
    EXPECT_TRUE(map->Modified);

    // A kept-clear rail with a stop type from elsewhere comes back plain.
    map->ClearMarks();
    TMapObject& rail = map->Objects[Rail];
    rail.SetSelected(true);
    rail.SetKeepClear(true);
    rail.SetStopType(3);
    rail.SetCatchment(40);
    SwapSelected(*map);
    EXPECT_FALSE(rail.KeepClear());
    EXPECT_EQ(rail.StopType(), 0);
    EXPECT_EQ(rail.Catchment(), 40);
}

TEST(Colours, AverageOfWallsAndRailsAndApplying) {
    auto map = NewMap();
    const int wall = AddObject(*map, Arch, 0, 0, 100, 0);
    map->Objects[wall].Red = 10, map->Objects[wall].Green = 255, map->Objects[wall].Blue = 0;
    const int rail = AddRail(*map, 0, 10, 100, 10, 101, 2);
    map->Objects[rail].SetWaiting(9);
    const int trees = AddObject(*map, Trees, 0, 20, 100, 20);
    const int track = AddObject(*map, DoubleTrack, 20, 30, 100, 30);
    EXPECT_EQ(AverageSelectedColor(*map), std::nullopt);
    map->Objects[trees].SetSelected(true);
    map->Objects[track].SetSelected(true);
    EXPECT_EQ(AverageSelectedColor(*map), std::nullopt);
    map->Objects[wall].SetSelected(true);
    map->Objects[rail].SetSelected(true);
    // (10 + 101) / 2, (255 + 101) / 2, (0 + 101) / 2, each rounded down.
    EXPECT_EQ(AverageSelectedColor(*map), MakeColor(55, 178, 50));

    map->Modified = false;
    ApplyColorToSelected(*map, MakeColor(200, 100, 2)); // grade 302 / 3 = 100
    EXPECT_EQ(map->Objects[wall].Red, 200);
    EXPECT_EQ(map->Objects[wall].Green, 100);
    EXPECT_EQ(map->Objects[wall].Blue, 2);
    EXPECT_EQ(map->Objects[rail].SpeedGrade(), 100);
    EXPECT_EQ(map->Objects[rail].StopType(), 2);
    EXPECT_EQ(map->Objects[rail].Waiting(), 9);
    EXPECT_EQ(map->Objects[trees].Red, 0);
    // A recoloured map has unsaved changes.
    EXPECT_TRUE(map->Modified);
    EXPECT_EQ(ColorGrade(StartColor), 136);
    EXPECT_EQ(ColorGrade(MakeColor(255, 0, 0)), 85);
}

TEST(ShowNeighbours, RailsNearTheFirstSelectedRail) {
    auto map = NewMap();
    const int wall = AddObject(*map, Wall, 0, 0, 100, 0);
    const int first = AddRail(*map, 0, 100, 100, 100);
    const int crossing = AddRail(*map, 50, 50, 50, 150);
    const int end = AddRail(*map, 103, 100, 200, 100); // 3 m past its end
    const int apart = AddRail(*map, 0, 104, 100, 104); // 4 m: not near
    map->Objects[wall].SetSelected(true);              // not a rail: not the one looked at
    ShowNeighbours(*map);
    EXPECT_FALSE(map->Objects[crossing].Selected()); // no rail selected yet
    map->Objects[first].SetSelected(true);
    ShowNeighbours(*map);
    EXPECT_TRUE(map->Objects[crossing].Selected());
    EXPECT_TRUE(map->Objects[end].Selected());
    EXPECT_FALSE(map->Objects[apart].Selected());
    EXPECT_TRUE(map->Objects[wall].Selected());
}

TMapObject& Last(TMap& map) {
    return map.Objects.back();
}

TEST(PlanMouse, ADrawnObjectDoesNotSnapToItself) {
    auto Map = NewMap();
    Map->ViewX = Map->ViewY = 1000;
    TRandom Random(5);
    TPlanMouse mouse(*Map, Random);
    mouse.Press(TMouseButton::Left, 100, 100, Rail, StartColor);
    mouse.Move(102, 101); // 2 m from its own start
    EXPECT_EQ(End(Last(*Map)), (TMapPoint{1102, 1101}));
    mouse.Move(-50, 700); // clamped to the view
    EXPECT_EQ(End(Last(*Map)), (TMapPoint{1000, 1599}));
    mouse.Release(TMouseButton::Left);
    ASSERT_EQ(Map->ObjectCount(), 1);
    EXPECT_EQ(Last(*Map).Flags, Rail | SelectedBit);
}

TEST(PlanMouse, DoubleTracksGetZeroBytesAndOtherButtonsDrawNothing) {
    auto Map = NewMap();
    TRandom Random(5);
    TPlanMouse mouse(*Map, Random);
    EXPECT_EQ(mouse.Press(TMouseButton::Other, 100, 100, Wall, StartColor), TRedraw::None);
    EXPECT_EQ(Map->ObjectCount(), 0);
    mouse.Press(TMouseButton::Left, 100, 100, DoubleTrackGreen, StartColor);
    mouse.Move(200, 100);
    mouse.Release(TMouseButton::Left);
    ASSERT_EQ(Map->ObjectCount(), 1);
    EXPECT_EQ(Last(*Map).Red + Last(*Map).Green + Last(*Map).Blue, 0);
}

TEST(PlanMouse, AFullMapIgnoresTheLeftButton) {
    auto Map = NewMap();
    Map->Objects.assign(MaxObjects, MakeObject(Wall, 1, 1, 2, 2));
    TRandom Random(5);
    TPlanMouse mouse(*Map, Random);
    EXPECT_EQ(mouse.Press(TMouseButton::Left, 100, 100, Wall, StartColor), TRedraw::None);
    EXPECT_FALSE(mouse.Drawing());
    EXPECT_EQ(Map->ObjectCount(), MaxObjects);
    EXPECT_FALSE(Map->Modified);
    TMapObject o;
    EXPECT_FALSE(Map->AddObject(o));
}

// Releasing another button while drawing must not purge the unfinished object: the drawing
// would go on with whatever object was last before it.
TEST(PlanMouse, AnotherButtonsReleaseDoesNotEndTheDrawing) {
    auto Map = NewMap();
    Map->ViewX = Map->ViewY = 0;
    AddObject(*Map, Wall, 10, 10, 300, 10);
    TRandom Random(5);
    TPlanMouse mouse(*Map, Random);
    mouse.Press(TMouseButton::Left, 100, 100, Rail, StartColor);
    EXPECT_EQ(mouse.Release(TMouseButton::Other), TRedraw::All);
    EXPECT_TRUE(mouse.Drawing());
    mouse.Move(200, 100);
    mouse.Release(TMouseButton::Left);
    ASSERT_EQ(Map->ObjectCount(), 2);
    EXPECT_EQ(End(Map->Objects[0]), (TMapPoint{300, 10}));
    EXPECT_EQ(End(Map->Objects[1]), (TMapPoint{200, 100}));
    // Outside a drawing such a release purges as any other.
    Map->Objects[0].X2 = 10;
    Map->Objects[0].Y2 = 20000;
    mouse.Release(TMouseButton::Other);
    EXPECT_EQ(Map->ObjectCount(), 1);
}

// A command that empties the map while the left button draws ends the drawing.
TEST(PlanMouse, ACommandDuringADrawingEndsIt) {
    auto Map = NewMap();
    TRandom Random(5);
    TPlanMouse mouse(*Map, Random);
    mouse.Press(TMouseButton::Left, 100, 100, Rail, StartColor);
    Map->NewMap();
    mouse.Move(150, 150); // nothing left to draw: no crash, nothing made
    EXPECT_FALSE(mouse.Drawing());
    EXPECT_EQ(Map->ObjectCount(), 0);

    AddObject(*Map, Wall, 4800, 4800, 4900, 4800);
    mouse.Press(TMouseButton::Left, 300, 300, Rail, StartColor);
    Map->DeleteSelected();
    mouse.Reset();
    mouse.Move(200, 0); // the wall is not taken for the drawn object
    EXPECT_EQ(End(Map->Objects[0]), (TMapPoint{4900, 4800}));
    EXPECT_FALSE(mouse.Drawing() || mouse.Selecting() || mouse.Moving());
}

class EditorFlows : public ::testing::Test {
  protected:
    void SetUp() override {
        Map = NewMap();
        AddRail(*Map, 500, 500, 600, 500);
        Map->FileName = Dir.Path("mine.vl");
        Map->Modified = true;
        auto other = NewMap();
        AddRail(*other, 100, 100, 200, 100);
        AddRail(*other, 200, 100, 300, 100);
        other->FileName = Dir.Path("other.vl");
        ASSERT_TRUE(other->SaveToFile());
    }
    std::string Prompt() const { return "ask3: " + Map->ModifiedPrompt(); }
    TTempDir Dir;
    std::unique_ptr<TMap> Map;
    TScriptedDialogs Dialogs;
};

TEST_F(EditorFlows, ExitQuestions) {
    Dialogs.Answers = {TAnswer::Cancel, TAnswer::No};
    EXPECT_FALSE(ConfirmExit(*Map, Dialogs));
    EXPECT_TRUE(ConfirmExit(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log, (std::vector<std::string>{Prompt(), Prompt()}));
    EXPECT_FALSE(FileExists(Dir.Path("mine.vl")));
    // Yes: leaving only when the save worked.
    Map->FileName = Dir.Path("no-such-folder/mine.vl");
    Dialogs.Answers = {TAnswer::Yes};
    EXPECT_FALSE(ConfirmExit(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log.back(), "error: Ошибка при сохранении карты!\nПапка не найдена.");
    Map->FileName = Dir.Path("mine.vl");
    Dialogs.Answers = {TAnswer::Yes};
    EXPECT_TRUE(ConfirmExit(*Map, Dialogs));
    EXPECT_TRUE(FileExists(Dir.Path("mine.vl")));
    // Unchanged: the plain question.
    Dialogs.Log.clear();
    Dialogs.Answers = {TAnswer::No, TAnswer::Yes};
    EXPECT_FALSE(ConfirmExit(*Map, Dialogs));
    EXPECT_TRUE(ConfirmExit(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log, (std::vector<std::string>(2, "ask2: Вы действительно хотите выйти?")));
}

TEST_F(EditorFlows, NewMapKeepsChangesThatCouldNotBeSaved) {
    Map->FileName = Dir.Path("no-such-folder/mine.vl");
    Dialogs.Answers = {TAnswer::Yes};
    EXPECT_FALSE(ConfirmNewMap(*Map, Dialogs));
    EXPECT_EQ(Map->ObjectCount(), 1);
    EXPECT_TRUE(Map->Modified);
    Dialogs.Answers = {TAnswer::Cancel};
    EXPECT_FALSE(ConfirmNewMap(*Map, Dialogs));
    EXPECT_EQ(Map->ObjectCount(), 1);
    Dialogs.Answers = {TAnswer::No};
    EXPECT_TRUE(ConfirmNewMap(*Map, Dialogs));
    EXPECT_EQ(Map->ObjectCount(), 0);
    EXPECT_EQ(Map->FileName, NewMapName);
    EXPECT_FALSE(Map->Modified);
}

TEST_F(EditorFlows, OpenAsksOnceAndKeepsTheChangesWhenNothingIsOpened) {
    Dialogs.Answers = {TAnswer::No};
    EditorOpenMap(*Map, Dialogs); // dialog cancelled
    EXPECT_EQ(Dialogs.Log, (std::vector<std::string>{Prompt(), "open dialog"}));
    EXPECT_TRUE(Map->Modified);
    EXPECT_EQ(Map->ObjectCount(), 1);

    Dialogs.Log.clear();
    Dialogs.Answers = {TAnswer::No};
    Dialogs.FileChoices = {Dir.Path("broken.vl")};
    WriteBytes(Dir.Path("broken.vl"), {'V', 'L', 5, 0});
    EditorOpenMap(*Map, Dialogs);
    EXPECT_EQ(Dialogs.Log.back(), "error: Ошибка при открытии карты!\nФайл повреждён.");
    EXPECT_TRUE(Map->Modified);
    EXPECT_EQ(Map->FileName, Dir.Path("mine.vl"));

    Dialogs.Answers = {TAnswer::No};
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    EditorOpenMap(*Map, Dialogs);
    EXPECT_EQ(Map->ObjectCount(), 2);
    EXPECT_FALSE(Map->Modified);
    EXPECT_FALSE(FileExists(Dir.Path("mine.vl")));

    // Yes saves first, then opens.
    Map->Modified = true;
    Dialogs.Answers = {TAnswer::Yes};
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    Map->FileName = Dir.Path("saved.vl");
    EditorOpenMap(*Map, Dialogs);
    EXPECT_TRUE(FileExists(Dir.Path("saved.vl")));
    EXPECT_EQ(Map->FileName, Dir.Path("other.vl"));
}

TEST_F(EditorFlows, AnImportedMapIsNamedBesideItsExtractAndAsksBeforeReplacingAFile) {
    // The imported map's name is another map's file: Save asks before replacing it, and No
    // offers another name; cancelled, nothing is written.
    const std::vector<std::uint8_t> other = ReadBytes(Dir.Path("other.vl"));
    Map->FileName = Dir.Path("other.vl");
    Dialogs.Answers = {TAnswer::No};
    EXPECT_FALSE(EditorSaveMap(*Map, Dialogs, true));
    EXPECT_EQ(Dialogs.Log,
              (std::vector<std::string>{"ask2: " + OverwritePrompt(Map->FileName), "save dialog"}));
    EXPECT_EQ(ReadBytes(Dir.Path("other.vl")), other);
    EXPECT_EQ(Map->FileName, Dir.Path("other.vl"));
    EXPECT_TRUE(Map->Modified);
    // With another name chosen there, the map goes to that file and takes its name.
    Dialogs.Answers = {TAnswer::No};
    Dialogs.FileChoices = {Dir.Path("elsewhere.vl")};
    EXPECT_TRUE(EditorSaveMap(*Map, Dialogs, true));
    EXPECT_EQ(Map->FileName, Dir.Path("elsewhere.vl"));
    EXPECT_TRUE(FileExists(Dir.Path("elsewhere.vl")));
    EXPECT_EQ(ReadBytes(Dir.Path("other.vl")), other);
    Map->FileName = Dir.Path("other.vl");
    Map->Modified = true;
    // So do "save as" to the same name and the question before a new map.
    Dialogs.Answers = {TAnswer::No};
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    EXPECT_FALSE(SaveMapAs(*Map, Dialogs, true));
    Dialogs.Answers = {TAnswer::Yes, TAnswer::No};
    EXPECT_FALSE(ConfirmNewMap(*Map, Dialogs, nullptr, true));
    EXPECT_EQ(ReadBytes(Dir.Path("other.vl")), other);
    EXPECT_EQ(Map->ObjectCount(), 1);
    // Yes replaces it; a name with no file yet, or one the map was written to, is saved unasked.
    Dialogs.Log.clear();
    Dialogs.Answers = {TAnswer::Yes};
    EXPECT_TRUE(EditorSaveMap(*Map, Dialogs, true));
    EXPECT_NE(ReadBytes(Dir.Path("other.vl")), other);
    Map->Modified = true;
    EXPECT_TRUE(EditorSaveMap(*Map, Dialogs, false));
    Map->FileName = Dir.Path("new.vl");
    EXPECT_TRUE(EditorSaveMap(*Map, Dialogs, true));
    EXPECT_EQ(Dialogs.Log.size(), 1u);
    EXPECT_TRUE(FileExists(Dir.Path("new.vl")));
}

} // namespace
} // namespace vell::test
