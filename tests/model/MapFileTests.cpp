// The map file: layout, round trips, purging on load, corrupt files and safe saving.
#include "model/Map.h"
#include "model/MapFile.h"
#include "model/RecoveryCopy.h"
#include "tests/support/SyscallFault.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace vell::test {
namespace {

std::unique_ptr<TMap> SampleMap() {
    auto map = NewMap();
    for (int kind = 0; kind < ObjectKindCount; ++kind) {
        int i = AddObject(*map, std::uint8_t(kind), 100 + kind, 200, 300 + kind * 7, 260);
        map->Objects[i].Red = std::uint8_t(kind * 20);
        map->Objects[i].Green = std::uint8_t(kind * 3);
        map->Objects[i].Blue = 250;
    }
    int stop = AddRail(*map, 1000, 1000, 1040, 1000, 255, 3);
    map->Objects[stop].SetCatchment(41);
    map->Objects[stop].SetWaiting(17);
    map->Objects[stop].SetKeepClear(true);
    SetRoute(*map, 0, 0, {4, stop}, 2, 12);
    SetRoute(*map, 8, 12, {stop, 4, stop}, 3, 30);
    map->Route(3, 5).WaypointCount = -3; // kept as stored, with no waypoints after it
    map->Route(3, 5).Reserved = 77;
    return map;
}

TEST(MapFile, EmptyMapIs472BytesOfDefaults) {
    TTempDir dir;
    auto map = NewMap();
    map->FileName = dir.Path("empty.vl");
    ASSERT_TRUE(map->SaveToFile());
    std::vector<std::uint8_t> bytes = ReadBytes(map->FileName);
    ASSERT_EQ(bytes.size(), 472u);
    EXPECT_EQ(bytes[0], 'V');
    EXPECT_EQ(bytes[1], 'L');
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[3], 0);
    for (std::size_t k = 4; k < bytes.size(); k += 4) {
        EXPECT_EQ(bytes[k], 0);
        EXPECT_EQ(bytes[k + 1], 0);
        EXPECT_EQ(bytes[k + 2], 1);
        EXPECT_EQ(bytes[k + 3], 10);
    }
}

TEST(MapFile, ANewMapAfterAFileSavesAsTheEmptyMap) {
    TTempDir dir;
    auto empty = NewMap();
    empty->FileName = dir.Path("empty.vl");
    ASSERT_TRUE(empty->SaveToFile());
    auto map = SampleMap(); // its route 4 6 keeps a reserved byte of 77
    map->FileName = dir.Path("sample.vl");
    ASSERT_TRUE(map->SaveToFile());
    auto opened = NewMap();
    opened->FileName = map->FileName;
    ASSERT_TRUE(opened->LoadFromFile());
    opened->NewMap();
    opened->FileName = dir.Path("new.vl");
    ASSERT_TRUE(opened->SaveToFile());
    EXPECT_EQ(ReadBytes(opened->FileName), ReadBytes(empty->FileName));
}

TEST(MapFile, ObjectRecordIsLittleEndianInFieldOrder) {
    TMapFileContents contents;
    TMapObject o = MakeObject(Rail, 0x0102, 0x0304, -2, 9999);
    o.Red = 0xA1;
    o.Green = 0xB2;
    o.Blue = 0xC3;
    o.SetSelected(true);
    contents.Objects.push_back(o);
    std::vector<std::uint8_t> bytes = SerializeMapFile(contents);
    ASSERT_EQ(bytes.size(), 472u + 12u);
    const std::vector<std::uint8_t> expected = {1,    0,    0x02, 0x01, 0x04, 0x03, 0xFE,
                                                0xFF, 0x0F, 0x27, 0xA1, 0xB2, 0xC3, 0x14};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 2, bytes.begin() + 16), expected);
}

