// Loading a map for a VellSim command.
#include "tools/ToolMap.h"

#include "model/BundledMaps.h"
#include "model/FileName.h"
#include "model/Texts.h"

#include <ostream>

namespace vell::tool {

bool LoadToolMap(const std::string& argument, TMap& map, std::ostream& err) {
    map.FileName = WithDefaultExtension(argument, ".vl");
    TMapFileError error = TMapFileError::None;
    if (map.LoadFromFile(&error)) {
        // The map is good without the file beside it: the command goes on.
        if (!map.ExtrasWarning.empty()) err << "VellSim: " << map.ExtrasWarning << "\n";
        return true;
    }
    err << Arg(translate("VellSim", "VellSim: не удалось открыть карту %1: %2"), map.FileName,
               Describe(error))
        << "\n";
    return false;
}

TMapSearch SavedMapSearch(const std::string& savedFile, const std::optional<std::string>& chosen) {
    TMapSearch search;
    search.SavedFile = savedFile;
    search.BundledMaps = BundledMapsFolder(RunningProgramFolder(), VELL_SOURCE_MAPS);
    if (chosen) search.Chosen = WithDefaultExtension(*chosen, ".vl");
    return search;
}

void ReportRailError(std::ostream& out, const TMap& map) {
    out << Arg(translate("VellSim", "Ошибка с рельсами!\n"
                                    "Проверьте карту в редакторе (VellSim check %1)"),
               map.FileName)
        << "\n";
}

} // namespace vell::tool
