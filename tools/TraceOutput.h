// Where `VellSim run --trace FILE` writes: never over the map it runs, never onto a disk the
// trace would clearly not fit, and the output opened and finished in one place.
#pragma once

#include "model/SafeFile.h"
#include "sim/Trace.h"

#include <iosfwd>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace vell::tool {

// Refuses, with a message on `err`, a trace that would be written over the map file `mapFile`,
// however either is named.
bool TraceAvoidsMap(const std::string& path, const std::string& mapFile, std::ostream& err);

// Refuses, with the estimate, a trace of `lines` to a regular file whose folder has clearly too
// little free space for it. A stream (see TTargetKind), a target that its opening will refuse,
// or a folder whose free space cannot be told, passes.
bool TraceFits(const std::string& path, const TTraceLines& lines, std::ostream& err);

// The trace's file while the run writes it. A regular file is written to a temporary file
// beside it that replaces it only when the trace is finished, so that a failed or stopped run
// leaves the old file as it was; a stream is written where it stands, and a target that is
// neither (a block device, a socket, a folder) is refused.
class TTraceOutput {
  public:
    // Opens `path` for writing; on failure says so on `err` and returns false.
    bool Open(const std::string& path, std::ostream& err);
    std::ostream& Stream() { return Out; }
    // Whether the trace goes to a regular file, which an unfinished run leaves nothing of.
    bool ToFile() const { return !Streamed; }
    // Puts the whole trace in place; on failure gives it up, says so on `err` and returns false.
    bool Finish(std::ostream& err);
    // Gives up an unfinished trace: the temporary file goes, a stream is closed.
    void Abandon();

  private:
    // Hands the trace to the replacing file in large pieces, keeping the first fault.
    class TReplacingBuffer : public std::streambuf {
      public:
        explicit TReplacingBuffer(TReplacingFile& file);
        TFileFault Fault = TFileFault::None;

      protected:
        int_type overflow(int_type c) override;
        int sync() override;

      private:
        bool Drain();
        TReplacingFile& File;
        std::vector<char> Bytes;
    };

    bool Check(TFileFault fault, std::ostream& err);

    std::string Path;
    bool Streamed = false;
    TReplacingFile Replacing;
    TReplacingBuffer Buffer{Replacing};
    std::ostream Out{nullptr};
};

} // namespace vell::tool
