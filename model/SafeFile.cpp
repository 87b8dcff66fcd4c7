// Whole-file reads, and writes that replace a file only when the new one is complete and on disk.
#include "model/SafeFile.h"

#include "model/RecoveryCopy.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vell {

namespace fs = std::filesystem;

namespace {

// The errno of a failed call, never 0, so that a failure is never taken for success.
int Failure() {
    return errno != 0 ? errno : EIO;
}

// The mode a new file gets: what the umask allows.
mode_t ModeForNewFile() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// 0 when everything was written, else the errno of the failure.
int WriteAll(int fd, std::span<const std::uint8_t> data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC; // no progress: the device takes no more
        done += std::size_t(n);
    }
    return 0;
}

// Reads an open file from its start to its end, at most maxBytes; 0 or the errno.
int ReadAll(int fd, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
    std::vector<std::uint8_t> bytes;
    struct stat st {};
    // Sized by the file, so that a small file does not cost the largest buffer.
    const std::size_t expected =
        ::fstat(fd, &st) == 0 && st.st_size > 0 ? std::size_t(st.st_size) : 4096;
    bytes.resize(std::min(maxBytes, expected + 1));
    std::size_t got = 0;
    while (got < maxBytes) {
        if (got == bytes.size()) bytes.resize(std::min(maxBytes, bytes.size() * 2));
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failure();
        if (n == 0) break;
        got += std::size_t(n);
    }
    bytes.resize(got);
    out = std::move(bytes);
    return 0;
}

TFileFault SaveFault(int error) {
    const TFileFault fault = FaultOfErrno(error);
    // Only the folder can be missing when a file is created.
    return fault == TFileFault::NotFound ? TFileFault::FolderNotFound : fault;
}

// Whether the user may create and rename files in `folder`.
bool FolderWritable(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// Puts a rename or a new name in the folder on disk. A file system that cannot sync folders
// keeps its names its own way: nothing more can be done there.
void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// ---- Extended attributes (ACLs are among them) ----

// A name list as the kernel gives it: names ended by zero bytes. Retried when it grows between
// the calls. False when it cannot be read; an empty list where the file system has none.
template <class List> bool AttributeNames(List list, std::vector<std::string>& names) {
    names.clear();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = list(nullptr, 0);
        if (size < 0) return errno == ENOTSUP;
        std::string buffer(std::size_t(size), '\0');
        const ssize_t got = size == 0 ? 0 : list(buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        for (std::size_t start = 0; start < std::size_t(got);) {
            const std::size_t end = buffer.find('\0', start);
            if (end == std::string::npos) break;
            if (end > start) names.push_back(buffer.substr(start, end - start));
            start = end + 1;
        }
        return true;
    }
    return false;
}

template <class Get> bool AttributeValue(Get get, std::string& value) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0) return false;
        value.assign(std::size_t(size), '\0');
        const ssize_t got = size == 0 ? 0 : get(value.data(), value.size());
        if (got < 0 && errno == ERANGE) continue;
        if (got < 0) return false;
        value.resize(std::size_t(got));
        return true;
    }
    return false;
}

// Gives the open file `fd` exactly the extended attributes of the file `from`: each of them, and
// none that the new file got from its folder's defaults. False when one cannot be read or set.
bool CopyAttributes(const std::string& from, int fd) {
    std::vector<std::string> wanted, present;
    if (!AttributeNames([&](char* b, std::size_t n) { return ::listxattr(from.c_str(), b, n); },
                        wanted) ||
        !AttributeNames([&](char* b, std::size_t n) { return ::flistxattr(fd, b, n); }, present))
        return false;
    for (const std::string& name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) != wanted.end()) continue;
        if (::fremovexattr(fd, name.c_str()) != 0 && errno != ENODATA) return false;
    }
    for (const std::string& name : wanted) {
        std::string value, current;
        if (!AttributeValue(
                [&](void* b, std::size_t n) {
                    return ::getxattr(from.c_str(), name.c_str(), b, n);
                },
                value))
            return false;
        // The same value is not set again: some attributes (security labels) only their
        // system may set, even to what they already are.
        if (AttributeValue(
                [&](void* b, std::size_t n) { return ::fgetxattr(fd, name.c_str(), b, n); },
                current) &&
            current == value)
            continue;
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) return false;
    }
    return true;
}

