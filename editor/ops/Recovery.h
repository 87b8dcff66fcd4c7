// Recovery copies of unsaved maps: written now and then while the editor runs, offered again
// when an editor that ended without cleaning up (a crash, a power cut) left one behind.
//
// Each editor writes its own copy "<pid>.vlr" in the user's state folder and holds a lock on
// "<pid>.lock" while it runs, so that two editors never overwrite each other's copies and an
// editor never offers the copy of another one that is still running.
#pragma once

#include "model/FileFault.h"
#include "model/Map.h"
#include "model/MapFile.h"
#include "model/RecoveryCopy.h"

#include <ctime>
#include <string>
#include <vector>

namespace vell {

struct TRecoveryCopy {
    std::string Path;
    // The map's absolute path when the copy was written ("Новая": none yet). Copies of older
    // editors hold the name as it was given, relative to a folder nobody knows any more.
    std::string MapName;
    // The old bytes of a map whose save in place never finished, rather than unsaved edits.
    bool InterruptedSave = false;
    std::time_t Time = 0;
    // Why the copy cannot be read; None when Contents holds the whole map.
    TFileFault Fault = TFileFault::None;
    TMapFileContents Contents;
    TMapExtras Extras; // what the map carried beside its file
};

class TRecovery {
  public:
    // Copies are written at most this often while the map has unsaved changes.
    static constexpr int DefaultIntervalMs = 60 * 1000;

    explicit TRecovery(std::string folder);
    // Releases the lock; the copy itself stays unless Remove took it away.
    ~TRecovery();
    TRecovery(const TRecovery&) = delete;
    TRecovery& operator=(const TRecovery&) = delete;

    const std::string& CopyPath() const { return OwnCopy; }
    // Why this editor keeps no copies (no folder, or no lock of its own); None when it does.
    TFileFault Trouble() const { return Problem; }
    int IntervalMs = DefaultIntervalMs;

    // Copies left by editors that no longer run, the newest first.
    std::vector<TRecoveryCopy> FindLeftCopies() const;
    // The map with its name and routes, written whole or not at all.
    TFileFault Write(const TMap& map);
    // This editor's copy is no longer needed (saved, dropped, or a clean exit).
    void Remove();
    // A left copy becomes this editor's own, so that it stays until the map is saved. False,
    // and nothing touched, when an editor holds the copy's lock again.
    bool TakeOver(const TRecoveryCopy& copy);
    // Removes a left copy the user does not want back; false, and nothing removed, when an
    // editor holds its lock again.
    bool Discard(const TRecoveryCopy& copy) const;

  private:
    void RemoveStaleLocks() const;

    std::string Folder;
    std::string OwnCopy;
    std::string OwnLock;
    int LockFd = -1;
    TFileFault Problem = TFileFault::None;
};

// Puts a read copy's map in place of the open one, exactly as it was written (nothing purged),
// marked modified: nothing of it is saved yet. It comes back under the absolute path it was
// written from, whichever folder the editor now runs in. A path that the map's name cannot hold
// (over 255 characters), or a name without its folder, is never cut or guessed at: the map then
// comes back as a new one, which a save asks a name for, and the result is false.
bool RestoreRecoveryCopy(TMap& map, const TRecoveryCopy& copy);

// The start-up question, the question for a copy that cannot be read, and the message for a
// copy restored without its name.
std::string RecoveryPrompt(const TRecoveryCopy& copy);
std::string RecoveryUnreadableText(const TRecoveryCopy& copy);
std::string RecoveryUnnamedText(const TRecoveryCopy& copy);
// The status line of an editor that keeps no copies.
std::string RecoveryTroubleText(TFileFault trouble);

// An open map as the bytes of its copy; empty when its path is too long to be stored.
std::vector<std::uint8_t> SerializeRecoveryCopy(const TMap& map);

} // namespace vell
