// Laying the circuits as directed rails: the ways each direction uses, their ends joined where
// trams pass from one to the next, chains between junctions cut into straight rails, stops and
// turning loops.
#include "import/RailNetwork.h"

#include "import/PlaneGeometry.h"
#include "model/Geometry.h"
#include "model/Texts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <unordered_map>

namespace vell::import {

namespace {

constexpr double LaneSpacing = 5.5; // rails of ways side by side: 4 m apart after rounding
constexpr double BothWaysOffset = LaneSpacing / 2;
constexpr double DefaultOffset = 1.5; // a way used one way: its rail beside it
constexpr double LaneCell = 20;
constexpr double JoinReach = 30;        // lanes joining within this converge to a switch
constexpr double SmoothReach = 10;      // offsets change gradually over about this length
constexpr double MostSpread = 2.5;      // a crowded lane moves at most this far
constexpr double CrossingClearance = 6; // no rail ends this near where another line crosses
constexpr double LeastRail = 11.5;      // metres before rounding: at least 10 after it
constexpr double LongestRail = 50;
constexpr double ChordTolerance = 0.8; // how far a rail may stray from the way it follows
constexpr double StopBefore = 25.5;    // the stop rail runs this far before the stop point
constexpr double StopAfter = 2.5;      // and this far past it, where the tram's front halts
constexpr double PlatformAfter = 8;    // a platform: the train stands along it
constexpr double StopReach = 40;       // a stop farther from the route's track is not its own
constexpr double LoopClearance = 5;    // a loop keeps this far from other rails

struct TStopMark {
    double Position; // metres along the edge
    bool Platform;
};

// A way between two nodes, in one direction of travel.
struct TEdge {
    TOsmId A = 0, B = 0;
    TPointM From, To;  // the nodes on the map
    double Offset = 0; // metres to the right of the way
    int Speed = DefaultTrackSpeed;
    std::vector<TStopMark> Stops;
};

// A turning loop from the end of one direction to the start of the other.
struct TLoop {
    int FromEnd = -1, ToEnd = -1; // the edge ends it joins
    std::vector<TPointM> Path;
    bool Made = false;
    int SameAs = -1; // an earlier loop between the same two points, which this one is
};

class TUnionFind {
  public:
    int Add() {
        Parent.push_back(int(Parent.size()));
        return Parent.back();
    }
    int Find(int x) {
        while (Parent[x] != x)
            x = Parent[x] = Parent[Parent[x]];
        return x;
    }
    void Unite(int a, int b) {
        a = Find(a), b = Find(b);
        if (a != b) Parent[std::max(a, b)] = std::min(a, b);
    }

  private:
    std::vector<int> Parent;
};

// An element of a circuit: an edge, or a loop.
struct TStep {
    bool Loop = false;
    int Index = 0;
};

std::uint8_t GradeFor(int kmh) {
    return std::uint8_t(std::clamp(int(std::lround((kmh - 15) / 0.3)), 0, 255));
}

class TBuilder {
  public:
    TBuilder(TMap& map, const TTrackGraph& graph, const std::vector<TCircuitPlan>& plans)
        : Map(map), Graph(graph), Plans(plans) {}

    TRailNetwork Build() {
        Result.Circuits.resize(Plans.size());
        for (std::size_t p = 0; p < Plans.size(); ++p)
            Circuits.push_back(StepsOf(Plans[p], Result.Circuits[p]));
        ChooseOffsets();
        for (std::size_t p = 0; p < Plans.size(); ++p)
            PlaceStops(Plans[p], Circuits[p]);
        Group();
        ShareLoops();
        Place();
        CollapseShortChains();
        // The loops take their shape once the rails they join are laid: for now a line between
        // their ends, so that the chains and switches know of them.
        for (TLoop& loop : Loops)
            if (loop.SameAs < 0) {
                loop.Path = {Points.at(Ends.Find(loop.FromEnd)), Points.at(Ends.Find(loop.ToEnd))};
                loop.Made = true;
            }
        BuildChains(); // with the loops
        SplitThreeWaySwitches();
        LayChains(false);
        // A map too full for the rails makes no loops: every circuit is left out below.
        for (int c = 0; c < int(Chains.size()) && !Full; ++c)
            if (Chains[c].Steps.front().Loop) ShapeLoop(Chains[c]);
        if (!Full) LayChains(true);
        for (const TEdge& edge : Edges)
            if (edge.A < edge.B && EdgeIndex.count({edge.B, edge.A}))
                Result.SingleTrackBothWays += Norm(edge.To - edge.From);
        SplitCrowdedRails();
        SlowBeforeSharpJoints();
        for (std::size_t p = 0; p < Plans.size(); ++p)
            CircuitRails(Circuits[p], Result.Circuits[p]);
        return std::move(Result);
    }

  private:
    // ---- The circuits as edges and loops ----

    int EdgeOf(TOsmId a, TOsmId b) {
        auto [it, added] = EdgeIndex.try_emplace({a, b}, int(Edges.size()));
        if (added) {
            TEdge e;
            e.A = a, e.B = b;
            e.From = Graph.Points.at(a), e.To = Graph.Points.at(b);
            auto speed = Graph.MaxSpeed.find({std::min(a, b), std::max(a, b)});
            if (speed != Graph.MaxSpeed.end()) e.Speed = std::clamp(speed->second, 15, 80);
            Edges.push_back(e);
        }
        return it->second;
    }

    std::vector<TStep> PathSteps(const std::vector<TOsmId>& nodes) {
        std::vector<TStep> steps;
        for (std::size_t k = 1; k < nodes.size(); ++k)
            steps.push_back({false, EdgeOf(nodes[k - 1], nodes[k])});
        return steps;
    }

    // Whether a tram may pass straight from the end of one direction into the other: they meet
    // at one node without turning back.
    bool Continues(const std::vector<TOsmId>& a, const std::vector<TOsmId>& b) const {
        if (a.back() != b.front() || a.size() < 2 || b.size() < 2) return false;
        const TPointM in = Graph.Points.at(a.back()) - Graph.Points.at(a[a.size() - 2]);
        const TPointM out = Graph.Points.at(b[1]) - Graph.Points.at(b.front());
        return Dot(Unit(in), Unit(out)) > 0.3;
    }

    // A path split where it turns back on itself: a tram that reverses at a stub (a
    // double-ended car) turns in a loop there instead.
    std::vector<std::vector<TOsmId>> Unreversed(const std::vector<TOsmId>& nodes) const {
        std::vector<std::vector<TOsmId>> pieces{{nodes.front()}};
        for (std::size_t k = 1; k < nodes.size(); ++k) {
            std::vector<TOsmId>& piece = pieces.back();
            if (piece.size() >= 2) {
                const TPointM in =
                    Graph.Points.at(piece.back()) - Graph.Points.at(piece[piece.size() - 2]);
                const TPointM out = Graph.Points.at(nodes[k]) - Graph.Points.at(piece.back());
                if (Dot(Unit(in), Unit(out)) < -0.2) pieces.push_back({piece.back()});
            }
            pieces.back().push_back(nodes[k]);
        }
        return pieces;
    }

    std::vector<TStep> StepsOf(const TCircuitPlan& plan, TLaidCircuit& laid) {
        std::vector<std::vector<TOsmId>> pieces = Unreversed(plan.Forward.Nodes);
        const std::size_t forwardPieces = pieces.size();
        // A loop driven one way has no backward direction: its last piece leads into its first.
        if (!plan.OneWayLoop)
            for (auto& piece : Unreversed(plan.Backward.Nodes))
                pieces.push_back(std::move(piece));
        std::vector<std::vector<TStep>> parts;
        for (const auto& piece : pieces)
            parts.push_back(PathSteps(piece));
        std::vector<TStep> steps;
        for (std::size_t k = 0; k < parts.size(); ++k) {
            steps.insert(steps.end(), parts[k].begin(), parts[k].end());
            const std::size_t next = (k + 1) % parts.size();
            if (Continues(pieces[k], pieces[next])) continue;
            TLoop l;
            l.FromEnd = 2 * parts[k].back().Index + 1;
            l.ToEnd = 2 * parts[next].front().Index;
            int index = -1;
            for (int j = 0; j < int(Loops.size()); ++j)
                if (Loops[j].FromEnd == l.FromEnd && Loops[j].ToEnd == l.ToEnd) index = j;
            if (index < 0) {
                Loops.push_back(l);
                index = int(Loops.size()) - 1;
            }
            steps.push_back({true, index});
            if (k + 1 == forwardPieces) laid.LoopAtEnd = true;
            if (next == 0) laid.LoopAtStart = true;
        }
        return steps;
    }

    // ---- Where each rail goes beside its way ----

