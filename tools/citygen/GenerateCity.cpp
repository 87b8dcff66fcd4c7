// Generating a city from its description.
#include "tools/citygen/Cities.h"

#include "tools/citygen/TownBuilder.h"

namespace vell::citygen {

TGeneratedCity GenerateCity(const TTownPlan& town, const TNetworkPlan& network, std::uint32_t seed,
                            TOrder order) {
    TGeneratedCity city;
    city.Map = std::make_unique<TMap>();
    const auto tracks = TrackCentreLines(network);
    TRandom random(seed);
    if (order == TOrder::TownFirst) BuildTown(*city.Map, town, tracks);
    city.Network = LayTramNetwork(*city.Map, network, random);
    if (order == TOrder::NetworkFirst) BuildTown(*city.Map, town, tracks);
    for (const TMapObject& o : city.Map->Objects)
        if (IsInvalidObject(o)) throw TPlanError("the city holds an object the loader would drop");
    city.Map->Modified = false;
    return city;
}

} // namespace vell::citygen
