// Reading files whole and writing them as careful editors do: never half a file over the old
// one, nothing of the old file's links, owner, mode or attributes lost, and the result on disk
// before a save reports success.
#pragma once

#include "model/FileFault.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vell {

// Reads at most `maxBytes` of a regular file; None when it could be read. Anything else (a pipe, a
// terminal, a device) is refused (NotRegular) without waiting for a writer.
TFileFault ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                         std::size_t maxBytes);

// What a write does with its target, judged by what the name leads to through symbolic links and
// open descriptors (/dev/stdout, /dev/fd/N).
enum class TTargetKind {
    File,    // a regular file, or none yet: replaced whole, as described below
    Stream,  // a pipe, a character device (a terminal, /dev/null) or a descriptor of this
             // program: written where it stands, with no temporary file, truncation or sync
    Refused, // a folder, a block device, a socket: never opened for writing
};
// `why` gets the fault of a refused target (IsFolder, NotRegular).
TTargetKind ClassifyTarget(const std::string& path, TFileFault* why = nullptr);

// Whether this program writes streams at all. A windowed program does not: every target that is
// not a regular file is refused (NotRegular), and so it is by default. VellSim does: a trace to
// /dev/stdout or a pipe.
void AllowStreamTargets(bool allow);
bool StreamTargetsAllowed();

// Writes a file whole; a stream target (see TTargetKind) is written where it stands, a pipe
// without a reader refused (NoReader) rather than waited for. A file the user may not write is
// never replaced (WriteProtected). Otherwise the content goes to a temporary file beside it, which
// takes the old file's owner, group, extended attributes (ACLs among them) and mode, is synced, and
// is renamed over it; the folder is synced after the rename. On failure the old file is untouched.
// Where a rename would lose something, the file is written in place instead: a file with more than
// one hard link, a file in a folder the user cannot write, and a file whose owner, group or
// attributes a new file could not keep. Before a write in place, the old bytes go to a recovery
// copy in `backupFolder` (none when it is empty), which is removed once the new bytes are on disk:
// a crash half way leaves it for the editor to offer. None when the file was written.
TFileFault WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> data,
                               const std::string& backupFolder = {});

// A file written piece by piece that replaces `path` only when committed, by the same rules as
// WriteFileAtomically; where those would write in place, it is refused (NotReplaceable), since a
// half-written stream cannot be put back. Until Commit the old file stays as it was, and the
// temporary file goes with the object. A stream target is written as the pieces come.
class TReplacingFile {
  public:
    TReplacingFile() = default;
    ~TReplacingFile();
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;

    // Makes the temporary file beside `path`; None when it is ready for writing.
    TFileFault Open(const std::string& path);
    TFileFault Write(std::span<const std::uint8_t> data);
    // Syncs the temporary file and renames it over the target; None when it is in place.
    TFileFault Commit();
    // Removes the temporary file; the target stays as it was.
    void Abandon();
    bool IsOpen() const { return Fd >= 0; }
    // Whether the target is a stream, which a failed write leaves as far as it got.
    bool IsStream() const { return Streaming; }

  private:
    std::string Target, Temp;
    int Fd = -1;
    bool Streaming = false;
};

// The temporary file's name pattern: short and fixed, so that it fits the file system whatever
// the length of the name it will replace.
extern const char* const SaveTempPattern;

} // namespace vell