TEST(MapFile, SaveLoadSaveIsByteIdentical) {
    TTempDir dir;
    auto map = SampleMap();
    map->FileName = dir.Path("a.vl");
    ASSERT_TRUE(map->SaveToFile());
    auto loaded = NewMap();
    loaded->FileName = map->FileName;
    ASSERT_TRUE(loaded->LoadFromFile());
    EXPECT_EQ(loaded->Objects, map->Objects);
    EXPECT_EQ(Waypoints(*loaded, 8, 12), Waypoints(*map, 8, 12));
    EXPECT_EQ(loaded->Route(8, 12).Cars, 3);
    EXPECT_EQ(loaded->Route(8, 12).Interval, 30);
    EXPECT_EQ(loaded->Route(3, 5).WaypointCount, -3);
    EXPECT_EQ(loaded->Route(3, 5).Reserved, 77);
    loaded->FileName = dir.Path("b.vl");
    ASSERT_TRUE(loaded->SaveToFile());
    EXPECT_EQ(ReadBytes(dir.Path("a.vl")), ReadBytes(dir.Path("b.vl")));
}

TEST(MapFile, LoadClearsSelectionAndResetsViewButKeepsOtherBits) {
    TTempDir dir;
    auto map = SampleMap();
    map->Objects[0].SetSelected(true);
    map->Objects[0].SetEndGrab(true);
    map->FileName = dir.Path("sel.vl");
    ASSERT_TRUE(map->SaveToFile());
    EXPECT_EQ(ReadBytes(map->FileName)[4 + 11], std::uint8_t(SelectedBit | EndGrabBit));

    auto loaded = NewMap();
    loaded->ViewX = 10;
    loaded->SelectMode = 2;
    loaded->Modified = true;
    loaded->FileName = map->FileName;
    ASSERT_TRUE(loaded->LoadFromFile());
    EXPECT_FALSE(loaded->Objects[0].Selected());
    EXPECT_TRUE(loaded->Objects[0].EndGrab());
    EXPECT_EQ(loaded->ViewX, DefaultView);
    EXPECT_EQ(loaded->SelectMode, 0);
    EXPECT_FALSE(loaded->Modified);
}

TEST(MapFile, LoadPurgesInvalidObjectsKeepingOrderAndModifiedFalse) {
    TTempDir dir;
    auto map = NewMap();
    int a = AddRail(*map, 100, 100, 200, 100);
    int shortRail = AddRail(*map, 200, 100, 205, 100); // 5 m
    int b = AddRail(*map, 200, 100, 300, 100);
    int pastLimit = AddObject(*map, DoubleTrack, 100, 500, 9990, 500); // one past 9989
    int c = AddObject(*map, Wall, 0, 0, 0, 0);                         // walls may be points
    SetRoute(*map, 0, 0, {a, shortRail, b, pastLimit, b});
    map->FileName = dir.Path("purge.vl");
    ASSERT_TRUE(map->SaveToFile());

    auto loaded = NewMap();
    loaded->FileName = map->FileName;
    ASSERT_TRUE(loaded->LoadFromFile());
    ASSERT_EQ(loaded->ObjectCount(), 3);
    EXPECT_EQ(loaded->Objects[0], map->Objects[a]);
    EXPECT_EQ(loaded->Objects[1], map->Objects[b]);
    EXPECT_EQ(loaded->Objects[2], map->Objects[c]);
    EXPECT_EQ(Waypoints(*loaded, 0, 0), (std::vector<int>{0, 1, 1}));
    EXPECT_FALSE(loaded->Modified);
}

TEST(MapFile, AnyMagicAndTrailingBytesAreAccepted) {
    TMapFileContents contents;
    std::vector<std::uint8_t> bytes = SerializeMapFile(contents);
    bytes[0] = 'X';
    bytes[1] = 0;
    bytes.push_back(42);
    TMapFileContents parsed;
    EXPECT_EQ(ParseMapFile(bytes, parsed), TMapFileError::None);
}

// Every way a file can lie: the map must stay exactly as it was.
class CorruptFile : public ::testing::Test {
  protected:
    void SetUp() override {
        Before = SampleMap();
        Before->FileName = Dir.Path("before.vl");
        Before->Modified = true;
        Before->ViewX = 123;
        Good = SerializeMapFile(SampleMap()->StoredContents());
    }
    void ExpectRefused(const std::vector<std::uint8_t>& bytes, TMapFileError expected) {
        WriteBytes(Dir.Path("bad.vl"), bytes);
        auto map = SampleMap();
        map->FileName = Dir.Path("bad.vl");
        map->Modified = true;
        map->ViewX = 123;
        TMapFileError error = TMapFileError::None;
        EXPECT_FALSE(map->LoadFromFile(&error));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(map->Objects, Before->Objects);
        EXPECT_EQ(Waypoints(*map, 8, 12), Waypoints(*Before, 8, 12));
        EXPECT_TRUE(map->Modified);
        EXPECT_EQ(map->ViewX, 123);
    }
    TTempDir Dir;
    std::unique_ptr<TMap> Before;
    std::vector<std::uint8_t> Good;
};

