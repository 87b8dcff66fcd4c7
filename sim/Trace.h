// The raw trace of a run: per world step one CSV line per tram in the table and one for the
// world, for loading into a spreadsheet or an analyst's own tools. Reals are written in their
// shortest form that reads back to the same bits.
#pragma once

#include "sim/World.h"

#include <ostream>

namespace vell {

class TTraceWriter {
  public:
    // Writes the header line at once; `out` and `world` outlive the writer.
    TTraceWriter(std::ostream& out, const TWorld& world);
    // The lines of world step `step` (1 for the state after the first step).
    void WriteStep(long long step);

  private:
    std::ostream& Out;
    const TWorld& World;
};

// The CSV header, for readers of the trace.
extern const char* const TraceHeader;

} // namespace vell
