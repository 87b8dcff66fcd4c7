// Recovery copies: where they live, who owns them, how they are written and read back.
#include "editor/ops/Recovery.h"

#include "model/FileName.h"
#include "model/SafeFile.h"
#include "model/Texts.h"
#include "model/Utf8.h"

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

// Whether an editor (or a save in place) still holds the lock that belongs to a copy. A lock
// that cannot be tried (a file system without locks) counts as held: a live editor's copy must
// never be taken.
bool OwnerRuns(const fs::path& lock) {
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false; // the owner never got as far as locking, or cleaned up
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

fs::path LockOf(const std::string& copy) {
    return fs::path(copy).replace_extension(RecoveryLockSuffix);
}

// A save in place names its copy of the old bytes "save-XXXXXX.vlr".
bool IsSaveCopy(const fs::path& copy) {
    return copy.filename().string().rfind("save-", 0) == 0;
}

} // namespace

TRecovery::TRecovery(std::string folder) : Folder(std::move(folder)) {
    if (Folder.empty()) {
        Problem = TFileFault::FolderNotFound;
        return;
    }
    const std::string pid = std::to_string(::getpid());
    OwnCopy = (fs::path(Folder) / (pid + RecoveryCopySuffix)).string();
    OwnLock = (fs::path(Folder) / (pid + RecoveryLockSuffix)).string();
    if (!MakeRecoveryFolder(Folder)) {
        Problem = TFileFault::FolderNotFound;
        OwnCopy.clear();
        return;
    }
    // Locked before any copy is written: a copy without a held lock is a left one.
    LockFd = ::open(OwnLock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    Problem = LockFd < 0 ? FaultOfErrno(errno) : TFileFault::None;
    if (LockFd >= 0 && ::flock(LockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(LockFd);
        LockFd = -1;
    }
    // Without the lock (another editor of the same process number, as in a sandbox of its own,
    // or a folder without locks) this editor writes no copy: it would share a name with one.
    if (LockFd < 0) {
        if (Problem == TFileFault::None) Problem = TFileFault::Other;
        OwnCopy.clear();
        return;
    }
    // An editor that had this process number before and died left its copy under this name:
    // it moves aside (with no lock of its name) so that it is offered, not overwritten.
    std::error_code ec;
    if (fs::exists(OwnCopy, ec)) {
        const fs::path aside = fs::path(Folder) / (pid + "-" + std::to_string(std::time(nullptr)) +
                                                   RecoveryCopySuffix);
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
        if (path.extension() != RecoveryLockSuffix || path.string() == OwnLock) continue;
        fs::path copy = path;
        copy.replace_extension(RecoveryCopySuffix);
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
        if (path.extension() != RecoveryCopySuffix || path.string() == OwnCopy) continue;
        if (OwnerRuns(LockOf(path.string()))) continue;
        TRecoveryCopy copy;
        copy.Path = path.string();
        copy.InterruptedSave = IsSaveCopy(path);
        struct stat st {};
        if (::stat(copy.Path.c_str(), &st) == 0) copy.Time = st.st_mtime;
        std::vector<std::uint8_t> bytes;
        copy.Fault = ReadFileBytes(copy.Path, bytes, MaxRecoveryCopySize);
        if (copy.Fault == TFileFault::None &&
            !ParseRecoveryCopy(bytes, copy.MapName, copy.Contents, &copy.Extras))
            copy.Fault = bytes.empty() ? TFileFault::Empty : TFileFault::Damaged;
        if (copy.Fault != TFileFault::None) { // never half a map
            copy.Contents = {};
            copy.Extras = {};
        }
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(), [](const TRecoveryCopy& a, const TRecoveryCopy& b) {
        return a.Time != b.Time ? a.Time > b.Time : a.Path < b.Path;
    });
    return copies;
}

TFileFault TRecovery::Write(const TMap& map) {
    if (OwnCopy.empty()) return Problem;
    const std::vector<std::uint8_t> bytes = SerializeRecoveryCopy(map);
    if (bytes.empty()) return TFileFault::NameTooLong;
    return WriteFileAtomically(OwnCopy, bytes);
}

void TRecovery::Remove() {
    if (!OwnCopy.empty()) ::unlink(OwnCopy.c_str());
}

// An editor started between the question and the answer may be the copy's owner now (a process
// number used again): its lock is checked before anything of it is touched.
bool TRecovery::TakeOver(const TRecoveryCopy& copy) {
    const fs::path lock = LockOf(copy.Path);
    if (OwnCopy.empty() || OwnerRuns(lock) || std::rename(copy.Path.c_str(), OwnCopy.c_str()) != 0)
        return false;
    ::unlink(lock.c_str());
    return true;
}

bool TRecovery::Discard(const TRecoveryCopy& copy) const {
    const fs::path lock = LockOf(copy.Path);
    if (OwnerRuns(lock)) return false;
    ::unlink(copy.Path.c_str());
    ::unlink(lock.c_str());
    return true;
}

namespace {
// The name a restored map can keep: its absolute path when the map's name holds it.
bool KeepsItsName(const std::string& mapName) {
    return mapName == NewMapName ||
           (!mapName.empty() && mapName[0] == '/' && Utf8Length(mapName) <= MaxFileNameChars);
}
} // namespace

bool RestoreRecoveryCopy(TMap& map, const TRecoveryCopy& copy) {
    map.NewMap();
    map.Objects = copy.Contents.Objects;
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            SetStoredPart(map.Route(i, j), copy.Contents.Routes[i][j]);
    map.Extras = copy.Extras;
    map.ClearMarks();
    const bool named = KeepsItsName(copy.MapName);
    map.FileName = named ? copy.MapName : std::string(NewMapName);
    map.Modified = true;
    return named;
}

namespace {
std::string TimeText(std::time_t time) {
    char when[64] = "";
    std::tm local{};
    if (localtime_r(&time, &local)) std::strftime(when, sizeof when, "%d.%m.%Y %H:%M:%S", &local);
    return when;
}
} // namespace

std::string RecoveryPrompt(const TRecoveryCopy& copy) {
    if (copy.InterruptedSave)
        return Arg(translate("Recovery", "Запись карты '%1' прервалась (%2). Найдена копия карты "
                                         "до записи. Восстановить её?"),
                   MapDisplayName(copy.MapName), TimeText(copy.Time));
    return Arg(translate("Recovery", "Редактор карт был закрыт без сохранения. Найдена копия "
                                     "карты '%1' от %2. Восстановить её?"),
               MapDisplayName(copy.MapName), TimeText(copy.Time));
}

std::string RecoveryUnreadableText(const TRecoveryCopy& copy) {
    return WithReason(
               Arg(translate("Recovery", "Копию карты для восстановления не удалось прочитать: %1"),
                   copy.Path),
               copy.Fault) +
           "\n" + translate("Recovery", "Удалить её?");
}

std::string RecoveryUnnamedText(const TRecoveryCopy& copy) {
    return Arg(translate("Recovery", "Карта восстановлена без имени: путь '%1' не подходит для "
                                     "имени карты. Сохраните её под нужным именем."),
               copy.MapName);
}

std::string RecoveryTroubleText(TFileFault trouble) {
    // One line: it stands in the status line.
    const std::string reason = FaultReason(trouble);
    const std::string text =
        translate("Recovery", "Копии несохранённых изменений не записываются.");
    return reason.empty() ? text : text + " " + reason;
}

std::vector<std::uint8_t> SerializeRecoveryCopy(const TMap& map) {
    return RecoveryCopyBytes(CanonicalMapPath(map.FileName), SerializeMapFile(map.StoredContents()),
                             EncodeMapExtras(map));
}

} // namespace vell