TEST_F(CorruptFile, EveryTruncationIsRefused) {
    for (std::size_t size = 0; size < Good.size(); ++size) {
        SCOPED_TRACE(size);
        ExpectRefused(std::vector<std::uint8_t>(Good.begin(), Good.begin() + size),
                      TMapFileError::Truncated);
    }
}

TEST_F(CorruptFile, ObjectCountBeyondTheDataIsRefused) {
    std::vector<std::uint8_t> bytes = Good;
    bytes[2] = 0xFF;
    bytes[3] = 0xFF;
    ExpectRefused(bytes, TMapFileError::Truncated);
}

TEST_F(CorruptFile, WaypointCountAbove31IsRefused) {
    TMapFileContents contents;
    contents.Objects.push_back(MakeObject(Rail, 10, 10, 100, 10));
    contents.Routes[0][0].WaypointCount = 32;
    std::vector<std::uint8_t> bytes = SerializeMapFile(contents);
    ExpectRefused(bytes, TMapFileError::BadWaypointCount);
    contents.Routes[0][0].WaypointCount = 31; // the largest count is fine
    TMapFileContents parsed;
    EXPECT_EQ(ParseMapFile(SerializeMapFile(contents), parsed), TMapFileError::None);
}

TEST_F(CorruptFile, WaypointIndexAtObjectCountIsRefused) {
    TMapFileContents contents;
    contents.Objects.push_back(MakeObject(Rail, 10, 10, 100, 10));
    contents.Objects.push_back(MakeObject(Rail, 100, 10, 200, 10));
    contents.Routes[4][7].WaypointCount = 2;
    contents.Routes[4][7].Waypoints = {1, 2};
    ExpectRefused(SerializeMapFile(contents), TMapFileError::BadWaypointIndex);
}

TEST_F(CorruptFile, MissingFileAndFolderAreRefused) {
    auto map = SampleMap();
    map->FileName = Dir.Path("none.vl");
    TMapFileError error = TMapFileError::None;
    EXPECT_FALSE(map->LoadFromFile(&error));
    EXPECT_EQ(error, TMapFileError::CannotOpen);
    map->FileName = Dir.Root().string();
    EXPECT_FALSE(map->LoadFromFile(&error));
    EXPECT_EQ(error, TMapFileError::CannotOpen);
    EXPECT_EQ(map->Objects, Before->Objects);
}

TEST(MapSave, FailedWriteKeepsTheOldFileAndTheModifiedFlag) {
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "a hard-linked map, written in place" : "a map replaced by rename");
        TTempDir dir;
        auto old = NewMap();
        old->FileName = dir.Path("city.vl");
        ASSERT_TRUE(old->SaveToFile());
        if (linked) std::filesystem::create_hard_link(old->FileName, dir.Path("link.vl"));
        const std::vector<std::uint8_t> oldBytes = ReadBytes(old->FileName);

        auto big = NewMap();
        for (int k = 0; k < 1000; ++k)
            AddRail(*big, 100, 100 + k, 200, 100 + k);
        big->FileName = old->FileName;
        big->Modified = true;

        // A file size limit makes the write fail part way, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 4096;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        bool saved_ok = big->SaveToFile();
        ::setrlimit(RLIMIT_FSIZE, &saved);

        EXPECT_FALSE(saved_ok);
        EXPECT_TRUE(big->Modified);
        EXPECT_EQ(ReadBytes(old->FileName), oldBytes);
        int files = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Root()))
            ++files;
        EXPECT_EQ(files, linked ? 2 : 1) << "the temporary file was left behind";
    }
}