    // Every used way in each direction is a lane, its rail to be laid beside the way. A lane
    // goes to its right (a way used both ways: one lane each side), as the editor's double track
    // lays them for trams that keep right; where the map has the other direction's track on
    // the right, to the left; where it has the other direction's track on both sides (a middle
    // track of four, directions alternating), on the way itself, since a move either way would
    // bring it nearer to one of them. Lanes that still come closer than LaneSpacing to one another
    // (tracks drawn closer than usual, a way used both ways beside another track) are spread
    // across the street, each moved as little as it can be. Lanes that join within JoinReach
    // are left alone: they converge to a switch. Last, the offsets are smoothed along each run
    // of ways, so that the rails do not step sideways.
    void ChooseOffsets() {
        IndexLanes();
        // The lanes beside each lane, found once: the offsets below do not move them.
        std::vector<std::vector<TLane>> beside(Edges.size());
        for (int e = 0; e < int(Edges.size()); ++e)
            beside[std::size_t(e)] = LanesBeside(e);
        std::vector<double> first(Edges.size());
        for (int e = 0; e < int(Edges.size()); ++e) {
            const TEdge& edge = Edges[e];
            if (EdgeIndex.count({edge.B, edge.A})) {
                first[e] = LaneSpacing / 2;
                continue;
            }
            first[e] = DefaultOffset;
            constexpr double Beside = 6; // the other direction's track this near counts
            double nearest = Beside;
            bool left = false, right = false;
            for (const TLane& lane : beside[std::size_t(e)])
                if (lane.Direction < 0 && std::abs(lane.Across) < Beside) {
                    (lane.Across > 0 ? right : left) = true;
                    if (std::abs(lane.Across) < nearest) {
                        nearest = std::abs(lane.Across);
                        first[e] = lane.Across > 0 ? -DefaultOffset : DefaultOffset;
                    }
                }
            if (left && right) first[e] = 0;
        }
        std::vector<double> spread = first;
        for (int e = 0; e < int(Edges.size()); ++e) {
            std::vector<TLane> lanes = std::move(beside[std::size_t(e)]);
            for (TLane& lane : lanes)
                lane.Across += lane.Direction * first[lane.Edge];
            std::sort(lanes.begin(), lanes.end(), [](const TLane& a, const TLane& b) {
                return a.Across != b.Across ? a.Across < b.Across : a.Edge < b.Edge;
            });
            // Only a lane that another crowds is moved.
            bool crowded = false;
            for (std::size_t i = 0; i < lanes.size(); ++i) {
                if (lanes[i].Edge != e) continue;
                if (i > 0)
                    crowded = crowded || lanes[i].Across - lanes[i - 1].Across < LaneSpacing - 0.3;
                if (i + 1 < lanes.size())
                    crowded = crowded || lanes[i + 1].Across - lanes[i].Across < LaneSpacing - 0.3;
            }
            if (!crowded) continue;
            // The positions nearest to where they are, LaneSpacing apart in that order: pool
            // adjacent violators on the positions less their share of the spacing.
            std::vector<double> level, weight;
            std::vector<std::size_t> start;
            for (std::size_t i = 0; i < lanes.size(); ++i) {
                level.push_back(lanes[i].Across - double(i) * LaneSpacing);
                weight.push_back(1);
                start.push_back(i);
                while (level.size() > 1 && level[level.size() - 2] > level.back()) {
                    const double w = weight.back() + weight[weight.size() - 2];
                    const double v = (level.back() * weight.back() +
                                      level[level.size() - 2] * weight[weight.size() - 2]) /
                                     w;
                    level.pop_back(), weight.pop_back(), start.pop_back();
                    level.back() = v, weight.back() = w;
                }
            }
            for (std::size_t k = 0; k < start.size(); ++k) {
                const std::size_t end = k + 1 < start.size() ? start[k + 1] : lanes.size();
                for (std::size_t i = start[k]; i < end; ++i)
                    if (lanes[i].Edge == e)
                        spread[e] = std::clamp(level[k] + double(i) * LaneSpacing,
                                               first[e] - MostSpread, first[e] + MostSpread);
            }
        }
        for (int e = 0; e < int(Edges.size()); ++e)
            Edges[e].Offset = spread[e];
        SmoothOffsets();
    }

    struct TLane {
        double Across; // from this lane's way, to its right
        int Direction; // +1 along this lane, -1 against it
        int Edge;
    };

    void IndexLanes() {
        LaneCells.clear();
        for (int e = 0; e < int(Edges.size()); ++e) {
            const TPointM a = Edges[e].From, b = Edges[e].To;
            const int steps = std::max(1, int(Norm(b - a) / LaneCell));
            std::vector<std::pair<int, int>> seen; // a few cells
            for (int k = 0; k <= steps; ++k) {
                const auto c = CellOf(a + (double(k) / steps) * (b - a));
                if (std::find(seen.begin(), seen.end(), c) != seen.end()) continue;
                seen.push_back(c);
                LaneCells[c].push_back(e);
            }
        }
        Joins.clear();
        for (const TEdge& edge : Edges) {
            const double length = Norm(edge.To - edge.From);
            Joins[edge.A].push_back({edge.B, length});
            Joins[edge.B].push_back({edge.A, length});
        }
    }
    static std::pair<int, int> CellOf(TPointM p) {
        return {int(std::floor(p.X / LaneCell)), int(std::floor(p.Y / LaneCell))};
    }

    // The nodes within JoinReach of a node along the used ways (the node itself first, the rest
    // in no particular order): a few nodes, kept in a list.
    std::vector<TOsmId> Joined(TOsmId from) const {
        std::vector<std::pair<TOsmId, double>> reached{{from, 0}};
        auto find = [&](TOsmId n) {
            return std::find_if(reached.begin(), reached.end(),
                                [n](const auto& r) { return r.first == n; });
        };
        std::vector<TOsmId> open{from};
        while (!open.empty()) {
            const TOsmId n = open.back();
            open.pop_back();
            const auto it = Joins.find(n);
            if (it == Joins.end()) continue;
            const double at = find(n)->second;
            for (auto [m, length] : it->second) {
                const double d = at + length;
                if (d > JoinReach) continue;
                const auto r = find(m);
                if (r != reached.end() && r->second <= d) continue;
                if (r != reached.end())
                    r->second = d;
                else
                    reached.push_back({m, d});
                open.push_back(m);
            }
        }
        std::vector<TOsmId> nodes;
        for (const auto& [n, d] : reached)
            nodes.push_back(n);
        return nodes;
    }

    // The lanes running beside lane e, itself and its reverse included, but not those that
    // join it nearby; where their ways lie across e's way at its middle.
    std::vector<TLane> LanesBeside(int e) const {
        constexpr double Reach = 9;
        const TEdge& edge = Edges[e];
        std::vector<TOsmId> near = Joined(edge.A);
        for (TOsmId n : Joined(edge.B))
            near.push_back(n);
        std::sort(near.begin(), near.end());
        auto isNear = [&](TOsmId n) { return std::binary_search(near.begin(), near.end(), n); };
        const TPointM u = Unit(edge.To - edge.From), r = RightOf(u);
        const TPointM mid = 0.5 * (edge.From + edge.To);
        std::vector<TLane> lanes;
        std::vector<int> seen; // marked in SeenLane, unmarked at the end
        SeenLane.resize(Edges.size(), false);
        const auto [cx, cy] = CellOf(mid);
        for (int x = cx - 1; x <= cx + 1; ++x)
            for (int y = cy - 1; y <= cy + 1; ++y) {
                auto it = LaneCells.find({x, y});
                if (it == LaneCells.end()) continue;
                for (int f : it->second) {
                    if (SeenLane[std::size_t(f)]) continue;
                    SeenLane[std::size_t(f)] = true;
                    seen.push_back(f);
                    const TEdge& other = Edges[f];
                    const bool reverse = other.A == edge.B && other.B == edge.A;
                    if (f != e && !reverse && (isNear(other.A) || isNear(other.B))) continue;
                    const double along = Dot(Unit(other.To - other.From), u);
                    if (std::abs(along) < 0.8) continue;
                    const TPointM d = other.To - other.From;
                    const double lengthSq = Dot(d, d);
                    const double t = lengthSq > 0
                                         ? std::clamp(Dot(mid - other.From, d) / lengthSq, 0.0, 1.0)
                                         : 0;
                    const TPointM closest = other.From + t * d;
                    if (Norm(closest - mid) > Reach) continue;
                    lanes.push_back({Dot(closest - mid, r), along > 0 ? 1 : -1, f});
                }
            }
        for (int f : seen)
            SeenLane[std::size_t(f)] = false;
        return lanes;
    }

