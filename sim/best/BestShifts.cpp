// The best shifts' store: the entry's file, the folder read without trusting it, and the ten-best
// cut that keeps the recordings.
#include "sim/best/BestShifts.h"

#include "model/ByteStream.h"
#include "model/Route.h"
#include "model/RouteTable.h"
#include "model/SafeFile.h"
#include "model/SealedFile.h"
#include "model/Texts.h"
#include "model/Utf8.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace vell {

const char* const BestShiftSuffix = ".vlbest";
const char* const RecordingSuffix = ".vlrec";

namespace {

namespace fs = std::filesystem;

constexpr TFileMagic Magic = {'V', 'L', 'B', 'S'};
// An entry is a few dozen bytes: anything near this is no entry.
constexpr std::size_t MaxEntryBytes = 4096;
// A line name of 24 characters takes at most 4 bytes each; a little room past it.
constexpr std::size_t MaxLineBytes = 128;
constexpr std::size_t DateChars = 20; // "2026-12-09T15:34:07Z"

const char* const CircuitNames[TShift::MaxCircuits] = {
    QT_TRANSLATE_NOOP("BestShifts", "1 круг"), QT_TRANSLATE_NOOP("BestShifts", "2 круга"),
    QT_TRANSLATE_NOOP("BestShifts", "3 круга"), QT_TRANSLATE_NOOP("BestShifts", "4 круга"),
    QT_TRANSLATE_NOOP("BestShifts", "5 кругов")};

void WriteText(TByteWriter& out, const std::string& text) {
    out.WriteU16(std::uint16_t(text.size()));
    out.WriteBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

bool ReadText(TByteReader& in, std::size_t most, std::string& text) {
    std::uint16_t length = 0;
    std::span<const std::uint8_t> bytes;
    if (!in.ReadU16(length) || length > most || !in.ReadBytes(length, bytes)) return false;
    text.assign(bytes.begin(), bytes.end());
    return true;
}

bool IsDate(const std::string& date) {
    static const char pattern[] = "dddd-dd-ddTdd:dd:ddZ";
    if (date.size() != DateChars) return false;
    for (std::size_t k = 0; k < DateChars; ++k) {
        const bool digit = date[k] >= '0' && date[k] <= '9';
        if (pattern[k] == 'd' ? !digit : date[k] != pattern[k]) return false;
    }
    return true;
}

bool IsShownName(const std::string& name) {
    return !name.empty() && IsValidUtf8(name) && std::none_of(name.begin(), name.end(), [](char c) {
        return (unsigned char)c < 0x20 || c == 0x7F;
    });
}

// Every figure within what a finished shift reaches.
bool InRange(const TBestShift& s) {
    if (s.RouteRow < 0 || s.RouteRow >= RouteRows || s.RouteCol < 0 || s.RouteCol >= RouteColumns)
        return false;
    if (s.Shift.Kind == TShiftKind::Open || !s.Shift.Valid()) return false;
    if (!IsShownName(s.Line) || !IsDate(s.Date)) return false;
    if (!(s.Total >= 0 && s.Total <= PointsPerStop) || s.Stars < 0 || s.Stars > 4) return false;
    for (int c = 0; c < ScoreCategoryCount; ++c)
        if (!(s.Points[c] >= 0 && s.Points[c] <= CategoryPointsPerStop[c])) return false;
    return true;
}

std::string Skipped(const std::string& path, const std::string& why) {
    return Arg(translate("BestShifts", "Лучшая смена %1 пропущена: %2."), path, why);
}

std::string SealReason(TSealFault fault, std::uint16_t found) {
    switch (fault) {
    case TSealFault::None:
        return {};
    case TSealFault::OtherKind:
        return translate("BestShifts", "это файл не того вида");
    case TSealFault::CutShort:
        return translate("BestShifts", "файл обрывается раньше времени");
    case TSealFault::OtherVersion:
        return Arg(translate("BestShifts", "файл версии %1, а эта программа читает версию %2"),
                   std::to_string(found), std::to_string(BestShiftVersion));
    case TSealFault::Damaged:
        return translate("BestShifts", "файл повреждён: контрольная сумма не сходится");
    }
    return {};
}

std::string Damaged() {
    return translate("BestShifts", "в файле то, чего смена не достигает");
}

struct TStored {
    TBestShift Shift;
    std::string Entry; // the entry's path
};

// The path of the entry's recording: its own name, ending as a recording does.
std::string RecordingOf(const std::string& entry) {
    const std::size_t suffix = std::string(BestShiftSuffix).size();
    return entry.substr(0, entry.size() - suffix) + RecordingSuffix;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Every entry of the folder, in the order of their names; one line for each that does not read.
std::vector<TStored> ReadStore(const std::string& folder, std::vector<std::string>& skipped) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        if (error != std::errc::no_such_file_or_directory)
            skipped.push_back(Arg(translate("BestShifts", "Папка лучших смен %1 не читается: %2."),
                                  folder, error.message()));
        return {};
    }
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (EndsWith(name, BestShiftSuffix)) names.push_back(it->path().string());
    }
    if (error)
        skipped.push_back(Arg(translate("BestShifts", "Папка лучших смен %1 не читается: %2."),
                              folder, error.message()));
    std::sort(names.begin(), names.end());
    std::vector<TStored> stored;
    for (const std::string& path : names) {
        std::vector<std::uint8_t> bytes;
        const TFileFault fault = ReadFileBytes(path, bytes, MaxEntryBytes + 1);
        TStored entry{{}, path};
        std::string why;
        if (fault != TFileFault::None)
            why = SaveFaultReason(fault);
        else if (bytes.size() > MaxEntryBytes)
            why = translate("BestShifts", "файл слишком велик");
        else if (DecodeBestShift(bytes, entry.Shift, why))
            stored.push_back(std::move(entry));
        if (!why.empty()) skipped.push_back(Skipped(path, why));
    }
    return stored;
}

