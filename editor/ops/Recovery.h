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

#include <ctime>
#include <string>
#include <vector>

namespace vell {

// $XDG_STATE_HOME/vell/recovery, or ~/.local/state/vell/recovery; empty without either.
std::string DefaultRecoveryFolder();

struct TRecoveryCopy {
    std::string Path;
    std::string MapName; // the map's file name when the copy was written ("Новая": none yet)
    std::time_t Time = 0;
    // Why the copy cannot be read; None when Contents holds the whole map.
    TFileFault Fault = TFileFault::None;
    TMapFileContents Contents;
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
    int IntervalMs = DefaultIntervalMs;

    // Copies left by editors that no longer run, the newest first.
    std::vector<TRecoveryCopy> FindLeftCopies() const;
    // The map with its name and routes, written whole or not at all.
    TFileFault Write(const TMap& map);
    // This editor's copy is no longer needed (saved, dropped, or a clean exit).
    void Remove();
    // A left copy becomes this editor's own, so that it stays until the map is saved.
    bool TakeOver(const TRecoveryCopy& copy);
    // Removes a left copy the user does not want back.
    void Discard(const TRecoveryCopy& copy) const;

  private:
    void RemoveStaleLocks() const;

    std::string Folder;
    std::string OwnCopy;
    std::string OwnLock;
    int LockFd = -1;
};

// Puts a read copy's map in place of the open one, exactly as it was written (nothing purged),
// under the map's own file name and marked modified: nothing of it is saved yet.
void RestoreRecoveryCopy(TMap& map, const TRecoveryCopy& copy);

// The start-up question and the message for a copy that cannot be read.
std::string RecoveryPrompt(const TRecoveryCopy& copy);
std::string RecoveryUnreadableText(const TRecoveryCopy& copy);

// A copy as bytes: a header with the map's name, then the map file; and back.
std::vector<std::uint8_t> SerializeRecoveryCopy(const TMap& map);
bool ParseRecoveryCopy(std::span<const std::uint8_t> data, std::string& mapName,
                       TMapFileContents& contents);

} // namespace vell