// ---- Streams: pipes, devices and this program's descriptors ----

std::atomic<bool> StreamsAllowed{false};

// The descriptor of this program that `path` names (/dev/fd/3, /dev/stdout, /proc/self/fd/1),
// however many symbolic links lead there; nothing for any other name.
std::optional<int> OwnDescriptor(const std::string& path) {
    const std::string own = "/proc/" + std::to_string(::getpid());
    fs::path name = path;
    for (int link = 0; link < 40; ++link) {
        std::error_code ec;
        const fs::path folder =
            fs::weakly_canonical(name.has_parent_path() ? name.parent_path() : fs::path("."), ec);
        if (ec) return std::nullopt;
        const std::string f = folder.string();
        // /proc/self/fd, or a thread's own /proc/thread-self/fd.
        const bool descriptors =
            f == own + "/fd" || (f.rfind(own + "/task/", 0) == 0 && folder.filename() == "fd");
        const std::string file = name.filename().string();
        if (descriptors && !file.empty() &&
            std::all_of(file.begin(), file.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
            file.size() < 10)
            return std::stoi(file);
        if (!fs::is_symlink(name, ec)) return std::nullopt;
        const fs::path to = fs::read_symlink(name, ec);
        if (ec) return std::nullopt;
        name = to.is_absolute() ? to : folder / to;
    }
    return std::nullopt;
}

TTargetKind KindOfMode(mode_t mode, TFileFault* why) {
    if (S_ISREG(mode)) return TTargetKind::File;
    if (S_ISFIFO(mode) || S_ISCHR(mode)) return TTargetKind::Stream;
    if (why) *why = S_ISDIR(mode) ? TFileFault::IsFolder : TFileFault::NotRegular;
    return TTargetKind::Refused;
}

// Opens a stream target for writing: a descriptor of ours is shared (its offset goes on where the
// program's own output is), anything else opened without waiting for a reader and then written
// as usual. None with `fd` set, or the fault.
TFileFault OpenStream(const std::string& path, int& fd) {
    fd = -1;
    if (!StreamsAllowed) return TFileFault::NotRegular;
    if (const std::optional<int> own = OwnDescriptor(path)) {
        struct stat st {};
        if (::fstat(*own, &st) != 0) return FaultOfErrno(Failure());
        TFileFault why = TFileFault::NotRegular;
        if (KindOfMode(st.st_mode, &why) == TTargetKind::Refused) return why;
        fd = ::fcntl(*own, F_DUPFD_CLOEXEC, 0);
        return fd >= 0 ? TFileFault::None : FaultOfErrno(Failure());
    }
    fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENXIO ? TFileFault::NoReader : SaveFault(Failure());
    // The name may have been replaced since it was looked at.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || KindOfMode(st.st_mode, nullptr) != TTargetKind::Stream) {
        ::close(fd);
        fd = -1;
        return TFileFault::NotRegular;
    }
    // Only the open must not wait; a reader that is slow to take the bytes is waited for.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = Failure();
        ::close(fd);
        fd = -1;
        return SaveFault(error);
    }
    return TFileFault::None;
}

TFileFault CloseStream(int fd, int error) {
    if (::close(fd) != 0 && error == 0 && errno != EINTR) error = Failure();
    return SaveFault(error);
}

// ---- What a save does with its target ----

struct TTarget {
    std::string Path; // after symbolic links
    fs::path Folder;  // where the temporary file goes; "." for a bare name
    bool Exists = false;
    struct stat Old {};
};