bool Ranked(const TStored& a, const TStored& b) {
    if (BetterShift(a.Shift, b.Shift)) return true;
    if (BetterShift(b.Shift, a.Shift)) return false;
    return a.Entry < b.Entry;
}

bool SameLine(const TBestShift& a, const TBestShift& b) {
    return a.MapHash == b.MapHash && a.RouteRow == b.RouteRow && a.RouteCol == b.RouteCol;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// An entry name no file has yet: the map, the slot and the date, numbered when taken.
std::string FreeEntry(const std::string& folder, const TBestShift& shift) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", (unsigned long long)shift.MapHash);
    std::string date;
    for (char c : shift.Date)
        if (c != '-' && c != ':') date += c;
    const std::string stem = (fs::path(folder) / hash).string() + "-" +
                             std::to_string(shift.RouteRow) + "-" + std::to_string(shift.RouteCol) +
                             "-" + date;
    std::string entry = stem + BestShiftSuffix;
    for (int n = 2; Exists(entry) || Exists(RecordingOf(entry)); ++n)
        entry = stem + "-" + std::to_string(n) + BestShiftSuffix;
    return entry;
}

std::string WriteFailed(const std::string& path, const std::string& why) {
    return Arg(translate("BestShifts", "Не удалось записать лучшую смену %1: %2"), path, why);
}

} // namespace

TBestShift BestShiftOf(const TEvaluation& evaluation, std::uint64_t mapHash,
                       const std::string& line, const std::string& date) {
    TBestShift shift;
    shift.MapHash = mapHash;
    shift.RouteRow = evaluation.RouteRow;
    shift.RouteCol = evaluation.RouteCol;
    shift.Line = line;
    shift.Shift = evaluation.Shift;
    shift.Date = date;
    shift.Total = std::clamp(evaluation.Total, 0.0, PointsPerStop);
    shift.Stars = evaluation.Stars;
    const double stops = std::max(evaluation.PlannedStops, 1);
    for (int c = 0; c < ScoreCategoryCount; ++c)
        shift.Points[c] = std::clamp(evaluation.Points[c] / stops, 0.0, CategoryPointsPerStop[c]);
    return shift;
}

std::string UtcDate(std::time_t time) {
    std::tm utc{};
    char text[DateChars + 1];
    // A clock past the year 9999 (or before 0) gives no date of four-digit years: the epoch's.
    if (!gmtime_r(&time, &utc) ||
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc) != DateChars)
        return "1970-01-01T00:00:00Z";
    return text;
}

std::string UtcDateNow() {
    return UtcDate(std::time(nullptr));
}

std::string ShiftName(const TShift& shift) {
    const int n = shift.Length;
    switch (shift.Kind) {
    case TShiftKind::Open:
        return translate("BestShifts", "без конца");
    case TShiftKind::Circuits:
        if (n >= TShift::MinCircuits && n <= TShift::MaxCircuits)
            return translate("BestShifts", CircuitNames[n - 1]);
        return Arg(translate("BestShifts", "кругов: %1"), std::to_string(n));
    case TShiftKind::Minutes:
        // "минут" after every count the game offers; other counts take another form.
        if (n % 10 == 0 || n % 10 >= 5 || (n % 100 >= 11 && n % 100 <= 14))
            return Arg(translate("BestShifts", "%1 минут"), std::to_string(n));
        return Arg(translate("BestShifts", "минут: %1"), std::to_string(n));
    }
    return {};
}

