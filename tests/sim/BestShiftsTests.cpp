// The best shifts' store: a real shift's entry and recording read back as written; each line keeps
// the recordings of its ten best and no more, another map's apart; an entry that is damaged,
// foreign or unreadable, or one of the ten without its recording, is passed over with one line.
#include "model/SealedFile.h"
#include "sim/best/BestShifts.h"
#include "tests/sim/StandingShift.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace vell::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t MapA = 0x1234'5678'9abc'def0, MapB = 0x0fed'cba9'8765'4321;

// A short drive of the ring map: the recording every made-up shift keeps.
const TReplay& ShortDrive() {
    static const TReplay drive = [] {
        TScriptedDrive d(std::string(VELL_MAPS_DIR) + "/ring.vl", 3);
        for (int k = 0; k < 50; ++k)
            d.Step({});
        return d.Recorded();
    }();
    return drive;
}

TBestShift Made(double total, int second, int col = 0, std::uint64_t map = MapA) {
    TBestShift s;
    s.MapHash = map;
    s.RouteCol = col;
    s.Line = "Кольцо";
    s.Shift = {TShiftKind::Circuits, 2};
    s.Date = UtcDate(1'800'000'000 + second);
    s.Total = total;
    s.Stars = StarsFor(total, false);
    s.Points = {total * 0.4, total * 0.2, total * 0.2, total * 0.2};
    return s;
}

std::vector<std::string> Files(const TTempDir& dir, const std::string& suffix) {
    std::vector<std::string> found;
    for (const auto& e : fs::directory_iterator(dir.Root()))
        if (e.path().extension() == suffix) found.push_back(e.path().string());
    std::sort(found.begin(), found.end());
    return found;
}

std::string Recording(const std::string& entry) {
    return fs::path(entry).replace_extension(".vlrec").string();
}

} // namespace

TEST(BestShifts, ARealShiftReadsBackAsItWasDriven) {
    const TStandingShift driven;
    ASSERT_TRUE(driven.Score().Finished());
    ASSERT_TRUE(driven.Score().Eligible());
    const TEvaluation evaluation = driven.Score().Evaluation();
    const TReplay drive = driven.Recorded();
    const TBestShift shift =
        BestShiftOf(evaluation, ReplayStart(drive).MapHash, "Кольцо", UtcDateNow());
    EXPECT_EQ(shift.Shift, (TShift{TShiftKind::Minutes, 15}));
    EXPECT_EQ(shift.RouteRow, evaluation.RouteRow);
    EXPECT_EQ(shift.RouteCol, evaluation.RouteCol);

    TTempDir dir;
    std::string entry;
    ASSERT_EQ(AddBestShift(dir.Path("best"), shift, drive, &entry), "");
    const TBestShiftList list = ListBestShifts(dir.Path("best"), shift.MapHash);
    EXPECT_TRUE(list.Skipped.empty());
    ASSERT_EQ(list.Shifts.size(), 1u);
    EXPECT_EQ(list.Shifts[0].Shift, shift);
    EXPECT_EQ(list.Shifts[0].Rank, 1);
    EXPECT_EQ(list.Shifts[0].Entry, entry);
    TReplay replay;
    std::string why;
    ASSERT_TRUE(ReadReplay(list.Shifts[0].Recording, replay, why)) << why;
    EXPECT_EQ(replay.Start, drive.Start);
    EXPECT_EQ(replay.EndStep, drive.EndStep);
    EXPECT_EQ(replay.Events.size(), drive.Events.size());
}

