// Laying the tram network.
#include "tools/citygen/TrackBuilder.h"

#include "editor/ops/Conversion.h"
#include "model/Network.h"
#include "model/Route.h"
#include "model/RouteWalk.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace vell::citygen {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw TPlanError(what);
}

std::string Text(TPoint p) {
    return "(" + std::to_string(p.X) + ", " + std::to_string(p.Y) + ")";
}

TPoint Sign(TPoint d) {
    return {(d.X > 0) - (d.X < 0), (d.Y > 0) - (d.Y < 0)};
}
bool IsAxis(TPoint u) {
    return (u.X == 0) != (u.Y == 0);
}
// The right-hand side of a direction on the plan, where Y grows downwards.
TPoint Right(TPoint u) {
    return {-u.Y, u.X};
}
double StepLength(TPoint u) {
    return IsAxis(u) ? 1.0 : std::sqrt(2.0);
}

// A quarter-turn rotation given by the images of east (C, S).
struct TTurn {
    int C = 1, S = 0;
    TPoint operator()(TPoint p) const { return {p.X * C - p.Y * S, p.X * S + p.Y * C}; }
};
TTurn TurnEastTo(TPoint u) {
    return {u.X, u.Y};
}
TTurn TurnNorthTo(TPoint u) {
    return {-u.Y, u.X};
}

// A straight stretch a -> b along an axis or a diagonal: its direction and number of steps.
struct TStretch {
    TPoint A, B, U;
    int Steps = 0;
    bool Holds(TPoint p, int& k) const {
        const TPoint d = p - A;
        if (Cross(d, U) != 0 || Dot(d, U) <= 0) return false;
        k = std::max(std::abs(d.X), std::abs(d.Y));
        return k < Steps;
    }
};

TStretch Stretch(TPoint a, TPoint b) {
    const TPoint d = b - a;
    if (d == TPoint{} || !(d.X == 0 || d.Y == 0 || std::abs(d.X) == std::abs(d.Y)))
        Fail("a stretch from " + Text(a) + " to " + Text(b) +
             " runs neither along an axis nor diagonally");
    return {a, b, Sign(d), std::max(std::abs(d.X), std::abs(d.Y))};
}

// The junction's switches and curves with the through line west-east and the branch to the
// north: every rail starts or ends where another does, at the ends of the lines 40 m out.
// Left turns cross the opposite track; the curves keep 4 m apart where they run side by side.
const std::vector<std::vector<TPoint>>& JunctionPaths() {
    static const std::vector<std::vector<TPoint>> paths = {
        {{-40, 2}, {-14, 2}, {8, 2}, {40, 2}},              // west -> east
        {{-40, 2}, {-14, 2}, {2, -14}, {2, -24}, {2, -40}}, // west -> branch, a left switch
        {{40, -2}, {24, -2}, {-20, -2}, {-40, -2}},         // east -> west
        {{40, -2}, {24, -2}, {2, -24}, {2, -40}},           // east -> branch, a right switch
        {{-2, -40}, {-2, -20}, {-20, -2}, {-40, -2}},       // branch -> west (right)
        {{-2, -40}, {-2, -20}, {-2, -8}, {8, 2}, {40, 2}},  // branch -> east (left)
    };
    return paths;
}

// The loop beyond a terminus, arriving eastwards on the right track (y = +2) and leaving on the
// left one (y = -2); corners cut at 45 degrees.
std::vector<TPoint> LoopPoints(const TLoopShape& s) {
    const int c = 12;
    return {{0, 2},
            {s.Far - c, 2},
            {s.Far, 2 - c},
            {s.Far, -s.Width + c},
            {s.Far - c, -s.Width},
            {s.Near + c, -s.Width},
            {s.Near, -s.Width + c},
            {s.Near, -2 - c},
            {s.Near - c, -2},
            {0, -2}};
}
constexpr int LoopStopStretch = 4; // the far side, where the terminus stop is

struct TLineGeometry {
    int From = -1, To = -1;
    std::vector<TPoint> Coarse; // the line's ends and bends
    std::vector<TPoint> Pieces; // every vertex of the double tracks
    TPoint StartDir, EndDir;    // of the first and last stretch
};