std::vector<std::uint8_t> EncodeBestShift(const TBestShift& shift) {
    TByteWriter body;
    body.WriteU64(shift.MapHash);
    body.WriteU8(std::uint8_t(shift.RouteRow));
    body.WriteU8(std::uint8_t(shift.RouteCol));
    WriteText(body, shift.Line);
    body.WriteU8(std::uint8_t(shift.Shift.Kind));
    body.WriteI32(shift.Shift.Length);
    WriteText(body, shift.Date);
    body.WriteF64(shift.Total);
    body.WriteU8(std::uint8_t(shift.Stars));
    for (double p : shift.Points)
        body.WriteF64(p);
    return SealFile(Magic, BestShiftVersion, body.Data());
}

bool DecodeBestShift(std::span<const std::uint8_t> bytes, TBestShift& shift, std::string& why) {
    std::uint16_t found = 0;
    std::span<const std::uint8_t> body;
    if (const TSealFault fault = OpenSealedFile(bytes, Magic, BestShiftVersion, found, body);
        fault != TSealFault::None) {
        why = SealReason(fault, found);
        return false;
    }
    TByteReader in(body);
    TBestShift read;
    std::uint8_t row = 0, col = 0, kind = 0, stars = 0;
    bool ok = in.ReadU64(read.MapHash) && in.ReadU8(row) && in.ReadU8(col) &&
              ReadText(in, MaxLineBytes, read.Line) && in.ReadU8(kind) &&
              in.ReadI32(read.Shift.Length) && ReadText(in, DateChars, read.Date) &&
              in.ReadF64(read.Total) && in.ReadU8(stars);
    for (double& p : read.Points)
        ok = ok && in.ReadF64(p);
    read.RouteRow = row;
    read.RouteCol = col;
    read.Stars = stars;
    ok = ok && in.Left() == 0 && kind <= std::uint8_t(TShiftKind::Minutes);
    if (ok) read.Shift.Kind = TShiftKind(kind);
    if (!ok || !InRange(read)) {
        why = Damaged();
        return false;
    }
    shift = std::move(read);
    return true;
}

bool BetterShift(const TBestShift& a, const TBestShift& b) {
    if (a.Total != b.Total) return a.Total > b.Total;
    return a.Date < b.Date;
}

TBestShiftList ListBestShifts(const std::string& folder, std::uint64_t mapHash) {
    TBestShiftList list;
    std::vector<TStored> stored = ReadStore(folder, list.Skipped);
    std::erase_if(stored, [&](const TStored& s) { return s.Shift.MapHash != mapHash; });
    std::sort(stored.begin(), stored.end(), Ranked);
    for (const auto& [row, col] : RouteTableOrder()) {
        int rank = 0;
        for (const TStored& s : stored) {
            if (s.Shift.RouteRow != row || s.Shift.RouteCol != col) continue;
            if (++rank > int(BestShiftsPerLine)) break;
            const std::string recording = RecordingOf(s.Entry);
            if (!Exists(recording)) {
                list.Skipped.push_back(Skipped(
                    s.Entry, Arg(translate("BestShifts", "нет её записи поездки %1"), recording)));
                continue;
            }
            list.Shifts.push_back({s.Shift, rank, s.Entry, recording});
        }
    }
    return list;
}

std::string AddBestShift(const std::string& folder, const TBestShift& shift, const TReplay& drive,
                         std::string* entry) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return WriteFailed(folder, error.message());
    std::vector<std::string> skipped; // the window lists them; the cut passes them over
    std::vector<TStored> line = ReadStore(folder, skipped);
    std::erase_if(line, [&](const TStored& s) { return !SameLine(s.Shift, shift); });
    const TStored added{shift, FreeEntry(folder, shift)};
    line.push_back(added);
    std::sort(line.begin(), line.end(), Ranked);
    const auto at = std::find_if(line.begin(), line.end(),
                                 [&](const TStored& s) { return s.Entry == added.Entry; });
    const bool recorded = std::size_t(at - line.begin()) < BestShiftsPerLine;

    const std::string recording = RecordingOf(added.Entry);
    if (recorded) {
        if (std::string why = WriteReplay(recording, drive); !why.empty()) return why;
    }
    if (const TFileFault fault = WriteFileAtomically(added.Entry, EncodeBestShift(shift));
        fault != TFileFault::None) {
        if (recorded) ::unlink(recording.c_str());
        return WriteFailed(added.Entry, SaveFaultReason(fault));
    }
    // The shifts past the ten keep their entries, not their recordings; unlink leaves a folder
    // of that name alone.
    for (std::size_t k = BestShiftsPerLine; k < line.size(); ++k)
        ::unlink(RecordingOf(line[k].Entry).c_str());
    if (entry) *entry = added.Entry;
    return {};
}

} // namespace vell
