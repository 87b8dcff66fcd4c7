// From OpenStreetMap's route relations to the circuits a map can run: each relation's ways
// chained into node paths along the tram track, the two directions of a route paired into one
// circuit, its stops in order, its route slot, and every route left out with the reason.
#pragma once

#include "import/OsmData.h"
#include "import/Projection.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace vell::import {

// The tram track as a graph of its nodes, on the map's plane.
struct TTrackGraph {
    std::map<TOsmId, TPointM> Points;                  // nodes with a location
    std::map<TOsmId, std::vector<TOsmId>> Neighbours;  // along tram ways
    std::map<std::pair<TOsmId, TOsmId>, int> MaxSpeed; // by (lower id, higher id), km/h
    // Steps from one node to the next that oneway forbids (every way between them one-way the
    // other way).
    std::set<std::pair<TOsmId, TOsmId>> Against;
    bool Linked(TOsmId a, TOsmId b) const;
    bool Allows(TOsmId a, TOsmId b) const { return !Against.count({a, b}); }
    // Whether a tram may drive the path in its order.
    bool Allows(const std::vector<TOsmId>& path) const;
    double Length(const std::vector<TOsmId>& path) const;
};
TTrackGraph BuildTrackGraph(const TOsmExtract& extract, const TProjection& projection);

// Where a route stops: the point the stop names, on the map's plane.
struct TRouteStop {
    std::string Name;
    TPointM At;
    bool Platform = false; // a platform beside the track, not the point where the tram halts
};

// One direction of a route: a node path along the track in driving order.
struct TDirection {
    TOsmId Relation = 0;
    std::vector<TOsmId> Nodes;
    std::vector<TRouteStop> Stops; // as the relation lists them, or found along the track
    double Length = 0;             // metres
};

// Where a line to import came from.
enum class ELineSource { Relation, Track };

// A route to import: its two directions, each ending where the other starts or closed by a
// turning loop.
struct TCircuitPlan {
    std::string Ref;
    std::string Name; // the name riders know, at most 24 characters
    ELineSource Source = ELineSource::Relation;
    int Row = 0, Column = 0; // the route slot
    int IntervalMinutes = 10;
    TDirection Forward, Backward;
    bool BackwardReversed = false; // no opposite relation: the forward one driven back
    bool BackwardFound = false;    // no opposite relation, oneway forbids driving it back: the
                                   // shortest way back the track allows
    // A closed path driven one way round: Forward alone, Backward empty.
    bool OneWayLoop = false;
    bool CutAtSquare = false;     // a direction was cut where it leaves the square
    double RelationLength = 0;    // both directions' relations, metres of track read
    int RelationStops = 0;        // both directions' stops as the relations list them
    std::vector<TOsmId> Variants; // relations of the same ref not imported
};

// A route, track or feature left out, and why (Russian, for the report).
struct TLeftOut {
    std::string What;
    std::string Why;
    std::string Ref = {}; // the route's ref when a route is left out
};

struct TCircuitOptions {
    std::vector<std::string> Refs; // only these refs; empty: every ref
    int IntervalMinutes = 10;      // where a relation gives none
    // The part of the map track may use: the rest of the square is room for turning loops.
    double Margin = 200;
};

struct TCircuits {
    std::vector<TCircuitPlan> Plans; // in route table order of their slots
    std::vector<TLeftOut> LeftOut;
};

// Slots for lines by the names riders know (in the order given): each name that is a slot's
// name ("5", "1А", "3A") takes that slot first; then the rest, ordered by the number their first
// digits make and then by name, take the slot of that number ("M10" -> 10, "T3" -> 3) where it
// is free, else a single digit's А, then its Б ("3E" -> 3А), else the first free slot in the
// route table's order. Nothing for a name that finds every slot taken.
std::vector<std::optional<std::pair<int, int>>>
AssignRouteSlots(const std::vector<std::string>& names);

// The most characters of a line's name that the import keeps.
constexpr std::size_t LineNameLength = 24;

TCircuits PlanCircuits(const TOsmExtract& extract, const TTrackGraph& graph,
                       const TProjection& projection, const TCircuitOptions& options);

// The stops along a node path of the track in driving order, as a relation that lists none
// gets them.
std::vector<TRouteStop> StopsAlong(const TOsmExtract& extract, const TTrackGraph& graph,
                                   const TProjection& projection, const std::vector<TOsmId>& path);

} // namespace vell::import
