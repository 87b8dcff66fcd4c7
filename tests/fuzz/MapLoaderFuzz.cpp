// libFuzzer target: any bytes given to the map loader must load or be refused cleanly, and a map
// that loads must survive the same clean-up and a save/load round trip unchanged.
#include "model/Map.h"
#include "model/MapFile.h"

#include <cstdlib>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vell;
    TMapFileContents contents;
    if (ParseMapFile({data, size}, contents) != TMapFileError::None) return 0;

    static auto map = std::make_unique<TMap>();
    map->NewMap();
    map->ApplyLoadedContents(std::move(contents));
    for (const TMapObject& o : map->Objects)
        if (IsInvalidObject(o) || o.Selected()) std::abort();
    for (const auto& row : map->Routes)
        for (const TRouteRec& r : row)
            for (int k = 0; k < r.WaypointsUsed(); ++k)
                if (r.Waypoints[k] >= map->Objects.size()) std::abort();

    const std::vector<std::uint8_t> saved = SerializeMapFile(map->StoredContents());
    TMapFileContents again;
    if (ParseMapFile(saved, again) != TMapFileError::None) std::abort();
    if (SerializeMapFile(again) != saved) std::abort();
    return 0;
}
