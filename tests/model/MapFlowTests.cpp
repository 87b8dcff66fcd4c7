// Opening and saving through the user's answers.
#include "model/MapFlows.h"
#include "tests/support/FileFaultCases.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

namespace vell::test {
namespace {

class MapFlows : public ::testing::Test {
  protected:
    void SetUp() override {
        auto other = NewMap();
        AddRail(*other, 100, 100, 200, 100);
        AddRail(*other, 200, 100, 300, 100);
        other->FileName = Dir.Path("other.vl");
        ASSERT_TRUE(other->SaveToFile());
        Map = NewMap();
        AddRail(*Map, 500, 500, 600, 500);
        Map->FileName = Dir.Path("mine.vl");
    }
    TTempDir Dir;
    std::unique_ptr<TMap> Map;
    TScriptedDialogs Dialogs;
};

TEST_F(MapFlows, OpenWithoutChangesGoesStraightToTheDialog) {
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    EXPECT_TRUE(OpenMap(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"open dialog"});
    EXPECT_EQ(Map->ObjectCount(), 2);
    EXPECT_EQ(Map->FileName, Dir.Path("other.vl"));
}

TEST_F(MapFlows, OpenCancelledAtTheQuestionDoesNothing) {
    Map->Modified = true;
    Dialogs.Answers = {TAnswer::Cancel};
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    EXPECT_FALSE(OpenMap(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"ask3: Карта '" + Dir.Path("mine.vl") +
                                                    "' была изменена. Сохранить?"});
    EXPECT_EQ(Map->ObjectCount(), 1);
    EXPECT_TRUE(Map->Modified);
}

TEST_F(MapFlows, OpenAnsweredYesSavesFirst) {
    Map->Modified = true;
    Dialogs.Answers = {TAnswer::Yes};
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    EXPECT_TRUE(OpenMap(*Map, Dialogs));
    EXPECT_TRUE(FileExists(Dir.Path("mine.vl")));
    EXPECT_EQ(Map->ObjectCount(), 2);
}

TEST_F(MapFlows, OpenAnsweredNoDropsTheChanges) {
    Map->Modified = true;
    Dialogs.Answers = {TAnswer::No};
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    EXPECT_TRUE(OpenMap(*Map, Dialogs));
    EXPECT_FALSE(FileExists(Dir.Path("mine.vl")));
    EXPECT_FALSE(Map->Modified);
}

TEST_F(MapFlows, OpenWithCancelledDialogKeepsTheMap) {
    EXPECT_FALSE(OpenMap(*Map, Dialogs));
    EXPECT_EQ(Map->ObjectCount(), 1);
    EXPECT_EQ(Map->FileName, Dir.Path("mine.vl"));
}

TEST_F(MapFlows, OpenFailureShowsTheErrorAndKeepsTheName) {
    WriteBytes(Dir.Path("broken.vl"), {'V', 'L', 5});
    Dialogs.FileChoices = {Dir.Path("broken.vl")};
    EXPECT_FALSE(OpenMap(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log.back(), "error: Ошибка при открытии карты!\nФайл повреждён.");
    EXPECT_EQ(Map->FileName, Dir.Path("mine.vl"));
    EXPECT_EQ(Map->ObjectCount(), 1);
}

TEST_F(MapFlows, DialogNamesWithoutDotGetUpperCaseExtension) {
    auto other = NewMap();
    other->FileName = Dir.Path("upper.VL");
    ASSERT_TRUE(other->SaveToFile());
    Dialogs.FileChoices = {Dir.Path("upper")};
    EXPECT_TRUE(OpenMap(*Map, Dialogs));
    EXPECT_EQ(Map->FileName, Dir.Path("upper.VL"));

    Dialogs.FileChoices = {Dir.Path("saved")};
    EXPECT_TRUE(SaveMapAs(*Map, Dialogs));
    EXPECT_TRUE(FileExists(Dir.Path("saved.VL")));
}

TEST_F(MapFlows, SaveOfANewMapAsksForAName) {
    Map->FileName = "Новая";
    Map->Modified = true;
    Dialogs.FileChoices = {Dir.Path("fresh.vl")};
    EXPECT_TRUE(SaveMap(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"save dialog"});
    EXPECT_EQ(Map->FileName, Dir.Path("fresh.vl"));
    EXPECT_FALSE(Map->Modified);
    EXPECT_TRUE(FileExists(Dir.Path("fresh.vl")));
}

TEST_F(MapFlows, SaveOfANamedMapWritesAtOnce) {
    EXPECT_TRUE(SaveMap(*Map, Dialogs));
    EXPECT_TRUE(Dialogs.Log.empty());
    EXPECT_TRUE(FileExists(Dir.Path("mine.vl")));
}

TEST_F(MapFlows, SaveFailureIsReported) {
    Map->FileName = Dir.Path("missing/folder.vl");
    EXPECT_FALSE(SaveMap(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log,
              std::vector<std::string>{"error: Ошибка при сохранении карты!\nПапка не найдена."});
}

TEST_F(MapFlows, SaveAsOverAnotherFileAsksAndNoKeepsTheOldName) {
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    Dialogs.Answers = {TAnswer::No};
    EXPECT_FALSE(SaveMapAs(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log.back(),
              "ask2: Карта " + Dir.Path("other.vl") + " уже существует. Заменить?");
    EXPECT_EQ(Map->FileName, Dir.Path("mine.vl"));
    EXPECT_EQ(ReadBytes(Dir.Path("other.vl")).size(), 472u + 24u);
}

TEST_F(MapFlows, SaveAsOverAnotherFileAnsweredYesReplacesIt) {
    Dialogs.FileChoices = {Dir.Path("other.vl")};
    Dialogs.Answers = {TAnswer::Yes};
    EXPECT_TRUE(SaveMapAs(*Map, Dialogs));
    EXPECT_EQ(Map->FileName, Dir.Path("other.vl"));
    EXPECT_EQ(ReadBytes(Dir.Path("other.vl")).size(), 472u + 12u);
}

TEST_F(MapFlows, SaveAsTheCurrentFileAgainDoesNotAsk) {
    ASSERT_TRUE(Map->SaveToFile());
    Dialogs.FileChoices = {Dir.Path("mine.vl")};
    EXPECT_TRUE(SaveMapAs(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log, std::vector<std::string>{"save dialog"});
}

TEST_F(MapFlows, SaveAsFailureKeepsTheOldName) {
    Map->Modified = true;
    Dialogs.FileChoices = {Dir.Path("no/such.vl")};
    EXPECT_FALSE(SaveMapAs(*Map, Dialogs));
    EXPECT_EQ(Dialogs.Log.back(), "error: Ошибка при сохранении карты!\nПапка не найдена.");
    EXPECT_EQ(Map->FileName, Dir.Path("mine.vl"));
    EXPECT_TRUE(Map->Modified);
}

TEST_F(MapFlows, SaveAsCancelledKeepsEverything) {
    EXPECT_FALSE(SaveMapAs(*Map, Dialogs));
    EXPECT_EQ(Map->FileName, Dir.Path("mine.vl"));
    EXPECT_FALSE(FileExists(Dir.Path("mine.vl")));
}

// Each open that cannot load says why on a second line, and changes nothing.
TEST_F(MapFlows, OpenFailuresSayWhy) {
    std::filesystem::create_directory(Dir.Path("folder.vl"));
    WriteBytes(Dir.Path("empty.vl"), {});
    WriteBytes(Dir.Path("short.vl"), {'V', 'L', 1, 0, 0});
    const std::pair<std::string, std::string> cases[] = {
        {"folder.vl", "Это папка, а не файл."},
        {"empty.vl", "Файл пуст."},
        {"short.vl", "Файл повреждён."},
        {"missing.vl", "Файл не найден."},
        {"missing/city.vl", "Файл не найден."},
        {CyrillicName(128) + ".vl", "Слишком длинное имя файла."}, // 259 bytes
    };
    Map->Modified = true;
    const TMapState before(*Map);
    for (const auto& [name, reason] : cases) {
        Dialogs.Answers = {TAnswer::No};
        Dialogs.FileChoices = {Dir.Path(name)};
        EXPECT_FALSE(OpenMap(*Map, Dialogs));
        EXPECT_EQ(Dialogs.Log.back(), "error: Ошибка при открытии карты!\n" + reason) << name;
        EXPECT_TRUE(TMapState(*Map) == before) << name;
    }
}

// A save that cannot write says why, keeps the name, the flag and whatever was on disk, and
// leaves no temporary file.
TEST_F(MapFlows, SaveFailuresSayWhyAndKeepTheMap) {
    ASSERT_TRUE(Map->SaveToFile());
    std::filesystem::create_directory(Dir.Path("folder.vl"));
    test::AddRail(*Map, 600, 500, 700, 500);
    Map->Modified = true;
    const TMapState before(*Map);
    const std::vector<std::string> files = Listing(Dir.Root().string());
    const std::pair<std::string, std::string> cases[] = {
        {"folder.vl", "Это папка, а не файл."}, // no question about replacing it
        {"missing/city.vl", "Папка не найдена."},
        {CyrillicName(128) + ".vl", "Слишком длинное имя файла."},
    };
    for (const auto& [name, reason] : cases) {
        Dialogs.Log.clear();
        Dialogs.FileChoices = {Dir.Path(name)};
        EXPECT_FALSE(SaveMapAs(*Map, Dialogs));
        EXPECT_EQ(Dialogs.Log,
                  (std::vector<std::string>{"save dialog",
                                            "error: Ошибка при сохранении карты!\n" + reason}))
            << name;
        EXPECT_TRUE(TMapState(*Map) == before) << name;
        EXPECT_EQ(Listing(Dir.Root().string()), files) << name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(Dir.Path("folder.vl")));
}

} // namespace
} // namespace vell::test
