// The reservation scan: the one walk over the track ahead of a tram that decides how far it may
// reserve. The tram's step reserves with it and the jam finder reads with it, so that the rail
// a standing tram is said to wait for is the rail its own scan stopped at.
#pragma once

#include "sim/VellPositions.h"

namespace vell {

// Scans from the lead point to the look-ahead point and on until it leaves KeepClear rails,
// moving `front` over free track. `objectFree(object, except)` tells whether a rail counts as
// free, its near rail `except` (the rail `front` has reached) left out; it is asked about each
// rail until the first that is not. Returns whether everything in the window was free.
template <class Free> bool TVell::ScanAhead(TRailPos& front, Free objectFree) const {
    TRailPos p = Front[0];
    bool reached = p.Obj == LookAhead.Obj;
    bool free = true;
    // Past two circuits every rail has been seen: only a route made of KeepClear rails gets
    // there, and its reservation simply ends.
    const int limit = 2 * MarkLimit() + 2;
    for (int steps = 0; !(reached && !Rail(p.Obj).KeepClear) && steps < limit; ++steps) {
        NextObject(p);
        free = free && objectFree(int(p.Obj), int(front.Obj));
        reached = reached || p.Obj == LookAhead.Obj;
        if ((free && !Rail(p.Obj).KeepClear) || p.Obj == Front[0].Obj) front = p;
    }
    return free;
}

} // namespace vell
