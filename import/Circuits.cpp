// Route relations chained into node paths and paired into circuits.
#include "import/Circuits.h"

#include "import/PlaneGeometry.h"

#include "model/Route.h"
#include "model/RouteTable.h"
#include "model/Texts.h"
#include "model/Utf8.h"

#include <algorithm>
#include <cmath>
#include <queue>
#include <set>
#include <tuple>

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
    for (TOsmId n : path) {
        if (!InsideMargin(graph.Points.at(n), margin)) {
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
            d.Stops = StopsOf(route, side == 1);
            Orient(d, runs.size() == 1, cut);
            if (d.Nodes.size() < 2) continue;
            d.Length = Graph.Length(d.Nodes);
            if (d.Stops.empty()) d.Stops = StopsAlong(d.Nodes);
            directions.push_back(std::move(d));
        }
        return directions;
    }

    // A direction driven the way the track allows: a path against oneway was chained the
    // wrong way round (its ways listed in no order) and is turned, else only its longest part
    // that keeps to oneway is kept. One closed way alone gives no sense of its own: the stops
    // the relation lists in order give it.
    void Orient(TDirection& d, bool singleWay, bool& cut) const {
        std::vector<TOsmId> reversed(d.Nodes.rbegin(), d.Nodes.rend());
        const bool closed = d.Nodes.front() == d.Nodes.back();
        if (Graph.Allows(d.Nodes)) {
            if (!singleWay || !closed || !Graph.Allows(reversed) || !StopsAgainst(d)) return;
        } else if (!Graph.Allows(reversed)) {
            // Ways listed in no order chain into a path that turns where they merge: its
            // longest stretch that keeps to oneway, either way round.
            cut = true;
            std::vector<TOsmId> best;
            bool turned = false;
            for (const std::vector<TOsmId>* path : {&d.Nodes, &reversed}) {
                std::vector<TOsmId> run{path->front()};
                auto keep = [&] {
                    if (Graph.Length(run) <= Graph.Length(best)) return;
                    best = run;
                    turned = path == &reversed;
                };
                for (std::size_t k = 1; k < path->size(); ++k) {
                    if (!Graph.Allows((*path)[k - 1], (*path)[k])) {
                        keep();
                        run.clear();
                    }
                    run.push_back((*path)[k]);
                }
                keep();
            }
            d.Nodes = std::move(best);
            if (turned) std::reverse(d.Stops.begin(), d.Stops.end());
            return;
        }
        d.Nodes = std::move(reversed);
        std::reverse(d.Stops.begin(), d.Stops.end());
    }

    // Whether the stops come along the path backwards more often than forwards.
    bool StopsAgainst(const TDirection& d) const {
        std::vector<double> along;
        for (const TRouteStop& stop : d.Stops) {
            double best = 1e18, at = 0, walked = 0;
            for (std::size_t k = 0; k + 1 < d.Nodes.size(); ++k) {
                const TPointM a = Graph.Points.at(d.Nodes[k]), b = Graph.Points.at(d.Nodes[k + 1]);
                const double dist = SegmentDistance(stop.At, a, b), length = Norm(b - a);
                if (dist < best) {
                    best = dist;
                    at = walked + (length > 0
                                       ? std::clamp(Dot(stop.At - a, b - a) / length, 0.0, length)
                                       : 0);
                }
                walked += length;
            }
            along.push_back(at);
        }
        int ahead = 0, back = 0;
        for (std::size_t k = 1; k < along.size(); ++k)
            (along[k] > along[k - 1] ? ahead : back) += along[k] != along[k - 1] ? 1 : 0;
        return back > ahead;
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
        // Every direction by ref (else name), the relations in id order.
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
            if (!Options.Refs.empty() && !Asked(*r)) continue;
            relations[ref].push_back(r);
            bool cut = false;
            for (TDirection& d : Directions(*r, cut))
                byRef[ref].push_back(std::move(d));
            cutByRef[ref] = cutByRef[ref] || cut;
        }
        TCircuits result;
        std::vector<TCircuitPlan> lines; // that can be laid, each waiting for its slot
        std::vector<std::string> names;  // the names riders know, whole
        for (auto& [ref, rels] : relations) {
            const std::string what = Arg(translate("Import", "маршрут %1"), ref);
            std::vector<TDirection>& directions = byRef[ref];
            if (directions.empty()) {
                result.LeftOut.push_back(
                    {what, translate("Import", "его путей нет внутри квадрата карты"), ref});
                continue;
            }
            std::string why;
            std::optional<TCircuitPlan> paired = Pair(directions, why);
            if (!paired) {
                result.LeftOut.push_back({what, why, ref});
                continue;
            }
            TCircuitPlan& plan = *paired;
            // A route needs a few rails each way between its turning loops.
            constexpr double Shortest = 25;
            if (plan.Forward.Length < Shortest ||
                (!plan.OneWayLoop && plan.Backward.Length < Shortest)) {
                result.LeftOut.push_back(
                    {what,
                     translate("Import", "в одну из сторон внутри квадрата меньше 25 м его путей"),
                     ref});
                continue;
            }
            plan.Ref = ref;
            names.push_back(RiderName(ref, rels));
            plan.Name = CutUtf8(names.back(), LineNameLength);
            plan.CutAtSquare = cutByRef[ref];
            plan.IntervalMinutes = Options.IntervalMinutes;
            for (const TOsmRoute* r : rels) {
                if (r->IntervalMinutes > 0)
                    plan.IntervalMinutes = std::clamp(r->IntervalMinutes, 5, 30);
                if (r->Id != plan.Forward.Relation && r->Id != plan.Backward.Relation)
                    plan.Variants.push_back(r->Id);
            }
            lines.push_back(std::move(plan));
        }
        const auto slots = AssignRouteSlots(names);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            TCircuitPlan& plan = lines[k];
            if (!slots[k]) {
                result.LeftOut.push_back(
                    {Arg(translate("Import", "маршрут %1"), plan.Ref),
                     Arg(translate("Import", "все %1 мест таблицы маршрутов уже заняты"),
                         std::to_string(RouteRows * RouteColumns)),
                     plan.Ref});
                continue;
            }
            plan.Row = slots[k]->first;
            plan.Column = slots[k]->second;
            result.Plans.push_back(std::move(plan));
        }
        return result;
    }

    // Whether the user asked for the relation's line, by its ref or its name.
    bool Asked(const TOsmRoute& r) const {
        for (const std::string& wanted : Options.Refs)
            if ((!r.Ref.empty() && wanted == r.Ref) || (!r.Name.empty() && wanted == r.Name))
                return true;
        return false;
    }

    // The name riders know: the ref; else the ref of a route master that lists one of the
    // relations; else the relation's name.
    static std::string RiderName(const std::string& key,
                                 const std::vector<const TOsmRoute*>& rels) {
        for (const TOsmRoute* r : rels)
            if (!r->Ref.empty()) return r->Ref;
        for (const TOsmRoute* r : rels)
            if (!r->MasterRef.empty()) return r->MasterRef;
        return key;
    }

  private:
    // The longest pair of opposite directions (each starting where the other ends); without
    // one, the longest direction: round once where it returns to its start, else there and
    // back on the same track, or where oneway forbids that, by the shortest way the track
    // allows. Nothing, with why, when no way leads back.
    std::optional<TCircuitPlan> Pair(const std::vector<TDirection>& directions,
                                     std::string& why) const {
        constexpr double Reach = 400; // termini of the two directions lie on different tracks
        TCircuitPlan plan;
        bool own = true; // the backward direction is a relation's own
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
            const std::vector<TOsmId>& nodes = plan.Forward.Nodes;
            if (nodes.size() > 2 && nodes.front() == nodes.back()) {
                // A loop, driven one way on the track it has (a spur on it, out and back, turns
                // in a loop of its own where the path turns back).
                plan.OneWayLoop = true;
                // A loop's relation may list its first stop again at its end: once round is
                // enough.
                std::vector<TRouteStop>& stops = plan.Forward.Stops;
                if (stops.size() > 2 && stops.back().Name == stops.front().Name &&
                    Distance(stops.back().At, stops.front().At) < 30)
                    stops.pop_back();
                StartBetweenStops(plan.Forward);
                plan.Backward = {};
                plan.Backward.Relation = plan.Forward.Relation;
            } else {
                plan.Backward = *longest;
                std::reverse(plan.Backward.Nodes.begin(), plan.Backward.Nodes.end());
                std::reverse(plan.Backward.Stops.begin(), plan.Backward.Stops.end());
                if (Graph.Allows(plan.Backward.Nodes)) {
                    plan.BackwardReversed = true;
                } else if (auto back = WayBack(nodes.back(), nodes.front())) {
                    plan.Backward.Nodes = std::move(*back);
                    plan.Backward.Length = Graph.Length(plan.Backward.Nodes);
                    plan.BackwardFound = true;
                    own = false;
                } else {
                    why = translate("Import", "одностороннее движение (oneway) не даёт вернуться "
                                              "по путям к его началу");
                    return std::nullopt;
                }
            }
        }
        own = own && !plan.BackwardReversed && !plan.OneWayLoop;
        plan.RelationLength = plan.Forward.Length + (own ? plan.Backward.Length : 0);
        plan.RelationStops =
            int(plan.Forward.Stops.size()) + (own ? int(plan.Backward.Stops.size()) : 0);
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

    // A loop's path begun halfway from the stop before its first one, so that the stops come
    // along it in their order and none stands where the path closes.
    void StartBetweenStops(TDirection& d) const {
        std::vector<TOsmId> ring(d.Nodes.begin(), d.Nodes.end() - 1);
        if (d.Stops.size() < 2 || ring.size() < 3) return;
        std::vector<double> along{0};
        for (std::size_t k = 1; k <= ring.size(); ++k)
            along.push_back(along.back() + Norm(Graph.Points.at(ring[k % ring.size()]) -
                                                Graph.Points.at(ring[k - 1])));
        const double length = along.back();
        auto place = [&](const TRouteStop& stop) {
            double best = 1e18, at = 0;
            for (std::size_t k = 0; k < ring.size(); ++k) {
                const TPointM a = Graph.Points.at(ring[k]),
                              b = Graph.Points.at(ring[(k + 1) % ring.size()]);
                const double dist = SegmentDistance(stop.At, a, b), l = Norm(b - a);
                if (dist >= best) continue;
                best = dist;
                at = along[k] + (l > 0 ? std::clamp(Dot(stop.At - a, b - a) / l, 0.0, l) : 0);
            }
            return at;
        };
        // Halfway from the stop before the first along the loop (the last, unless the relation
        // lists the first again at its end) to the first.
        const double first = place(d.Stops.front());
        double gap = length;
        for (const TRouteStop& stop : d.Stops) {
            double behind = first - place(stop);
            if (behind < 0) behind += length;
            if (behind > 1 && behind < gap) gap = behind;
        }
        const double start = std::fmod(first - gap / 2 + length, length);
        std::size_t best = 0;
        for (std::size_t k = 1; k < ring.size(); ++k)
            if (std::abs(along[k] - start) < std::abs(along[best] - start)) best = k;
        std::rotate(ring.begin(), ring.begin() + long(best), ring.end());
        ring.push_back(ring.front());
        d.Nodes = std::move(ring);
    }

    // The shortest way a tram may drive from one node to another along the track in the usable
    // part of the map: keeping to oneway, never turning by more than a right angle between two
    // steps; it sets off in any direction (it turns in a loop before).
    std::optional<std::vector<TOsmId>> WayBack(TOsmId from, TOsmId to) const {
        using TState = std::pair<TOsmId, TOsmId>; // (the node before, the node); both the same
                                                  // at the start
        std::map<TState, double> reached{{{from, from}, 0.0}};
        std::map<TState, TState> before;
        std::priority_queue<std::pair<double, TState>, std::vector<std::pair<double, TState>>,
                            std::greater<>>
            queue;
        queue.push({0.0, {from, from}});
        while (!queue.empty()) {
            const auto [d, state] = queue.top();
            queue.pop();
            if (d > reached.at(state)) continue;
            const auto [previous, node] = state;
            if (node == to) {
                std::vector<TOsmId> path{node};
                for (TState s = state; s.first != s.second; s = before.at(s))
                    path.push_back(s.first);
                std::reverse(path.begin(), path.end());
                return path;
            }
            const auto neighbours = Graph.Neighbours.find(node);
            if (neighbours == Graph.Neighbours.end()) continue;
            const TPointM at = Graph.Points.at(node);
            for (TOsmId next : neighbours->second) {
                if (next == previous || !Graph.Allows(node, next) || !Inside(next)) continue;
                const TPointM step = Graph.Points.at(next) - at;
                if (previous != node && Dot(Unit(at - Graph.Points.at(previous)), Unit(step)) < 0)
                    continue;
                const TState following{node, next};
                const double length = d + Norm(step);
                auto [it, added] = reached.try_emplace(following, length);
                if (!added && it->second <= length) continue;
                it->second = length;
                before[following] = state;
                queue.push({length, following});
            }
        }
        return std::nullopt;
    }

    bool Inside(TOsmId n) const {
        const TPointM p = Graph.Points.at(n);
        const double margin = Options.Margin;
        return p.X >= margin && p.X <= 10000 - margin && p.Y >= margin && p.Y <= 10000 - margin;
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

bool TTrackGraph::Allows(const std::vector<TOsmId>& path) const {
    for (std::size_t k = 1; k < path.size(); ++k)
        if (!Allows(path[k - 1], path[k])) return false;
    return true;
}

TTrackGraph BuildTrackGraph(const TOsmExtract& extract, const TProjection& projection) {
    TTrackGraph graph;
    std::map<std::pair<TOsmId, TOsmId>, int> senses; // directed step -> 1 allowed, 0 forbidden
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
            // A step is forbidden only when every way that makes it forbids it.
            int& ab = senses.try_emplace({a, b}, 0).first->second;
            int& ba = senses.try_emplace({b, a}, 0).first->second;
            ab |= track.Oneway >= 0 ? 1 : 0;
            ba |= track.Oneway <= 0 ? 1 : 0;
        }
    for (const auto& [step, allowed] : senses)
        if (!allowed) graph.Against.insert(step);
    return graph;
}

