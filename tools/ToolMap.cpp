// Loading a map for a VellSim command.
#include "tools/ToolMap.h"

#include "model/FileName.h"

#include <ostream>

namespace vell::tool {

bool LoadToolMap(const std::string& argument, TMap& map, std::ostream& err) {
    map.FileName = WithDefaultExtension(argument, ".vl");
    TMapFileError error = TMapFileError::None;
    if (map.LoadFromFile(&error)) return true;
    err << "VellSim: не удалось открыть карту " << map.FileName << ": " << Describe(error) << "\n";
    return false;
}

} // namespace vell::tool
