// Route relations chained into node paths and paired into circuits.
#include "import/Circuits.h"

#include "import/PlaneGeometry.h"

#include "model/Route.h"
#include "model/Texts.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace vell::import {

namespace {

double Distance(TPointM a, TPointM b) {
    return std::hypot(a.X - b.X, a.Y - b.Y);
}

std::pair<TOsmId, TOsmId> EdgeKey(TOsmId a, TOsmId b) {
    return a < b ? std::pair{a, b} : std::pair{b, a};
}

bool IsPlatformRole(const std::string& role) {
    return role.rfind("platform", 0) == 0;
}

bool IsStopRole(const std::string& role) {
    return role.rfind("stop", 0) == 0 || role == "forward_stop" || role == "backward_stop";
}

// The runs of a way's nodes that lie on the graph one after another (a clipped extract loses
// nodes: the way falls into pieces there).
std::vector<std::vector<TOsmId>> LinkedRuns(const std::vector<TOsmId>& nodes,
                                            const TTrackGraph& graph) {
    std::vector<std::vector<TOsmId>> runs;
    std::vector<TOsmId> run;
    for (TOsmId n : nodes) {
        if (!graph.Points.count(n)) {
            if (run.size() > 1) runs.push_back(run);
            run.clear();
            continue;
        }
        if (!run.empty() && !graph.Linked(run.back(), n)) {
            if (run.size() > 1) runs.push_back(run);
            run.clear();
        }
        run.push_back(n);
    }
    if (run.size() > 1) runs.push_back(run);
    return runs;
}

// Whether `node` is one of `way`'s nodes.
bool Holds(const std::vector<TOsmId>& way, TOsmId node) {
    return std::find(way.begin(), way.end(), node) != way.end();
}

// Ways in driving order chained into node paths: each way is taken on from where the path has
// got to, in the direction that leads on to the next way; where no way continues, a new piece
// begins.
std::vector<std::vector<TOsmId>> ChainWays(const std::vector<std::vector<TOsmId>>& ways) {
    std::vector<std::vector<TOsmId>> pieces;
    std::vector<TOsmId> path;
    int pathWays = 0;
    for (std::size_t i = 0; i < ways.size(); ++i) {
        const std::vector<TOsmId>& way = ways[i];
        const std::vector<TOsmId>* next = i + 1 < ways.size() ? &ways[i + 1] : nullptr;
        auto k = path.empty() ? way.end() : std::find(way.begin(), way.end(), path.back());
        // A piece of one way may have been taken the wrong way round: the second way tells.
        if (!path.empty() && k == way.end() && pathWays == 1 && Holds(way, path.front())) {
            std::reverse(path.begin(), path.end());
            k = std::find(way.begin(), way.end(), path.back());
        }
        if (path.empty() || k == way.end()) {
            if (path.size() > 1) pieces.push_back(path);
            // A new piece: the way as it leads on to the next one.
            path = way;
            pathWays = 1;
            if (next && !Holds(*next, path.back()) && Holds(*next, path.front()))
                std::reverse(path.begin(), path.end());
            continue;
        }
        // On from where the path is, towards the next way's nodes, else the longer side.
        std::vector<TOsmId> ahead(k, way.end()), behind(way.begin(), k + 1);
        std::reverse(behind.begin(), behind.end());
        bool forward = ahead.size() >= behind.size();
        if (next) {
            const bool aheadLeads = Holds(*next, ahead.back());
            const bool behindLeads = Holds(*next, behind.back());
            if (aheadLeads != behindLeads) forward = aheadLeads;
        }
        const std::vector<TOsmId>& slice = forward ? ahead : behind;
        path.insert(path.end(), slice.begin() + 1, slice.end());
        ++pathWays;
    }
    if (path.size() > 1) pieces.push_back(path);
    return pieces;
}

// The longest run of a path whose nodes all lie inside the usable part of the map.
std::vector<TOsmId> LongestInside(const std::vector<TOsmId>& path, const TTrackGraph& graph,
                                  double margin, bool& cut) {
    std::vector<TOsmId> best, run;
    auto inside = [&](TOsmId n) {
        const TPointM p = graph.Points.at(n);
        return p.X >= margin && p.X <= 10000 - margin && p.Y >= margin && p.Y <= 10000 - margin;
    };
    for (TOsmId n : path) {
        if (!inside(n)) {
            cut = true;
            if (graph.Length(run) > graph.Length(best)) best = run;
            run.clear();
            continue;
        }
        run.push_back(n);
    }
    if (graph.Length(run) > graph.Length(best)) best = run;
    if (best.size() < 2) best.clear();
    return best;
}

const TOsmStop* FindStop(const TOsmExtract& extract, const TOsmMember& m) {
    for (const TOsmStop& s : extract.Stops)
        if (s.Id == m.Ref && s.Type == m.Type) return &s;
    return nullptr;
}

class TPlanner {
  public:
    TPlanner(const TOsmExtract& extract, const TTrackGraph& graph, const TProjection& projection,
             const TCircuitOptions& options)
        : Extract(extract), Graph(graph), Projection(projection), Options(options) {
        for (const TOsmTrack& t : extract.Tracks)
            TrackById[t.Id] = &t;
    }

