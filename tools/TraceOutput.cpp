// Where VellSim run writes its trace.
#include "tools/TraceOutput.h"

#include "model/FileName.h"
#include "model/Texts.h"

#include <ostream>

namespace vell::tool {

bool TraceAvoidsMap(const std::string& path, const std::string& mapFile, std::ostream& err) {
    if (!SameFile(path, mapFile)) return true;
    err << Arg(translate("VellSim", "VellSim: след не записан поверх карты %1"), path) << "\n";
    return false;
}

bool TTraceOutput::Open(const std::string& path, std::ostream& err) {
    Path = path;
    File.open(path, std::ios::binary | std::ios::trunc);
    if (File) return true;
    err << Arg(translate("VellSim", "VellSim: не удалось записать след %1"), Path) << "\n";
    return false;
}

bool TTraceOutput::Finish(std::ostream& err) {
    File.close();
    if (File) return true;
    err << Arg(translate("VellSim", "VellSim: не удалось записать след %1"), Path) << "\n";
    return false;
}

} // namespace vell::tool
