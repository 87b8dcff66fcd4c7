// Runs VellSim in-process for tests: its exit code and what it printed on each stream.
#pragma once

#include "tools/Commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace vell::test {

struct TRun {
    int Code;
    std::string Out, Err;
};

inline TRun Sim(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = tool::RunVellSim(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace vell::test