    // The directions a relation gives: one for a route of today's kind, two for an older one
    // whose ways carry forward and backward roles.
    std::vector<TDirection> Directions(const TOsmRoute& route, bool& cut) {
        std::vector<const TOsmMember*> ways;
        bool roles = false;
        for (const TOsmMember& m : route.Members) {
            if (m.Type != 'w' || IsPlatformRole(m.Role)) continue;
            if (!TrackById.count(m.Ref)) {
                cut = true; // a member the extract does not hold, or no tram track
                continue;
            }
            ways.push_back(&m);
            roles = roles || m.Role == "forward" || m.Role == "backward";
        }
        std::vector<TDirection> directions;
        const bool twoWays = roles && !route.Version2;
        for (int side = 0; side < (twoWays ? 2 : 1); ++side) {
            std::vector<std::vector<TOsmId>> runs;
            auto take = [&](const TOsmMember* m) {
                if (twoWays && m->Role == (side == 0 ? "backward" : "forward")) return;
                for (auto& run : LinkedRuns(TrackById.at(m->Ref)->Nodes, Graph))
                    runs.push_back(std::move(run));
            };
            if (side == 0)
                for (const TOsmMember* m : ways)
                    take(m);
            else
                for (auto it = ways.rbegin(); it != ways.rend(); ++it)
                    take(*it);
            const std::vector<std::vector<TOsmId>> pieces = ChainWays(runs);
            if (pieces.size() > 1) cut = true;
            std::vector<TOsmId> best;
            for (const auto& piece : pieces) {
                std::vector<TOsmId> inside = LongestInside(piece, Graph, Options.Margin, cut);
                if (Graph.Length(inside) > Graph.Length(best)) best = std::move(inside);
            }
            if (best.empty()) continue;
            TDirection d;
            d.Relation = route.Id;
            d.Nodes = std::move(best);
            d.Length = Graph.Length(d.Nodes);
            d.Stops = StopsOf(route, side == 1);
            if (d.Stops.empty()) d.Stops = StopsAlong(d.Nodes);
            directions.push_back(std::move(d));
        }
        return directions;
    }

    // The relation's stop positions in order, else its platforms (reversed for the backward
    // direction of an older relation).
    std::vector<TRouteStop> StopsOf(const TOsmRoute& route, bool backward) const {
        std::vector<TRouteStop> stops, platforms;
        for (const TOsmMember& m : route.Members) {
            const bool stop = IsStopRole(m.Role), platform = IsPlatformRole(m.Role);
            if (!stop && !platform) continue;
            TRouteStop s;
            s.Platform = platform;
            if (const TOsmStop* known = FindStop(Extract, m)) {
                s.Name = known->Name;
                s.At = Projection.ToMap(known->At);
            } else if (auto it = Extract.Locations.find(m.Ref);
                       m.Type == 'n' && it != Extract.Locations.end()) {
                s.At = Projection.ToMap(it->second);
            } else {
                continue; // not in the file
            }
            (stop ? stops : platforms).push_back(s);
        }
        std::vector<TRouteStop> result = stops.empty() ? platforms : stops;
        if (backward) std::reverse(result.begin(), result.end());
        return result;
    }

