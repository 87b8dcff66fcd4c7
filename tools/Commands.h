// VellSim's commands; each returns the process exit code.
#pragma once

#include "tools/Arguments.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vell::tool {

// Runs VellSim with the words after the program name.
int RunVellSim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunInfo(const TArguments& args, std::ostream& out, std::ostream& err);
int RunResave(const TArguments& args, std::ostream& out, std::ostream& err);
int RunCheck(const TArguments& args, std::ostream& out, std::ostream& err);
int RunRoutes(const TArguments& args, std::ostream& out, std::ostream& err);
int RunConvert(const TArguments& args, std::ostream& out, std::ostream& err);
int RunImport(const TArguments& args, std::ostream& out, std::ostream& err);
int RunRun(const TArguments& args, std::ostream& out, std::ostream& err);
int RunReplayCommand(const TArguments& args, std::ostream& out, std::ostream& err);
int RunScore(const TArguments& args, std::ostream& out, std::ostream& err);
#ifdef VELL_WITH_DRAWING
int RunScheme(const TArguments& args, std::ostream& out, std::ostream& err);
int RunPlan(const TArguments& args, std::ostream& out, std::ostream& err);
int RunDiagram(const TArguments& args, std::ostream& out, std::ostream& err);
#endif
#ifdef VELL_WITH_SOUND
int RunDrive(const TArguments& args, std::ostream& out, std::ostream& err);
#endif

} // namespace vell::tool
