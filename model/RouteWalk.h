// The route walk: the one traversal of a laid route, shared by timetables, figures,
// highlighting and the trams.
#pragma once

#include "model/Map.h"

#include <type_traits>

namespace vell {

// A measure for SumAlongRoute: 1 for a stop rail, else 0. (Length is the other one.)
double IsStopMeasure(const TMapObject& o);

// The rail after `rail` on the route; at a switch it follows the route's next choice and moves
// the choice cursor on. Needs a built network.
inline int NextOnRoute(const TMap& map, const TRouteRec& route, int rail, int& choice) {
    const TLinkRec& link = *map.Links[rail];
    if (!link.IsSwitch()) return link.Next[0];
    const int next = route.Choices[choice] ? link.Next[1] : link.Next[0];
    if (route.ChoiceCount > 0) choice = (choice + 1) % route.ChoiceCount;
    return next;
}

// Visits every rail of one circuit of a usable route, from its first waypoint: visit(rail), or
// visit(rail, choice) with the choice cursor on that rail (a tram point's SwitchNo there). The
// circuit ends on the first waypoint with the choice cursor back at 0: a route that passes its
// first rail twice per circuit (a figure eight through a shared rail) is walked whole, not by
// halves.
template <class Visit> void WalkRoute(const TMap& map, const TRouteRec& route, Visit visit) {
    if (!map.NetworkOk || !route.Usable) return;
    const int start = route.Waypoints[0];
    int rail = start, choice = 0;
    do {
        if constexpr (std::is_invocable_v<Visit&, int, int>)
            visit(rail, choice);
        else
            visit(rail);
        rail = NextOnRoute(map, route, rail, choice);
    } while (rail != start || choice != 0);
}

// Whether the walk from the first waypoint comes back to it with the choice cursor at 0. The
// walk is a function of (rail, choice cursor), so it either returns or runs into a cycle;
// Brent's cycle finding tells which in a number of steps proportional to the walk itself.
bool WalkReturns(const TMap& map, const TRouteRec& route);

// Calls visit on each rail of the walk until it returns to the start (choice cursor at 0) or
// repeats itself: ends on any route, laid or not. Returns whether it came back.
template <class Visit> bool WalkRouteBounded(const TMap& map, const TRouteRec& route, Visit visit) {
    struct TState {
        int Rail, Choice;
        bool operator==(const TState&) const = default;
    };
    const int start = route.Waypoints[0];
    TState tortoise{start, 0}, hare{start, 0};
    long long power = 1, lambda = 0;
    visit(start);
    while (true) {
        hare.Rail = NextOnRoute(map, route, hare.Rail, hare.Choice);
        if (hare.Rail == start && hare.Choice == 0) return true;
        if (hare == tortoise) return false;
        visit(hare.Rail);
        if (++lambda == power) {
            tortoise = hare;
            power *= 2;
            lambda = 0;
        }
    }
}

} // namespace vell