TEST(MapSave, UnwritablePlacesFailWithoutHarm) {
    TTempDir dir;
    auto map = SampleMap();
    map->Modified = true;
    map->FileName = dir.Path("no/such/folder/x.vl");
    EXPECT_FALSE(map->SaveToFile());
    map->FileName = dir.Root().string(); // a folder
    EXPECT_FALSE(map->SaveToFile());
    EXPECT_TRUE(std::filesystem::is_directory(dir.Root()));
    EXPECT_TRUE(map->Modified);
}

TEST(MapSave, KeepsPermissionsAndWritesThroughLinks) {
    TTempDir dir;
    auto map = SampleMap();
    map->FileName = dir.Path("real.vl");
    ASSERT_TRUE(map->SaveToFile());
    ASSERT_EQ(::chmod(map->FileName.c_str(), 0640), 0);
    std::filesystem::create_symlink(dir.Path("real.vl"), dir.Path("link.vl"));

    auto empty = NewMap();
    empty->FileName = dir.Path("link.vl");
    ASSERT_TRUE(empty->SaveToFile());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link.vl")));
    EXPECT_EQ(ReadBytes(dir.Path("real.vl")).size(), EmptyMapFileSize);
    struct stat st {};
    ASSERT_EQ(::stat(dir.Path("real.vl").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A map saved by one who may write it, where a rename would part it from its second name: the
// map is written in place, whatever the file system can reserve.
TEST(MapSave, InPlaceOnAFileSystemWithoutFallocate) {
    TTempDir dir;
    auto map = SampleMap();
    // Larger than a block: glibc's emulation of fallocate reads back the blocks a file has.
    for (int k = 0; k < 1000; ++k)
        AddRail(*map, 100, 2000 + k, 200, 2000 + k);
    map->FileName = dir.Path("shared.vl");
    ASSERT_TRUE(map->SaveToFile());
    std::filesystem::create_hard_link(map->FileName, dir.Path("link.vl"));
    auto changed = SampleMap();
    for (int k = 0; k < 1001; ++k)
        AddRail(*changed, 300, 2000 + k, 400, 2000 + k);
    changed->FileName = map->FileName;
    // As on NFSv3 and many FUSE mounts (strace -e inject=fallocate:error=EOPNOTSUPP).
    const int saved = RunWithSyscallAnswered(SYS_fallocate, FailWith(EOPNOTSUPP),
                                             [&]() { return changed->SaveToFile() ? 0 : 1; });
    EXPECT_EQ(saved, 0) << "the save in place failed where fallocate is not supported";
    const std::vector<std::uint8_t> bytes = SerializeMapFile(changed->StoredContents());
    EXPECT_EQ(ReadBytes(dir.Path("shared.vl")), bytes);
    EXPECT_EQ(ReadBytes(dir.Path("link.vl")), bytes);
}

// The POSIX ACL of a file as the kernel stores it: the owner rw, user 4321 rw, group and
// others r.
std::string AclLettingAColleagueWrite() {
    std::string acl;
    auto u16 = [&](unsigned v) { acl += char(v & 0xFF), acl += char(v >> 8); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    auto entry = [&](unsigned tag, unsigned perm, std::uint32_t id) {
        u16(tag), u16(perm), u32(id);
    };
    u32(2);                     // version
    entry(0x01, 6, 0xFFFFFFFF); // the owner
    entry(0x02, 6, 4321);       // a named user
    entry(0x04, 4, 0xFFFFFFFF); // the owning group
    entry(0x10, 6, 0xFFFFFFFF); // the mask
    entry(0x20, 4, 0xFFFFFFFF); // others
    return acl;
}

std::string Attribute(const std::string& path, const char* name) {
    char value[256];
    const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
    return n < 0 ? std::string("(none)") : std::string(value, std::size_t(n));
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_ino;
}

// Replaced by a new file, the map keeps the ACL that lets a colleague write it and the user's
// own attributes; where the new file cannot take them, the map is written in place.
TEST(MapSave, KeepsExtendedAttributesAndAcls) {
    TTempDir dir;
    auto map = SampleMap();
    map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(map->SaveToFile());
    const std::string acl = AclLettingAColleagueWrite();
    if (::setxattr(map->FileName.c_str(), "user.vell.note", "tram depot", 10, 0) != 0 ||
        ::setxattr(map->FileName.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) !=
            0)
        GTEST_SKIP() << "this file system keeps no extended attributes or ACLs";
    struct stat before {};
    ASSERT_EQ(::stat(map->FileName.c_str(), &before), 0);

    AddRail(*map, 3000, 3000, 3100, 3000);
    ASSERT_TRUE(map->SaveToFile());
    EXPECT_NE(Inode(map->FileName), before.st_ino)
        << "expected a replacement, not a write in place";
    EXPECT_EQ(Attribute(map->FileName, "user.vell.note"), "tram depot");
    EXPECT_EQ(Attribute(map->FileName, "system.posix_acl_access"), acl);
    struct stat after {};
    ASSERT_EQ(::stat(map->FileName.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);

    // Attributes that cannot be set on the new file: written in place, nothing lost.
    const ino_t inode = Inode(map->FileName);
    AddRail(*map, 3000, 3100, 3100, 3100);
    const int saved = RunWithSyscallAnswered(SYS_fsetxattr, FailWith(EPERM),
                                             [&]() { return map->SaveToFile() ? 0 : 1; });
    EXPECT_EQ(saved, 0);
    EXPECT_EQ(Inode(map->FileName), inode);
    EXPECT_EQ(ReadBytes(map->FileName), SerializeMapFile(map->StoredContents()));
    EXPECT_EQ(Attribute(map->FileName, "user.vell.note"), "tram depot");
    EXPECT_EQ(Attribute(map->FileName, "system.posix_acl_access"), acl);
    int files = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.Root()))
        ++files;
    EXPECT_EQ(files, 1) << "a temporary file was left behind";
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A save in place keeps the old bytes as a recovery copy only while it writes: afterwards the
// recovery folder holds nothing of it when the file holds the new bytes or the old ones again,
// and keeps the copy when it may hold neither.
TEST(MapSave, InPlaceKeepsARecoveryCopyWhileTheFileIsNotWhole) {
    TTempDir dir;
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string keep = oldState ? oldState : "";
    ::setenv("XDG_STATE_HOME", dir.Path("state").c_str(), 1);
    const std::string folder = DefaultRecoveryFolder();
    auto map = SampleMap();
    map->FileName = dir.Path("city.vl");
    ASSERT_TRUE(map->SaveToFile());
    std::filesystem::create_hard_link(map->FileName, dir.Path("link.vl"));
    AddRail(*map, 3000, 3000, 3100, 3000);

    EXPECT_TRUE(map->SaveToFile());
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << "no copy was made";
    EXPECT_TRUE(FilesIn(folder).empty());
    const std::vector<std::uint8_t> saved = ReadBytes(map->FileName);

    // A full disk found by the reservation: not a byte changed.
    for (int k = 0; k < 200; ++k)
        AddRail(*map, 100, 2000 + k, 200, 2000 + k);
    EXPECT_EQ(RunWithSyscallAnswered(SYS_fallocate, FailWith(ENOSPC),
                                     [&]() { return map->SaveToFile() ? 0 : 1; }),
              1);
    EXPECT_EQ(ReadBytes(map->FileName), saved);
    EXPECT_TRUE(FilesIn(folder).empty());

    // The new bytes written, the file's end never cut: it holds the old bytes and then some.
    EXPECT_EQ(RunWithSyscallAnswered(SYS_ftruncate, FailWith(EIO),
                                     [&]() { return map->SaveToFile() ? 0 : 1; }),
              1);
    const std::vector<std::string> left = FilesIn(folder);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_TRUE(left[0].ends_with(".lock") && left[1].ends_with(".vlr")) << left[1];
    std::string path;
    TMapFileContents contents;
    ASSERT_TRUE(ParseRecoveryCopy(ReadBytes(folder + "/" + left[1]), path, contents));
    EXPECT_EQ(path, std::filesystem::canonical(map->FileName).string());
    EXPECT_EQ(SerializeMapFile(contents), saved);
    if (oldState)
        ::setenv("XDG_STATE_HOME", keep.c_str(), 1);
    else
        ::unsetenv("XDG_STATE_HOME");
}

} // namespace
} // namespace vell::test