    // For a relation that lists no stops: the stop positions and tram stops that are nodes of
    // its path, in driving order; where there are none, the stops and platforms within 20 m of
    // the path, ordered along it, one of a name within 50 m.
    std::vector<TRouteStop> StopsAlong(const std::vector<TOsmId>& path) const {
        constexpr double Reach = 20, SameStop = 50;
        std::map<TOsmId, std::size_t> index;
        for (std::size_t k = 0; k < path.size(); ++k)
            index.emplace(path[k], k);
        std::vector<std::pair<double, TRouteStop>> onPath, near;
        std::vector<double> along(path.size(), 0);
        for (std::size_t k = 1; k < path.size(); ++k)
            along[k] = along[k - 1] + Norm(Graph.Points.at(path[k]) - Graph.Points.at(path[k - 1]));
        for (const TOsmStop& stop : Extract.Stops) {
            TRouteStop s;
            s.Name = stop.Name;
            s.At = Projection.ToMap(stop.At);
            if (auto it = index.find(stop.Id);
                stop.Type == 'n' && stop.Kind != TStopKind::Platform && it != index.end()) {
                onPath.push_back({along[it->second], s});
                continue;
            }
            double best = Reach, at = 0;
            for (std::size_t k = 0; k + 1 < path.size(); ++k) {
                const TPointM a = Graph.Points.at(path[k]), b = Graph.Points.at(path[k + 1]);
                const double d = SegmentDistance(s.At, a, b);
                if (d >= best) continue;
                best = d;
                const double length = Norm(b - a);
                at = along[k] +
                     (length > 0 ? std::clamp(Dot(s.At - a, b - a) / length, 0.0, length) : 0);
            }
            if (best < Reach) {
                s.Platform = true;
                near.push_back({at, s});
            }
        }
        std::vector<std::pair<double, TRouteStop>>& found = onPath.empty() ? near : onPath;
        std::stable_sort(found.begin(), found.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<TRouteStop> stops;
        double last = -1e9;
        std::string lastName;
        for (const auto& [at, s] : found) {
            if (!stops.empty() && at - last < SameStop && s.Name == lastName) continue;
            stops.push_back(s);
            last = at;
            lastName = s.Name;
        }
        return stops;
    }

    TCircuits Plan() {
        // Every direction by ref, the relations in id order.
        std::map<std::string, std::vector<TDirection>> byRef;
        std::map<std::string, std::vector<const TOsmRoute*>> relations;
        std::map<std::string, bool> cutByRef;
        std::vector<const TOsmRoute*> routes;
        for (const TOsmRoute& r : Extract.Routes)
            routes.push_back(&r);
        std::sort(routes.begin(), routes.end(),
                  [](const TOsmRoute* a, const TOsmRoute* b) { return a->Id < b->Id; });
        for (const TOsmRoute* r : routes) {
            const std::string ref = r->Ref.empty() ? r->Name : r->Ref;
            if (!Options.Refs.empty() &&
                std::find(Options.Refs.begin(), Options.Refs.end(), ref) == Options.Refs.end())
                continue;
            relations[ref].push_back(r);
            bool cut = false;
            for (TDirection& d : Directions(*r, cut))
                byRef[ref].push_back(std::move(d));
            cutByRef[ref] = cutByRef[ref] || cut;
        }
        std::set<std::pair<int, int>> taken;
        TCircuits result;
        for (auto& [ref, rels] : relations) {
            const std::string what = Arg(translate("Import", "маршрут %1"), ref);
            const auto slot = RouteSlotOfName(ref);
            if (!slot) {
                result.LeftOut.push_back(
                    {what,
                     translate("Import", "номер не подходит ни к одному месту таблицы "
                                         "маршрутов (1-9, 10-99, цифра с А или Б)"),
                     ref});
                continue;
            }
            if (taken.count(*slot)) {
                result.LeftOut.push_back({what,
                                          Arg(translate("Import", "место маршрута %1 уже занято"),
                                              RouteDisplayName(slot->first, slot->second)),
                                          ref});
                continue;
            }
            std::vector<TDirection>& directions = byRef[ref];
            if (directions.empty()) {
                result.LeftOut.push_back(
                    {what, translate("Import", "его путей нет внутри квадрата карты"), ref});
                continue;
            }
            TCircuitPlan plan = Pair(directions);
            // A route needs a few rails each way between its turning loops.
            constexpr double Shortest = 25;
            if (plan.Forward.Length < Shortest || plan.Backward.Length < Shortest) {
                result.LeftOut.push_back(
                    {what,
                     translate("Import", "в одну из сторон внутри квадрата меньше 25 м его путей"),
                     ref});
                continue;
            }
            plan.Ref = ref;
            plan.Name = ref;
            plan.Row = slot->first;
            plan.Column = slot->second;
            plan.CutAtSquare = cutByRef[ref];
            plan.IntervalMinutes = Options.IntervalMinutes;
            for (const TOsmRoute* r : rels) {
                if (r->IntervalMinutes > 0)
                    plan.IntervalMinutes = std::clamp(r->IntervalMinutes, 5, 30);
                if (r->Id != plan.Forward.Relation && r->Id != plan.Backward.Relation)
                    plan.Variants.push_back(r->Id);
            }
            taken.insert(*slot);
            result.Plans.push_back(std::move(plan));
        }
        return result;
    }

  private:
    // The longest pair of opposite directions (each starting where the other ends); without
    // one, the longest direction and the same track driven back.
    TCircuitPlan Pair(const std::vector<TDirection>& directions) const {
        constexpr double Reach = 400; // termini of the two directions lie on different tracks
        TCircuitPlan plan;
        double best = -1;
        for (std::size_t i = 0; i < directions.size(); ++i)
            for (std::size_t j = 0; j < directions.size(); ++j) {
                if (i == j || directions[i].Relation == directions[j].Relation) continue;
                const TDirection &a = directions[i], &b = directions[j];
                const bool opposite =
                    Distance(Start(a), End(b)) < Reach && Distance(End(a), Start(b)) < Reach;
                const double length = a.Length + b.Length;
                if (opposite && length > best + 1e-6) {
                    best = length;
                    plan.Forward = a;
                    plan.Backward = b;
                }
            }
        // Directions cut by the square or the extract end where they were cut, seldom side by
        // side: of two directions that run alongside each other against each other's sense,
        // the stretches alongside make the circuit.
        if (best < 0) {
            for (std::size_t i = 0; i < directions.size(); ++i)
                for (std::size_t j = i + 1; j < directions.size(); ++j) {
                    if (directions[i].Relation == directions[j].Relation) continue;
                    const auto a = Alongside(directions[i], directions[j]);
                    const auto b = Alongside(directions[j], directions[i]);
                    if (!a || !b) continue;
                    const double length = Graph.Length(*a) + Graph.Length(*b);
                    if (length <= best + 1e-6) continue;
                    best = length;
                    plan.Forward = directions[i];
                    plan.Forward.Nodes = *a;
                    plan.Forward.Length = Graph.Length(*a);
                    plan.Backward = directions[j];
                    plan.Backward.Nodes = *b;
                    plan.Backward.Length = Graph.Length(*b);
                }
        }
        if (best < 0) {
            const auto longest = std::max_element(
                directions.begin(), directions.end(),
                [](const TDirection& a, const TDirection& b) { return a.Length < b.Length; });
            plan.Forward = *longest;
            plan.Backward = *longest;
            std::reverse(plan.Backward.Nodes.begin(), plan.Backward.Nodes.end());
            std::reverse(plan.Backward.Stops.begin(), plan.Backward.Stops.end());
            plan.BackwardReversed = true;
        }
        plan.RelationLength =
            plan.Forward.Length + (plan.BackwardReversed ? 0 : plan.Backward.Length);
        plan.RelationStops = int(plan.Forward.Stops.size()) +
                             (plan.BackwardReversed ? 0 : int(plan.Backward.Stops.size()));
        return plan;
    }

    // The stretch of a's path that runs alongside b's in the opposite sense (within 15 m), from
    // the first such node to the last; nothing when it is short.
    std::optional<std::vector<TOsmId>> Alongside(const TDirection& a, const TDirection& b) const {
        constexpr double Reach = 15, Least = 150;
        std::optional<std::size_t> first, last;
        for (std::size_t k = 0; k + 1 < a.Nodes.size(); ++k) {
            const TPointM p = Graph.Points.at(a.Nodes[k]);
            const TPointM da = Graph.Points.at(a.Nodes[k + 1]) - p;
            for (std::size_t m = 0; m + 1 < b.Nodes.size(); ++m) {
                const TPointM q0 = Graph.Points.at(b.Nodes[m]),
                              q1 = Graph.Points.at(b.Nodes[m + 1]);
                const TPointM db = q1 - q0;
                const double la = std::hypot(da.X, da.Y), lb = std::hypot(db.X, db.Y);
                if (la <= 0 || lb <= 0 || (da.X * db.X + da.Y * db.Y) / (la * lb) > -0.7) continue;
                const double t =
                    std::clamp(((p.X - q0.X) * db.X + (p.Y - q0.Y) * db.Y) / (lb * lb), 0.0, 1.0);
                if (Distance(p, {q0.X + t * db.X, q0.Y + t * db.Y}) > Reach) continue;
                if (!first) first = k;
                last = k + 1;
                break;
            }
        }
        if (!first) return std::nullopt;
        std::vector<TOsmId> stretch(a.Nodes.begin() + long(*first),
                                    a.Nodes.begin() + long(*last) + 1);
        if (Graph.Length(stretch) < Least) return std::nullopt;
        return stretch;
    }

    TPointM Start(const TDirection& d) const { return Graph.Points.at(d.Nodes.front()); }
    TPointM End(const TDirection& d) const { return Graph.Points.at(d.Nodes.back()); }

    const TOsmExtract& Extract;
    const TTrackGraph& Graph;
    const TProjection& Projection;
    const TCircuitOptions& Options;
    std::map<TOsmId, const TOsmTrack*> TrackById;
};

} // namespace

bool TTrackGraph::Linked(TOsmId a, TOsmId b) const {
    auto it = Neighbours.find(a);
    return it != Neighbours.end() &&
           std::find(it->second.begin(), it->second.end(), b) != it->second.end();
}

double TTrackGraph::Length(const std::vector<TOsmId>& path) const {
    double length = 0;
    for (std::size_t k = 1; k < path.size(); ++k)
        length += Distance(Points.at(path[k - 1]), Points.at(path[k]));
    return length;
}

TTrackGraph BuildTrackGraph(const TOsmExtract& extract, const TProjection& projection) {
    TTrackGraph graph;
    for (const TOsmTrack& track : extract.Tracks)
        for (std::size_t k = 0; k < track.Nodes.size(); ++k) {
            const auto at = extract.Locations.find(track.Nodes[k]);
            if (at == extract.Locations.end()) continue;
            graph.Points.emplace(track.Nodes[k], projection.ToMap(at->second));
            if (k == 0) continue;
            const TOsmId a = track.Nodes[k - 1], b = track.Nodes[k];
            if (a == b || !extract.Locations.count(a)) continue;
            auto& na = graph.Neighbours[a];
            if (std::find(na.begin(), na.end(), b) == na.end()) na.push_back(b);
            auto& nb = graph.Neighbours[b];
            if (std::find(nb.begin(), nb.end(), a) == nb.end()) nb.push_back(a);
            if (track.MaxSpeed > 0) graph.MaxSpeed[EdgeKey(a, b)] = track.MaxSpeed;
        }
    return graph;
}

TCircuits PlanCircuits(const TOsmExtract& extract, const TTrackGraph& graph,
                       const TProjection& projection, const TCircuitOptions& options) {
    return TPlanner(extract, graph, projection, options).Plan();
}

std::vector<TRouteStop> StopsAlong(const TOsmExtract& extract, const TTrackGraph& graph,
                                   const TProjection& projection, const std::vector<TOsmId>& path) {
    const TCircuitOptions options;
    return TPlanner(extract, graph, projection, options).StopsAlong(path);
}

} // namespace vell::import
