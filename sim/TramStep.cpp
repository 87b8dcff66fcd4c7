// The tram step: what one tram does in one tick, and its entry onto the track.
#include "sim/Vell.h"

#include "sim/Speed.h"
#include "sim/VellPositions.h"

#include <algorithm>

namespace vell {

// Everything the step calls is inlined into it (the library is one unit): a thousand trams a
// tick through a dozen small calls each cost a tenth of the step in calls alone.
[[gnu::flatten]] void TVell::Step() {
    if (!Active) {
        TryEnter();
        return;
    }
    ReleaseTrack();
    Move();
    if (ArrivedAtStop) ArriveAtStop();
    if (OnRoute)
        ReserveAhead();
    else
        MarkTrack();
    UpdateControl();
    MoveDoors();
    if (Speed >= KmhToMpt(11) && DoorOpening > 0.1) RulesKept = false;
    if (Speed < KmhToMpt(5) && Rail(Front[0].Obj).Stop) ExchangePassengers();
    Accelerate();
    UpdateLamps();
    SwayCars();
    Clock = std::clamp(Clock + 1, -1000000000, 1000000000);
}

void TVell::PrefetchRecord() const {
    const char* const record = reinterpret_cast<const char*>(this);
    for (std::size_t at = 0; at < sizeof(TVell); at += 64)
        __builtin_prefetch(record + at);
}

void TVell::PrefetchTrack() const {
    const TRailTable& rails = World.Rails();
    for (int i = 0; i < Cars(); ++i)
        for (const TRailPos* point : {&Front[i], &Rear[i]}) {
            const char* const rail = reinterpret_cast<const char*>(&rails[point->Obj]);
            __builtin_prefetch(rail);
            __builtin_prefetch(rail + 64);
        }
}

// A waiting tram enters when the track under it and around it is free.
bool TVell::TryEnter() {
    if (!MarkTrack()) {
        ReleaseTrack();
        return false;
    }
    Active = true;
    ++Route->TramsInService;
    // StopIndex counts the stops the tail has left, and the tail leaves every stop under the
    // train later on: counting those again here would make the tram compare every stop with
    // the timetable of the one after it. The stop under the lead point counts as served.
    StopIndex = 0;
    if (Rail(Front[0].Obj).Stop) StopServed = true;
    return true;
}

} // namespace vell
