// libFuzzer target: any bytes as the body of the file beside a map, sealed here so that the
// checksum does not stop them at the door, must be read or refused cleanly against a map of a few
// walls, and what is read must save and read back the same.
#include "model/Map.h"
#include "model/MapExtras.h"
#include "model/SealedFile.h"

#include <cstdlib>
#include <memory>

namespace {

// The map the seeds were made for (MakeMapExtrasSeeds.cpp): two buildings of four walls.
std::unique_ptr<vell::TMap> FuzzMap() {
    using namespace vell;
    auto map = std::make_unique<TMap>();
    map->NewMap();
    const int walls[8][4] = {{100, 100, 120, 100}, {120, 100, 120, 110}, {120, 110, 100, 110},
                             {100, 110, 100, 100}, {140, 100, 155, 100}, {155, 100, 155, 115},
                             {155, 115, 140, 115}, {140, 115, 140, 100}};
    for (const auto& w : walls)
        map->AddObject(MakeObject(Wall, w[0], w[1], w[2], w[3]));
    return map;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vell;
    static const std::unique_ptr<TMap> map = FuzzMap();
    static const TMapFileContents contents = map->StoredContents();
    TMapExtras extras;
    std::string why;
    const std::vector<std::uint8_t> file = SealFile({'V', 'L', 'X', 'S'}, 1, {data, size});
    if (!DecodeMapExtras(file, contents, extras, why)) {
        if (why.empty()) std::abort();
        return 0;
    }
    if (!extras.LookWarning.empty() && !extras.Look.Empty()) std::abort();
    for (const TLookArea& a : extras.Look.Areas)
        if (a.Ring.size() < 3) std::abort();
    for (const TLookStreet& s : extras.Look.Streets)
        if (s.Line.size() < 2 || s.Width < 2 || s.Width > 40) std::abort();
    for (const TLookBuilding& b : extras.Look.Buildings)
        if (b.Walls.empty() || b.Outline.size() < 3 || b.Levels < 1 || b.Levels > 100) std::abort();
    // What was read is saved as read, and reads back the same.
    TMap copy;
    copy.NewMap();
    copy.ApplyLoadedContents(contents, extras);
    const std::vector<std::uint8_t> saved = EncodeMapExtras(copy);
    TMapExtras again;
    // Buildings none of whose walls the map has are not saved.
    const TCityLook kept = LookKeptForMap(extras.Look, contents.Objects);
    if (saved.empty()) {
        if (!kept.Empty()) std::abort();
        return 0;
    }
    if (!DecodeMapExtras(saved, contents, again, why)) std::abort();
    if (!(again.Look == kept) || !again.LookWarning.empty()) std::abort();
    return 0;
}