    // Offsets averaged along each run of ways through plain joints (one way in, one way on),
    // over about SmoothReach either side.
    void SmoothOffsets() {
        std::unordered_map<TOsmId, std::vector<int>> ins, outs; // by node: edges; looked up only
        for (int e = 0; e < int(Edges.size()); ++e) {
            outs[Edges[e].A].push_back(e);
            ins[Edges[e].B].push_back(e);
        }
        std::vector<bool> done(Edges.size(), false);
        std::vector<double> smooth(Edges.size());
        auto plain = [&](TOsmId n) { return ins[n].size() == 1 && outs[n].size() == 1; };
        for (int e0 = 0; e0 < int(Edges.size()); ++e0) {
            if (done[e0]) continue;
            // Back to the run's start, then forward along it.
            int e = e0;
            for (std::size_t guard = 0; guard < Edges.size() && plain(Edges[e].A); ++guard) {
                const int prev = ins[Edges[e].A].front();
                if (prev == e0) break;
                e = prev;
            }
            std::vector<int> run;
            for (std::size_t guard = 0; guard < Edges.size(); ++guard) {
                run.push_back(e);
                done[e] = true;
                if (!plain(Edges[e].B)) break;
                e = outs[Edges[e].B].front();
                if (done[e]) break;
            }
            std::vector<double> at;
            double along = 0;
            for (int f : run) {
                const double length = Norm(Edges[f].To - Edges[f].From);
                at.push_back(along + length / 2);
                along += length;
            }
            // `at` grows along the run: the edges within reach of each are a window that moves
            // on with it.
            std::size_t low = 0;
            for (std::size_t i = 0; i < run.size(); ++i) {
                while (low < i && (at[low] - at[i]) / SmoothReach < -3)
                    ++low;
                double sum = 0, weight = 0;
                for (std::size_t j = low; j < run.size(); ++j) {
                    const double d = (at[j] - at[i]) / SmoothReach;
                    if (d > 3) break;
                    if (std::abs(d) > 3) continue;
                    const double w =
                        std::exp(-d * d / 2) * Norm(Edges[run[j]].To - Edges[run[j]].From);
                    sum += w * Edges[run[j]].Offset;
                    weight += w;
                }
                smooth[run[i]] = weight > 0 ? sum / weight : Edges[run[i]].Offset;
            }
        }
        for (int e = 0; e < int(Edges.size()); ++e)
            Edges[e].Offset = smooth[e];
    }

    // ---- Stops ----

    // Puts each stop of a direction on the edge of that direction nearest to it.
    void PlaceStops(const TCircuitPlan& plan, const std::vector<TStep>& steps) {
        std::vector<std::string> missed; // stops of the relations off the circuit's track
        auto place = [&](const TDirection& d) {
            std::size_t from = 0;   // stops come in driving order: search on from the last one
            std::vector<int> edges; // of the direction's node pairs
            for (std::size_t k = 0; k + 1 < d.Nodes.size(); ++k)
                edges.push_back(EdgeIndex.at({d.Nodes[k], d.Nodes[k + 1]}));
            for (const TRouteStop& stop : d.Stops) {
                double best = StopReach;
                std::optional<std::pair<int, double>> at;
                for (std::size_t k = from; k + 1 < d.Nodes.size(); ++k) {
                    const int e = edges[k];
                    const TEdge& edge = Edges[e];
                    // Farther from the edge's bounding box than the best (with a margin for
                    // rounding): no nearer.
                    const TPointM p = stop.At;
                    const double beyond = best + 0.01;
                    if (p.X < std::min(edge.From.X, edge.To.X) - beyond ||
                        p.X > std::max(edge.From.X, edge.To.X) + beyond ||
                        p.Y < std::min(edge.From.Y, edge.To.Y) - beyond ||
                        p.Y > std::max(edge.From.Y, edge.To.Y) + beyond)
                        continue;
                    const TPointM dir = edge.To - edge.From;
                    const double length = Norm(dir);
                    if (length <= 0) continue;
                    const double t =
                        std::clamp(Dot(stop.At - edge.From, dir) / (length * length), 0.0, 1.0);
                    const double dist = Norm(stop.At - (edge.From + t * dir));
                    if (dist < best) {
                        best = dist;
                        at = {e, t * length};
                        from = k;
                    }
                }
                if (!at) {
                    missed.push_back(stop.Name.empty() ? std::string("?") : stop.Name);
                    continue;
                }
                std::vector<TStopMark>& marks = Edges[at->first].Stops;
                // One stop rail serves every route that stops there.
                const bool known = std::any_of(marks.begin(), marks.end(), [&](const TStopMark& m) {
                    return std::abs(m.Position - at->second) < StopBefore;
                });
                if (!known) marks.push_back({at->second, stop.Platform});
            }
        };
        place(plan.Forward);
        if (!plan.BackwardReversed) {
            place(plan.Backward);
        } else if (plan.Source == ELineSource::Track) {
            // A line made from the track serves its stops both ways; a stop missed is named once.
            const std::size_t named = missed.size();
            place(plan.Backward);
            missed.resize(named);
        }
        (void)steps;
        if (missed.empty()) return;
        std::string names;
        for (const std::string& name : missed)
            names += (names.empty() ? "" : ", ") + name;
        Result.LeftOut.push_back(
            {Arg(translate("Import", "остановки маршрута %1"), plan.Ref),
             Arg(translate("Import", "%1 из них дальше 40 м от путей маршрута в квадрате: %2"),
                 std::to_string(missed.size()), names)});
    }

    // ---- Where ways meet: the shared end points ----

    // Joins the end of each edge with the start of the edge a circuit takes next.
    void Group() {
        Ends = TUnionFind();
        for (std::size_t k = 0; k < 2 * Edges.size() + 2 * Loops.size(); ++k)
            Ends.Add();
        for (std::size_t l = 0; l < Loops.size(); ++l) {
            Ends.Unite(Loops[l].FromEnd, LoopEnd(int(l), false));
            Ends.Unite(LoopEnd(int(l), true), Loops[l].ToEnd);
        }
        for (const std::vector<TStep>& steps : Circuits)
            for (std::size_t k = 0; k < steps.size(); ++k) {
                const TStep &a = steps[k], &b = steps[(k + 1) % steps.size()];
                if (a.Loop || b.Loop) continue;
                Ends.Unite(2 * a.Index + 1, 2 * b.Index);
            }
    }
    // Routes that turn at the same place share one loop.
    void ShareLoops() {
        std::map<std::pair<int, int>, int> first;
        for (int l = 0; l < int(Loops.size()); ++l) {
            const auto key = std::pair{Ends.Find(Loops[l].FromEnd), Ends.Find(Loops[l].ToEnd)};
            auto [it, added] = first.try_emplace(key, l);
            if (!added) Loops[l].SameAs = it->second;
        }
    }
    int Primary(int loop) const { return Loops[loop].SameAs >= 0 ? Loops[loop].SameAs : loop; }
    int LoopEnd(int loop, bool head) const {
        return int(2 * Edges.size()) + 2 * loop + (head ? 1 : 0);
    }

    // Each group's point: the nearest to every member edge's rail line, the way moved aside.
    void Place() {
        std::map<int, std::vector<int>> members; // group -> edge ends
        for (int end = 0; end < int(2 * Edges.size()); ++end)
            if (!Collapsed.count(end / 2)) members[Ends.Find(end)].push_back(end);
        Points.clear();
        for (const auto& [group, ends] : members) {
            double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
            TPointM node{}, offset{};
            const double share = 1.0 / double(ends.size());
            for (int end : ends) {
                const TEdge& e = Edges[end / 2];
                const TPointM n = end % 2 ? e.To : e.From;
                const TPointM r = RightOf(Unit(e.To - e.From));
                a11 += r.X * r.X, a12 += r.X * r.Y, a22 += r.Y * r.Y;
                const double c = e.Offset + Dot(r, n);
                b1 += c * r.X, b2 += c * r.Y;
                node = node + share * n;
                offset = offset + (share * e.Offset) * r;
            }
            // Least squares on the rail lines, held near the mean offset where the lines run
            // side by side and meet nowhere in particular.
            constexpr double Hold = 0.05;
            const TPointM held = node + offset;
            a11 += Hold, a22 += Hold;
            b1 += Hold * held.X, b2 += Hold * held.Y;
            const double det = a11 * a22 - a12 * a12;
            TPointM p{(a22 * b1 - a12 * b2) / det, (a11 * b2 - a12 * b1) / det};
            if (Norm(p - node) > 3 * BothWaysOffset) p = held; // a sharp corner: no miter
            Points[group] = p;
        }
        // A group of collapsed edges only (a circuit shorter than a rail) stands where they are.
        std::map<int, std::pair<TPointM, int>> rest;
        for (int end = 0; end < int(2 * Edges.size()); ++end) {
            const int group = Ends.Find(end);
            if (Points.count(group)) continue;
            const TEdge& e = Edges[end / 2];
            auto& [sum, count] = rest[group];
            sum = sum + (end % 2 ? e.To : e.From);
            ++count;
        }
        for (const auto& [group, sum] : rest)
            Points[group] = (1.0 / sum.second) * sum.first;
    }

    // ---- Chains of edges between junctions ----