TEST(BestShifts, OnlyTheTenBestOfALineKeepTheirRecordings) {
    TTempDir dir;
    const std::string folder = dir.Root().string();
    const std::vector<double> totals{50, 91, 12, 77, 64, 88, 30, 99, 45, 70, 81, 60, 5};
    std::vector<std::string> entries;
    for (std::size_t k = 0; k < totals.size(); ++k) {
        std::string entry;
        ASSERT_EQ(AddBestShift(folder, Made(totals[k], int(k)), ShortDrive(), &entry), "");
        entries.push_back(entry);
        EXPECT_EQ(Files(dir, ".vlbest").size(), k + 1);
        EXPECT_EQ(Files(dir, ".vlrec").size(), std::min<std::size_t>(k + 1, 10));
    }
    // A tie with the line's tenth, which keeps its place; another line; another map's best,
    // which is neither listed with this map's nor cuts its lines.
    ASSERT_EQ(AddBestShift(folder, Made(45, 100), ShortDrive()), "");
    ASSERT_EQ(AddBestShift(folder, Made(1, 101, 11), ShortDrive()), "");
    for (int k = 0; k < 3; ++k)
        ASSERT_EQ(AddBestShift(folder, Made(95 + k, 102 + k, 0, MapB), ShortDrive()), "");

    const TBestShiftList list = ListBestShifts(folder, MapA);
    EXPECT_TRUE(list.Skipped.empty());
    ASSERT_EQ(list.Shifts.size(), 11u);
    const std::vector<double> best{99, 91, 88, 81, 77, 70, 64, 60, 50, 45};
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(list.Shifts[r].Shift.Total, best[r]);
        EXPECT_EQ(list.Shifts[r].Rank, r + 1);
        EXPECT_TRUE(fs::exists(list.Shifts[r].Recording));
    }
    EXPECT_EQ(list.Shifts[0].Shift, Made(99, 7)); // every field as written
    EXPECT_EQ(list.Shifts[9].Entry, entries[8]);  // the first 45
    EXPECT_EQ(list.Shifts[10].Shift.RouteCol, 11);
    EXPECT_EQ(list.Shifts[10].Rank, 1);
    // Those that dropped out, and one never among the ten, keep their entries alone.
    for (std::size_t k : {2, 6, 12}) {
        EXPECT_TRUE(fs::exists(entries[k]));
        EXPECT_FALSE(fs::exists(Recording(entries[k]))) << k;
    }
    EXPECT_EQ(Files(dir, ".vlrec").size(), 10u + 1 + 3);
    const TBestShiftList other = ListBestShifts(folder, MapB);
    ASSERT_EQ(other.Shifts.size(), 3u);
    EXPECT_EQ(other.Shifts[0].Shift.Total, 97);
    EXPECT_TRUE(ListBestShifts(folder, 7).Shifts.empty());
}

TEST(BestShifts, DamagedForeignAndUnreadableEntriesArePassedOverWithOneLineEach) {
    TTempDir dir;
    const std::string folder = dir.Root().string();
    std::string kept, lost;
    ASSERT_EQ(AddBestShift(folder, Made(80, 1), ShortDrive(), &kept), "");
    ASSERT_EQ(AddBestShift(folder, Made(90, 2), ShortDrive(), &lost), "");
    fs::remove(Recording(lost));

    const std::vector<std::uint8_t> good = EncodeBestShift(Made(70, 3));
    std::vector<std::uint8_t> flipped = good, newer = good;
    flipped[SealedHeaderBytes + 3] ^= 0x40;
    newer[4] = 2; // the version
    SealHeader(newer);
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> bad{
        {"flipped.vlbest", flipped},
        {"newer.vlbest", newer},
        {"cut.vlbest", {good.begin(), good.begin() + long(good.size() / 2)}},
        {"replay.vlbest", EncodeReplay(ShortDrive())},
        {"over.vlbest", EncodeBestShift(Made(101, 4))},
        {"empty.vlbest", {}},
    };
    for (const auto& [name, bytes] : bad)
        WriteBytes(dir.Path(name), bytes);
    fs::create_directory(dir.Path("folder.vlbest"));
    WriteBytes(dir.Path("notes.txt"), {'x'}); // not an entry: passed over without a word

    const TBestShiftList list = ListBestShifts(folder, MapA);
    ASSERT_EQ(list.Shifts.size(), 1u);
    EXPECT_EQ(list.Shifts[0].Entry, kept);
    EXPECT_EQ(list.Shifts[0].Rank, 2); // the best lost its recording, not its place
    ASSERT_EQ(list.Skipped.size(), bad.size() + 2);
    std::vector<std::string> named{lost, dir.Path("folder.vlbest")};
    for (const auto& b : bad)
        named.push_back(dir.Path(b.first));
    for (const std::string& path : named)
        EXPECT_EQ(std::count_if(list.Skipped.begin(), list.Skipped.end(),
                                [&](const std::string& line) {
                                    return line.find(path + " ") != std::string::npos &&
                                           line.find('\n') == std::string::npos;
                                }),
                  1)
            << path;
}

TEST(BestShifts, AStoreThatCannotBeWrittenSaysWhyAndKeepsNothing) {
    TTempDir dir;
    WriteBytes(dir.Path("file"), {'x'});
    EXPECT_NE(AddBestShift(dir.Path("file"), Made(80, 1), ShortDrive()), "");
    EXPECT_EQ(Files(dir, ".vlrec").size(), 0u);
    EXPECT_EQ(Files(dir, ".vlbest").size(), 0u);
}

} // namespace vell::test
