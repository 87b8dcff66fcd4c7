// The ".vl" map file format: magic, object count, 12-byte records, 117 route records.
#include "model/MapFile.h"

#include "model/ByteStream.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vell {

std::string Describe(TMapFileError error) {
    switch (error) {
    case TMapFileError::None:
        return "ошибок нет";
    case TMapFileError::CannotOpen:
        return "файл не найден или не читается";
    case TMapFileError::Truncated:
        return "файл обрывается раньше времени";
    case TMapFileError::BadWaypointCount:
        return "у маршрута больше 31 точки";
    case TMapFileError::BadWaypointIndex:
        return "точка маршрута ссылается на несуществующий объект";
    }
    return "неизвестная ошибка";
}

namespace {

bool ReadObject(TByteReader& in, TMapObject& o) {
    return in.ReadI16(o.X1) && in.ReadI16(o.Y1) && in.ReadI16(o.X2) && in.ReadI16(o.Y2) &&
           in.ReadU8(o.Red) && in.ReadU8(o.Green) && in.ReadU8(o.Blue) && in.ReadU8(o.Flags);
}

TMapFileError ReadRoute(TByteReader& in, std::size_t objectCount, TStoredRoute& r) {
    if (!in.ReadI8(r.WaypointCount) || !in.ReadU8(r.Reserved)) return TMapFileError::Truncated;
    if (r.WaypointCount > MaxWaypoints) return TMapFileError::BadWaypointCount;
    for (int k = 0; k < r.WaypointCount; ++k) {
        if (!in.ReadU16(r.Waypoints[k])) return TMapFileError::Truncated;
        if (r.Waypoints[k] >= objectCount) return TMapFileError::BadWaypointIndex;
    }
    if (!in.ReadU8(r.Cars) || !in.ReadU8(r.Interval)) return TMapFileError::Truncated;
    return TMapFileError::None;
}

} // namespace

TMapFileError ParseMapFile(std::span<const std::uint8_t> data, TMapFileContents& out) {
    TByteReader in(data);
    std::uint16_t magic = 0; // any two bytes are accepted
    std::uint16_t count = 0;
    if (!in.ReadU16(magic) || !in.ReadU16(count)) return TMapFileError::Truncated;
    if (!in.Has(std::size_t(count) * sizeof(TMapObject))) return TMapFileError::Truncated;

    TMapFileContents result;
    result.Objects.resize(count);
    for (TMapObject& o : result.Objects)
        if (!ReadObject(in, o)) return TMapFileError::Truncated;
    for (auto& row : result.Routes)
        for (TStoredRoute& r : row)
            if (TMapFileError e = ReadRoute(in, count, r); e != TMapFileError::None) return e;
    out = std::move(result);
    return TMapFileError::None;
}

std::vector<std::uint8_t> SerializeMapFile(const TMapFileContents& contents) {
    TByteWriter out;
    out.WriteU8('V');
    out.WriteU8('L');
    out.WriteU16(std::uint16_t(contents.Objects.size()));
    for (const TMapObject& o : contents.Objects) {
        out.WriteI16(o.X1);
        out.WriteI16(o.Y1);
        out.WriteI16(o.X2);
        out.WriteI16(o.Y2);
        out.WriteU8(o.Red);
        out.WriteU8(o.Green);
        out.WriteU8(o.Blue);
        out.WriteU8(o.Flags);
    }
    for (const auto& row : contents.Routes)
        for (const TStoredRoute& r : row) {
            out.WriteI8(r.WaypointCount);
            out.WriteU8(r.Reserved);
            for (int k = 0; k < r.WaypointCount && k < 32; ++k)
                out.WriteU16(r.Waypoints[k]);
            out.WriteU8(r.Cars);
            out.WriteU8(r.Interval);
        }
    return out.Take();
}

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

} // namespace