    struct TChain {
        std::vector<TStep> Steps;
        int FromGroup = -1, ToGroup = -1;
        TPolyline Line;
        std::vector<std::pair<double, double>> StopSpans; // along the line
        std::vector<double> Crossings;                    // along the line: other chains over it
        std::vector<std::pair<double, double>> Crowded;   // along the line: other chains near it
        std::vector<int> Rails;
        bool Collapsed = false;
        // Three ways leaving one point: this chain branches off another a rail later, whose
        // first rails (PrefixRails of them) it shares.
        int Prefix = -1;
        int PrefixRails = 0;
        double MustCut = -1; // a cut where a chain branches off this one
        std::optional<std::pair<int, int>> StartPoint;
    };

    int Ins(int group) const { return InCount.count(group) ? InCount.at(group) : 0; }
    int Outs(int group) const { return OutCount.count(group) ? OutCount.at(group) : 0; }

    void CountEnds() {
        InCount.clear(), OutCount.clear();
        for (int e = 0; e < int(Edges.size()); ++e) {
            if (Collapsed.count(e)) continue;
            ++OutCount[Ends.Find(2 * e)];
            ++InCount[Ends.Find(2 * e + 1)];
        }
        for (int l = 0; l < int(Loops.size()); ++l) {
            if (Loops[l].SameAs >= 0) continue;
            ++OutCount[Ends.Find(LoopEnd(l, false))];
            ++InCount[Ends.Find(LoopEnd(l, true))];
        }
    }

    // The edge leaving a group, when it is the only way on and the only way in.
    std::optional<int> PassOn(int group) const {
        if (Ins(group) != 1 || Outs(group) != 1) return std::nullopt;
        auto it = OutEdge.find(group);
        if (it == OutEdge.end()) return std::nullopt; // a loop leaves it
        return it->second;
    }

    void BuildChains() {
        CountEnds();
        OutEdge.clear();
        for (int e = 0; e < int(Edges.size()); ++e)
            if (!Collapsed.count(e)) OutEdge[Ends.Find(2 * e)] = e;
        for (int l = 0; l < int(Loops.size()); ++l)
            OutEdge.erase(Ends.Find(LoopEnd(l, false)));
        Chains.clear();
        ChainOfEdge.assign(Edges.size(), -1);
        auto follow = [&](int first) {
            TChain chain;
            chain.FromGroup = Ends.Find(2 * first);
            int e = first;
            while (true) {
                chain.Steps.push_back({false, e});
                ChainOfEdge[e] = int(Chains.size());
                const int head = Ends.Find(2 * e + 1);
                const auto next = PassOn(head);
                if (!next || ChainOfEdge[*next] >= 0) {
                    chain.ToGroup = head;
                    break;
                }
                e = *next;
            }
            Chains.push_back(std::move(chain));
        };
        // From every junction first, then what is left: closed rings without one.
        for (int e = 0; e < int(Edges.size()); ++e)
            if (ChainOfEdge[e] < 0 && !Collapsed.count(e) && !PassOn(Ends.Find(2 * e)).has_value())
                follow(e);
        for (int e = 0; e < int(Edges.size()); ++e)
            if (ChainOfEdge[e] < 0 && !Collapsed.count(e)) follow(e);
        ChainOfLoop.assign(Loops.size(), -1);
        for (int l = 0; l < int(Loops.size()); ++l) {
            if (!Loops[l].Made || Loops[l].SameAs >= 0) continue;
            TChain chain;
            chain.Steps.push_back({true, l});
            chain.FromGroup = Ends.Find(LoopEnd(l, false));
            chain.ToGroup = Ends.Find(LoopEnd(l, true));
            ChainOfLoop[l] = int(Chains.size());
            Chains.push_back(std::move(chain));
        }
        for (TChain& chain : Chains)
            Shape(chain);
    }

    // The chain's line through its groups' points, and where its stop rails lie along it.
    void Shape(TChain& chain) {
        std::vector<TPointM> points;
        std::vector<std::pair<double, double>> spans;
        if (chain.Steps.front().Loop) {
            points = Loops[chain.Steps.front().Index].Path;
            points.front() = Points.at(chain.FromGroup);
            points.back() = Points.at(chain.ToGroup);
        } else {
            points.push_back(Points.at(chain.FromGroup));
            double along = 0;
            for (const TStep& s : chain.Steps) {
                const TEdge& e = Edges[s.Index];
                const TPointM a = points.back(), b = Points.at(Ends.Find(2 * s.Index + 1));
                const double length = Norm(b - a),
                             scale = length / std::max(1e-9, Norm(e.To - e.From));
                for (const TStopMark& m : e.Stops) {
                    const double at = along + m.Position * scale;
                    spans.push_back(
                        {at - StopBefore, at + (m.Platform ? PlatformAfter : StopAfter)});
                }
                points.push_back(b);
                along += length;
            }
        }
        chain.Line = TPolyline(std::move(points));
        std::sort(spans.begin(), spans.end());
        chain.StopSpans.clear();
        const double length = chain.Line.Length();
        for (auto [a, b] : spans) {
            // A stop near a junction moves along until its rail fits between.
            if (a < 0) b -= a, a = 0;
            if (b > length) a -= b - length, b = length;
            if (a < 0) {
                ++StopsWithoutRoom;
                continue; // the chain is shorter than a stop rail
            }
            const double lowest =
                chain.StopSpans.empty() ? 0 : chain.StopSpans.back().second + LeastRail;
            // A stop rail is straight: where the line turns a corner within it, its chord would
            // be shorter than a stop may be, so it moves along to where the line runs straight.
            constexpr double StopChord = 26;
            auto chord = [&](double from, double to) {
                return Norm(chain.Line.At(to) - chain.Line.At(from));
            };
            for (double shift = 2; shift <= 40 && chord(a, b) < StopChord; shift += 2)
                for (double moved : {shift, -shift})
                    if (a + moved >= lowest && b + moved <= length &&
                        chord(a + moved, b + moved) >= StopChord) {
                        a += moved, b += moved;
                        break;
                    }
            if (!chain.StopSpans.empty() && a < lowest) continue;
            chain.StopSpans.push_back({a, b});
        }
    }

    // A chain too short for a rail joins its two ends into one point: the ways around it meet
    // there directly.
    void CollapseShortChains() {
        for (int round = 0; round < 20; ++round) {
            BuildChains();
            bool changed = false;
            for (const TChain& chain : Chains) {
                if (chain.Steps.front().Loop || chain.Line.Length() >= LeastRail) continue;
                for (const TStep& s : chain.Steps) {
                    Ends.Unite(2 * s.Index, 2 * s.Index + 1);
                    Collapsed.insert(s.Index);
                }
                changed = true;
            }
            if (!changed) break;
            Place();
        }
    }

    // ---- Turning loops ----

    // A loop's path: the shortest turn of bounded radius from the heading of the last rail
    // arriving at its start to the heading of the first rail leaving its end, clear of the other
    // chains if one is.
    void ShapeLoop(TChain& chain) {
        TLoop& loop = Loops[chain.Steps.front().Index];
        const int fromGroup = chain.FromGroup, toGroup = chain.ToGroup;
        const TEdge &in = Edges[loop.FromEnd / 2], &out = Edges[loop.ToEnd / 2];
        const TPointM a = Points.at(fromGroup), b = Points.at(toGroup);
        TPointM ua = Unit(in.To - in.From), ub = Unit(out.To - out.From);
        const auto [ax, ay] = GroupPoint(fromGroup);
        const auto [bx, by] = GroupPoint(toGroup);
        for (const TChain& other : Chains) {
            if (other.Steps.front().Loop || other.Rails.empty()) continue;
            const TMapObject& last = Map.Objects[other.Rails.back()];
            const TMapObject& first = Map.Objects[other.Rails.front()];
            if (last.X2 == ax && last.Y2 == ay)
                ua = Unit({double(last.X2 - last.X1), double(last.Y2 - last.Y1)});
            if (first.X1 == bx && first.Y1 == by)
                ub = Unit({double(first.X2 - first.X1), double(first.Y2 - first.Y1)});
        }
        std::vector<TPointM> fallback;
        loop.Made = false;
        const TLineGrid lines(Chains);
        for (double radius : {16.0, 20.0, 13.0, 25.0}) {
            for (const std::vector<TPointM>& path : DubinsPaths(a, ua, b, ub, radius)) {
                if (fallback.empty()) fallback = path;
                if (Clear(path, fromGroup, toGroup, lines)) {
                    loop.Path = path;
                    loop.Made = true;
                    break;
                }
            }
            if (loop.Made) break;
        }
        if (!loop.Made) {
            loop.Path = fallback;
            loop.Made = !fallback.empty();
            LoopConflicts += loop.Made;
        }
        Shape(chain);
    }

