// libFuzzer target: any bytes read as an OpenStreetMap PBF file and as OSM XML give a tram
// network or a clean TReadError, never a crash, a hang or another exception; and a network that
// reads holds together through the choice of the square, the city read inside it, and the map
// built of them: its rails pass the network check or are named as faulty, every object valid.
#include "import/Import.h"
#include "import/OsmRead.h"
#include "import/TrackSquare.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

using namespace vell;
using namespace vell::import;

bool OnTheGlobe(TGeoPoint p) {
    return std::isfinite(p.Lat) && std::isfinite(p.Lon) && std::abs(p.Lat) <= 90 &&
           std::abs(p.Lon) <= 180;
}

void Check(const TOsmInput& input) {
    TOsmExtract extract = ReadTramNetwork(input);
    if (extract.Tracks.empty() ||
        extract.Counts.TrackWays != static_cast<long long>(extract.Tracks.size()) ||
        extract.Counts.RouteRelations != static_cast<long long>(extract.Routes.size()))
        std::abort();
    for (const auto& [id, at] : extract.Locations)
        if (!OnTheGlobe(at)) std::abort();
    for (const TOsmStop& stop : extract.Stops)
        if (!OnTheGlobe(stop.At)) std::abort();
    const TProjection projection(DensestTrackSquare(extract));
    const double held = TrackLengthInSquare(extract, projection);
    if (!std::isfinite(held) || held < 0 || !OnTheGlobe(projection.Centre())) std::abort();
    ReadCity(input, SquareBox(projection), extract);
    for (const TOsmOutline& building : extract.Buildings)
        if (building.Points.size() < 2) std::abort();
    if (held <= 0) return;
    TImportResult result = BuildTramMap(extract, projection, {});
    result.Report.City = AddCity(*result.Map, extract, projection, true);
    const TMap& map = *result.Map;
    if (map.ObjectCount() > 65535) std::abort();
    for (const TMapObject& object : map.Objects)
        if (IsInvalidObject(object)) std::abort();
    if ((result.Report.NetworkResult < 0) != result.Report.FaultyRails.empty()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const char* format : {"pbf", "osm"}) {
        try {
            Check(TOsmInput::Memory(bytes, format));
        } catch (const TReadError&) {
        }
    }
    return 0;
}
