// A tile's parts in the detailed look: the overhead line and lamps, then the stops.
#include "cab/look/LookParts.h"

#include "cab/look/LookShapes.h"

namespace vell {

void BuildTileParts(const TMap& map, const TCityLook& look, const TLookBox& box,
                    const TLookLight& light, TLookMesh& out) {
    look::AddCatenary(map, box, light, out);
    look::AddStops(map, look, box, light, out);
}

} // namespace vell