class TLayer {
  public:
    TLayer(TMap& map, const TNetworkPlan& plan, TRandom& random)
        : Map(map), Plan(plan), Random(random) {
        for (std::size_t i = 0; i < plan.Nodes.size(); ++i) {
            if (!NodeIndex.emplace(plan.Nodes[i].Name, int(i)).second)
                Fail("two nodes are named " + plan.Nodes[i].Name);
        }
        for (const TLinePlan& line : plan.Lines)
            Geometry.push_back(Shape(line));
    }

    const std::vector<TLineGeometry>& Lines() const { return Geometry; }

    TBuiltNetwork Lay() {
        Built.Lines.resize(Plan.Lines.size());
        Built.NodeRails.resize(Plan.Nodes.size());
        Built.TerminusStops.assign(Plan.Nodes.size(), -1);
        Built.TerminusStarts.assign(Plan.Nodes.size(), -1);
        DrawDoubleTracks();
        if (!ConvertDoubleTracks(Map, 136, Random)) Fail("the map is full");
        // As the editor does after an edit: whatever the conversion put where no object may be
        // (a row of trees cut short at a bend) goes.
        Map.PurgeInvalid();
        IndexRails();
        for (std::size_t l = 0; l < Plan.Lines.size(); ++l)
            CollectLine(int(l));
        for (std::size_t n = 0; n < Plan.Nodes.size(); ++n) {
            switch (Plan.Nodes[n].Kind) {
            case TNodeKind::Junction:
                LayJunction(int(n));
                break;
            case TNodeKind::Terminus:
                LayLoop(int(n));
                break;
            case TNodeKind::Crossing:
                KeepCrossingClear(int(n));
                break;
            }
        }
        for (std::size_t l = 0; l < Plan.Lines.size(); ++l)
            MarkStops(int(l));
        for (const TRoutePlan& route : Plan.Routes)
            SetRoute(route);
        Check();
        return Built;
    }

    // The arms of a node: the directions, seen from the node, in which its lines leave it.
    std::vector<TPoint> Arms(int node) const {
        std::vector<TPoint> arms;
        for (const TLineGeometry& g : Geometry) {
            if (g.From == node) arms.push_back(g.StartDir);
            if (g.To == node) arms.push_back(TPoint{} - g.EndDir);
        }
        return arms;
    }

    // The direction trams arrive in at a terminus.
    TPoint Arrival(int node) const {
        const std::vector<TPoint> arms = Arms(node);
        if (arms.size() != 1)
            Fail("terminus " + Plan.Nodes[node].Name + " needs exactly one line, has " +
                 std::to_string(arms.size()));
        return TPoint{} - arms[0];
    }

    // The branch of a junction: the one arm without an opposite; the other two are the through
    // line, at right angles to it.
    TPoint Branch(int node) const {
        const std::vector<TPoint> arms = Arms(node);
        const std::string& name = Plan.Nodes[node].Name;
        if (arms.size() != 3) Fail("junction " + name + " needs three lines");
        for (std::size_t i = 0; i < 3; ++i) {
            const TPoint a = arms[i], b = arms[(i + 1) % 3], c = arms[(i + 2) % 3];
            if (b == TPoint{} - c && Dot(a, b) == 0) return a;
        }
        Fail("junction " + name + " needs a through line and a branch at right angles");
    }

  private:
    int Node(const std::string& name) const {
        auto it = NodeIndex.find(name);
        if (it == NodeIndex.end()) Fail("no node is named " + name);
        return it->second;
    }

