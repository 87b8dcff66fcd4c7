// Why a file could not be read or written, in words a player understands.
#pragma once

#include <string>

namespace vell {

enum class TFileFault {
    None,
    NotFound,       // no such file to read
    FolderNotFound, // no such folder to write into
    NoAccess,       // permissions forbid it
    ReadOnly,       // the folder is on a read-only disk
    DiskFull,       // no room left, or over the quota
    TooBig,         // over the file size limit
    IsFolder,       // the name is a folder's
    NameTooLong,    // a name part over 255 bytes, or the whole path too long
    Empty,          // a map file of 0 bytes
    Damaged,        // a map file that is not one the programs wrote
    PictureOverMap, // the picture would replace the map itself
    WriteProtected, // the file exists and the user may not write it
    NotReplaceable, // a stream cannot replace the file without losing its links or owner
    NotRegular,     // a pipe, a device or a socket where a regular file is needed
    NoReader,       // a pipe that nobody reads
    Other,          // anything else the system reports
};

// The fault that an errno value stands for.
TFileFault FaultOfErrno(int error);

// One short Russian sentence for the second line of a message; empty for None and Other.
std::string FaultReason(TFileFault fault);

// A message's fixed first line, with the reason as a second line when there is one.
std::string WithReason(const std::string& firstLine, TFileFault fault);

} // namespace vell