// Looks at the target. Sets inPlace where a rename would lose the file's links or could not be
// made at all.
TFileFault Examine(const std::string& path, TTarget& target, bool& inPlace) {
    std::error_code ec;
    inPlace = false;
    // Saving through a symbolic link replaces the file it names, not the link.
    target.Path = path;
    if (fs::is_symlink(path, ec)) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (ec) return FaultOfErrno(ec.value());
        target.Path = resolved.string();
    }
    if (fs::is_directory(target.Path, ec)) return TFileFault::IsFolder;
    // In the same folder, so that the rename stays on one file system.
    target.Folder = fs::path(target.Path).parent_path();
    if (target.Folder.empty()) target.Folder = ".";
    target.Exists = ::stat(target.Path.c_str(), &target.Old) == 0;
    if (!target.Exists) return TFileFault::None;
    if (::access(target.Path.c_str(), W_OK) != 0) {
        if (errno == EACCES || errno == EPERM) return TFileFault::WriteProtected;
        return SaveFault(Failure());
    }
    inPlace = target.Old.st_nlink > 1 || !FolderWritable(target.Folder);
    return TFileFault::None;
}

// Makes the temporary file that will replace the target, with the old file's owner, group,
// attributes and mode. Sets inPlace (and makes nothing) where the new file could not keep them.
TFileFault MakeReplacement(const TTarget& target, std::string& temp, int& fd, bool& inPlace) {
    inPlace = false;
    temp = (target.Folder / SaveTempPattern).string();
    fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return SaveFault(Failure());
    const bool keeps = !target.Exists ||
                       // A file of someone else's, or of a group the user is not in, would
                       // change hands.
                       (::fchown(fd, target.Old.st_uid, target.Old.st_gid) == 0 &&
                        // An ACL that lets a colleague write the map, or attributes of the user's.
                        CopyAttributes(target.Path, fd));
    if (!keeps) {
        ::close(fd);
        ::unlink(temp.c_str());
        fd = -1;
        inPlace = true;
        return TFileFault::None;
    }
    // After the owner: changing the owner may clear the set-id bits.
    if (::fchmod(fd, target.Exists ? target.Old.st_mode & 07777 : ModeForNewFile()) != 0) {
        const int error = Failure();
        ::close(fd);
        ::unlink(temp.c_str());
        fd = -1;
        return SaveFault(error);
    }
    return TFileFault::None;
}

// Syncs and closes the temporary file and renames it over the target; removes it on failure.
TFileFault FinishReplacement(int fd, const std::string& temp, const TTarget& target) {
    int error = ::fsync(fd) == 0 ? 0 : Failure();
    if (::close(fd) != 0 && error == 0) error = Failure();
    if (error == 0 && std::rename(temp.c_str(), target.Path.c_str()) != 0) error = Failure();
    if (error != 0) {
        ::unlink(temp.c_str());
        return SaveFault(error);
    }
    // Without this a power cut can bring the old file back under the name.
    SyncFolder(target.Folder);
    return TFileFault::None;
}

// The old bytes of a file written in place, kept as a recovery copy until the new bytes are on
// disk. Its lock is held meanwhile, so that an editor starting now leaves the copy alone; a
// crash leaves the copy with a lock nobody holds, which the next editor offers to restore.
class TInPlaceBackup {
  public:
    TInPlaceBackup(const std::string& folder, const std::string& target,
                   std::span<const std::uint8_t> old) {
        const std::vector<std::uint8_t> bytes = RecoveryCopyBytes(CanonicalMapPath(target), old);
        if (bytes.empty() || !MakeRecoveryFolder(folder)) return;
        std::string lock = (fs::path(folder) / "save-XXXXXX").string() + RecoveryLockSuffix;
        LockFd = ::mkostemps(lock.data(), int(std::string(RecoveryLockSuffix).size()), O_CLOEXEC);
        if (LockFd < 0) return;
        Lock = lock;
        if (::flock(LockFd, LOCK_EX | LOCK_NB) != 0) return;
        Copy = fs::path(lock).replace_extension(RecoveryCopySuffix).string();
        const int fd = ::open(Copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            Copy.clear();
            return;
        }
        const bool written = WriteAll(fd, bytes) == 0 && ::fsync(fd) == 0;
        if (::close(fd) != 0 || !written) {
            ::unlink(Copy.c_str());
            Copy.clear();
            return;
        }
        SyncFolder(folder);
    }
    // The new bytes are on disk, or the old ones are back: the copy is no longer needed.
    void Drop() {
        if (!Copy.empty()) ::unlink(Copy.c_str());
        Copy.clear();
    }
    ~TInPlaceBackup() {
        if (LockFd < 0) return;
        if (Copy.empty()) ::unlink(Lock.c_str());
        ::close(LockFd);
    }
    TInPlaceBackup(const TInPlaceBackup&) = delete;
    TInPlaceBackup& operator=(const TInPlaceBackup&) = delete;

