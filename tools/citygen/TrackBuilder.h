// Laying a tram network on a map the way a map maker does in the editor: every line drawn as
// double tracks with poles and converted, then single rails for the switches at junctions and
// the turning loops at termini, stops, speed grades, rails kept clear, and the routes.
#pragma once

#include "model/Map.h"
#include "model/Random.h"
#include "tools/citygen/CityPlan.h"

#include <stdexcept>
#include <utility>
#include <vector>

namespace vell::citygen {

constexpr int JunctionReach = 40; // from a junction's centre to the ends of its lines
constexpr int CrossingReach = 12; // the crossing rails run this far either side of the centre
constexpr int StopHalfLength = 20;
constexpr int PieceLength = 50; // double tracks are drawn in pieces of at most this length

// The plan cannot be laid, or what it laid breaks a rule of the rail network or of a route.
class TPlanError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where the network's rails ended up, by the plan's lines and nodes.
struct TBuiltNetwork {
    struct TLineRails {
        std::vector<int> Forward, Backward; // in the direction of travel; Forward runs From -> To
    };
    std::vector<TLineRails> Lines;               // by the plan's line index
    std::vector<std::vector<int>> NodeRails;     // a junction's switch rails, a terminus's loop,
                                                 // a crossing's crossing rails; by node index
    std::vector<int> TerminusStops;              // the stop on each terminus's loop, else -1
    std::vector<int> TerminusStarts;             // the rail after it, where routes start
    std::vector<std::pair<int, int>> RouteSlots; // by the plan's route index
};

// Lays the plan's network on the map and checks it: a sound rail network, and every route
// usable and running only over the lines, junctions and loops it names. Throws TPlanError.
TBuiltNetwork LayTramNetwork(TMap& map, const TNetworkPlan& plan, TRandom& random);

// The centre lines of every line, loop and junction of the plan, for the town to keep clear of.
std::vector<std::pair<TPoint, TPoint>> TrackCentreLines(const TNetworkPlan& plan);

// The route slot of a route name as people write it ("1", "3А", "10"); throws TPlanError.
std::pair<int, int> RouteSlotOf(const std::string& name);

} // namespace vell::citygen