    TLineGeometry Shape(const TLinePlan& line) const {
        TLineGeometry g;
        g.From = Node(line.From);
        g.To = Node(line.To);
        const TNodePlan& from = Plan.Nodes[g.From];
        const TNodePlan& to = Plan.Nodes[g.To];
        const std::string name = line.From + " - " + line.To;
        std::vector<TPoint> points{from.At};
        points.insert(points.end(), line.Via.begin(), line.Via.end());
        points.push_back(to.At);
        g.StartDir = Sign(points[1] - points[0]);
        g.EndDir = Sign(points.back() - points[points.size() - 2]);
        if (!IsAxis(g.StartDir) || !IsAxis(g.EndDir))
            Fail("line " + name + " must meet its nodes along a street axis");
        auto end = [&](const TNodePlan& node, TPoint outwards) {
            if (node.Kind == TNodeKind::Crossing)
                Fail("line " + name + " ends at crossing " + node.Name);
            return node.Kind == TNodeKind::Junction ? node.At + JunctionReach * outwards : node.At;
        };
        points.front() = end(from, g.StartDir);
        points.back() = end(to, TPoint{} - g.EndDir);
        g.Coarse = points;

        for (std::size_t s = 0; s + 1 < points.size(); ++s) {
            const TStretch st = Stretch(points[s], points[s + 1]);
            if (s > 0 && Dot(Stretch(points[s - 1], points[s]).U, st.U) <= 0)
                Fail("line " + name + " bends by more than 45 degrees at " + Text(points[s]));
            // Fixed vertices: the stretch's ends, the crossings and the stops.
            std::vector<int> cuts{0, st.Steps};
            int k = 0;
            for (const TNodePlan& node : Plan.Nodes)
                if (node.Kind == TNodeKind::Crossing && st.Holds(node.At, k)) {
                    if (!IsAxis(st.U)) Fail("crossing " + node.Name + " on a diagonal");
                    cuts.push_back(k - CrossingReach);
                    cuts.push_back(k + CrossingReach);
                }
            for (const TStopPlan& stop : line.Stops)
                if (st.Holds(stop.At, k)) {
                    if (!IsAxis(st.U)) Fail("a stop on a diagonal at " + Text(stop.At));
                    cuts.push_back(k - StopHalfLength);
                    cuts.push_back(k + StopHalfLength);
                }
            std::sort(cuts.begin(), cuts.end());
            const double step = StepLength(st.U);
            for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
                const int gap = cuts[c + 1] - cuts[c];
                if (gap * step < 20)
                    Fail("line " + name + " has a piece shorter than 20 m near " +
                         Text(st.A + cuts[c] * st.U));
                const int n = int(std::ceil(gap * step / PieceLength));
                for (int i = 0; i < n; ++i)
                    g.Pieces.push_back(st.A + (cuts[c] + (gap * i + n / 2) / n) * st.U);
            }
        }
        g.Pieces.push_back(points.back());
        for (const TStopPlan& stop : line.Stops) {
            bool found = false;
            for (std::size_t s = 0; s + 1 < points.size() && !found; ++s) {
                int k = 0;
                found = Stretch(points[s], points[s + 1]).Holds(stop.At, k);
            }
            if (!found) Fail("the stop at " + Text(stop.At) + " is not on line " + name);
        }
        return g;
    }

    void DrawDoubleTracks() {
        for (std::size_t l = 0; l < Geometry.size(); ++l) {
            const std::vector<TPoint>& p = Geometry[l].Pieces;
            for (std::size_t i = 0; i + 1 < p.size(); ++i) {
                TMapObject o =
                    MakeObject(Plan.Lines[l].Kind, p[i].X, p[i].Y, p[i + 1].X, p[i + 1].Y);
                o.Red = o.Green = o.Blue = 136;
                if (!Map.AddObject(o)) Fail("the map is full");
            }
        }
    }

    static TPoint Start(const TMapObject& o) { return {o.X1, o.Y1}; }
    static TPoint End(const TMapObject& o) { return {o.X2, o.Y2}; }
    static TPoint Dir(const TMapObject& o) { return End(o) - Start(o); }

    void IndexRails() {
        for (int i = 0; i < Map.ObjectCount(); ++i)
            if (Map.Objects[i].IsRail()) RailsFrom[Start(Map.Objects[i])].push_back(i);
    }

    // The rails of one track of a line, following each rail into the one that continues it.
    std::vector<int> Chain(TPoint first, TPoint last, const std::string& what) const {
        std::vector<int> rails;
        TPoint at = first, dir{};
        for (std::size_t guard = 0; guard <= Map.Objects.size(); ++guard) {
            std::vector<int> next;
            if (auto it = RailsFrom.find(at); it != RailsFrom.end())
                for (int r : it->second)
                    if (dir == TPoint{} || Dot(dir, Dir(Map.Objects[r])) > 0) next.push_back(r);
            if (next.size() != 1)
                Fail(what + ": " + std::to_string(next.size()) + " rails continue at " + Text(at));
            rails.push_back(next[0]);
            at = End(Map.Objects[next[0]]);
            dir = Dir(Map.Objects[next[0]]);
            if (at == last) return rails;
        }
        Fail(what + " does not reach " + Text(last));
    }

    void CollectLine(int l) {
        const TLineGeometry& g = Geometry[l];
        const TPoint s = g.Coarse.front(), e = g.Coarse.back();
        const std::string name = Plan.Lines[l].From + " - " + Plan.Lines[l].To;
        auto& rails = Built.Lines[l];
        rails.Forward = Chain(s + 2 * Right(g.StartDir), e + 2 * Right(g.EndDir), name);
        rails.Backward = Chain(e - 2 * Right(g.EndDir), s - 2 * Right(g.StartDir), name + " back");
        for (const auto* track : {&rails.Forward, &rails.Backward})
            for (int r : *track)
                Map.Objects[r].SetSpeedGrade(Plan.Lines[l].Grade);
    }

    int AddRail(TPoint a, TPoint b, std::uint8_t grade) {
        TMapObject o = MakeObject(Rail, a.X, a.Y, b.X, b.Y);
        o.SetSpeedGrade(grade);
        if (!Map.AddObject(o)) Fail("the map is full");
        return Map.ObjectCount() - 1;
    }

    bool RailEndsAt(TPoint p, TPoint dir) const {
        for (const TMapObject& o : Map.Objects)
            if (o.IsRail() && End(o) == p && Sign(Dir(o)) == dir) return true;
        return false;
    }
    bool RailStartsAt(TPoint p, TPoint dir) const {
        auto it = RailsFrom.find(p);
        if (it == RailsFrom.end()) return false;
        return std::any_of(it->second.begin(), it->second.end(),
                           [&](int r) { return Sign(Dir(Map.Objects[r])) == dir; });
    }

    void LayJunction(int n) {
        const TNodePlan& node = Plan.Nodes[n];
        const TPoint branch = Branch(n);
        const TTurn turn = TurnNorthTo(branch);
        // The lines' track ends must lie where the switch rails start and end.
        for (TPoint arm : Arms(n)) {
            const TPoint end = node.At + JunctionReach * arm;
            if (!RailEndsAt(end + 2 * Right(TPoint{} - arm), TPoint{} - arm) ||
                !RailStartsAt(end + 2 * Right(arm), arm))
                Fail("junction " + node.Name + ": no track ends at " + Text(end));
        }
        std::set<std::pair<TPoint, TPoint>> laid;
        for (const std::vector<TPoint>& path : JunctionPaths())
            for (std::size_t i = 0; i + 1 < path.size(); ++i) {
                const TPoint a = node.At + turn(path[i]), b = node.At + turn(path[i + 1]);
                if (!laid.insert({a, b}).second) continue;
                const int r = AddRail(a, b, Plan.JunctionGrade);
                Map.Objects[r].SetKeepClear(true);
                Built.NodeRails[n].push_back(r);
            }
    }

    void LayLoop(int n) {
        const TNodePlan& node = Plan.Nodes[n];
        const TPoint arrival = Arrival(n);
        const TTurn turn = TurnEastTo(arrival);
        const std::vector<TPoint> local = LoopPoints(node.Loop);
        if (!RailEndsAt(node.At + turn(local.front()), arrival) ||
            !RailStartsAt(node.At + turn(local.back()), TPoint{} - arrival))
            Fail("terminus " + node.Name + ": the line's tracks do not end at " + Text(node.At));
        for (std::size_t s = 0; s + 1 < local.size(); ++s) {
            const TStretch st = Stretch(local[s], local[s + 1]);
            std::vector<int> cuts{0};
            if (s == LoopStopStretch) {
                const int mid = st.Steps / 2;
                cuts.insert(cuts.end(), {mid - StopHalfLength, mid + StopHalfLength});
            } else {
                const int pieces = int(std::ceil(st.Steps * StepLength(st.U) / PieceLength));
                for (int i = 1; i < pieces; ++i)
                    cuts.push_back(st.Steps * i / pieces);
            }
            cuts.push_back(st.Steps);
            for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
                const int r = AddRail(node.At + turn(st.A + cuts[c] * st.U),
                                      node.At + turn(st.A + cuts[c + 1] * st.U), Plan.LoopGrade);
                Built.NodeRails[n].push_back(r);
                if (s == LoopStopStretch && c == 1) {
                    Map.Objects[r].SetStopType(std::uint8_t(Plan.TerminusStopType));
                    Built.TerminusStops[n] = r;
                }
                if (s == LoopStopStretch && c == 2) Built.TerminusStarts[n] = r;
            }
        }
    }

    void KeepCrossingClear(int n) {
        const TNodePlan& node = Plan.Nodes[n];
        for (const auto& line : Built.Lines)
            for (const auto* track : {&line.Forward, &line.Backward})
                for (int r : *track) {
                    const TMapObject& o = Map.Objects[r];
                    auto inside = [&](TPoint p) {
                        return std::abs(p.X - node.At.X) <= CrossingReach + 2 &&
                               std::abs(p.Y - node.At.Y) <= CrossingReach + 2;
                    };
                    if (inside(Start(o)) && inside(End(o))) {
                        Map.Objects[r].SetKeepClear(true);
                        Built.NodeRails[n].push_back(r);
                    }
                }
        if (Built.NodeRails[n].size() != 4)
            Fail("crossing " + node.Name + " is not where two lines cross");
    }

    void MarkStops(int l) {
        const TLinePlan& plan = Plan.Lines[l];
        const auto& rails = Built.Lines[l];
        for (const TStopPlan& stop : plan.Stops) {
            int marked = 0;
            for (const auto* track : {&rails.Forward, &rails.Backward})
                for (int r : *track) {
                    TMapObject& o = Map.Objects[r];
                    const TPoint u = Sign(Dir(o)), at = stop.At + 2 * Right(u);
                    if (Start(o) == at - StopHalfLength * u && End(o) == at + StopHalfLength * u) {
                        o.SetStopType(std::uint8_t(stop.Type));
                        ++marked;
                    }
                }
            if (marked != 2) Fail("the stop at " + Text(stop.At) + " lies on no 40 m piece");
        }
    }

    // The track from node a to node b.
    const std::vector<int>& Track(int a, int b, int& line) const {
        for (std::size_t l = 0; l < Geometry.size(); ++l) {
            line = int(l);
            if (Geometry[l].From == a && Geometry[l].To == b) return Built.Lines[l].Forward;
            if (Geometry[l].From == b && Geometry[l].To == a) return Built.Lines[l].Backward;
        }
        Fail("no line runs from " + Plan.Nodes[a].Name + " to " + Plan.Nodes[b].Name);
    }

    void SetRoute(const TRoutePlan& plan) {
        const auto [row, col] = RouteSlotOf(plan.Name);
        TRouteRec& route = Map.Route(row, col);
        if (route.InUse()) Fail("route " + plan.Name + " is given twice");
        std::vector<int> nodes;
        for (const std::string& name : plan.Nodes)
            nodes.push_back(Node(name));
        if (nodes.size() < 2 || Plan.Nodes[nodes.front()].Kind != TNodeKind::Terminus ||
            Plan.Nodes[nodes.back()].Kind != TNodeKind::Terminus)
            Fail("route " + plan.Name + " must run from a terminus to a terminus");
        // Waypoints: the rail after the first terminus's stop, the middle of every line out, the
        // other terminus's stop and the middle of every line back. Each leg then has one
        // shortest way. A tram's lap ends when its tail enters the first waypoint: starting
        // after the stop, it serves the terminus at the end of its lap, not a lap late.
        std::vector<int> waypoints{Built.TerminusStarts[nodes.front()]};
        std::set<int> allowed;
        auto allow = [&](const std::vector<int>& rails) {
            allowed.insert(rails.begin(), rails.end());
        };
        for (std::size_t i = 0; i + 1 < nodes.size(); ++i) {
            int line = 0;
            const std::vector<int>& track = Track(nodes[i], nodes[i + 1], line);
            waypoints.push_back(track[track.size() / 2]);
            allow(track);
        }
        waypoints.push_back(Built.TerminusStops[nodes.back()]);
        for (std::size_t i = nodes.size() - 1; i > 0; --i) {
            int line = 0;
            const std::vector<int>& track = Track(nodes[i], nodes[i - 1], line);
            waypoints.push_back(track[track.size() / 2]);
            allow(track);
        }
        for (int n : nodes)
            allow(Built.NodeRails[n]);
        if (waypoints.size() > std::size_t(MaxWaypoints))
            Fail("route " + plan.Name + " needs more than 31 waypoints");
        if (plan.Cars < 1 || plan.Cars > 3 || plan.Interval < 5 || plan.Interval > 30)
            Fail("route " + plan.Name + ": 1 to 3 cars, every 5 to 30 minutes");
        route.WaypointCount = std::int8_t(waypoints.size());
        for (std::size_t w = 0; w < waypoints.size(); ++w)
            route.Waypoints[w] = std::uint16_t(waypoints[w]);
        route.Cars = std::uint8_t(plan.Cars);
        route.Interval = std::uint8_t(plan.Interval);
        Allowed.push_back({row, col, std::move(allowed)});
        Built.RouteSlots.push_back({row, col});
    }

    void Check() {
        std::vector<TRailFault> faults;
        BuildNetwork(Map, &faults);
        if (!faults.empty()) {
            std::ostringstream text;
            text << faults.size() << " faulty rails:";
            for (const TRailFault& f : faults) {
                const TMapObject& o = Map.Objects[f.Index];
                text << "\n  " << f.Index << " " << Text(Start(o)) << " -> " << Text(End(o))
                     << (f.Rules & DeadEnd ? " dead end" : "")
                     << (f.Rules & TooManySuccessors ? " more than two successors" : "")
                     << (f.Rules & TooManyNear ? " more than six near rails" : "")
                     << (f.Rules & ShortStop ? " a stop shorter than 25 m" : "");
            }
            Map.FreeNetwork();
            Map.ClearMarks();
            Fail(text.str());
        }
        for (const TRouteCheck& check : Allowed) {
            Map.LayRoute(check.Row, check.Col);
            const TRouteRec& route = Map.Route(check.Row, check.Col);
            const std::string name = RouteDisplayName(check.Row, check.Col);
            if (!route.Usable) Fail("route " + name + " is not usable");
            WalkRoute(Map, route, [&](int rail) {
                if (!check.Rails.count(rail))
                    Fail("route " + name + " strays onto the rail at " +
                         Text(Start(Map.Objects[rail])));
            });
        }
        Map.FreeNetwork();
        Map.ClearMarks();
    }

    struct TRouteCheck {
        int Row, Col;
        std::set<int> Rails;
    };

    TMap& Map;
    const TNetworkPlan& Plan;
    TRandom& Random;
    std::map<std::string, int> NodeIndex;
    std::vector<TLineGeometry> Geometry;
    std::map<TPoint, std::vector<int>> RailsFrom;
    TBuiltNetwork Built;
    std::vector<TRouteCheck> Allowed;
};

} // namespace

