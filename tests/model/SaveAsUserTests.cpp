// Saving maps and scheme pictures as an ordinary user (run by as-ordinary-user.sh): a file the
// user may not write is never replaced, and where a replacement would lose the file's folder,
// links or owner, the file is written in place.
#include "model/FileFault.h"
#include "model/MapFile.h"
#include "model/MapFlows.h"
#include "model/draw/Scheme.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestMaps.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vell::test {
namespace {

namespace fs = std::filesystem;

class SaveAsUser : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* dir = std::getenv("VELL_USER_DIR");
        if (!dir || ::geteuid() == 0) GTEST_SKIP() << "needs as-ordinary-user.sh";
        Root = fs::path(dir) / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::create_directories(Root);
        Other = NewMap();
        AddRail(*Other, 100, 100, 200, 100);
        Other->FileName = Path("other.vl");
        ASSERT_TRUE(Other->SaveToFile());
        Map = NewMap();
        AddRail(*Map, 500, 500, 600, 500);
        AddRail(*Map, 600, 500, 700, 500);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(Root, fs::perms::owner_all, fs::perm_options::add, ec);
    }
    std::string Path(const std::string& name) const { return (Root / name).string(); }
    // Saves the two-rail map under `name`; the fault.
    TFileFault SaveAs(const std::string& name) {
        Map->FileName = name;
        TFileFault fault = TFileFault::None;
        Map->SaveToFile(&fault);
        return fault;
    }
    static struct stat Stat(const std::string& name) {
        struct stat st {};
        EXPECT_EQ(::stat(name.c_str(), &st), 0) << name;
        return st;
    }
    std::vector<std::uint8_t> MapBytes() const { return SerializeMapFile(Map->StoredContents()); }

    fs::path Root;
    std::unique_ptr<TMap> Other, Map;
};

TEST_F(SaveAsUser, AWriteProtectedMapIsNeverReplaced) {
    const std::string protectedMap = Path("protected.vl");
    fs::copy_file(Other->FileName, protectedMap);
    ::chmod(protectedMap.c_str(), 0444);
    const std::vector<std::uint8_t> before = ReadBytes(protectedMap);
    const ino_t inode = Stat(protectedMap).st_ino;
    EXPECT_EQ(SaveAs(protectedMap), TFileFault::WriteProtected);
    EXPECT_EQ(ReadBytes(protectedMap), before);
    EXPECT_EQ(Stat(protectedMap).st_ino, inode);
    EXPECT_EQ(Stat(protectedMap).st_mode & 07777, 0444u);
    // What the editor's F2 says.
    TScriptedDialogs dialogs;
    EXPECT_FALSE(SaveMap(*Map, dialogs));
    EXPECT_EQ(dialogs.Log, std::vector<std::string>{
                               "error: Ошибка при сохранении карты!\nФайл защищён от записи."});
    EXPECT_EQ(std::distance(fs::directory_iterator(Root), fs::directory_iterator()), 2);
}

TEST_F(SaveAsUser, AWritableMapInAFolderTheUserCannotWriteIsWrittenInPlace) {
    const std::string map = Path("city.vl");
    fs::copy_file(Other->FileName, map);
    ::chmod(map.c_str(), 0640);
    const ino_t inode = Stat(map).st_ino;
    ASSERT_EQ(::chmod(Root.c_str(), 0555), 0);
    EXPECT_EQ(SaveAs(map), TFileFault::None);
    EXPECT_EQ(ReadBytes(map), MapBytes());
    EXPECT_EQ(Stat(map).st_ino, inode);
    EXPECT_EQ(Stat(map).st_mode & 07777, 0640u);
    // A new file cannot be made there, and says why.
    EXPECT_EQ(SaveAs(Path("new.vl")), TFileFault::NoAccess);
}

TEST_F(SaveAsUser, AMapWithTwoLinksKeepsThemBoth) {
    const std::string map = Path("city.vl"), link = Path("link.vl");
    fs::copy_file(Other->FileName, map);
    fs::create_hard_link(map, link);
    EXPECT_EQ(SaveAs(map), TFileFault::None);
    EXPECT_EQ(ReadBytes(link), MapBytes());
    EXPECT_EQ(Stat(map).st_ino, Stat(link).st_ino);
    EXPECT_EQ(Stat(map).st_nlink, 2u);
}