TFileFault ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FaultOfErrno(Failure());
    // A folder opens for reading on Linux; say so rather than fail at the first read.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return TFileFault::IsFolder;
    }
    std::vector<std::uint8_t> bytes(MaxMapFileSize);
    std::size_t got = 0;
    TFileFault fault = TFileFault::None;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fault = FaultOfErrno(Failure());
        if (n <= 0) break;
        got += std::size_t(n);
    }
    ::close(fd);
    if (fault != TFileFault::None) return fault;
    bytes.resize(got);
    out = std::move(bytes);
    return TFileFault::None;
}

const char* const SaveTempPattern = ".vell-save-XXXXXX";

namespace {

TFileFault SaveFault(int error) {
    const TFileFault fault = FaultOfErrno(error);
    // Only the folder can be missing when a file is created.
    return fault == TFileFault::NotFound ? TFileFault::FolderNotFound : fault;
}

// Overwrites the file's bytes where they are: its links, owner, group and mode stay. Room for
// the new bytes is taken first, so that a full disk fails before anything is overwritten, and
// the old bytes are put back when the new ones cannot all be written.
int WriteInPlace(const std::string& target, std::span<const std::uint8_t> data) {
    std::vector<std::uint8_t> old;
    const bool readable = ReadFileBytes(target, old) == TFileFault::None;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return Failure();
    int error = ::posix_fallocate(fd, 0, off_t(data.size()));
    if (error == EOPNOTSUPP || error == EINVAL) error = 0; // a file system without it
    if (error == 0) error = WriteAll(fd, data);
    if (error == 0 && ::ftruncate(fd, off_t(data.size())) != 0) error = Failure();
    if (error != 0 && readable && ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, old) == 0)
        static_cast<void>(::ftruncate(fd, off_t(old.size())));
    if (error == 0 && ::fsync(fd) != 0) error = Failure();
    if (::close(fd) != 0 && error == 0) error = Failure();
    return error;
}

// Whether the user may create and rename files in `folder`.
bool FolderWritable(const std::filesystem::path& folder) {
    const std::string name = folder.empty() ? std::string(".") : folder.string();
    return ::access(name.c_str(), W_OK | X_OK) == 0;
}

} // namespace

TFileFault WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Saving through a symbolic link replaces the file it names, not the link.
    std::string target = path;
    if (fs::is_symlink(path, ec)) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (ec) return FaultOfErrno(ec.value());
        target = resolved.string();
    }
    if (fs::is_directory(target, ec)) return TFileFault::IsFolder;
    // In the same folder, so that the rename stays on one file system.
    const fs::path folder = fs::path(target).parent_path();

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists) {
        if (::access(target.c_str(), W_OK) != 0) {
            if (errno == EACCES || errno == EPERM) return TFileFault::WriteProtected;
            return SaveFault(Failure());
        }
        // A rename would part the links, or cannot be made: the file itself is written.
        if (old.st_nlink > 1 || !FolderWritable(folder))
            return SaveFault(WriteInPlace(target, data));
    }

    std::string temp =
        (folder.empty() ? fs::path(SaveTempPattern) : folder / SaveTempPattern).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return SaveFault(Failure());
    if (exists && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // A file of someone else's, or of a group the user is not in: a new file would change
        // hands, so the old one is written in place.
        ::close(fd);
        ::unlink(temp.c_str());
        return SaveFault(WriteInPlace(target, data));
    }
    // After the owner: changing the owner may clear the set-id bits.
    int error = ::fchmod(fd, exists ? old.st_mode & 07777 : ModeForNewFile()) == 0 ? 0 : Failure();
    if (error == 0) error = WriteAll(fd, data);
    if (error == 0 && ::fsync(fd) != 0) error = Failure();
    if (::close(fd) != 0 && error == 0) error = Failure();
    if (error == 0 && std::rename(temp.c_str(), target.c_str()) != 0) error = Failure();
    if (error != 0) ::unlink(temp.c_str());
    return SaveFault(error);
}

} // namespace vell
