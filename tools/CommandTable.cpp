// VellSim's command table and dispatcher. A new command adds one row to Commands() and a line
// to the usage text.
#include "Commands.h"

#include "ToolMap.h"

#include <functional>
#include <optional>
#include <ostream>

namespace vell::tool {

namespace {

const char* const Usage =
    "Использование: VellSim [--seed N] КОМАНДА ...\n"
    "  info КАРТА [--json]      сведения о карте: объекты по видам, маршруты\n"
    "  resave ВХОД ВЫХОД        прочитать карту и записать её заново\n"
    "  check КАРТА [--json]     проверить рельсовую сеть\n"
    "  routes КАРТА [--json]    таблица маршрутов, как в игре\n"
    "  convert ВХОД ВЫХОД [--grade N]\n"
    "                           преобразовать двупутки в рельсы (скорость 136 или N)\n"
    "  run КАРТА [--minutes N] [--seed S] [--json]\n"
    "                           прогнать трамваи N минут (60): отчёт и цифры маршрутов\n"
#ifdef VELL_WITH_DRAWING
    "  scheme КАРТА [ВЫХОД.bmp] схема линий (по умолчанию рядом с картой)\n"
    "  plan КАРТА ВЫХОД.png [--view X,Y] [--overview ОБЗОР.png] [--route 1А]\n"
    "                           план с точки X,Y (4800,4800) и обзор карты с маршрутом\n"
#endif
    ;

struct TCommand {
    const char* Name;
    std::size_t MinPositionals, MaxPositionals;
    TOptionSet Options;
    std::function<int(const TArguments&, std::ostream&, std::ostream&)> Run;
};

std::vector<TCommand> Commands() {
    return {
        {"info", 1, 1, {{"--json"}, {}}, RunInfo},
        {"resave", 2, 2, {{}, {}}, RunResave},
        {"check", 1, 1, {{"--json"}, {}}, RunCheck},
        {"routes", 1, 1, {{"--json"}, {}}, RunRoutes},
        {"convert", 2, 2, {{}, {"--grade"}}, RunConvert},
        {"run", 1, 1, {{"--json"}, {"--minutes", "--seed"}}, RunRun},
#ifdef VELL_WITH_DRAWING
        {"scheme", 1, 2, {{}, {}}, RunScheme},
        {"plan", 2, 2, {{}, {"--view", "--overview", "--route"}}, RunPlan},
#endif
    };
}

} // namespace

int RunVellSim(const std::vector<std::string>& all, std::ostream& out, std::ostream& err) {
    std::vector<std::string> args = all;
    // Options before the command apply to every command.
    std::optional<std::uint32_t> seed;
    while (!args.empty() && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--help") {
            out << Usage;
            return ExitOk;
        }
        if (args[0] == "--seed" && args.size() >= 2) {
            auto v = ParseInteger(args[1], 0, 4294967295LL);
            if (!v) {
                err << "VellSim: --seed ждёт целое число от 0 до 4294967295\n";
                return ExitBadInput;
            }
            seed = std::uint32_t(*v);
            args.erase(args.begin(), args.begin() + 2);
            continue;
        }
        err << "VellSim: неизвестный параметр " << args[0] << "\n" << Usage;
        return ExitBadInput;
    }
    if (args.empty()) {
        err << Usage;
        return ExitBadInput;
    }
    for (const TCommand& command : Commands()) {
        if (args[0] != command.Name) continue;
        std::string error;
        auto parsed = ParseArguments({args.begin() + 1, args.end()}, command.Options, error);
        if (!parsed) {
            err << "VellSim " << command.Name << ": " << error << "\n" << Usage;
            return ExitBadInput;
        }
        if (parsed->Positional.size() < command.MinPositionals ||
            parsed->Positional.size() > command.MaxPositionals) {
            err << "VellSim " << command.Name << ": неверное число аргументов\n" << Usage;
            return ExitBadInput;
        }
        if (seed) parsed->Values["--seed"] = std::to_string(*seed);
        return command.Run(*parsed, out, err);
    }
    err << "VellSim: неизвестная команда " << args[0] << "\n" << Usage;
    return ExitBadInput;
}

} // namespace vell::tool
