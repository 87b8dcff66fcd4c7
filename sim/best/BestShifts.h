// The best shifts: every circuits or minutes shift the player drove to its end alone, kept as a
// small sealed file of its own in the user's folder, and beside each of the ten best of its line
// (a map, by the hash of its bytes, and a route slot) the shift's recording. One file an entry,
// so that a damaged or foreign one costs only itself: it is passed over with one line, never
// trusted.
#pragma once

#include "sim/save/Replay.h"
#include "sim/shift/ShiftScore.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

namespace vell {

constexpr std::uint16_t BestShiftVersion = 1;
// The recordings kept per line.
constexpr std::size_t BestShiftsPerLine = 10;
// The file name endings of an entry and of its recording.
extern const char* const BestShiftSuffix; // ".vlbest"
extern const char* const RecordingSuffix; // ".vlrec"

struct TBestShift {
    std::uint64_t MapHash = 0; // the map file's, as the recording names it
    std::int32_t RouteRow = 0, RouteCol = 0;
    std::string Line; // the line's name as it was driven (LineDisplayName)
    TShift Shift;
    std::string Date; // when it ended, UTC, ISO 8601 to the second: "2026-12-09T15:34:07Z"
    double Total = 0; // 0..100
    int Stars = 0;    // 0..4
    // Each category's points per planned stop (at most CategoryPointsPerStop): Total their sum.
    std::array<double, ScoreCategoryCount> Points{};
    bool operator==(const TBestShift&) const = default;
};

// The entry of a finished shift's evaluation.
TBestShift BestShiftOf(const TEvaluation& evaluation, std::uint64_t mapHash,
                       const std::string& line, const std::string& date);

// `time` as an entry's date; UtcDateNow() the clock's time.
std::string UtcDate(std::time_t time);
std::string UtcDateNow();

// The shift as the player chose it: "без конца", "2 круга", "45 минут", in the program's
// language.
std::string ShiftName(const TShift& shift);

// The entry's bytes, and reading them back: false, with the reason (one Russian clause), when
// they are not an entry this program wrote.
std::vector<std::uint8_t> EncodeBestShift(const TBestShift& shift);
bool DecodeBestShift(std::span<const std::uint8_t> bytes, TBestShift& shift, std::string& why);

// The order of a line's shifts: the higher total first; of equal totals the earlier (it got
// there first).
bool BetterShift(const TBestShift& a, const TBestShift& b);

// One shift of a map's list.
struct TListedShift {
    TBestShift Shift;
    int Rank = 0;          // 1..10 within its line
    std::string Entry;     // the entry's file
    std::string Recording; // its recording's file
};

struct TBestShiftList {
    // The best ten of each line, the lines in the route table's order, each by rank.
    std::vector<TListedShift> Shifts;
    // One line for each entry passed over: damaged, foreign, unreadable, or one of the ten whose
    // recording is missing.
    std::vector<std::string> Skipped;
};

// The best shifts of the map whose bytes hash to `mapHash`, read from `folder` (none when it does
// not exist). Entries of other maps are not listed.
TBestShiftList ListBestShifts(const std::string& folder, std::uint64_t mapHash);

// Adds a finished shift to the store in `folder` (made when missing): its entry, and its
// recording `drive` when it is one of the ten best of its line, whose eleventh then loses its
// recording. Only shifts that TShiftScore::Eligible() accepts belong here. Empty when stored,
// else one Russian line why; nothing is left half-done: an entry that could not be written takes
// its recording with it. `entry`, when given, gets the entry's path.
std::string AddBestShift(const std::string& folder, const TBestShift& shift, const TReplay& drive,
                         std::string* entry = nullptr);

} // namespace vell
