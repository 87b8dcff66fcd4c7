// VellSim: the map model and the tram world without a screen.
#include "tools/Commands.h"

#ifdef VELL_WITH_DRAWING
#include "tools/SimLanguage.h"
#endif

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
#ifdef VELL_WITH_DRAWING
    // A build without Qt (the fuzzing build) has no translation: its output stays Russian.
    const vell::tool::TSimLanguage language(vell::LanguageOfEnvironment());
#endif
    return vell::tool::RunVellSim(args, std::cout, std::cerr);
}
