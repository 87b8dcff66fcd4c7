// VellSim commands that edit a map as the editor would.
#include "tools/Commands.h"

#include "editor/ops/Conversion.h"
#include "model/Texts.h"
#include "tools/ToolMap.h"

#include <memory>
#include <ostream>

namespace vell::tool {

int RunConvert(const TArguments& args, std::ostream& out, std::ostream& err) {
    std::uint8_t grade = 136; // the editor's start colour (136, 136, 136)
    if (auto text = args.Value("--grade")) {
        auto v = ParseInteger(*text, 0, 255);
        if (!v) {
            ReportUsageError(err, "convert", "--grade takes a whole number from 0 to 255");
            return ExitBadInput;
        }
        grade = std::uint8_t(*v);
    }
    // Tree colours are random: a fixed default seed keeps the output repeatable.
    std::uint32_t seed = 1;
    if (auto text = args.Value("--seed"))
        seed = std::uint32_t(*ParseInteger(*text, 0, 4294967295LL));

    auto map = std::make_unique<TMap>();
    if (!LoadToolMap(args.Positional[0], *map, err)) return ExitBadInput;
    const int before = map->ObjectCount();
    TRandom random(seed);
    const bool complete = ConvertDoubleTracks(*map, grade, random);
    map->FileName = args.Positional[1];
    if (TFileFault fault = TFileFault::None; !map->SaveToFile(&fault)) {
        err << WithReason(Arg(translate("VellSim", "VellSim: не удалось записать карту %1"),
                              map->FileName),
                          fault)
            << "\n";
        return ExitBadInput;
    }
    out << Arg(translate("VellSim", "Карта записана: %1 (объектов было %2, стало %3)"),
               map->FileName, std::to_string(before), std::to_string(map->ObjectCount()))
        << "\n";
    if (!complete) {
        out << translate("VellSim",
                         "Карта заполнена (65535 объектов): часть двупуток не преобразована")
            << "\n";
        return ExitFindings;
    }
    return ExitOk;
}

} // namespace vell::tool
