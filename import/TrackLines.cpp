// Lines made from the track: the track inside the square as chains between junctions, a bounded
// depth-first search over the chains a tram can drive from one to the next, and the paths it
// finds made into circuits.
#include "import/TrackLines.h"

#include "import/PlaneGeometry.h"
#include "import/SegmentGrid.h"
#include "model/Route.h"
#include "model/RouteTable.h"
#include "model/Utf8.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>

namespace vell::import {

namespace {

// One search pushes about this many chains at most, shared among its starts (each gets a few):
// every path of a small city's network, and a bound on a larger one, where the number of paths
// doubles with each switch. A network of 260 km searches in about 0.2 s.
constexpr long SearchBudget = 30000;
constexpr long LeastStartBudget = 4;

// Metres on an earlier path's own track weigh this much, breaking ties between paths of equal
// gain; metres beside it (on the other track of a double line) cost half their length: a line
// there would lay a second pair of rails beside the first one's, where trams of the two lines
// cross each other's way at every junction.
constexpr double ReuseWeight = 1e-2, BesideWeight = -0.5;

// A ring of track with no junction makes a line round all of it but this much.
constexpr double RingGap = 100;

// Track alongside: directions within this angle, either way.
constexpr double AlongsideDegrees = 30;

double CosOfDegrees(double degrees) {
    return std::cos(degrees * std::numbers::pi / 180);
}

class TPathSearch {
  public:
    TPathSearch(const TTrackGraph& graph, const TTrackPathOptions& options)
        : Options(options), LeastTurnCos(CosOfDegrees(SharpestTurnDegrees) - 1e-9) {
        TakeGraph(graph);
        FindShadows();
        MakeChains();
        LinkChains();
        FindTwins();
    }

    std::vector<std::vector<TOsmId>> Paths() {
        std::vector<std::vector<TOsmId>> paths;
        while (int(paths.size()) < Options.MostPaths) {
            const double least = paths.empty() ? Options.LeastFirst : Options.LeastGain;
            const TFound best = Search(least);
            if (best.Chains.empty() || best.Score.Gain < least) break;
            Commit(best.Chains);
            paths.push_back(NodesOf(best.Chains));
        }
        return paths;
    }

  private:
    struct TEdge {
        int A = 0, B = 0;
        double Length = 0;
        std::vector<int> Shadows; // edges alongside this one, which it covers
    };
    // Track between two junctions (or ends, or turns too sharp to drive), nodes in order. A
    // directed chain d is chain d / 2, along its nodes when d is even, against them when odd.
    struct TChain {
        std::vector<int> Nodes, Edges;
        double Length = 0;
    };
    struct TScore {
        double Gain = 0;   // track no earlier path covers
        double Reuse = 0;  // track of an earlier path
        double Beside = 0; // track beside an earlier path's
        double Value() const { return Gain + ReuseWeight * Reuse + BesideWeight * Beside; }
    };
    struct TFound {
        TScore Score;
        std::vector<int> Chains; // directed
    };

    // ---- The graph ----

    // The nodes inside the margin with a usable edge, in id order, and their edges.
    void TakeGraph(const TTrackGraph& graph) {
        std::map<TOsmId, int> index;
        auto usable = [&](TOsmId id) { return InsideMargin(graph.Points.at(id), Options.Margin); };
        std::vector<std::pair<TOsmId, TOsmId>> pairs;
        for (const auto& [a, neighbours] : graph.Neighbours)
            for (TOsmId b : neighbours)
                if (a < b && usable(a) && usable(b) && !Options.Excluded.count({a, b}))
                    pairs.emplace_back(a, b);
        std::sort(pairs.begin(), pairs.end());
        for (const auto& [a, b] : pairs)
            for (TOsmId id : {a, b})
                index.emplace(id, 0);
        for (auto& [id, i] : index) {
            i = int(Ids.size());
            Ids.push_back(id);
            At.push_back(graph.Points.at(id));
        }
        Adjacent.resize(Ids.size());
        for (const auto& [a, b] : pairs) {
            TEdge e;
            e.A = index.at(a), e.B = index.at(b);
            e.Length = Norm(At[e.B] - At[e.A]);
            Adjacent[e.A].emplace_back(e.B, int(Edges.size()));
            Adjacent[e.B].emplace_back(e.A, int(Edges.size()));
            Edges.push_back(std::move(e));
        }
        for (auto& adjacent : Adjacent)
            std::sort(adjacent.begin(), adjacent.end());
        Cover.assign(Edges.size(), 0);
        OnLine.assign(Edges.size(), false);
    }

