// MakeCity: writes a generated city to a map file. A tool for the map's developers, in English
// as the generator's own errors are.
//   MakeCity demo OUT.vl     the demo city (maps/demo.vl is made this way)
//   MakeCity ring OUT.vl     the small ring (maps/ring.vl)
//   MakeCity stress OUT.vl   the stress city of the benchmarks
#include "tools/citygen/Cities.h"

#include "model/RouteTable.h"

#include <iostream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    using namespace vell;
    using namespace vell::citygen;
    const std::string which = argc == 3 ? argv[1] : "";
    if (which != "demo" && which != "ring" && which != "stress") {
        std::cerr << "Usage: MakeCity demo|ring|stress OUT.vl\n";
        return 2;
    }
    try {
        TGeneratedCity city = which == "demo"   ? MakeDemoCity()
                              : which == "ring" ? MakeRingCity()
                                                : MakeStressCity();
        city.Map->FileName = argv[2];
        if (!city.Map->SaveToFile()) {
            std::cerr << "MakeCity: could not write " << argv[2] << "\n";
            return 2;
        }
        auto probe = std::make_unique<TMap>(*city.Map); // the route table is large
        const TMapSelection selection = SelectMap(*probe);
        std::cout << argv[2] << ": " << city.Map->ObjectCount() << " objects, "
                  << selection.Rows.size() << " routes, " << selection.TotalTrams
                  << " trams planned\n";
    } catch (const TPlanError& e) {
        std::cerr << "MakeCity: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