  private:
    std::string Lock, Copy;
    int LockFd = -1;
};

// Room for `size` bytes at the file's start, taken without changing its size, so that a full
// disk fails before anything is overwritten. A file system that cannot reserve (NFSv3, many FUSE
// mounts) says so, and the write goes ahead without a reservation.
int Reserve(int fd, std::size_t size) {
    if (size == 0) return 0;
    if (::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0) return 0;
    const int error = errno;
    return error == EOPNOTSUPP || error == ENOSYS || error == EINVAL ? 0 : error;
}

// Files larger than this are not kept in memory to be put back when a write in place fails.
constexpr std::size_t MaxKeptOldBytes = std::size_t(256) << 20;

// Overwrites the file's bytes where they are: its links, owner, group, mode and attributes stay.
// The old bytes are put back when the new ones cannot all be written.
int WriteInPlace(const std::string& target, std::span<const std::uint8_t> data,
                 const std::string& backupFolder) {
    std::vector<std::uint8_t> old;
    // Without waiting, should the regular file it was have been replaced by a pipe since.
    const int reader = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const bool readable = reader >= 0 && ReadAll(reader, old, MaxKeptOldBytes + 1) == 0 &&
                          old.size() <= MaxKeptOldBytes;
    if (reader >= 0) ::close(reader);
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Failure();
    std::optional<TInPlaceBackup> backup;
    if (readable && !backupFolder.empty()) backup.emplace(backupFolder, target, old);
    int error = Reserve(fd, data.size());
    const bool touched = error == 0; // a failed reservation has not changed a byte
    if (error == 0) error = WriteAll(fd, data);
    if (error == 0 && ::ftruncate(fd, off_t(data.size())) != 0) error = Failure();
    const bool restored = error != 0 && touched && readable && ::lseek(fd, 0, SEEK_SET) == 0 &&
                          WriteAll(fd, old) == 0 && ::ftruncate(fd, off_t(old.size())) == 0;
    const bool whole = error == 0 || !touched || restored;
    const bool synced = ::fsync(fd) == 0;
    if (!synced && error == 0) error = Failure();
    if (::close(fd) != 0 && error == 0) error = Failure();
    // A file that may hold neither the old bytes nor the new keeps its copy for the editor.
    if (backup && whole && synced) backup->Drop();
    return error;
}

} // namespace

const char* const SaveTempPattern = ".vell-save-XXXXXX";

TTargetKind ClassifyTarget(const std::string& path, TFileFault* why) {
    if (const std::optional<int> own = OwnDescriptor(path)) {
        struct stat st {};
        if (::fstat(*own, &st) != 0) return TTargetKind::File; // the write says what is wrong
        // A regular file behind a descriptor is written there too: the shell's "> out" is
        // shared with the program's own output.
        return KindOfMode(st.st_mode, why) == TTargetKind::Refused ? TTargetKind::Refused
                                                                   : TTargetKind::Stream;
    }
    struct stat st {};
    // Nothing there yet, or nothing that can be looked at: a new file, whose write says why not.
    if (::stat(path.c_str(), &st) != 0) return TTargetKind::File;
    return KindOfMode(st.st_mode, why);
}

void AllowStreamTargets(bool allow) {
    StreamsAllowed = allow;
}