    // Each edge covers the edges whose middle lies within AlongsideReach of it and that run
    // the same way, but not its own continuations (edges that share a node with it).
    void FindShadows() {
        TSegmentGrid grid;
        for (int e = 0; e < int(Edges.size()); ++e)
            grid.Add(At[Edges[e].A], At[Edges[e].B], e);
        const double alongside = CosOfDegrees(AlongsideDegrees);
        for (int e = 0; e < int(Edges.size()); ++e) {
            const TEdge& edge = Edges[e];
            if (edge.Length <= 0) continue;
            const TPointM middle = 0.5 * (At[edge.A] + At[edge.B]);
            const TPointM along = Unit(At[edge.B] - At[edge.A]);
            for (int f : grid.Near(middle, middle, AlongsideReach)) {
                TEdge& other = Edges[f];
                if (f == e || other.Length <= 0 || other.A == edge.A || other.A == edge.B ||
                    other.B == edge.A || other.B == edge.B)
                    continue;
                if (std::abs(Dot(along, Unit(At[other.B] - At[other.A]))) < alongside) continue;
                if (SegmentDistance(middle, At[other.A], At[other.B]) > AlongsideReach) continue;
                other.Shadows.push_back(e);
            }
        }
    }

    int Other(int edge, int node) const {
        return Edges[edge].A == node ? Edges[edge].B : Edges[edge].A;
    }

    // Whether a tram can go on from a segment of direction `in` to one of direction `out`.
    bool Drivable(TPointM in, TPointM out) const { return Dot(in, out) >= LeastTurnCos; }

    // Chains between the nodes where track meets, ends or turns too sharply; a ring with none
    // is opened (OpenRing).
    void MakeChains() {
        std::vector<bool> junction(Ids.size());
        for (int v = 0; v < int(Ids.size()); ++v) {
            const auto& adjacent = Adjacent[v];
            if (adjacent.size() != 2) {
                junction[v] = true;
                continue;
            }
            const TPointM in = At[v] - At[adjacent[0].first];
            const TPointM out = At[adjacent[1].first] - At[v];
            junction[v] = Norm(in) > 0 && Norm(out) > 0 && !Drivable(Unit(in), Unit(out));
        }
        std::vector<int> chainOf(Edges.size(), -1);
        auto walk = [&](int from, int edge) {
            TChain chain;
            chain.Nodes.push_back(from);
            for (int node = from;;) {
                chain.Edges.push_back(edge);
                chainOf[edge] = int(Chains.size());
                node = Other(edge, node);
                chain.Nodes.push_back(node);
                chain.Length += Edges[edge].Length;
                if (junction[node]) break;
                const auto& adjacent = Adjacent[node];
                edge = adjacent[0].second == edge ? adjacent[1].second : adjacent[0].second;
            }
            Chains.push_back(std::move(chain));
        };
        for (int v = 0; v < int(Ids.size()); ++v)
            if (junction[v])
                for (const auto& [neighbour, edge] : Adjacent[v])
                    if (chainOf[edge] < 0) walk(v, edge);
        for (int e = 0; e < int(Edges.size()); ++e)
            if (chainOf[e] == -1) OpenRing(e, chainOf);
    }

    // A ring with no junction, through edge e: one chain round it but for a gap of RingGap
    // about e, so that the turning loops at a line's two ends keep apart. The gap's edges
    // belong to no chain.
    void OpenRing(int e, std::vector<int>& chainOf) {
        std::vector<int> ring{e}, nodes{Edges[e].A, Edges[e].B};
        for (;;) {
            const auto& adjacent = Adjacent[nodes.back()];
            const int next =
                adjacent[0].second == ring.back() ? adjacent[1].second : adjacent[0].second;
            if (next == e) break;
            ring.push_back(next);
            nodes.push_back(Other(next, nodes.back()));
        }
        std::size_t first = 0, last = ring.size();
        for (double gap = 0; first < last && gap < RingGap / 2; ++first)
            gap += Edges[ring[first]].Length;
        for (double gap = 0; first < last && gap < RingGap / 2; --last)
            gap += Edges[ring[last - 1]].Length;
        for (int edge : ring)
            chainOf[edge] = -2;
        if (first >= last) return;
        TChain chain;
        chain.Nodes.assign(nodes.begin() + long(first), nodes.begin() + long(last) + 1);
        chain.Edges.assign(ring.begin() + long(first), ring.begin() + long(last));
        for (int edge : chain.Edges) {
            chainOf[edge] = int(Chains.size());
            chain.Length += Edges[edge].Length;
        }
        Chains.push_back(std::move(chain));
    }