TEST_F(SaveAsUser, AnOrdinarySaveKeepsTheModeAndLeavesNoTemporaryFile) {
    const std::string map = Path("city.vl");
    fs::copy_file(Other->FileName, map);
    ::chmod(map.c_str(), 0604);
    EXPECT_EQ(SaveAs(map), TFileFault::None);
    EXPECT_EQ(ReadBytes(map), MapBytes());
    EXPECT_EQ(Stat(map).st_mode & 07777, 0604u);
    EXPECT_EQ(Stat(map).st_uid, ::geteuid());
    EXPECT_EQ(std::distance(fs::directory_iterator(Root), fs::directory_iterator()), 2);
}

TEST_F(SaveAsUser, ASharedMapOfAnotherOwnerKeepsItsOwner) {
    const char* foreign = std::getenv("VELL_FOREIGN_FILE");
    if (!foreign) GTEST_SKIP() << "the wrapper made no file of another owner";
    const struct stat before = Stat(foreign);
    ASSERT_NE(before.st_uid, ::geteuid());
    EXPECT_EQ(SaveAs(foreign), TFileFault::None);
    EXPECT_EQ(ReadBytes(foreign), MapBytes());
    const struct stat after = Stat(foreign);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
}

TEST_F(SaveAsUser, SaveAsOntoAnUnreadableMapAsksFirst) {
    const std::string hidden = Path("hidden.vl");
    fs::copy_file(Other->FileName, hidden);
    ::chmod(hidden.c_str(), 0);
    EXPECT_TRUE(FileExists(hidden));
    TScriptedDialogs dialogs;
    dialogs.FileChoices = {hidden};
    dialogs.Answers = {TAnswer::No};
    Map->FileName = Path("mine.vl");
    EXPECT_FALSE(SaveMapAs(*Map, dialogs));
    EXPECT_EQ(dialogs.Log,
              (std::vector<std::string>{"save dialog",
                                        "ask2: Карта " + hidden + " уже существует. Заменить?"}));
    // Answered yes, the file is still not the user's to write.
    dialogs.Log.clear();
    dialogs.FileChoices = {hidden};
    dialogs.Answers = {TAnswer::Yes};
    EXPECT_FALSE(SaveMapAs(*Map, dialogs));
    EXPECT_EQ(dialogs.Log.back(), "error: Ошибка при сохранении карты!\nФайл защищён от записи.");
    ::chmod(hidden.c_str(), 0600);
    EXPECT_EQ(ReadBytes(hidden), ReadBytes(Other->FileName));
}

TEST_F(SaveAsUser, TheSchemePictureFollowsTheSameRules) {
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(0x00ff00);
    const std::string protectedPicture = Path("protected.bmp");
    WriteBytes(protectedPicture, {'k', 'e', 'e', 'p'});
    ::chmod(protectedPicture.c_str(), 0444);
    TFileFault fault = TFileFault::None;
    EXPECT_FALSE(SaveSchemeBitmap(picture, protectedPicture, Other->FileName, &fault));
    EXPECT_EQ(fault, TFileFault::WriteProtected);
    EXPECT_EQ(ReadBytes(protectedPicture), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));

    const std::string picture2 = Path("city.bmp");
    WriteBytes(picture2, {'o', 'l', 'd'});
    ::chmod(picture2.c_str(), 0640);
    const ino_t inode = Stat(picture2).st_ino;
    ASSERT_EQ(::chmod(Root.c_str(), 0555), 0);
    EXPECT_TRUE(SaveSchemeBitmap(picture, picture2, Other->FileName, &fault));
    EXPECT_EQ(Stat(picture2).st_ino, inode);
    const std::vector<std::uint8_t> bytes = ReadBytes(picture2);
    ASSERT_GT(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
}

} // namespace
} // namespace vell::test
