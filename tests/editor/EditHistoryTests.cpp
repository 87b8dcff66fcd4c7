// The undo history on the map itself: random edits taken back and done again byte for byte,
// the saved state, and the size of steps on a full map; recovery copies as files.
#include "editor/ops/Conversion.h"
#include "editor/ops/EditHistory.h"
#include "editor/ops/EditOps.h"
#include "editor/ops/Recovery.h"
#include "editor/ops/RouteEditing.h"
#include "model/MapFile.h"
#include "tests/support/GeneratedCity.h"
#include "tests/support/SyscallFault.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace vell::test {
namespace {

// The map as its file stores it, selection left out: what undo must give back exactly.
std::vector<std::uint8_t> Bytes(const TMap& map) {
    TMapFileContents c = map.StoredContents();
    for (TMapObject& o : c.Objects)
        o.SetSelected(false);
    return SerializeMapFile(c);
}

void SelectSome(TMap& map, TRandom& r, int percent) {
    for (TMapObject& o : map.Objects)
        o.SetSelected(r.Below(100) < percent);
}

// One random edit of the kinds the editor makes: appends, deletions anywhere, changes in
// place, conversions, route edits; sometimes two at once, as a drag and its purge.
void RandomEdit(TMap& map, TRandom& r) {
    switch (r.Below(8)) {
    case 0:
        map.AddObject(MakeObject(std::uint8_t(r.Below(10)), 1000 + r.Below(8000),
                                 1000 + r.Below(8000), 1000 + r.Below(8000), 1000 + r.Below(8000)));
        break;
    case 1:
        SelectSome(map, r, 2);
        map.DeleteSelected();
        break;
    case 2:
        SelectSome(map, r, 5);
        SwapSelected(map);
        break;
    case 3:
        SelectSome(map, r, 3);
        ApplyColorToSelected(map, std::uint32_t(r.Below(1 << 24)));
        break;
    case 4: {
        const int x = 1000 + r.Below(8000), y = 1000 + r.Below(8000);
        map.AddObject(MakeObject(DoubleTrackPoles, x, y, x + 100, y + 30));
        ConvertDoubleTracks(map, 120, r);
        break;
    }
    case 5:
        map.ClearMarks();
        if (map.ObjectCount() > 0) map.Objects[r.Below(map.ObjectCount())].SetSelected(true);
        AddSelectedRailToRoute(map, r.Below(RouteRows), r.Below(RouteColumns));
        break;
    case 6: {
        TRouteRec& route = map.Route(r.Below(RouteRows), r.Below(RouteColumns));
        route.Cars = std::uint8_t(1 + r.Below(3));
        route.Interval = std::uint8_t(5 + r.Below(26));
        break;
    }
    default: // a drag that makes objects too short, and the purge that follows
        for (int k = 0; k < 3 && map.ObjectCount() > 0; ++k) {
            TMapObject& o = map.Objects[r.Below(map.ObjectCount())];
            o.X2 = o.X1, o.Y2 = o.Y1;
            o.SetEndGrab(true);
        }
        map.PurgeInvalid();
        break;
    }
}

TEST(EditHistory, RandomEditsUndoneAndRedoneByteForByte) {
    TCityPlan plan;
    plan.Loops = 2;
    plan.LoopWidth = 1200;
    auto map = GenerateCity(plan);
    TRandom r(7);
    TEditHistory history;
    TEditorState state{StartColor, 0, 0};
    history.Reset(*map, state);
    const std::vector<std::uint8_t> start = Bytes(*map);
    int steps = 0;
    for (int k = 0; k < 600; ++k) {
        RandomEdit(*map, r);
        if (k % 50 == 0) state.RouteRow = r.Below(RouteRows); // the panel's slot is a step too
        steps += history.Record(*map, state, "step " + std::to_string(k));
    }
    ASSERT_GT(steps, 500);
    ASSERT_EQ(int(history.StepCount()), steps);
    const std::vector<std::uint8_t> end = Bytes(*map);
    while (history.CanUndo())
        history.Undo(*map);
    EXPECT_EQ(Bytes(*map), start);
    EXPECT_FALSE(map->Modified);
    while (history.CanRedo()) {
        const TEditorState shown = *history.Redo(*map);
        EXPECT_TRUE(map->Modified);
        state = shown;
    }
    EXPECT_EQ(Bytes(*map), end);
}

TEST(EditHistory, SavedStateNewStepsAndNoStepForNothing) {
    auto map = NewMap();
    TEditHistory history;
    const TEditorState state{StartColor, 0, 0};
    history.Reset(*map, state);
    AddRail(*map, 5000, 5000, 5100, 5000);
    map->Modified = true;
    EXPECT_TRUE(history.Record(*map, state, "рисование рельса"));
    map->Objects[0].SetSelected(true);
    EXPECT_FALSE(history.Record(*map, state, "выделение")); // selection is no step
    history.MarkSaved();
    map->Modified = false;
    AddRail(*map, 5100, 5000, 5200, 5000);
    EXPECT_TRUE(history.Record(*map, {1, 0, 0}, "second"));
    EXPECT_EQ(history.UndoLabel(), "second");
    history.Undo(*map);
    EXPECT_FALSE(map->Modified); // back at the saved state
    EXPECT_EQ(map->ObjectCount(), 1);
    EXPECT_TRUE(map->Objects[0].Selected()); // changed nothing there: the selection stays
    history.Undo(*map);
    EXPECT_TRUE(map->Modified);
    EXPECT_EQ(history.RedoLabel(), "рисование рельса");
    history.Redo(*map);
    EXPECT_FALSE(map->Modified);
    // A new edit drops the undone step; the saved state stays reachable.
    AddObject(*map, Wall, 0, 0, 100, 100);
    EXPECT_TRUE(history.Record(*map, state, "third"));
    EXPECT_FALSE(history.CanRedo());
    history.Undo(*map);
    EXPECT_FALSE(map->Modified);
}

// On a full map a deletion near the start moves every later object: the step must hold the
// deleted objects, not the whole map.
TEST(EditHistory, StepsOnAFullMapHoldOnlyWhatChanged) {
    auto map = NewMap();
    for (int k = 0; k < MaxObjects; ++k)
        AddObject(*map, Wall, k % 9000, k / 9000 * 10, k % 9000 + 5, k / 9000 * 10 + 5);
    TEditHistory history;
    const TEditorState state{StartColor, 0, 0};
    history.Reset(*map, state);
    const std::size_t base = history.MemoryBytes();
    map->Objects[5].SetSelected(true);
    map->Objects[40000].SetSelected(true);
    map->DeleteSelected();
    ASSERT_TRUE(history.Record(*map, state, "delete"));
    EXPECT_LT(history.MemoryBytes() - base, std::size_t(2048));
    // Every object changed in place (a colour on the whole map) packs into little.
    for (TMapObject& o : map->Objects)
        o.SetSelected(true);
    ApplyColorToSelected(*map, 0x102030);
    ASSERT_TRUE(history.Record(*map, state, "colour"));
    EXPECT_LT(history.MemoryBytes() - base, std::size_t(64 * 1024));
    history.Undo(*map);
    history.Undo(*map);
    EXPECT_EQ(map->ObjectCount(), MaxObjects);
    EXPECT_EQ(map->Objects[40000].X1, 40000 % 9000);
}

} // namespace
} // namespace vell::test

