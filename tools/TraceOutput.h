// Where `VellSim run --trace FILE` writes: never over the map it runs, never onto a disk the
// trace would clearly not fit, and the output opened and finished in one place.
#pragma once

#include "sim/Trace.h"

#include <fstream>
#include <iosfwd>
#include <string>

namespace vell::tool {

// Refuses, with a message on `err`, a trace that would be written over the map file `mapFile`,
// however either is named.
bool TraceAvoidsMap(const std::string& path, const std::string& mapFile, std::ostream& err);

// Whether `path` is written as a stream (a pipe, a terminal, a device, an open descriptor such
// as /dev/stdout) rather than as a regular file.
bool IsStreamOutput(const std::string& path);

// Refuses, with the estimate, a trace of `lines` to a regular file whose folder has clearly too
// little free space for it. A stream, or a folder whose free space cannot be told, passes.
bool TraceFits(const std::string& path, const TTraceLines& lines, std::ostream& err);

// The trace's file while the run writes it.
class TTraceOutput {
  public:
    // Opens `path` for writing; on failure says so on `err` and returns false.
    bool Open(const std::string& path, std::ostream& err);
    std::ostream& Stream() { return File; }
    // Whether the trace goes to a regular file, which an unfinished run leaves nothing of.
    bool ToFile() const { return !Streamed; }
    // Completes the trace; on failure gives it up, says so on `err` and returns false.
    bool Finish(std::ostream& err);
    // Gives up an unfinished trace: a file the trace made is removed, anything else only closed.
    void Abandon();

  private:
    std::string Path;
    std::ofstream File;
    bool Streamed = false;
    bool Created = false; // nothing stood at Path before
};

} // namespace vell::tool