    int StartOf(int d) const {
        const TChain& c = Chains[d / 2];
        return d % 2 ? c.Nodes.back() : c.Nodes.front();
    }
    int EndOf(int d) const {
        const TChain& c = Chains[d / 2];
        return d % 2 ? c.Nodes.front() : c.Nodes.back();
    }
    // The driving direction where a directed chain starts, or ends (its first or last segment
    // of some length).
    TPointM Heading(int d, bool atEnd) const {
        std::vector<int> nodes = Chains[d / 2].Nodes;
        if (d % 2) std::reverse(nodes.begin(), nodes.end());
        if (atEnd) {
            for (std::size_t k = nodes.size() - 1; k > 0; --k)
                if (Norm(At[nodes[k]] - At[nodes[k - 1]]) > 0)
                    return Unit(At[nodes[k]] - At[nodes[k - 1]]);
        } else {
            for (std::size_t k = 0; k + 1 < nodes.size(); ++k)
                if (Norm(At[nodes[k + 1]] - At[nodes[k]]) > 0)
                    return Unit(At[nodes[k + 1]] - At[nodes[k]]);
        }
        return {0, 0};
    }

    // From each directed chain, the chains a tram can drive on to, the straightest first.
    void LinkChains() {
        const int directed = 2 * int(Chains.size());
        std::vector<std::vector<int>> leaving(Ids.size());
        std::vector<TPointM> head(directed), tail(directed);
        for (int d = 0; d < directed; ++d) {
            leaving[StartOf(d)].push_back(d);
            head[d] = Heading(d, false);
            tail[d] = Heading(d, true);
        }
        Next.resize(directed);
        HasPredecessor.assign(directed, false);
        for (int d = 0; d < directed; ++d) {
            std::vector<std::pair<double, int>> next;
            for (int e : leaving[EndOf(d)])
                if (e / 2 != d / 2 && Drivable(tail[d], head[e]))
                    next.emplace_back(-Dot(tail[d], head[e]), e);
            std::sort(next.begin(), next.end());
            for (const auto& [turn, e] : next) {
                Next[d].push_back(e);
                HasPredecessor[e] = true;
            }
        }
        ChainOnPath.assign(Chains.size(), false);
        NodeOnPath.assign(Ids.size(), false);
    }

    // ---- The search ----

    // Each chain's track by what the paths chosen so far make of it: not covered, on a path,
    // beside one; without what the chain itself runs beside (a loop's way out and back).
    void MeasureChains() {
        Measure.assign(Chains.size(), {});
        std::vector<int> seen(Edges.size(), -1);
        for (int c = 0; c < int(Chains.size()); ++c) {
            for (int e : Chains[c].Edges) {
                if (seen[e] != c) {
                    const double length = Edges[e].Length;
                    if (Cover[e] == 0)
                        Measure[c].Gain += length;
                    else if (OnLine[e])
                        Measure[c].Reuse += length;
                    else
                        Measure[c].Beside += length;
                }
                for (int g : Edges[e].Shadows)
                    seen[g] = c;
            }
        }
    }

    // How much of each chain lies beside each other chain: the track of one a path along the
    // other adds nothing.
    void FindTwins() {
        Twins.assign(Chains.size(), {});
        std::vector<int> chainOf(Edges.size(), -1);
        for (int c = 0; c < int(Chains.size()); ++c)
            for (int e : Chains[c].Edges)
                chainOf[e] = c;
        std::vector<int> seen(Edges.size(), -1);
        for (int c = 0; c < int(Chains.size()); ++c) {
            std::map<int, double> beside;
            for (int e : Chains[c].Edges)
                for (int g : Edges[e].Shadows)
                    if (chainOf[g] >= 0 && chainOf[g] != c && seen[g] != c) {
                        seen[g] = c;
                        beside[chainOf[g]] += Edges[g].Length;
                    }
            Twins[c].assign(beside.begin(), beside.end());
        }
        Beside.assign(Chains.size(), 0);
    }

    // The best path from the starts worth trying: the chains nothing leads into and those
    // with open track that only covered track leads into; the rest of the open chains when
    // those give too little (a ring of open track).
    TFound Search(double least) {
        MeasureChains();
        std::vector<bool> openInto(Next.size(), false);
        for (int d = 0; d < int(Next.size()); ++d)
            if (Measure[d / 2].Gain > 0)
                for (int e : Next[d])
                    openInto[e] = true;
        std::vector<int> starts, rest;
        for (int d = 0; d < int(Next.size()); ++d) {
            if (!HasPredecessor[d] || (Measure[d / 2].Gain > 0 && !openInto[d]))
                starts.push_back(d);
            else if (Measure[d / 2].Gain > 0)
                rest.push_back(d);
        }
        TFound best;
        WalkFrom(starts, best);
        if (best.Score.Gain < least) WalkFrom(rest, best);
        return best;
    }