namespace vell::test {
namespace {

// An editor that died with the process number this one has now: its copy is offered, not
// overwritten by this editor's first copy.
TEST(RecoveryCopy, LeftUnderThisProcessNumberIsOfferedNotOverwritten) {
    TTempDir dir;
    auto left = NewMap();
    AddRail(*left, 100, 100, 200, 100);
    left->FileName = "/maps/left.vl";
    const std::string folder = dir.Path("recovery");
    std::filesystem::create_directories(folder);
    WriteBytes(folder + "/" + std::to_string(::getpid()) + ".vlr", SerializeRecoveryCopy(*left));
    TRecovery recovery(folder);
    auto mine = NewMap();
    ASSERT_EQ(recovery.Write(*mine), TFileFault::None);
    const std::vector<TRecoveryCopy> copies = recovery.FindLeftCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].Fault, TFileFault::None);
    EXPECT_EQ(copies[0].MapName, "/maps/left.vl");
    EXPECT_EQ(copies[0].Contents.Objects, left->Objects);
    // A copy cut anywhere is refused whole.
    std::vector<std::uint8_t> bytes = SerializeRecoveryCopy(*left);
    std::string name;
    TMapFileContents contents;
    for (std::size_t cut : {std::size_t(3), std::size_t(20), bytes.size() - 1})
        EXPECT_FALSE(ParseRecoveryCopy(std::span(bytes).first(cut), name, contents)) << cut;
    EXPECT_TRUE(ParseRecoveryCopy(bytes, name, contents));
}

} // namespace
// A second editor with the same process number (a sandbox of its own) cannot take the lock
// of that number: it writes no copy, and the first editor's copy is neither offered nor moved.
TEST(RecoveryCopy, AnEditorWithoutItsLockLeavesTheOthersCopyAlone) {
    TTempDir dir;
    const std::string folder = dir.Path("recovery");
    TRecovery first(folder);
    auto map = NewMap();
    AddRail(*map, 100, 100, 200, 100);
    ASSERT_EQ(first.Write(*map), TFileFault::None);
    const auto written = ReadBytes(first.CopyPath());
    TRecovery second(folder);
    EXPECT_TRUE(second.CopyPath().empty());
    EXPECT_NE(second.Write(*NewMap()), TFileFault::None);
    EXPECT_TRUE(second.FindLeftCopies().empty());
    EXPECT_EQ(ReadBytes(first.CopyPath()), written);
}

} // namespace vell::test