    // The segments of the chains' lines as they are now, by cell, so that a point is measured
    // against the segments near it only. Each segment is listed in every cell its bounding box
    // meets; cells are counted from the lines' least corner, those beyond the last taking in
    // what lies farther.
    class TLineGrid {
      public:
        explicit TLineGrid(const std::vector<TChain>& chains) {
            double x1 = -Huge, y1 = -Huge;
            for (const TChain& chain : chains)
                for (const TPointM& p : chain.Line.Points()) {
                    X0 = std::min(X0, p.X), Y0 = std::min(Y0, p.Y);
                    x1 = std::max(x1, p.X), y1 = std::max(y1, p.Y);
                }
            if (!(X0 <= x1 && Y0 <= y1)) return; // no points (or not finite)
            Columns = std::clamp(int((x1 - X0) / Cell) + 1, 1, MostCells);
            Rows = std::clamp(int((y1 - Y0) / Cell) + 1, 1, MostCells);
            Start.assign(std::size_t(Columns) * Rows + 1, 0);
            // Counted first, then filled: one array for all cells.
            for (int pass = 0; pass < 2; ++pass) {
                if (pass == 1) {
                    for (std::size_t c = 1; c < Start.size(); ++c)
                        Start[c] += Start[c - 1];
                    Items.resize(std::size_t(Start.back()));
                }
                for (int c = 0; c < int(chains.size()); ++c) {
                    const auto& pts = chains[std::size_t(c)].Line.Points();
                    for (std::size_t k = 1; k < pts.size(); ++k) {
                        const TPointM a = pts[k - 1], b = pts[k];
                        const int c0 = Column(std::min(a.X, b.X)), c1 = Column(std::max(a.X, b.X));
                        const int r0 = Row(std::min(a.Y, b.Y)), r1 = Row(std::max(a.Y, b.Y));
                        for (int r = r0; r <= r1; ++r)
                            for (int col = c0; col <= c1; ++col) {
                                const std::size_t cell = std::size_t(r) * Columns + col;
                                if (pass == 0)
                                    ++Start[cell + 1];
                                else
                                    Items[std::size_t(Start[cell]++)] = {c, int(k)};
                            }
                    }
                }
                // The fill moved each cell's start on to the next one's: back by one cell.
                if (pass == 1) {
                    for (std::size_t c = Start.size() - 1; c > 0; --c)
                        Start[c] = Start[c - 1];
                    Start[0] = 0;
                }
            }
        }
        // Calls visit(chain, k) for every segment k - 1..k of a chain's line that may come
        // within `reach` of p (some more than once).
        template <typename TVisit> bool Any(TPointM p, double reach, TVisit visit) const {
            if (Items.empty()) return false;
            const int c0 = Column(p.X - reach), c1 = Column(p.X + reach);
            const int r0 = Row(p.Y - reach), r1 = Row(p.Y + reach);
            for (int r = r0; r <= r1; ++r)
                for (int col = c0; col <= c1; ++col) {
                    const std::size_t cell = std::size_t(r) * Columns + col;
                    for (int i = Start[cell]; i < Start[cell + 1]; ++i)
                        if (visit(Items[std::size_t(i)].first, Items[std::size_t(i)].second))
                            return true;
                }
            return false;
        }

      private:
        static constexpr double Cell = 40, Huge = 1e300;
        static constexpr int MostCells = 2048;
        int Column(double x) const { return Index(x - X0, Columns); }
        int Row(double y) const { return Index(y - Y0, Rows); }
        static int Index(double at, int count) {
            if (!(at > 0)) return 0; // NaN too
            return at / Cell >= count ? count - 1 : int(at / Cell);
        }
        double X0 = Huge, Y0 = Huge;
        int Columns = 0, Rows = 0;
        std::vector<int> Start;                 // per cell, into Items; one more at the end
        std::vector<std::pair<int, int>> Items; // chain, index of a segment's second point
    };

    // Whether a loop keeps its distance from every chain but where it leaves and rejoins them.
    bool Clear(const std::vector<TPointM>& path, int fromGroup, int toGroup) const {
        return Clear(path, fromGroup, toGroup, TLineGrid(Chains));
    }
    // The same, with the chains' lines as `lines` holds them.
    bool Clear(const std::vector<TPointM>& path, int fromGroup, int toGroup,
               const TLineGrid& lines) const {
        for (const TPointM& p : path)
            if (p.X < 5 || p.Y < 5 || p.X > 9994 || p.Y > 9994) return false;
        const TPolyline line(path);
        for (std::size_t i = 0; i < path.size(); ++i) {
            const double s = line.Along()[i];
            const bool nearEnds = s < 15 || s > line.Length() - 15;
            // Any segment within LoopClearance has its bounding box within it too.
            const bool near = lines.Any(path[i], LoopClearance + 1, [&](int c, int k) {
                const TChain& chain = Chains[std::size_t(c)];
                const auto& pts = chain.Line.Points();
                const TPointM p = path[i], a = pts[std::size_t(k) - 1], b = pts[std::size_t(k)];
                // Farther from its bounding box (with a margin for rounding): farther from it.
                constexpr double Beyond = LoopClearance + 0.01;
                if (p.X < std::min(a.X, b.X) - Beyond || p.X > std::max(a.X, b.X) + Beyond ||
                    p.Y < std::min(a.Y, b.Y) - Beyond || p.Y > std::max(a.Y, b.Y) + Beyond)
                    return false;
                const bool touches = chain.FromGroup == fromGroup || chain.ToGroup == fromGroup ||
                                     chain.FromGroup == toGroup || chain.ToGroup == toGroup;
                if (touches && nearEnds) return false;
                return SegmentDistance(p, a, b) < LoopClearance;
            });
            if (near) return false;
        }
        return true;
    }

    // ---- Switches of three branches ----

    // A point where three chains begin would give the rails arriving there three successors.
    // Of the two branches that leave in the most alike directions, one branches off the other
    // a rail later: two switches, one after the other.
    void SplitThreeWaySwitches() {
        for (int round = 0; round < 8; ++round) {
            std::map<int, std::vector<int>> starting;
            for (int c = 0; c < int(Chains.size()); ++c)
                if (Chains[c].Prefix < 0) starting[Chains[c].FromGroup].push_back(c);
            bool changed = false;
            for (const auto& [group, chains] : starting) {
                if (chains.size() <= 2) continue;
                auto heading = [&](int c) {
                    const TPolyline& line = Chains[c].Line;
                    return Unit(line.At(std::min(10.0, line.Length())) - line.At(0));
                };
                int a = -1, b = -1;
                double best = -2;
                // A loop's line is a placeholder until it is shaped: only laid chains pair.
                for (std::size_t i = 0; i < chains.size(); ++i)
                    for (std::size_t j = i + 1; j < chains.size(); ++j) {
                        if (Chains[chains[i]].Steps.front().Loop ||
                            Chains[chains[j]].Steps.front().Loop)
                            continue;
                        const double alike = Dot(heading(chains[i]), heading(chains[j]));
                        if (alike > best) best = alike, a = chains[i], b = chains[j];
                    }
                if (a < 0) continue;
                if (Chains[b].Line.Length() > Chains[a].Line.Length()) std::swap(a, b);
                constexpr double Branch = LeastRail + 0.5;
                TChain &along = Chains[a], &off = Chains[b];
                if (along.Line.Length() < 2 * Branch || off.Line.Length() < 2 * Branch) continue;
                // A stop over the first rail of `along` moves on past the branch point, and the
                // stops of `off`, whose line starts there now, come back by as much: each keeps
                // its length, so that no stop rail comes out short.
                const bool room = std::all_of(
                    along.StopSpans.begin(), along.StopSpans.end(), [&](const auto& span) {
                        return span.second + Branch <= along.Line.Length() - LeastRail;
                    });
                if (!room) continue;
                // The branch leaves from where the first rail of the other ends.
                std::vector<TPointM> points{along.Line.At(Branch)};
                for (std::size_t k = 0; k < off.Line.Points().size(); ++k)
                    if (off.Line.Along()[k] > Branch + 2) points.push_back(off.Line.Points()[k]);
                if (points.size() < 2) continue;
                for (auto& [x, y] : along.StopSpans)
                    if (x < Branch) y += Branch - x, x = Branch;
                along.MustCut = Branch;
                off.Line = TPolyline(std::move(points));
                off.Prefix = a;
                for (auto& [x, y] : off.StopSpans) {
                    const double length = y - x;
                    x = std::max(0.0, x - Branch);
                    y = x + length;
                }
                changed = true;
                break; // the starts changed: counted again
            }
            if (!changed) break;
        }
    }

    // ---- Rails ----

