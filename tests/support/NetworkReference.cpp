// The all-pairs network build.
#include "tests/support/NetworkReference.h"

#include "model/Geometry.h"

namespace vell::test {

int ReferenceBuildNetwork(TMap& map) {
    map.ClearMarks();
    int error = -1;
    map.Links.assign(map.Objects.size(), std::nullopt);
    auto fault = [&](std::size_t i) {
        map.Objects[i].SetSelected(true);
        error = int(i);
    };
    for (std::size_t i = 0; i < map.Objects.size(); ++i) {
        const TMapObject& a = map.Objects[i];
        if (!a.IsRail()) continue;
        const int dx = a.X2 - a.X1, dy = a.Y2 - a.Y1;
        if (a.IsStop() && dx * dx + dy * dy < 625) fault(i);
        TLinkRec link;
        int successors = 0, nears = 0, first = -1;
        for (std::size_t j = 0; j < map.Objects.size(); ++j) {
            const TMapObject& b = map.Objects[j];
            if (j == i || !b.IsRail()) continue;
            if (a.X2 == b.X1 && a.Y2 == b.Y1 && Dot(a, b) > 0) {
                if (successors == 0) {
                    link.Next = {std::uint16_t(j), std::uint16_t(j)};
                    first = int(j);
                } else if (successors == 1) {
                    const TMapObject& f = map.Objects[first];
                    const long long cross = (long long)(b.X2 - b.X1) * (f.Y2 - f.Y1) -
                                            (long long)(f.X2 - f.X1) * (b.Y2 - b.Y1);
                    if (cross > 0)
                        link.Next[0] = std::uint16_t(j);
                    else
                        link.Next[1] = std::uint16_t(j);
                } else {
                    fault(i);
                }
                ++successors;
            } else if (SegmentDistSq(a, b) < 16) {
                if (nears < 6)
                    link.Near[nears] = std::uint16_t(j);
                else
                    fault(i);
                ++nears;
            }
        }
        map.Links[i] = link;
        if (successors == 0) fault(i);
    }
    map.NetworkOk = error < 0;
    return error;
}

} // namespace vell::test