namespace vell {
// The stored bytes of a step, spoilt as memory that went bad would spoil them.
struct TEditHistoryDamage {
    static void SpoilUndoStep(TEditHistory& history) {
        history.SpoilStoredBytes(history.Position - 1);
    }
};
} // namespace vell

namespace vell::test {
namespace {

// A step whose stored objects no longer unpack is refused whole: the map is not filled with
// empty objects, and the history stays where it was.
TEST(EditHistory, AStepWhoseBytesWentBadIsRefusedAndTheMapKept) {
    auto map = NewMap();
    for (int k = 0; k < 300; ++k)
        AddObject(*map, Wall, 100, 100 + k, 200, 100 + k);
    TEditHistory history;
    const TEditorState state{StartColor, 0, 0};
    history.Reset(*map, state);
    for (TMapObject& o : map->Objects)
        o.SetSelected(true);
    map->DeleteSelected(); // 300 objects: a step large enough to be compressed
    ASSERT_TRUE(history.Record(*map, state, "удаление"));
    AddRail(*map, 5000, 5000, 5100, 5000);
    ASSERT_TRUE(history.Record(*map, state, "рисование рельса"));
    ASSERT_TRUE(history.Undo(*map).has_value());
    TEditHistoryDamage::SpoilUndoStep(history);
    const std::vector<std::uint8_t> before = Bytes(*map);
    EXPECT_FALSE(history.Undo(*map).has_value());
    EXPECT_EQ(Bytes(*map), before);
    EXPECT_EQ(map->ObjectCount(), 0);
    EXPECT_EQ(history.UndoLabel(), "удаление");
    EXPECT_EQ(history.RedoLabel(), "рисование рельса");
    // The steps after it still work.
    ASSERT_TRUE(history.Redo(*map).has_value());
    EXPECT_EQ(map->ObjectCount(), 1);
}

// The state folder of a test of its own.
class TStateHome {
  public:
    explicit TStateHome(const std::string& path) {
        if (const char* old = std::getenv("XDG_STATE_HOME")) Old = old;
        ::setenv("XDG_STATE_HOME", path.c_str(), 1);
    }
    ~TStateHome() {
        if (Old)
            ::setenv("XDG_STATE_HOME", Old->c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
    }

  private:
    std::optional<std::string> Old;
};

// The process that saves a map in place dies half way (after the new bytes, before the file's
// end is cut): the next editor offers the map as it was before the save, under its own path.
TEST(RecoveryCopy, ASaveInPlaceCutShortIsOfferedAsTheMapBeforeIt) {
    TTempDir dir;
    TStateHome state(dir.Path("state"));
    auto map = NewMap();
    test::AddRing(*map, 4900, 4900, 5400, 5400, 3);
    map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(map->SaveToFile());
    const std::vector<std::uint8_t> before = ReadBytes(map->FileName);
    std::filesystem::create_hard_link(map->FileName, dir.Path("shared.vl"));
    AddRail(*map, 100, 100, 200, 100);
    AddRail(*map, 200, 100, 300, 100);
    EXPECT_EQ(RunWithSyscallAnswered(SYS_ftruncate, KillProcess,
                                     [&]() { return map->SaveToFile() ? 0 : 1; }),
              -SIGSYS);

    TRecovery editor(DefaultRecoveryFolder());
    const std::vector<TRecoveryCopy> copies = editor.FindLeftCopies();
    ASSERT_EQ(copies.size(), 1u);
    const TRecoveryCopy& copy = copies[0];
    EXPECT_EQ(copy.Fault, TFileFault::None);
    EXPECT_TRUE(copy.InterruptedSave);
    EXPECT_EQ(copy.MapName, std::filesystem::canonical(dir.Path("city.vl")).string());
    EXPECT_TRUE(RecoveryPrompt(copy).starts_with("Запись карты '" + copy.MapName + "' прервалась"))
        << RecoveryPrompt(copy);
    auto restored = NewMap();
    EXPECT_TRUE(RestoreRecoveryCopy(*restored, copy));
    EXPECT_EQ(restored->FileName, copy.MapName);
    EXPECT_TRUE(restored->Modified);
    ASSERT_TRUE(editor.TakeOver(copy));
    ASSERT_TRUE(restored->SaveToFile());
    EXPECT_EQ(ReadBytes(dir.Path("shared.vl")), before);
}

// A map opened by a name relative to one folder, its copy restored from another folder: the map
// goes back to its own file, and the question names that file whole.
TEST(RecoveryCopy, ARestoredMapGoesBackToItsOwnFolder) {
    TTempDir dir;
    const std::filesystem::path start = std::filesystem::current_path();
    std::filesystem::create_directories(dir.Path("a"));
    std::filesystem::create_directories(dir.Path("b"));
    auto other = NewMap();
    AddRail(*other, 100, 100, 200, 100);
    other->FileName = dir.Path("b/city.vl");
    ASSERT_TRUE(other->SaveToFile());
    const std::vector<std::uint8_t> otherBytes = ReadBytes(other->FileName);

    std::filesystem::current_path(dir.Path("a"));
    {
        auto map = NewMap();
        map->FileName = "city.vl";
        ASSERT_TRUE(map->SaveToFile());
        AddRail(*map, 500, 500, 600, 500);
        map->Modified = true;
        TRecovery crashed(dir.Path("recovery"));
        ASSERT_EQ(crashed.Write(*map), TFileFault::None);
    } // the copy stays, its lock released: the editor is gone

    std::filesystem::current_path(dir.Path("b"));
    TRecovery editor(dir.Path("recovery"));
    const std::vector<TRecoveryCopy> copies = editor.FindLeftCopies();
    std::filesystem::current_path(start);
    ASSERT_EQ(copies.size(), 1u);
    const std::string own = std::filesystem::canonical(dir.Path("a/city.vl")).string();
    EXPECT_EQ(copies[0].MapName, own);
    EXPECT_NE(RecoveryPrompt(copies[0]).find("'" + own + "'"), std::string::npos);
    auto restored = NewMap();
    ASSERT_TRUE(RestoreRecoveryCopy(*restored, copies[0]));
    EXPECT_EQ(restored->FileName, own);
    ASSERT_TRUE(restored->SaveToFile());
    EXPECT_EQ(ReadBytes(dir.Path("b/city.vl")), otherBytes);
    EXPECT_EQ(ReadBytes(own).size(), EmptyMapFileSize + 12);

    // A path the map's name cannot hold, and a name without its folder (an older editor's
    // copy), are never cut or guessed at: the map comes back as a new one.
    for (const std::string& name :
         {"/" + std::string(300, 'x') + "/city.vl", std::string("city.vl")}) {
        TRecoveryCopy copy = copies[0];
        copy.MapName = name;
        EXPECT_FALSE(RestoreRecoveryCopy(*restored, copy)) << name;
        EXPECT_EQ(restored->FileName, NewMapName);
        EXPECT_EQ(restored->ObjectCount(), 1);
        EXPECT_NE(RecoveryUnnamedText(copy).find(name), std::string::npos);
    }
}

// A copy whose lock an editor holds again (it took the process number of the one that left the
// copy) is neither taken over nor removed; once the lock is free, it can be.
TEST(RecoveryCopy, ACopyWhoseLockIsHeldIsNeitherTakenNorDiscarded) {
    TTempDir dir;
    const std::string folder = dir.Path("recovery");
    TRecovery editor(folder);
    auto left = NewMap();
    AddRail(*left, 100, 100, 200, 100);
    WriteBytes(folder + "/4244.vlr", SerializeRecoveryCopy(*left));
    const std::vector<TRecoveryCopy> copies = editor.FindLeftCopies();
    ASSERT_EQ(copies.size(), 1u);
    const int lock = ::open((folder + "/4244.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    EXPECT_FALSE(editor.Discard(copies[0]));
    EXPECT_FALSE(editor.TakeOver(copies[0]));
    EXPECT_TRUE(std::filesystem::exists(folder + "/4244.vlr"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/4244.lock"));
    ::close(lock);
    EXPECT_TRUE(editor.Discard(copies[0]));
    EXPECT_FALSE(std::filesystem::exists(folder + "/4244.vlr"));
}

// An editor that can keep no copies knows why, so that it can say so.
TEST(RecoveryCopy, AnEditorThatKeepsNoCopiesKnowsWhy) {
    TTempDir dir;
    WriteBytes(dir.Path("file"), {1, 2, 3});
    EXPECT_EQ(TRecovery("").Trouble(), TFileFault::FolderNotFound);
    EXPECT_EQ(TRecovery(dir.Path("file/recovery")).Trouble(), TFileFault::FolderNotFound);
    EXPECT_EQ(TRecovery(dir.Path("recovery")).Trouble(), TFileFault::None);
}

} // namespace
} // namespace vell::test