    void WalkFrom(const std::vector<int>& starts, TFound& best) {
        long remaining = SearchBudget;
        for (std::size_t k = 0; k < starts.size(); ++k) {
            const long share = std::max(LeastStartBudget, remaining / long(starts.size() - k));
            remaining -= Walk(starts[k], share, best);
        }
    }

    // Depth first from `start`, pushing at most `budget` chains; returns how many it pushed.
    long Walk(int start, long budget, TFound& best) {
        NodeOnPath[StartOf(start)] = true;
        Push(start);
        long pushed = 1;
        Consider(best);
        while (!Stack.empty()) {
            auto& [d, k] = Stack.back();
            if (k < Next[d].size() && pushed < budget) {
                const int e = Next[d][k++];
                if (ChainOnPath[e / 2] || NodeOnPath[EndOf(e)]) continue;
                Push(e);
                ++pushed;
                Consider(best);
            } else {
                Pop();
            }
        }
        NodeOnPath[StartOf(start)] = false;
        return pushed;
    }

    void Consider(TFound& best) const {
        if (!best.Chains.empty() && Score.Value() <= best.Score.Value() + 1e-9) return;
        best.Score = Score;
        best.Chains.clear();
        for (const auto& [d, k] : Stack)
            best.Chains.push_back(d);
    }

    // The chain's track scored, less the part beside the chains already on the path; then the
    // chains beside it marked.
    void Push(int d) {
        const int c = d / 2;
        Scores.push_back(Score);
        const double length = Chains[c].Length;
        const double kept = length > 0 ? 1 - std::min(1.0, Beside[c] / length) : 0;
        Score.Gain += kept * Measure[c].Gain;
        Score.Reuse += kept * Measure[c].Reuse;
        Score.Beside += kept * Measure[c].Beside;
        for (const auto& [other, metres] : Twins[c])
            Beside[other] += metres;
        ChainOnPath[c] = true;
        NodeOnPath[EndOf(d)] = true;
        Stack.emplace_back(d, 0);
    }

    void Pop() {
        const int d = Stack.back().first;
        Stack.pop_back();
        for (const auto& [other, metres] : Twins[d / 2])
            Beside[other] -= metres;
        ChainOnPath[d / 2] = false;
        NodeOnPath[EndOf(d)] = false;
        Score = Scores.back();
        Scores.pop_back();
    }

    void Commit(const std::vector<int>& path) {
        for (int d : path)
            for (int e : Chains[d / 2].Edges) {
                OnLine[e] = true;
                ++Cover[e];
                for (int g : Edges[e].Shadows)
                    ++Cover[g];
            }
    }

    std::vector<TOsmId> NodesOf(const std::vector<int>& path) const {
        std::vector<TOsmId> nodes;
        for (int d : path) {
            std::vector<int> chain = Chains[d / 2].Nodes;
            if (d % 2) std::reverse(chain.begin(), chain.end());
            for (std::size_t k = nodes.empty() ? 0 : 1; k < chain.size(); ++k)
                nodes.push_back(Ids[chain[k]]);
        }
        return nodes;
    }

