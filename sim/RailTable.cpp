// Building the per-rail data of a running world.
#include "RailTable.h"

#include "Geometry.h"
#include "Network.h"

#include <cmath>

namespace vell {

void TRailTable::Build(const TMap& map) {
    Rails.assign(map.Objects.size(), TRailData{});
    Stops.clear();
    for (int i = 0; i < map.ObjectCount(); ++i) {
        const TMapObject& o = map.Objects[std::size_t(i)];
        TRailData& r = Rails[std::size_t(i)];
        r.Length = Length(o);
        if (r.Length > 0) {
            r.DirX = (o.X2 - o.X1) / r.Length;
            r.DirY = (o.Y2 - o.Y1) / r.Length;
        }
        r.X1 = o.X1;
        r.Y1 = o.Y1;
        r.X2 = o.X2;
        r.Y2 = o.Y2;
        if (!o.IsRail()) continue;
        r.SpeedGrade = o.SpeedGrade();
        r.Stop = o.IsStop();
        r.KeepClear = o.KeepClear();
        if (r.Stop) Stops.push_back(std::uint16_t(i));
        if (const TLinkRec* link = map.Link(i)) {
            r.Link = *link;
            r.Linked = true;
            r.Switch = link->IsSwitch();
            r.SpeedLimitKmh = SpeedLimit(map, i);
            for (int k = 0; k < 2; ++k)
                if (link->Next[k] != NoObject)
                    r.Overturn[k] = OverturnFactor(map.Objects[link->Next[k]], o);
        }
    }
}

double TRailTable::OverturnFactor(const TMapObject& front, const TMapObject& rear) {
    const double c = std::fabs(double(Dot(front, rear)) / (Length(front) * Length(rear)));
    return std::sqrt(0.05 * std::sqrt((1 - c) / (1 + c)));
}

void TRailTable::Clear() {
    Rails.clear();
    Rails.shrink_to_fit();
    Stops.clear();
}

} // namespace vell
