// The lowest speed that would crash a tram on the track it stands on and the next 50 m: what
// the cab shows inside the speedometer, and what a judge of the driving may hold it to.
#pragma once

#include "sim/Vell.h"

namespace vell {

class TWorld;

// How far ahead of the lead point the limit looks, metres.
constexpr double LimitAheadRange = 50;

// The limit, m/tick: the lowest of what the track step crashes a tram faster than, over the
// stretch from the last car's rear point to `range` metres ahead of the lead point along the
// tram's route:
//  - the speed grade's limit of each rail a car's front point stands on or will reach;
//  - the overturning speed of each bend a car straddles or will straddle (the rails under its
//    front and rear points, joined directly or across rails shorter than the car);
//  - 30 km/h where a car point crosses another rail: a near rail met inside a rail, or at a
//    joint, one that the point's path over the joint cuts.
// A feature counts when it begins within `range` of the lead point.
double LimitAheadMpt(const TWorld& world, const TVell& tram, double range = LimitAheadRange);

// The same in whole km/h, rounded down: a speed at the figure never crashes.
int LimitAheadKmh(const TWorld& world, const TVell& tram, double range = LimitAheadRange);

} // namespace vell