bool StreamTargetsAllowed() {
    return StreamsAllowed;
}

TFileFault ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                         std::size_t maxBytes) {
    // Looked at before it is opened: opening a device may do something, and a pipe would wait
    // for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return FaultOfErrno(Failure());
    // A folder opens for reading on Linux; say so rather than fail at the first read.
    if (S_ISDIR(st.st_mode)) return TFileFault::IsFolder;
    if (!S_ISREG(st.st_mode)) return TFileFault::NotRegular;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return FaultOfErrno(Failure());
    // The name may have been replaced since it was looked at.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return S_ISDIR(st.st_mode) ? TFileFault::IsFolder : TFileFault::NotRegular;
    }
    const int error = ReadAll(fd, out, maxBytes);
    ::close(fd);
    return FaultOfErrno(error);
}

TFileFault WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data,
                               const std::string& backupFolder) {
    TFileFault why = TFileFault::NotRegular;
    switch (ClassifyTarget(path, &why)) {
    case TTargetKind::Refused:
        return why;
    case TTargetKind::Stream: {
        int fd = -1;
        if (TFileFault f = OpenStream(path, fd); f != TFileFault::None) return f;
        return CloseStream(fd, WriteAll(fd, data));
    }
    case TTargetKind::File:
        break;
    }
    TTarget target;
    bool inPlace = false;
    if (TFileFault f = Examine(path, target, inPlace); f != TFileFault::None) return f;
    std::string temp;
    int fd = -1;
    if (!inPlace)
        if (TFileFault f = MakeReplacement(target, temp, fd, inPlace); f != TFileFault::None)
            return f;
    if (inPlace) return SaveFault(WriteInPlace(target.Path, data, backupFolder));
    if (const int error = WriteAll(fd, data); error != 0) {
        ::close(fd);
        ::unlink(temp.c_str());
        return SaveFault(error);
    }
    return FinishReplacement(fd, temp, target);
}

TReplacingFile::~TReplacingFile() {
    Abandon();
}

TFileFault TReplacingFile::Open(const std::string& path) {
    Abandon();
    TFileFault why = TFileFault::NotRegular;
    switch (ClassifyTarget(path, &why)) {
    case TTargetKind::Refused:
        return why;
    case TTargetKind::Stream:
        if (TFileFault f = OpenStream(path, Fd); f != TFileFault::None) return f;
        Streaming = true;
        Target = path;
        return TFileFault::None;
    case TTargetKind::File:
        break;
    }
    TTarget target;
    bool inPlace = false;
    if (TFileFault f = Examine(path, target, inPlace); f != TFileFault::None) return f;
    if (!inPlace)
        if (TFileFault f = MakeReplacement(target, Temp, Fd, inPlace); f != TFileFault::None)
            return f;
    if (inPlace) return TFileFault::NotReplaceable;
    Target = target.Path;
    return TFileFault::None;
}

TFileFault TReplacingFile::Write(std::span<const std::uint8_t> data) {
    if (Fd < 0) return TFileFault::Other;
    return SaveFault(WriteAll(Fd, data));
}

TFileFault TReplacingFile::Commit() {
    if (Fd < 0) return TFileFault::Other;
    if (Streaming) {
        const int fd = Fd;
        Fd = -1;
        Streaming = false;
        return CloseStream(fd, 0);
    }
    TTarget target;
    target.Path = Target;
    target.Folder = fs::path(Target).parent_path();
    if (target.Folder.empty()) target.Folder = ".";
    const int fd = Fd;
    Fd = -1;
    const TFileFault fault = FinishReplacement(fd, Temp, target);
    Temp.clear();
    return fault;
}

void TReplacingFile::Abandon() {
    if (Fd < 0) return;
    ::close(Fd);
    // A stream keeps what it got; only a temporary file is ours to remove.
    if (!Streaming) ::unlink(Temp.c_str());
    Streaming = false;
    Fd = -1;
    Temp.clear();
}

} // namespace vell
