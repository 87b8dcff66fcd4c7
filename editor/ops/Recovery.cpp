// Recovery copies: where they live, who owns them, how they are written and read back.
#include "editor/ops/Recovery.h"

#include "model/ByteStream.h"
#include "model/Texts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vell {

namespace fs = std::filesystem;

namespace {

constexpr char Magic[] = "VELL-RECOVERY-1\n";
constexpr std::size_t MagicSize = sizeof(Magic) - 1;
constexpr const char* CopySuffix = ".vlr";
constexpr const char* LockSuffix = ".lock";
// A copy is the map file after a header of at most a name's bytes.
constexpr std::size_t MaxCopySize = MaxMapFileSize + MagicSize + 2 + 65535;

// Whether an editor still holds the lock that belongs to a copy. A lock that cannot be tried
// (a file system without locks) counts as held: a live editor's copy must never be taken.
bool OwnerRuns(const fs::path& lock) {
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false; // the owner never got as far as locking, or cleaned up
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

TFileFault ReadCopyBytes(const std::string& path, std::vector<std::uint8_t>& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FaultOfErrno(errno);
    std::vector<std::uint8_t> bytes(MaxCopySize);
    std::size_t got = 0;
    TFileFault fault = TFileFault::None;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fault = FaultOfErrno(errno);
        if (n <= 0) break;
        got += std::size_t(n);
    }
    ::close(fd);
    bytes.resize(got);
    out = std::move(bytes);
    return fault;
}

} // namespace

std::string DefaultRecoveryFolder() {
    // A relative XDG_STATE_HOME is to be ignored, as for every XDG variable.
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/') return (fs::path(state) / "vell" / "recovery").string();
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return (fs::path(home) / ".local" / "state" / "vell" / "recovery").string();
    return {};
}

TRecovery::TRecovery(std::string folder) : Folder(std::move(folder)) {
    if (Folder.empty()) return;
    const std::string pid = std::to_string(::getpid());
    OwnCopy = (fs::path(Folder) / (pid + CopySuffix)).string();
    OwnLock = (fs::path(Folder) / (pid + LockSuffix)).string();
    std::error_code ec;
    fs::create_directories(Folder, ec);
    fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    // Locked before any copy is written: a copy without a held lock is a left one.
    LockFd = ::open(OwnLock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (LockFd >= 0 && ::flock(LockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(LockFd);
        LockFd = -1;
    }
    // Without the lock (another editor of the same process number, as in a sandbox of its own,
    // or a folder without locks) this editor writes no copy: it would share a name with one.
    if (LockFd < 0) {
        OwnCopy.clear();
        return;
    }
    // An editor that had this process number before and died left its copy under this name:
    // it moves aside (with no lock of its name) so that it is offered, not overwritten.
    if (fs::exists(OwnCopy, ec)) {
        const fs::path aside =
            fs::path(Folder) / (pid + "-" + std::to_string(std::time(nullptr)) + CopySuffix);
        std::rename(OwnCopy.c_str(), aside.c_str());
    }
    RemoveStaleLocks();
}

void TRecovery::RemoveStaleLocks() const {
    // Lock files of editors that died without a copy. A young one may be an editor that has
    // created its lock file and not yet locked it.
    std::error_code ec;
    const auto old = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder, ec)) {
        const fs::path path = entry.path();
        if (path.extension() != LockSuffix || path.string() == OwnLock) continue;
        fs::path copy = path;
        copy.replace_extension(CopySuffix);
        std::error_code e;
        if (fs::exists(copy, e) || fs::last_write_time(path, e) > old || e || OwnerRuns(path))
            continue;
        ::unlink(path.c_str());
    }
}

TRecovery::~TRecovery() {
    if (LockFd < 0) return;
    ::unlink(OwnLock.c_str());
    ::close(LockFd);
}

