// Laying the rails so that the network passes its check: a place that fails is mended where it
// is (a joint between two rails moved, two rails made one, a stop that has no room given up),
// and only when that is not enough are whole lines left out, the worst first, so that one bad
// station throat does not lose the whole city.
#pragma once

#include "import/Circuits.h"
#include "import/Projection.h"
#include "import/RailNetwork.h"
#include "model/Map.h"

#include <string>
#include <vector>

namespace vell::import {

// One change made to the laid track so that it passes the check or runs without deadlocks.
struct TNetworkMend {
    std::string What; // what was done there, in the user's language
    TGeoPoint Place;
    std::vector<std::string> Refs; // the lines through the place, in plan order
};

struct TMendedRails {
    TRailNetwork Rails;              // as laid for the plans kept
    std::vector<TNetworkMend> Mends; // local mends, in the order made
    std::vector<TLeftOut> LeftOut;   // the lines left out, the worst first, each with why
    int NetworkResult = -1;          // BuildNetwork's result on the map as it ends
    std::vector<int> FaultyRails;    // when it still fails: every faulty rail
};

// Lays the rails of `plans` into `map` (which holds no objects) and builds its network. While
// the network fails, each failing place is mended locally; what stays faulty leaves out the line
// that most of the faulty places lie on, and the rest is laid again, until the network is sound
// or no line is left. The lines left out are taken out of `plans`. The map's network is built
// when this returns.
TMendedRails LayMendedRails(TMap& map, const TTrackGraph& graph, std::vector<TCircuitPlan>& plans,
                            const TProjection& projection);

// Moves apart, where nothing else comes nearer for it, rails of opposite directions closer than
// 4 m that neither cross nor meet; each place is noted in `mends`. Needs the network built (and
// builds it again when something moved); true when something moved.
bool SeparateOppositeTracks(TMap& map, const TProjection& projection,
                            std::vector<TNetworkMend>& mends);

// Mends the faulty rails of `map` where they are (a joint moved, two rails made one, a stop
// without room given up), each noted in `mends`, and builds the network again; its result.
int MendFaultyRails(TMap& map, const TProjection& projection, std::vector<TNetworkMend>& mends);

// The place of a map point as the report writes it.
TGeoPoint PlaceOf(const TProjection& projection, double x, double y);

// The refs of the circuits that pass any of `rails`, in plan order.
std::vector<std::string> RefsThrough(const std::vector<TCircuitPlan>& plans,
                                     const std::vector<TLaidCircuit>& circuits,
                                     const std::vector<int>& rails);

} // namespace vell::import

namespace vell::import {

// Marks KeepClear, as the city generator does at its junctions and crossings, every rail that
// another track comes within 4 m of other than the rail before it: the branches of a switch,
// merging rails, crossings, and track of the other direction laid close. A tram then never comes
// to rest where it keeps another from passing. Needs the network built; returns how many rails
// were marked.
int MarkKeepClear(TMap& map);

} // namespace vell::import
