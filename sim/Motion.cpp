// Moving the cars along the rail network: each point follows the one ahead of it, and the lead
// point chooses its branch at a switch by whether the tram draws current.
#include "sim/Speed.h"
#include "sim/Vell.h"
#include "sim/VellPositions.h"

namespace vell {

void TVell::Move() {
    const int n = Cars();
    const bool wasAtStop = Rail(Front[0].Obj).Stop;
    ArrivedAtStop = false;
    const std::array<TRailPos, MaxCars> frontBefore = Front, rearBefore = Rear;

    for (int i = 0; i < n; ++i) {
        Rear[i].Dist += Speed;
        if (AdvanceFollow(Rear[i], Front[i].Obj) && i == n - 1) {
            // A lap is complete where the route walk's circuit ends: on the first waypoint with
            // the choice cursor back at 0.
            if (Rear[i].Obj == Route->Waypoints[0] && Rear[i].SwitchNo == 0)
                Clock -= Route->RunTime;
            if (Rail(rearBefore[i].Obj).Stop) CountStopLeft();
        }
        Front[i].Dist += Speed;
        if (i > 0) {
            AdvanceFollow(Front[i], Rear[i - 1].Obj);
        } else if (AdvanceLead()) {
            if (wasAtStop) {
                if (!StopServed) {
                    RulesKept = false;
                    if (World.Events) World.Events->StopLeftUnserved(*this);
                }
                StopServed = false;
            }
            ArrivedAtStop = Rail(Front[0].Obj).Stop;
        }
    }
    TrackEvents(frontBefore, rearBefore);
    if (OnRoute) {
        LookAhead = Front[0];
        LookAhead.Dist += 50;
        NormalizePos(LookAhead);
    }
    if (Speed < KmhToMpt(15)) ClearAccident();
    ReservedRear = Rear[n - 1];
    ReservedFront = Front[0];
}

// The tail has left a stop: the next stop to serve is the one after it.
void TVell::CountStopLeft() {
    // A route without stops has no timetable to step through.
    if (Route->StopCount > 0) StopIndex = std::uint16_t((StopIndex + 1) % Route->StopCount);
}

bool TVell::AdvanceFollow(TRailPos& point, std::uint16_t leader) {
    const TRailData& rail = Rail(point.Obj);
    if (rail.Length >= point.Dist) return false;
    point.Dist -= rail.Length;
    if (rail.Switch) AdvanceSwitchNo(point);
    point.Obj = leader;
    return true;
}

bool TVell::AdvanceLead() {
    TRailPos& lead = Front[0];
    const TRailData& rail = Rail(lead.Obj);
    if (rail.Length >= lead.Dist) return false;
    lead.Dist -= rail.Length;
    if (!rail.Switch) {
        lead.Obj = rail.Link.Next[0];
        return true;
    }
    const bool prescribed = Route->Choices[lead.SwitchNo] != 0;
    if (CurrentOn()) {
        lead.Obj = rail.Link.Next[0];
        OnRoute = OnRoute && !prescribed;
    } else {
        lead.Obj = rail.Link.Next[1];
        OnRoute = OnRoute && prescribed;
    }
    AdvanceSwitchNo(lead);
    return true;
}

} // namespace vell
