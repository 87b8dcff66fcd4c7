// Where VellSim run writes its trace.
#include "tools/TraceOutput.h"

#include "model/FileFault.h"
#include "model/FileName.h"
#include "model/Texts.h"

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

bool TraceFits(const std::string& path, const TTraceLines& lines, std::ostream& err) {
    if (ClassifyTarget(path) != TTargetKind::File) return true;
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

TTraceOutput::TReplacingBuffer::TReplacingBuffer(TReplacingFile& file)
    : File(file), Bytes(std::size_t(1) << 16) {
    setp(Bytes.data(), Bytes.data() + Bytes.size());
}

TTraceOutput::TReplacingBuffer::int_type TTraceOutput::TReplacingBuffer::overflow(int_type c) {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int TTraceOutput::TReplacingBuffer::sync() {
    return Drain() ? 0 : -1;
}

bool TTraceOutput::TReplacingBuffer::Drain() {
    const auto* data = reinterpret_cast<const std::uint8_t*>(pbase());
    const std::size_t size = std::size_t(pptr() - pbase());
    if (size > 0 && Fault == TFileFault::None) Fault = File.Write({data, size});
    setp(Bytes.data(), Bytes.data() + Bytes.size());
    return Fault == TFileFault::None;
}

bool TTraceOutput::Open(const std::string& path, std::ostream& err) {
    Path = path;
    Out.rdbuf(&Buffer);
    const TFileFault fault = Replacing.Open(path);
    Streamed = Replacing.IsStream();
    return Check(fault, err);
}

bool TTraceOutput::Finish(std::ostream& err) {
    Out.flush();
    return Check(Buffer.Fault != TFileFault::None ? Buffer.Fault : Replacing.Commit(), err);
}

void TTraceOutput::Abandon() {
    Replacing.Abandon();
}

// True for None; for a fault gives the trace up and says why on `err`.
bool TTraceOutput::Check(TFileFault fault, std::ostream& err) {
    if (fault == TFileFault::None) return true;
    Abandon();
    err << WithReason(Arg(translate("VellSim", "VellSim: не удалось записать след %1"), Path),
                      fault)
        << "\n";
    return false;
}

} // namespace vell::tool
