// VellSim: the map model and the tram world without a screen.
#include "Commands.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return vell::tool::RunVellSim(args, std::cout, std::cerr);
}
