// Saves and recordings that travel: moved with their map to another folder (or machine), their map
// found beside them, among the bundled maps or where the user names it, and never a map whose
// bytes are not those they were written over; nothing but a regular file is opened.
#include "model/RouteTable.h"
#include "sim/save/Replay.h"
#include "tests/sim/ScriptedDrive.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace vell::test {
namespace {

namespace fs = std::filesystem;

const std::string DemoMap = VELL_MAPS_DIR "/demo.vl";

// A drive on a copy of the demo city in `home`, by hand with traction on, saved and recorded
// there; what the world was at the save and how the recording ends.
struct TTravellingDrive {
    explicit TTravellingDrive(const fs::path& home) {
        fs::create_directories(home);
        WriteBytes((home / "demo.vl").string(), ReadBytes(DemoMap));
        TScriptedDrive drive((home / "demo.vl").string(), 11);
        TPlayerCommands hand;
        hand.Autopilot = false;
        hand.Controller = 0.4;
        for (int s = 0; s < 300; ++s)
            drive.Step(hand);
        SaveDigest = WorldStateDigest(drive.World, drive.Run);
        EXPECT_EQ(WriteWorldSave((home / "game.vls").string(), drive.World, drive.Run), "");
        EXPECT_EQ(WriteReplay((home / "drive.vlrec").string(), drive.Recorded()), "");
        EndDigest = ReplayDigest(drive.World, drive.Run);
    }
    std::uint64_t SaveDigest = 0, EndDigest = 0;
};

TWorldSave ReadSave(const std::string& path) {
    TWorldSave save;
    std::string error;
    EXPECT_TRUE(ReadWorldSave(path, save, error)) << error;
    return save;
}

// The save continued over the map `search` finds: the digest of the world restored, or the
// refusal's words.
std::string ContinueOver(const TWorldSave& save, const TMapSearch& search, TMap& map,
                         std::uint64_t& digest) {
    std::string error;
    if (!LoadSavedMap(save, map, error, search)) return error;
    SelectMap(map);
    TRandom random(0);
    TWorld world(map, random);
    TRunState run;
    if (!RestoreWorld(save, world, run, error)) return error;
    digest = WorldStateDigest(world, run);
    return {};
}

TEST(MovedMap, ASaveAndARecordingMovedWithTheirMapPlayOnInTheirNewFolder) {
    TTempDir dir;
    const TTravellingDrive drive(dir.Root() / "home");
    fs::rename(dir.Path("home"), dir.Path("away")); // the path they name is gone
    const std::string away = dir.Path("away");
    const TWorldSave save = ReadSave(away + "/game.vls");
    EXPECT_EQ(save.MapPath, dir.Path("home/demo.vl"));

    TMap map;
    std::uint64_t digest = 0;
    EXPECT_EQ(ContinueOver(save, {}, map, digest), "Нет карты сохранения: " + save.MapPath);
    ASSERT_EQ(ContinueOver(save, {away + "/game.vls", {}, {}}, map, digest), "");
    EXPECT_EQ(map.FileName, away + "/demo.vl");
    EXPECT_EQ(digest, drive.SaveDigest);
    std::string error;
    EXPECT_TRUE(SaveFitsItsMap(save, error, {away + "/game.vls", {}, {}}, TSaveUse::PlayerCab))
        << error;

    TReplay replay;
    ASSERT_TRUE(ReadReplay(away + "/drive.vlrec", replay, error)) << error;
    TMap replayMap;
    TRandom random(0);
    TWorld world(replayMap, random);
    TReplayOutcome outcome;
    EXPECT_FALSE(RunReplay(replay, replayMap, world, outcome, error));
    ASSERT_TRUE(
        RunReplay(replay, replayMap, world, outcome, error, {away + "/drive.vlrec", {}, {}}))
        << error;
    EXPECT_EQ(outcome.Digest, drive.EndDigest);
    EXPECT_EQ(replayMap.FileName, away + "/demo.vl");
}

TEST(MovedMap, OnlyARegularFileWithTheSavedBytesIsTaken) {
    TTempDir dir;
    TTravellingDrive drive(dir.Root() / "home");
    const TWorldSave save = ReadSave(dir.Path("home/game.vls"));
    fs::create_directories(dir.Path("away"));
    fs::copy_file(dir.Path("home/game.vls"), dir.Path("away/game.vls"));
    fs::create_directories(dir.Path("bundled"));
    fs::copy_file(DemoMap, dir.Path("bundled/demo.vl"));
    fs::create_directories(dir.Path("mine"));
    fs::copy_file(DemoMap, dir.Path("mine/city.vl"));
    // The map of that name has changed since, where it was and beside the save.
    std::vector<std::uint8_t> changed = ReadBytes(DemoMap);
    changed[changed.size() / 2] ^= 1;
    WriteBytes(dir.Path("home/demo.vl"), changed);
    WriteBytes(dir.Path("away/demo.vl"), changed);
    const std::string saveFile = dir.Path("away/game.vls");
    std::string path, error;

    EXPECT_FALSE(FindSavedMap(save, {saveFile, {}, {}}, path, error));
    EXPECT_EQ(error, "Карта " + dir.Path("home/demo.vl") + " изменилась после сохранения.");
    ASSERT_TRUE(FindSavedMap(save, {saveFile, dir.Path("bundled"), {}}, path, error)) << error;
    EXPECT_EQ(path, dir.Path("bundled/demo.vl"));

    // A pipe in the map's place, which would block a reader, is passed over unopened.
    fs::remove(dir.Path("home/demo.vl"));
    fs::remove(dir.Path("away/demo.vl"));
    ASSERT_EQ(::mkfifo(dir.Path("home/demo.vl").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir.Path("away/demo.vl").c_str(), 0600), 0);
    ASSERT_TRUE(FindSavedMap(save, {saveFile, dir.Path("bundled"), {}}, path, error)) << error;
    EXPECT_EQ(path, dir.Path("bundled/demo.vl"));
    EXPECT_FALSE(FindSavedMap(save, {saveFile, {}, {}}, path, error));
    EXPECT_EQ(error,
              "Не удалось прочитать карту " + dir.Path("home/demo.vl") + ": это не обычный файл");
    TMap map;
    EXPECT_FALSE(LoadSavedMap(save, map, error, {saveFile, {}, dir.Path("away/demo.vl")}));
    EXPECT_EQ(error,
              "Не удалось прочитать карту " + dir.Path("away/demo.vl") + ": это не обычный файл");

    // A map the user names, of any name, is taken for its bytes alone.
    std::uint64_t digest = 0;
    ASSERT_EQ(ContinueOver(save, {saveFile, {}, dir.Path("mine/city.vl")}, map, digest), "");
    EXPECT_EQ(map.FileName, dir.Path("mine/city.vl"));
    EXPECT_EQ(digest, drive.SaveDigest);
    EXPECT_FALSE(FindSavedMap(save, {saveFile, {}, dir.Path("mine")}, path, error));
    EXPECT_NE(error.find(dir.Path("mine")), std::string::npos) << error;
}

} // namespace
} // namespace vell::test
