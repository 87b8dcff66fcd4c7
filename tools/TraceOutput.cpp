// Where VellSim run writes its trace.
#include "tools/TraceOutput.h"

#include "model/FileName.h"
#include "model/Texts.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <ostream>

namespace vell::tool {

namespace {

// The space a file may take in the folder `path` will be in (the target's, through a symbolic
// link); nothing when it cannot be told. Root may also fill the blocks kept for it.
std::optional<std::uint64_t> FreeSpaceBeside(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target = fs::weakly_canonical(path, ec);
    if (ec) target = path;
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    struct statvfs disk {};
    if (::statvfs(folder.c_str(), &disk) != 0) return std::nullopt;
    const auto blocks = ::geteuid() == 0 ? disk.f_bfree : disk.f_bavail;
    return std::uint64_t(blocks) * disk.f_frsize;
}

// "64.0 kB", "5.1 MB", "12.3 GB": decimal units, as disks are sold.
std::string SizeText(std::uint64_t bytes) {
    static const char* const units[] = {QT_TRANSLATE_NOOP("VellSim", "%1 кБ"),
                                        QT_TRANSLATE_NOOP("VellSim", "%1 МБ"),
                                        QT_TRANSLATE_NOOP("VellSim", "%1 ГБ")};
    double value = double(bytes) / 1e3;
    std::size_t unit = 0;
    while (value >= 1000 && unit + 1 < std::size(units)) {
        value /= 1000;
        ++unit;
    }
    char number[32];
    std::snprintf(number, sizeof number, "%.1f", value);
    return Arg(translate("VellSim", units[unit]), number);
}

} // namespace

bool TraceAvoidsMap(const std::string& path, const std::string& mapFile, std::ostream& err) {
    if (!SameFile(path, mapFile)) return true;
    err << Arg(translate("VellSim", "VellSim: след не записан поверх карты %1"), path) << "\n";
    return false;
}

bool IsStreamOutput(const std::string& path) {
    // A device or an open descriptor (/dev/stdout, /dev/fd/3, /proc/self/fd/1), whatever it leads
    // to, a shell's redirection into a file included.
    if (path.rfind("/dev/", 0) == 0 || path.rfind("/proc/", 0) == 0) return true;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool TraceFits(const std::string& path, const TTraceLines& lines, std::ostream& err) {
    if (IsStreamOutput(path)) return true;
    const auto free = FreeSpaceBeside(path);
    const std::uint64_t bytes = EstimateTraceBytes(lines);
    // Refused only when the estimate is over the free space by more than a quarter: a trace
    // whose lines average a fifth shorter than the measured ones (none seen is even a tenth
    // shorter) would still not fit.
    if (!free || bytes <= *free + *free / 4) return true;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    err << Arg(translate("VellSim",
                         "VellSim: след не поместится на диск: он займёт около %1, а в папке %2 "
                         "свободно %3"),
               SizeText(bytes), folder.empty() ? "." : folder, SizeText(*free))
        << "\n";
    return false;
}

bool TTraceOutput::Open(const std::string& path, std::ostream& err) {
    Path = path;
    Streamed = IsStreamOutput(path);
    struct stat st {};
    Created = ::lstat(path.c_str(), &st) != 0;
    File.open(path, std::ios::binary | std::ios::trunc);
    if (File) return true;
    err << Arg(translate("VellSim", "VellSim: не удалось записать след %1"), Path) << "\n";
    return false;
}

bool TTraceOutput::Finish(std::ostream& err) {
    File.close();
    if (File) return true;
    Abandon();
    err << Arg(translate("VellSim", "VellSim: не удалось записать след %1"), Path) << "\n";
    return false;
}

void TTraceOutput::Abandon() {
    File.close();
    if (Created) std::remove(Path.c_str());
}

} // namespace vell::tool