    // Where a chain is cut into rails: at most LongestRail apart, at least LeastRail, each rail
    // within ChordTolerance of the line, stop spans whole.
    std::vector<double> Cuts(const TChain& chain) const {
        const TPolyline& line = chain.Line;
        const double length = line.Length();
        std::vector<double> cuts{0};
        auto inStopSpan = [&](double s) {
            for (auto [a, b] : chain.StopSpans)
                if (s > a + 1e-6 && s < b - 1e-6) return true;
            return false;
        };
        auto inStop = [&](double s) {
            for (auto [a, b] : chain.StopSpans)
                if (s > a + 1e-6 && s < b - 1e-6) return true;
            // A loop turns too tightly to skip a cut: its rails stay short.
            if (!chain.Steps.front().Loop) {
                for (double c : chain.Crossings)
                    if (std::abs(s - c) < CrossingClearance) return true;
                for (auto [a, b] : chain.Crowded)
                    if (s > a - 1 && s < b + 1) return true;
            }
            return false;
        };
        // Candidate places: the line's points and the stop spans' ends.
        std::vector<double> candidates(line.Along().begin(), line.Along().end());
        for (auto [a, b] : chain.StopSpans) {
            candidates.push_back(a);
            candidates.push_back(b);
        }
        std::sort(candidates.begin(), candidates.end());
        std::size_t k = 0;
        while (length - cuts.back() >= 2 * LeastRail) {
            const double from = cuts.back();
            // A stop span starting ahead is cut at its start, its end next.
            std::optional<double> mandatory;
            if (chain.MustCut >= from + LeastRail - 1e-6 && chain.MustCut <= from + LongestRail)
                mandatory = chain.MustCut;
            for (auto [a, b] : chain.StopSpans) {
                if (mandatory) break;
                if (a >= from + LeastRail - 1e-6 && a <= from + LongestRail) {
                    mandatory = a;
                    break;
                }
                if (a <= from + 1e-6 && b > from + 1e-6) {
                    mandatory = b;
                    break;
                }
            }
            double best = -1;
            for (; k < candidates.size() && candidates[k] < from + LeastRail; ++k) {
            }
            for (std::size_t j = k; j < candidates.size(); ++j) {
                const double s = candidates[j];
                if (s > from + LongestRail || s > length - LeastRail) break;
                if (mandatory && s > *mandatory + 1e-6) break;
                if (inStop(s)) continue;
                if (line.Deviation(from, s) > ChordTolerance && best > 0) break;
                best = s;
            }
            if (mandatory && (best < 0 || std::abs(best - *mandatory) > 1e-6) &&
                *mandatory <= length - LeastRail && *mandatory >= from + LeastRail - 1e-6)
                best = *mandatory;
            if (best < 0) {
                // No point of the line fits, out of the stretches near other chains: the point
                // the chord strays least to, near them or not (a rail running on beside another
                // line would cut off its bends), else a cut between on a straight stretch.
                double leastStray = 1e9;
                for (std::size_t j = k; j < candidates.size(); ++j) {
                    const double s = candidates[j];
                    if (s > from + LongestRail || s > length - LeastRail) break;
                    if (inStopSpan(s)) continue;
                    const double stray = line.Deviation(from, s);
                    if (stray <= ChordTolerance || best < 0 || stray < leastStray) {
                        best = s;
                        leastStray = std::min(leastStray, stray);
                    }
                    if (stray > ChordTolerance) break;
                }
                if (best < 0) {
                    const double s = std::min(from + LongestRail, length - LeastRail);
                    if (s < from + LeastRail || inStopSpan(s)) break;
                    best = s;
                }
            }
            cuts.push_back(best);
        }
        cuts.push_back(length);
        return cuts;
    }

    // The map point of a group, rounded once so that every rail ending there shares it. Two
    // groups never share one: the rails of different flows would join there. The later group
    // takes the nearest free point instead.
    std::pair<int, int> GroupPoint(int group) {
        if (auto it = Rounded.find(group); it != Rounded.end()) return it->second;
        const TPointM p = Points.at(group);
        std::pair<int, int> best{int(std::lround(p.X)), int(std::lround(p.Y))};
        double bestDistance = 1e9;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy) {
                const std::pair<int, int> q{int(std::lround(p.X)) + dx, int(std::lround(p.Y)) + dy};
                if (Taken.count(q)) continue;
                const double d = std::hypot(q.first - p.X, q.second - p.Y);
                if (d < bestDistance) bestDistance = d, best = q;
            }
        Taken.insert(best);
        Rounded[group] = best;
        return best;
    }

    // Where other chains cross each chain (or touch it: a switch's branches): a cut there would
    // make both rails on either side near to every rail of the crossing line.
    void FindCrossings() {
        // Each segment of each chain listed under every cell its bounding box meets, sorted by
        // cell (in the order listed within one): the cells one after another.
        struct TListed {
            std::pair<int, int> Cell;
            int Chain;
            std::size_t K; // the segment K - 1..K of the chain's line
        };
        std::vector<TListed> listed;
        for (int c = 0; c < int(Chains.size()); ++c) {
            const auto& pts = Chains[c].Line.Points();
            for (std::size_t k = 1; k < pts.size(); ++k) {
                const TPointM a = pts[k - 1], b = pts[k];
                const int x0 = int(std::floor(std::min(a.X, b.X) / LaneCell));
                const int x1 = int(std::floor(std::max(a.X, b.X) / LaneCell));
                const int y0 = int(std::floor(std::min(a.Y, b.Y) / LaneCell));
                const int y1 = int(std::floor(std::max(a.Y, b.Y) / LaneCell));
                for (int x = x0; x <= x1; ++x)
                    for (int y = y0; y <= y1; ++y)
                        listed.push_back({{x, y}, c, k});
            }
        }
        std::stable_sort(listed.begin(), listed.end(),
                         [](const TListed& a, const TListed& b) { return a.Cell < b.Cell; });
        for (TChain& chain : Chains)
            chain.Crossings.clear();
        for (std::size_t from = 0; from < listed.size();) {
            std::size_t to = from + 1;
            while (to < listed.size() && listed[to].Cell == listed[from].Cell)
                ++to;
            for (std::size_t i = from; i < to; ++i)
                for (std::size_t j = from; j < to; ++j) {
                    const int c = listed[i].Chain, d = listed[j].Chain;
                    const std::size_t k = listed[i].K, m = listed[j].K;
                    if (c == d) continue;
                    const auto& p = Chains[c].Line.Points();
                    const auto& q = Chains[d].Line.Points();
                    const TPointM a = p[k - 1], b = p[k], u = q[m - 1], v = q[m];
                    const double o1 = Cross(b - a, u - a), o2 = Cross(b - a, v - a);
                    const double o3 = Cross(v - u, a - u), o4 = Cross(v - u, b - u);
                    if (!((o1 > 0) != (o2 > 0) && (o3 > 0) != (o4 > 0))) continue;
                    const double t = o3 / (o3 - o4); // where on a-b the other crosses
                    Chains[c].Crossings.push_back(Chains[c].Line.Along()[k - 1] + t * Norm(b - a));
                }
            from = to;
        }
        // Stretches where another chain runs within 4.5 m: cut there, a rail would add two
        // rails to every near list of that chain instead of one.
        constexpr double Near = 4.5;
        for (int c = 0; c < int(Chains.size()); ++c) {
            TChain& chain = Chains[std::size_t(c)];
            chain.Crowded.clear();
            const double length = chain.Line.Length();
            // The stretches of `listed` in the cells around the last point's cell, x then y.
            std::optional<std::pair<int, int>> around;
            std::array<std::pair<std::size_t, std::size_t>, 9> ranges{};
            for (double s = 0; s <= length; s += 1.0) {
                const TPointM p = chain.Line.At(s);
                const std::pair<int, int> cell{int(std::floor(p.X / LaneCell)),
                                               int(std::floor(p.Y / LaneCell))};
                if (around != cell) {
                    around = cell;
                    for (std::size_t i = 0; i < ranges.size(); ++i) {
                        const TListed key{
                            {cell.first - 1 + int(i / 3), cell.second - 1 + int(i % 3)}, 0, 0};
                        const auto [lo, hi] = std::equal_range(
                            listed.begin(), listed.end(), key,
                            [](const TListed& a, const TListed& b) { return a.Cell < b.Cell; });
                        ranges[i] = {std::size_t(lo - listed.begin()),
                                     std::size_t(hi - listed.begin())};
                    }
                }
                bool near = false;
                for (std::size_t i = 0; i < ranges.size() && !near; ++i)
                    for (std::size_t n = ranges[i].first; n < ranges[i].second; ++n) {
                        const TListed& other = listed[n];
                        if (other.Chain == c) continue;
                        const auto& q = Chains[std::size_t(other.Chain)].Line.Points();
                        const TPointM a = q[other.K - 1], b = q[other.K];
                        // Farther from its bounding box (with a margin for rounding): farther
                        // from it.
                        constexpr double Beyond = Near + 0.01;
                        if (p.X < std::min(a.X, b.X) - Beyond ||
                            p.X > std::max(a.X, b.X) + Beyond ||
                            p.Y < std::min(a.Y, b.Y) - Beyond || p.Y > std::max(a.Y, b.Y) + Beyond)
                            continue;
                        if (SegmentDistance(p, a, b) < Near) {
                            near = true;
                            break;
                        }
                    }
                if (!near) continue;
                if (!chain.Crowded.empty() && s - chain.Crowded.back().second <= 1.5)
                    chain.Crowded.back().second = s;
                else
                    chain.Crowded.push_back({s, s});
            }
        }
        for (TChain& chain : Chains) {
            std::sort(chain.Crossings.begin(), chain.Crossings.end());
            chain.Crossings.erase(std::unique(chain.Crossings.begin(), chain.Crossings.end()),
                                  chain.Crossings.end());
        }
    }