std::vector<std::optional<std::pair<int, int>>>
AssignRouteSlots(const std::vector<std::string>& names) {
    std::vector<std::optional<std::pair<int, int>>> slots(names.size());
    std::set<std::pair<int, int>> taken;
    auto take = [&](std::size_t k, std::pair<int, int> slot) {
        if (taken.count(slot)) return false;
        taken.insert(slot);
        slots[k] = slot;
        return true;
    };
    // The number the first digits of a name make (saturated); -1 for a name without digits.
    auto numberOf = [](const std::string& name) {
        const auto first =
            std::find_if(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (first == name.end()) return -1LL;
        long long number = 0;
        for (auto c = first; c != name.end() && *c >= '0' && *c <= '9'; ++c)
            number = std::min(number * 10 + (*c - '0'), 1000000000LL);
        return number;
    };
    std::vector<std::size_t> rest;
    for (std::size_t k = 0; k < names.size(); ++k)
        if (const auto own = RouteSlotOfName(names[k]); !own || !take(k, *own)) rest.push_back(k);
    // Names with digits by their number, then those without.
    auto key = [&](std::size_t k) {
        const long long number = numberOf(names[k]);
        return std::tuple{number < 0, number, names[k]};
    };
    std::stable_sort(rest.begin(), rest.end(),
                     [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
    const std::vector<std::pair<int, int>> order = RouteTableOrder();
    for (std::size_t k : rest) {
        const long long n = numberOf(names[k]);
        if (n >= 1 && n <= 9 &&
            (take(k, {int(n) - 1, 0}) || take(k, {int(n) - 1, 11}) || take(k, {int(n) - 1, 12})))
            continue;
        if (n >= 10 && n <= 99 && take(k, {int(n / 10) - 1, int(n % 10) + 1})) continue;
        for (const auto& slot : order)
            if (take(k, slot)) break;
    }
    return slots;
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
