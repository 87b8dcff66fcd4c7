// Lines made from the track where no route relation gives one (an extract with tram track but
// no route=tram relation, or none that could be placed): the track's drivable paths, the one
// that covers the most track first, then each the one that adds the most track not yet covered,
// every one driven both ways with the stops along it.
#pragma once

#include "import/Circuits.h"
#include "import/Projection.h"

#include <set>
#include <utility>
#include <vector>

namespace vell::import {

// The sharpest turn a tram takes from one segment of the track to the next, at a junction too.
constexpr double SharpestTurnDegrees = 60;
// Track that runs alongside a line's track within this distance (the other track of a double
// line, 3-3.4 m away, or farther apart at a stop) counts as covered by the line.
constexpr double AlongsideReach = 8;
// A further line must add at least this much track not yet covered: shorter leftovers (a depot
// spur, a stub, a crossover's ends) make no line of their own.
constexpr double LeastLineGain = 300;
// The first line must be at least this long: a few rails each way.
constexpr double LeastFirstLine = 100;

struct TTrackPathOptions {
    double Margin = 200; // paths keep inside the square less this margin (room for loops)
    // Track no line uses (service track), each as (lower node id, higher node id).
    std::set<std::pair<TOsmId, TOsmId>> Excluded;
    int MostPaths = 117;
    double LeastGain = LeastLineGain;
    double LeastFirst = LeastFirstLine;
};

// Node paths for lines, in the order they were chosen: each with no turn over
// SharpestTurnDegrees between consecutive segments and no node twice; the first covers the
// most track, each next one adds the most track not yet covered (by any earlier path, or by its
// own earlier part). Running beside an earlier path's track (on the other track of its double
// line) costs half its length; between paths of equal gain, the one that runs on more of the
// earlier paths' own track wins. A ring with no junction gives a path round all of it but
// 100 m. The search is bounded: on a large network the paths are good, not always the best.
std::vector<std::vector<TOsmId>> TrackLinePaths(const TTrackGraph& graph,
                                                const TTrackPathOptions& options);

// The edges of service tracks (yard, siding, spur, crossover) that no other track shares.
std::set<std::pair<TOsmId, TOsmId>> ServiceTrackEdges(const TOsmExtract& extract);

// What riders would call a line: the names of the stops at its two ends, "A – B" (one name when
// both are the same), at most 24 characters, a name too long cut so that both ends stay in
// sight ("Площадь Л… – Кубанская…"); `fallback` when its stops have no names.
std::string TrackLineName(const std::vector<TRouteStop>& stops, const std::string& fallback);

// When `circuits` holds no plan, and no relation would give one whatever refs were asked for:
// lines made from the track of `graph`, in the free route slots in the route table's order
// (only those of `options.Refs` when it names any), each named by its slot and its end stops,
// its source ELineSource::Track, driven both ways.
void AddTrackLines(const TOsmExtract& extract, const TTrackGraph& graph,
                   const TProjection& projection, const TCircuitOptions& options,
                   TCircuits& circuits);

} // namespace vell::import