    // Lays the chains without loops, or the loops.
    void LayChains(bool loops) {
        if (!loops) FindCrossings();
        // Chains that branch off another are laid after it: they start where its rail ends.
        std::vector<int> order;
        for (int c = 0; c < int(Chains.size()); ++c)
            if (Chains[c].Prefix < 0) order.push_back(c);
        for (int c = 0; c < int(Chains.size()); ++c)
            if (Chains[c].Prefix >= 0) order.push_back(c);
        for (int c : order) {
            TChain& chain = Chains[std::size_t(c)];
            if (chain.Steps.front().Loop != loops) continue;
            if (chain.Steps.front().Loop && !Loops[chain.Steps.front().Index].Made) continue;
            if (chain.Prefix >= 0) {
                const TChain& along = Chains[std::size_t(chain.Prefix)];
                if (along.Rails.empty()) continue;
                const TMapObject& first = Map.Objects[along.Rails.front()];
                chain.StartPoint = std::pair{int(first.X2), int(first.Y2)};
                chain.PrefixRails = 1;
            }
            const std::vector<double> cuts = Cuts(chain);
            std::vector<std::pair<int, int>> points;
            points.push_back(chain.StartPoint ? *chain.StartPoint : GroupPoint(chain.FromGroup));
            for (std::size_t k = 1; k + 1 < cuts.size(); ++k) {
                const TPointM p = chain.Line.At(cuts[k]);
                points.push_back({int(std::lround(p.X)), int(std::lround(p.Y))});
            }
            points.push_back(GroupPoint(chain.ToGroup));
            // Rounding may leave a rail under 10 m: it gives its length to the next one.
            auto longEnough = [&](std::size_t a, std::size_t b) {
                const long long dx = points[b].first - points[a].first;
                const long long dy = points[b].second - points[a].second;
                return dx * dx + dy * dy >= 100;
            };
            std::vector<std::size_t> kept{0};
            for (std::size_t k = 1; k + 1 < points.size(); ++k)
                if (longEnough(kept.back(), k)) kept.push_back(k);
            // The last rail takes over the one before it when it comes out short.
            while (kept.size() > 1 && !longEnough(kept.back(), points.size() - 1))
                kept.pop_back();
            kept.push_back(points.size() - 1);
            const int speed = chain.Steps.front().Loop ? 25 : SpeedOf(chain);
            for (std::size_t k = 1; k < kept.size(); ++k) {
                const auto [x0, y0] = points[kept[k - 1]];
                const auto [x1, y1] = points[kept[k]];
                TMapObject rail = MakeObject(Rail, x0, y0, x1, y1);
                rail.SetSpeedGrade(GradeFor(speed));
                const double mid = (cuts[kept[k - 1]] + cuts[kept[k]]) / 2;
                for (auto [a, b] : chain.StopSpans)
                    if (mid > a && mid < b) rail.SetStopType(1);
                if (!Map.AddObject(rail)) {
                    Full = true;
                    return;
                }
                chain.Rails.push_back(Map.ObjectCount() - 1);
                ++Result.Rails;
                Result.StopRails += rail.IsStop();
                Result.TrackLength += std::hypot(x1 - x0, y1 - y0);
            }
        }
        Result.Loops = int(std::count_if(Loops.begin(), Loops.end(),
                                         [](const TLoop& l) { return l.Made && l.SameAs < 0; }));
        Result.CrowdedLoops = LoopConflicts;
    }

    // ---- Near rails ----

    // How many rails lie within 4 m of each rail without continuing it, as the network's check
    // counts them; -1 for what is no rail.
    std::vector<std::vector<int>> NearSets() const {
        constexpr int Cell = 16;
        auto cellsOf = [&](const TMapObject& o, auto visit) {
            const int x0 = (std::min(o.X1, o.X2) - 4) / Cell,
                      x1 = (std::max(o.X1, o.X2) + 4) / Cell;
            const int y0 = (std::min(o.Y1, o.Y2) - 4) / Cell,
                      y1 = (std::max(o.Y1, o.Y2) + 4) / Cell;
            for (int x = x0; x <= x1; ++x)
                for (int y = y0; y <= y1; ++y)
                    visit(std::pair{x, y});
        };
        // Each rail under every cell it reaches, sorted by cell.
        std::vector<std::pair<std::pair<int, int>, int>> cells;
        for (int i = 0; i < Map.ObjectCount(); ++i)
            if (Map.Objects[i].IsRail() && !IsDead(i))
                cellsOf(Map.Objects[i], [&](auto c) { cells.push_back({c, i}); });
        std::sort(cells.begin(), cells.end());
        std::vector<std::vector<int>> sets(Map.Objects.size());
        std::vector<int> candidates;
        for (int i = 0; i < Map.ObjectCount(); ++i) {
            const TMapObject& a = Map.Objects[i];
            if (!a.IsRail() || IsDead(i)) continue;
            candidates.clear();
            cellsOf(a, [&](auto c) {
                auto it = std::lower_bound(cells.begin(), cells.end(), std::pair{c, -1});
                for (; it != cells.end() && it->first == c; ++it)
                    candidates.push_back(it->second);
            });
            std::sort(candidates.begin(), candidates.end());
            candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
            std::vector<int>& near = sets[std::size_t(i)];
            for (int j : candidates) {
                if (j == i) continue;
                const TMapObject& b = Map.Objects[j];
                const bool next = a.X2 == b.X1 && a.Y2 == b.Y1 && Dot(a, b) > 0;
                if (!next && SegmentDistSq(a, b) < 16) near.push_back(j);
            }
        }
        return sets;
    }
    bool IsDead(int rail) const {
        return std::size_t(rail) < Dead.size() && Dead[std::size_t(rail)];
    }

    // A rail within 4 m of more than six others (a long rail across a junction, or one that
    // crosses a line where its rails meet) is cut in two, and again, until each half sees few
    // enough of them.
    void SplitCrowdedRails() {
        for (int round = 0; round < 8 && !Full; ++round) {
            const std::vector<std::vector<int>> near = NearSets();
            bool split = false;
            for (TChain& chain : Chains)
                for (std::size_t k = 0; k < chain.Rails.size(); ++k) {
                    const int r = chain.Rails[k];
                    if (near[std::size_t(r)].size() <= 6) continue;
                    const TMapObject o = Map.Objects[r];
                    const double length = Length(o);
                    if (length < (o.IsStop() ? 25 + LeastRail : 2 * LeastRail)) continue;
                    // A stop keeps its rail of 25 m at the end, where trams halt.
                    const double at = o.IsStop() ? 1 - 26 / length : 0.5;
                    const int x = int(std::lround(o.X1 + at * (o.X2 - o.X1)));
                    const int y = int(std::lround(o.Y1 + at * (o.Y2 - o.Y1)));
                    TMapObject first = o, second = o;
                    first.X2 = std::int16_t(x), first.Y2 = std::int16_t(y);
                    second.X1 = std::int16_t(x), second.Y1 = std::int16_t(y);
                    if (o.IsStop()) first.SetStopType(0);
                    if (!Map.AddObject(second)) {
                        Full = true;
                        return;
                    }
                    Map.Objects[r] = first;
                    chain.Rails.insert(chain.Rails.begin() + long(k) + 1, Map.ObjectCount() - 1);
                    ++Result.Rails;
                    ++k;
                    split = true;
                }
            if (!split) break;
        }
        MergeCrowdingPairs();
        RemoveDead();
    }

