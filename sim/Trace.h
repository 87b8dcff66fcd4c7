// The raw trace of a run: per world step one CSV line per tram in the table and one for the
// world, for loading into a spreadsheet or an analyst's own tools. Reals are written in their
// shortest form that reads back to the same bits.
#pragma once

#include "sim/World.h"

#include <cstdint>
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

// The lines of a trace of world steps first..last (1 for the state after the first step) of a
// running world that has made `stepped` steps (`first` no earlier: the world is the state after
// step `stepped`): one a step for the world and one a step for each tram in the table. The trams
// still to come are counted out from the routes' countdowns as WorldStep dispatches them, without
// running the world, so the count is exact.
struct TTraceLines {
    long long World = 0;
    long long Trams = 0;
};
TTraceLines CountTraceLines(const TWorld& world, long long stepped, long long first,
                            long long last);

// About how many bytes those lines take. A line's reals are written in their shortest exact form,
// so its length varies with the tram's state; the figures are averages measured on the demo city.
std::uint64_t EstimateTraceBytes(const TTraceLines& lines);

} // namespace vell