std::vector<TRecoveryCopy> TRecovery::FindLeftCopies() const {
    std::vector<TRecoveryCopy> copies;
    std::error_code ec;
    if (Folder.empty()) return copies;
    for (const fs::directory_entry& entry : fs::directory_iterator(Folder, ec)) {
        const fs::path path = entry.path();
        if (path.extension() != CopySuffix || path.string() == OwnCopy) continue;
        fs::path lock = path;
        lock.replace_extension(LockSuffix);
        if (OwnerRuns(lock)) continue;
        TRecoveryCopy copy;
        copy.Path = path.string();
        struct stat st {};
        if (::stat(copy.Path.c_str(), &st) == 0) copy.Time = st.st_mtime;
        std::vector<std::uint8_t> bytes;
        copy.Fault = ReadCopyBytes(copy.Path, bytes);
        if (copy.Fault == TFileFault::None &&
            !ParseRecoveryCopy(bytes, copy.MapName, copy.Contents))
            copy.Fault = bytes.empty() ? TFileFault::Empty : TFileFault::Damaged;
        if (copy.Fault != TFileFault::None) copy.Contents = {}; // never half a map
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(), [](const TRecoveryCopy& a, const TRecoveryCopy& b) {
        return a.Time != b.Time ? a.Time > b.Time : a.Path < b.Path;
    });
    return copies;
}

TFileFault TRecovery::Write(const TMap& map) {
    if (OwnCopy.empty()) return TFileFault::FolderNotFound;
    return WriteFileAtomically(OwnCopy, SerializeRecoveryCopy(map));
}

void TRecovery::Remove() {
    if (!OwnCopy.empty()) ::unlink(OwnCopy.c_str());
}

bool TRecovery::TakeOver(const TRecoveryCopy& copy) {
    if (OwnCopy.empty() || std::rename(copy.Path.c_str(), OwnCopy.c_str()) != 0) return false;
    fs::path lock = copy.Path;
    lock.replace_extension(LockSuffix);
    ::unlink(lock.c_str());
    return true;
}

void TRecovery::Discard(const TRecoveryCopy& copy) const {
    ::unlink(copy.Path.c_str());
    fs::path lock = copy.Path;
    lock.replace_extension(LockSuffix);
    ::unlink(lock.c_str());
}

void RestoreRecoveryCopy(TMap& map, const TRecoveryCopy& copy) {
    map.NewMap();
    map.Objects = copy.Contents.Objects;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            SetStoredPart(map.Route(i, j), copy.Contents.Routes[i][j]);
    map.ClearMarks();
    map.FileName = copy.MapName;
    map.Modified = true;
}

std::string RecoveryPrompt(const TRecoveryCopy& copy) {
    char when[64] = "";
    std::tm local{};
    if (localtime_r(&copy.Time, &local))
        std::strftime(when, sizeof when, "%d.%m.%Y %H:%M:%S", &local);
    return Arg(translate("Recovery", "Редактор карт был закрыт без сохранения. Найдена копия "
                                     "карты '%1' от %2. Восстановить её?"),
               MapDisplayName(copy.MapName), when);
}

std::string RecoveryUnreadableText(const TRecoveryCopy& copy) {
    return WithReason(
        Arg(translate("Recovery", "Копию карты для восстановления не удалось прочитать: %1"),
            copy.Path),
        copy.Fault);
}

std::vector<std::uint8_t> SerializeRecoveryCopy(const TMap& map) {
    std::vector<std::uint8_t> bytes(Magic, Magic + MagicSize);
    const std::size_t nameSize = std::min<std::size_t>(map.FileName.size(), 65535);
    bytes.push_back(std::uint8_t(nameSize & 0xFF));
    bytes.push_back(std::uint8_t(nameSize >> 8));
    bytes.insert(bytes.end(), map.FileName.begin(), map.FileName.begin() + long(nameSize));
    const std::vector<std::uint8_t> file = SerializeMapFile(map.StoredContents());
    bytes.insert(bytes.end(), file.begin(), file.end());
    return bytes;
}

bool ParseRecoveryCopy(std::span<const std::uint8_t> data, std::string& mapName,
                       TMapFileContents& contents) {
    if (data.size() < MagicSize + 2 || !std::equal(Magic, Magic + MagicSize, data.begin()))
        return false;
    TByteReader in(data.subspan(MagicSize));
    std::uint16_t nameSize = 0;
    if (!in.ReadU16(nameSize) || !in.Has(nameSize)) return false;
    const auto name = data.subspan(MagicSize + 2, nameSize);
    TMapFileContents parsed;
    if (ParseMapFile(data.subspan(MagicSize + 2 + nameSize), parsed) != TMapFileError::None)
        return false;
    mapName.assign(name.begin(), name.end());
    contents = std::move(parsed);
    return true;
}

} // namespace vell