    const TTrackPathOptions& Options;
    const double LeastTurnCos;
    std::vector<TOsmId> Ids;
    std::vector<TPointM> At;
    std::vector<std::vector<std::pair<int, int>>> Adjacent; // node: (neighbour, edge)
    std::vector<TEdge> Edges;
    std::vector<TChain> Chains;
    std::vector<std::vector<int>> Next; // directed chain: the directed chains it leads on to
    std::vector<bool> HasPredecessor;
    // Coverage by the paths chosen: how many of their edges cover each edge, and which are on one.
    std::vector<int> Cover;
    std::vector<bool> OnLine;
    std::vector<TScore> Measure; // of each chain, as the paths chosen so far leave it
    std::vector<std::vector<std::pair<int, double>>> Twins; // chain: (chain, metres beside it)
    // The path being searched: its chains and nodes, the metres of each chain beside it.
    std::vector<double> Beside;
    std::vector<bool> ChainOnPath, NodeOnPath;
    std::vector<std::pair<int, std::size_t>> Stack; // directed chain, next successor to try
    TScore Score;
    std::vector<TScore> Scores; // before each push
};

} // namespace

std::vector<std::vector<TOsmId>> TrackLinePaths(const TTrackGraph& graph,
                                                const TTrackPathOptions& options) {
    return TPathSearch(graph, options).Paths();
}

std::set<std::pair<TOsmId, TOsmId>> ServiceTrackEdges(const TOsmExtract& extract) {
    std::set<std::pair<TOsmId, TOsmId>> service, main;
    for (const TOsmTrack& track : extract.Tracks)
        for (std::size_t k = 1; k < track.Nodes.size(); ++k)
            (track.Service.empty() ? main : service)
                .insert(std::minmax(track.Nodes[k - 1], track.Nodes[k]));
    for (const auto& edge : main)
        service.erase(edge);
    return service;
}

std::string TrackLineName(const std::vector<TRouteStop>& stops, const std::string& fallback) {
    constexpr std::size_t Longest = 24;
    const std::string dash = " \u2013 ", more = "\u2026";
    auto named = [](const TRouteStop& s) { return !s.Name.empty(); };
    const auto first = std::find_if(stops.begin(), stops.end(), named);
    if (first == stops.end()) return fallback;
    const auto last = std::find_if(stops.rbegin(), stops.rend(), named);
    const std::string& a = first->Name;
    const std::string& b = last->Name;
    // A name cut to `length` characters, the cut shown.
    auto cut = [&](const std::string& name, std::size_t length) {
        if (Utf8Length(name) <= length) return name;
        std::string shorter = CutUtf8(name, length - 1);
        while (!shorter.empty() && shorter.back() == ' ')
            shorter.pop_back();
        return shorter + more;
    };
    if (a == b) return cut(a, Longest);
    // Both ends stay in sight: each gets half the room, and what one does not need, the other.
    const std::size_t room = Longest - Utf8Length(dash);
    const std::size_t forA =
        std::min(Utf8Length(a), std::max(room / 2, room - std::min(room, Utf8Length(b))));
    return cut(a, forA) + dash + cut(b, room - forA);
}

void AddTrackLines(const TOsmExtract& extract, const TTrackGraph& graph,
                   const TProjection& projection, const TCircuitOptions& options,
                   TCircuits& circuits) {
    if (!circuits.Plans.empty()) return;
    // Refs asked for that no relation has: no line of the track where relations give others.
    if (!options.Refs.empty()) {
        TCircuitOptions every = options;
        every.Refs.clear();
        if (!PlanCircuits(extract, graph, projection, every).Plans.empty()) return;
    }
    std::vector<std::pair<int, int>> slots = RouteTableOrder();
    TTrackPathOptions pathOptions;
    pathOptions.Margin = options.Margin;
    pathOptions.Excluded = ServiceTrackEdges(extract);
    pathOptions.MostPaths = int(slots.size());
    const std::vector<std::vector<TOsmId>> paths = TrackLinePaths(graph, pathOptions);
    // A path cut where the track goes on out of the square's usable part.
    auto leavesSquare = [&](TOsmId end) {
        const auto it = graph.Neighbours.find(end);
        return it != graph.Neighbours.end() &&
               std::any_of(it->second.begin(), it->second.end(), [&](TOsmId n) {
                   return !InsideMargin(graph.Points.at(n), options.Margin);
               });
    };
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const auto [row, column] = slots[k];
        const std::string ref = RouteDisplayName(row, column);
        if (!options.Refs.empty() &&
            std::none_of(options.Refs.begin(), options.Refs.end(),
                         [&](const std::string& r) { return RouteSlotOfName(r) == slots[k]; }))
            continue;
        TCircuitPlan plan;
        plan.Source = ELineSource::Track;
        plan.Row = row;
        plan.Column = column;
        plan.Ref = ref;
        plan.IntervalMinutes = options.IntervalMinutes;
        plan.Forward.Nodes = paths[k];
        plan.Forward.Length = graph.Length(paths[k]);
        plan.Forward.Stops = StopsAlong(extract, graph, projection, paths[k]);
        plan.Backward = plan.Forward;
        std::reverse(plan.Backward.Nodes.begin(), plan.Backward.Nodes.end());
        std::reverse(plan.Backward.Stops.begin(), plan.Backward.Stops.end());
        plan.BackwardReversed = true;
        plan.CutAtSquare = leavesSquare(paths[k].front()) || leavesSquare(paths[k].back());
        plan.RelationLength = plan.Forward.Length;
        plan.RelationStops = int(plan.Forward.Stops.size());
        plan.Name = TrackLineName(plan.Forward.Stops, ref);
        circuits.Plans.push_back(std::move(plan));
    }
}

} // namespace vell::import