    // Two rails of one line, end to start, both within 4 m of a crowded rail (its line crosses
    // theirs where they meet) become one rail, where the line is straight enough there.
    void MergeCrowdingPairs() {
        std::map<int, std::pair<int, std::size_t>> place; // rail -> chain, position
        for (int c = 0; c < int(Chains.size()); ++c)
            for (std::size_t k = 0; k < Chains[c].Rails.size(); ++k)
                place[Chains[c].Rails[k]] = {c, k};
        Dead.assign(Map.Objects.size(), false);
        for (int round = 0; round < 8; ++round) {
            const std::vector<std::vector<int>> near = NearSets();
            bool merged = false;
            for (int r = 0; r < Map.ObjectCount(); ++r) {
                if (near[std::size_t(r)].size() <= 6) continue;
                const std::set<int> crowd(near[std::size_t(r)].begin(), near[std::size_t(r)].end());
                for (int a : near[std::size_t(r)]) {
                    if (Dead[std::size_t(a)] || !place.count(a)) continue;
                    auto& [c, k] = place[a];
                    TChain& chain = Chains[std::size_t(c)];
                    if (k + 1 >= chain.Rails.size()) continue;
                    const int b = chain.Rails[k + 1];
                    if (!crowd.count(b) || Dead[std::size_t(b)]) continue;
                    TMapObject& first = Map.Objects[a];
                    const TMapObject& second = Map.Objects[b];
                    if (first.IsStop() && second.IsStop()) continue;
                    TMapObject joined = first;
                    joined.X2 = second.X2, joined.Y2 = second.Y2;
                    if (second.IsStop()) joined.SetStopType(second.StopType());
                    const double bend = SegmentDistance({double(first.X2), double(first.Y2)},
                                                        {double(joined.X1), double(joined.Y1)},
                                                        {double(joined.X2), double(joined.Y2)});
                    if (bend > 1.5 || CountNear(joined, a, b) > 6 || !PlainJoint(a, b)) continue;
                    first = joined;
                    Dead[std::size_t(b)] = true;
                    chain.Rails.erase(chain.Rails.begin() + long(k) + 1);
                    for (std::size_t j = k + 1; j < chain.Rails.size(); ++j)
                        place[chain.Rails[j]].second = j;
                    place.erase(b);
                    --Result.Rails;
                    merged = true;
                    break; // the crowd changed: counted again next round
                }
            }
            if (!merged) break;
        }
    }

    // Whether rail a ends only where rail b starts: no other rail starts or ends there (a branch
    // leaving a rail later would lose its start if the two were made one).
    bool PlainJoint(int a, int b) const {
        const TMapObject& first = Map.Objects[std::size_t(a)];
        for (int r = 0; r < Map.ObjectCount(); ++r) {
            const TMapObject& o = Map.Objects[std::size_t(r)];
            if (Dead[std::size_t(r)] || !o.IsRail()) continue;
            if ((r != b && o.X1 == first.X2 && o.Y1 == first.Y2) ||
                (r != a && o.X2 == first.X2 && o.Y2 == first.Y2))
                return false;
        }
        return true;
    }

    // How many live rails would lie near `o`, standing for rails a and b.
    int CountNear(const TMapObject& o, int a, int b) const {
        int count = 0;
        for (int j = 0; j < Map.ObjectCount(); ++j) {
            if (j == a || j == b || IsDead(j) || !Map.Objects[j].IsRail()) continue;
            const TMapObject& other = Map.Objects[j];
            // Apart by 5 m or more along an axis: not within 4 m, nor measured.
            if (std::min(other.X1, other.X2) - std::max(o.X1, o.X2) >= 5 ||
                std::min(o.X1, o.X2) - std::max(other.X1, other.X2) >= 5 ||
                std::min(other.Y1, other.Y2) - std::max(o.Y1, o.Y2) >= 5 ||
                std::min(o.Y1, o.Y2) - std::max(other.Y1, other.Y2) >= 5)
                continue;
            const bool next = o.X2 == other.X1 && o.Y2 == other.Y1 && Dot(o, other) > 0;
            if (!next && SegmentDistSq(o, other) < 16) ++count;
        }
        return count;
    }

    // Takes merged-away rails out of the map, renumbering the chains' rails.
    void RemoveDead() {
        if (std::find(Dead.begin(), Dead.end(), true) == Dead.end()) return;
        std::vector<int> renumber(Map.Objects.size(), -1);
        std::vector<TMapObject> kept;
        for (std::size_t i = 0; i < Map.Objects.size(); ++i)
            if (!IsDead(int(i))) {
                renumber[i] = int(kept.size());
                kept.push_back(Map.Objects[i]);
            }
        Map.Objects = std::move(kept);
        for (TChain& chain : Chains)
            for (int& rail : chain.Rails)
                rail = renumber[std::size_t(rail)];
        Dead.clear();
    }

    // A rail's speed limit allows for the bend into the gentler branch of a switch only (and
    // is held at 30 km/h there): a branch that turns sharper would overturn trams taking it at
    // that speed. The rail's own speed grade is lowered to the speed its sharpest joint allows.
    void SlowBeforeSharpJoints() {
        std::map<std::pair<int, int>, std::vector<int>> starting;
        for (int i = 0; i < Map.ObjectCount(); ++i)
            if (Map.Objects[i].IsRail())
                starting[{Map.Objects[i].X1, Map.Objects[i].Y1}].push_back(i);
        for (int i = 0; i < Map.ObjectCount(); ++i) {
            TMapObject& rail = Map.Objects[i];
            if (!rail.IsRail()) continue;
            double allowed = 1e9;
            for (int j : starting[{rail.X2, rail.Y2}]) {
                const TMapObject& next = Map.Objects[j];
                if (Dot(rail, next) <= 0) continue;
                const double c = std::min(1.0, std::abs(CosAngle(rail, next)));
                const double bend = std::sqrt(0.05 * std::sqrt((1 - c) / (1 + c)));
                if (bend > 0) allowed = std::min(allowed, 3.6 / bend);
            }
            const double base = rail.SpeedGrade() * 0.3 + 15;
            if (allowed * 0.95 < base)
                rail.SetSpeedGrade(
                    std::uint8_t(std::clamp(int((allowed * 0.95 - 15) / 0.3), 0, 255)));
        }
    }

    int SpeedOf(const TChain& chain) const {
        int speed = 80;
        for (const TStep& s : chain.Steps)
            speed = std::min(speed, Edges[s.Index].Speed);
        return speed;
    }

    // The rails of a circuit in driving order, chain after chain.
    void CircuitRails(const std::vector<TStep>& steps, TLaidCircuit& laid) {
        if (Full) {
            laid.Failed = true;
            laid.Why = translate("Import", "на карте не хватило места для рельсов");
            return;
        }
        int last = -1;
        for (const TStep& s : steps) {
            int chain = -1;
            if (s.Loop) {
                if (!Loops[Primary(s.Index)].Made) {
                    laid.Failed = true;
                    laid.Why = translate("Import", "для разворотного кольца нет места");
                    return;
                }
                chain = ChainOfLoop[Primary(s.Index)];
            } else {
                if (Collapsed.count(s.Index)) continue;
                chain = ChainOfEdge[s.Index];
            }
            if (chain == last) continue;
            last = chain;
            if (const TChain& branch = Chains[chain]; branch.Prefix >= 0)
                for (int k = 0; k < branch.PrefixRails; ++k) {
                    const int rail = Chains[branch.Prefix].Rails[std::size_t(k)];
                    laid.Rails.push_back(rail);
                    if (Map.Objects[rail].IsStop()) laid.StopRails.push_back(rail);
                }
            for (int rail : Chains[chain].Rails) {
                laid.Rails.push_back(rail);
                if (Map.Objects[rail].IsStop()) laid.StopRails.push_back(rail);
            }
        }
        // A circuit that ends in the chain it started in has that chain's rails twice.
        if (!steps.empty() && !laid.Rails.empty()) {
            const int first = steps.front().Loop ? ChainOfLoop[Primary(steps.front().Index)]
                                                 : ChainOfEdge[steps.front().Index];
            if (first == last && Chains[first].Rails.size() < laid.Rails.size()) {
                const std::size_t n = Chains[first].Rails.size();
                laid.Rails.erase(laid.Rails.end() - long(n), laid.Rails.end());
            }
        }
    }

    TMap& Map;
    const TTrackGraph& Graph;
    const std::vector<TCircuitPlan>& Plans;
    TRailNetwork Result;
    std::vector<TEdge> Edges;
    std::map<std::pair<TOsmId, TOsmId>, int> EdgeIndex;
    std::vector<TLoop> Loops;
    std::vector<std::vector<TStep>> Circuits;
    TUnionFind Ends;
    std::map<int, TPointM> Points; // by group
    std::map<int, int> InCount, OutCount, OutEdge;
    std::vector<TChain> Chains;
    std::vector<int> ChainOfEdge, ChainOfLoop;
    std::set<int> Collapsed;
    std::map<int, std::pair<int, int>> Rounded;
    std::set<std::pair<int, int>> Taken;
    std::vector<bool> Dead; // rails merged into the one before them
    struct TCellHash {
        std::size_t operator()(std::pair<int, int> c) const {
            return std::hash<unsigned long long>()(
                (static_cast<unsigned long long>(static_cast<unsigned>(c.first)) << 32) |
                static_cast<unsigned>(c.second));
        }
    };
    std::unordered_map<std::pair<int, int>, std::vector<int>, TCellHash> LaneCells; // looked up
    mutable std::vector<bool> SeenLane; // by edge: LanesBeside's scratch, all false between calls
    std::unordered_map<TOsmId, std::vector<std::pair<TOsmId, double>>> Joins; // looked up only
    int LoopConflicts = 0;
    int StopsWithoutRoom = 0;
    bool Full = false;
};

} // namespace

TRailNetwork LayRails(TMap& map, const TTrackGraph& graph, const std::vector<TCircuitPlan>& plans) {
    return TBuilder(map, graph, plans).Build();
}

} // namespace vell::import
