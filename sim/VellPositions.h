// The position operations along a tram's route, inline: every tram step uses them many times.
#pragma once

#include "sim/Vell.h"
#include "sim/World.h"

namespace vell {

inline const TRailData& TVell::Rail(int object) const {
    return World.Rails()[object];
}

// The route walk's step: at a switch the route's next choice, and the choice cursor moves on.
inline void TVell::NextObject(TRailPos& pos) const {
    const TRailData& rail = Rail(pos.Obj);
    if (!rail.Linked) return;
    if (!rail.Switch) {
        pos.Obj = rail.Link.Next[0];
        return;
    }
    pos.Obj = rail.Link.Next[Route->Choices[pos.SwitchNo] != 0 ? 1 : 0];
    AdvanceSwitchNo(pos);
}

// The choice cursor moves on past a switch; a route with no choices keeps it at 0. The cursor
// is below the count but for the last choice, so the division is left for that one: it would
// hold up every walk along the route at every switch.
inline void TVell::AdvanceSwitchNo(TRailPos& point) const {
    const int count = Route->ChoiceCount, next = point.SwitchNo + 1;
    point.SwitchNo = count <= 0 ? 0 : std::uint16_t(next < count ? next : next % count);
}

inline TPointXY TVell::PointXY(const TRailPos& pos) const {
    const TRailData& rail = Rail(pos.Obj);
    return {rail.X1 + rail.DirX * pos.Dist, rail.Y1 + rail.DirY * pos.Dist};
}

} // namespace vell