std::pair<int, int> RouteSlotOf(const std::string& name) {
    for (int i = 0; i < RouteRows; ++i)
        for (int j = 0; j < RouteColumns; ++j)
            if (RouteDisplayName(i, j) == name) return {i, j};
    Fail("no route slot is named " + name);
}

TBuiltNetwork LayTramNetwork(TMap& map, const TNetworkPlan& plan, TRandom& random) {
    return TLayer(map, plan, random).Lay();
}

std::vector<std::pair<TPoint, TPoint>> TrackCentreLines(const TNetworkPlan& plan) {
    auto scratch = std::make_unique<TMap>(); // the route table is large
    TRandom random;
    const TLayer layer(*scratch, plan, random);
    std::vector<std::pair<TPoint, TPoint>> lines;
    for (const TLineGeometry& g : layer.Lines())
        for (std::size_t i = 0; i + 1 < g.Coarse.size(); ++i)
            lines.push_back({g.Coarse[i], g.Coarse[i + 1]});
    for (std::size_t n = 0; n < plan.Nodes.size(); ++n) {
        const TNodePlan& node = plan.Nodes[n];
        if (node.Kind == TNodeKind::Terminus) {
            const TTurn turn = TurnEastTo(layer.Arrival(int(n)));
            const std::vector<TPoint> p = LoopPoints(node.Loop);
            for (std::size_t i = 0; i + 1 < p.size(); ++i)
                lines.push_back({node.At + turn(p[i]), node.At + turn(p[i + 1])});
        } else if (node.Kind == TNodeKind::Junction) {
            const TTurn turn = TurnNorthTo(layer.Branch(int(n)));
            for (const std::vector<TPoint>& path : JunctionPaths())
                for (std::size_t i = 0; i + 1 < path.size(); ++i)
                    lines.push_back({node.At + turn(path[i]), node.At + turn(path[i + 1])});
        }
    }
    return lines;
}

} // namespace vell::citygen
