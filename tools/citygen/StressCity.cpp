// The stress city: the whole 10 km square built up, twenty tram lines across it from west to
// east joined by branches, two lines from north to south crossing them all, and routes that
// together plan the full 1024 trams. Built from the same parts as the demo city.
#include "tools/citygen/Cities.h"

#include "model/RouteTable.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>

namespace vell::citygen {

namespace {

constexpr int Left = 150, Top = 150, Block = 150, Blocks = 64;
constexpr int Lines = 20; // west-east lines, three blocks apart
constexpr int TrunkColumns[] = {10, 52};
constexpr int RiverRow = 33, RailwayRow = 18;
constexpr int TargetTrams = 1024;

int X(int i) {
    return Left + i * Block;
}
int Y(int j) {
    return Top + j * Block;
}
int LineRow(int k) {
    return 2 + 3 * k;
}
// Where line k branches to line k + 1.
int BranchColumn(int k) {
    return 16 + k % 3 * 12;
}

std::string Name(const char* what, int k) {
    return std::string(what) + std::to_string(k);
}

TTownPlan Town() {
    TTownPlan town;
    town.Left = Left;
    town.Top = Top;
    town.Block = Block;
    TRandom random(4242);
    for (int j = 0; j < Blocks - 1; ++j) {
        std::string row;
        for (int i = 0; i < Blocks - 1; ++i) {
            const int r = random.Below(100);
            char block = r < 45 ? 'P' : r < 80 ? 'H' : r < 88 ? 'G' : r < 95 ? 'I' : 'T';
            if (j == RiverRow) block = '~';
            if (j == RailwayRow) block = '=';
            row += block;
        }
        town.Blocks.push_back(row);
    }
    for (int c : TrunkColumns)
        town.AvenuesX.push_back(X(c));
    for (int k = 0; k + 1 < Lines; ++k)
        town.AvenuesX.push_back(X(BranchColumn(k)));
    for (int k = 0; k < Lines; ++k)
        town.AvenuesY.push_back(Y(LineRow(k)));
    town.BridgesX = town.AvenuesX;
    town.UnderpassesX = town.AvenuesX;
    for (int i = 4; i < Blocks; i += 8) {
        town.BridgesX.push_back(X(i));
        town.UnderpassesX.push_back(X(i + 2));
    }
    town.Seed = 77;
    town.ShuffleBlocks = true;
    return town;
}

// Stops every three blocks at mid-block, kept well away from the nodes on the line.
std::vector<TStopPlan> StopsAlong(bool horizontal, int fixed, int from, int to,
                                  const std::vector<int>& nodes) {
    std::vector<TStopPlan> stops;
    const int low = std::min(from, to) + 45, high = std::max(from, to) - 45;
    for (int k = 0; k < Blocks; k += 3) {
        const int at = (horizontal ? X(k) : Y(k)) + Block / 2;
        if (at - 20 < low || at + 20 > high) continue;
        if (std::any_of(nodes.begin(), nodes.end(), [&](int n) { return std::abs(at - n) < 160; }))
            continue;
        stops.push_back({horizontal ? TPoint{at, fixed} : TPoint{fixed, at}, k % 12 == 1 ? 2 : 1});
    }
    return stops;
}

TNetworkPlan Network() {
    using enum TNodeKind;
    TNetworkPlan net;
    const std::uint8_t kinds[] = {DoubleTrackPoles, DoubleTrackLane, DoubleTrackGreen};
    auto node = [&](const std::string& name, TNodeKind kind, TPoint at) {
        net.Nodes.push_back({name, kind, at});
    };
    for (int k = 0; k < Lines; ++k) {
        const int y = Y(LineRow(k));
        node(Name("W", k), Terminus, {X(2) + 60, y});
        node(Name("E", k), Terminus, {X(Blocks - 2) - 60, y});
        for (int c : TrunkColumns)
            node(Name("C", k) + "_" + std::to_string(c), Crossing, {X(c), y});
        if (k > 0) node(Name("U", k), Junction, {X(BranchColumn(k - 1)), y});
        if (k + 1 < Lines) node(Name("D", k), Junction, {X(BranchColumn(k)), y});
    }
    for (int c : TrunkColumns) {
        node(Name("N", c), Terminus, {X(c), Y(1) + 60});
        node(Name("S", c), Terminus, {X(c), Y(Blocks - 3) - 60});
    }

    // The west-east lines, cut at their junctions: the nodes along each line from west to east.
    std::vector<std::vector<std::string>> along(Lines);
    for (int k = 0; k < Lines; ++k) {
        const int y = Y(LineRow(k));
        std::vector<std::pair<int, std::string>> stations{{X(2) + 60, Name("W", k)},
                                                          {X(Blocks - 2) - 60, Name("E", k)}};
        if (k > 0) stations.push_back({X(BranchColumn(k - 1)), Name("U", k)});
        if (k + 1 < Lines) stations.push_back({X(BranchColumn(k)), Name("D", k)});
        std::sort(stations.begin(), stations.end());
        std::vector<int> nodes;
        for (auto& s : stations) {
            nodes.push_back(s.first);
            along[k].push_back(s.second);
        }
        for (int c : TrunkColumns)
            nodes.push_back(X(c));
        for (std::size_t s = 0; s + 1 < stations.size(); ++s) {
            const int a = stations[s].first + (s > 0 ? JunctionReach : 0);
            const int b = stations[s + 1].first - (s + 2 < stations.size() ? JunctionReach : 0);
            net.Lines.push_back({stations[s].second,
                                 stations[s + 1].second,
                                 {},
                                 kinds[(k + s) % 3],
                                 std::uint8_t(50 + (k * 7 + int(s) * 13) % 50),
                                 StopsAlong(true, y, a, b, nodes)});
        }
    }
    // The nodes of line k from one to another, both included.
    auto between = [&](int k, const std::string& a, const std::string& b) {
        const auto& v = along[k];
        const auto ia = std::find(v.begin(), v.end(), a), ib = std::find(v.begin(), v.end(), b);
        std::vector<std::string> path;
        if (ia <= ib)
            path.assign(ia, ib + 1);
        else
            path.assign(std::make_reverse_iterator(ia + 1), std::make_reverse_iterator(ib));
        return path;
    };
    // The branches between neighbouring lines.
    for (int k = 0; k + 1 < Lines; ++k) {
        const int x = X(BranchColumn(k));
        const int a = Y(LineRow(k)) + JunctionReach, b = Y(LineRow(k + 1)) - JunctionReach;
        net.Lines.push_back({Name("D", k),
                             Name("U", k + 1),
                             {},
                             DoubleTrackPoles,
                             80,
                             StopsAlong(false, x, a, b, {})});
    }
    // The north-south lines over every crossing.
    for (int c : TrunkColumns) {
        std::vector<int> nodes;
        for (int k = 0; k < Lines; ++k)
            nodes.push_back(Y(LineRow(k)));
        net.Lines.push_back({Name("N", c),
                             Name("S", c),
                             {},
                             DoubleTrackLane,
                             70,
                             StopsAlong(false, X(c), Y(1) + 60, Y(Blocks - 3) - 60, nodes)});
    }

    // Routes: along each line; from each line to the next over their branch, both ways; down
    // the north-south lines; then the first ones again under further names.
    std::vector<TRoutePlan> routes;
    for (int k = 0; k < Lines; ++k)
        routes.push_back({"", along[k], 1 + k % 3, 5});
    for (int k = 0; k + 1 < Lines; ++k) {
        std::vector<std::string> down = between(k, Name("W", k), Name("D", k));
        for (const std::string& n : between(k + 1, Name("U", k + 1), Name("E", k + 1)))
            down.push_back(n);
        std::vector<std::string> up = between(k + 1, Name("W", k + 1), Name("U", k + 1));
        for (const std::string& n : between(k, Name("D", k), Name("E", k)))
            up.push_back(n);
        routes.push_back({"", down, 2, 5});
        routes.push_back({"", up, 1, 5});
    }
    for (int c : TrunkColumns)
        routes.push_back({"", {Name("N", c), Name("S", c)}, 3, 5});
    const std::size_t distinct = routes.size();
    for (std::size_t r = 0; routes.size() < std::size_t(RouteRows * RouteColumns) && r < distinct;
         ++r)
        routes.push_back({"", routes[r].Nodes, 1 + int(r) % 2, 5});
    // Named in the route table's order.
    const auto order = RouteTableOrder();
    for (std::size_t r = 0; r < routes.size(); ++r)
        routes[r].Name = RouteDisplayName(order[r].first, order[r].second);
    net.Routes = routes;
    net.LoopGrade = 60;
    net.JunctionGrade = 60;
    return net;
}

} // namespace

TGeneratedCity MakeStressCity() {
    // The network first, the town filling the map up to the last object.
    TGeneratedCity city = GenerateCity(Town(), Network(), 2718, TOrder::NetworkFirst);
    // The routes' circuits fix how many trams each runs: lengthen intervals, route by route,
    // until together they plan exactly the full table.
    auto probe = std::make_unique<TMap>(*city.Map); // the route table is large
    SelectMap(*probe);
    std::vector<std::int32_t> runTimes;
    for (auto [i, j] : city.Network.RouteSlots)
        runTimes.push_back(probe->Route(i, j).RunTime);
    std::vector<int> intervals(runTimes.size(), 5);
    auto trams = [&](std::size_t r, int interval) { return TramCountFor(runTimes[r], interval); };
    long long total = 0;
    for (std::size_t r = 0; r < runTimes.size(); ++r)
        total += trams(r, intervals[r]);
    for (bool changed = true; changed && total > TargetTrams;) {
        changed = false;
        for (std::size_t r = 0; r < runTimes.size() && total > TargetTrams; ++r) {
            if (intervals[r] >= 30) continue;
            const int fewer = trams(r, intervals[r]) - trams(r, intervals[r] + 1);
            if (total - fewer < TargetTrams) continue;
            ++intervals[r];
            total -= fewer;
            changed = true;
        }
    }
    for (std::size_t r = 0; r < runTimes.size(); ++r) {
        auto [i, j] = city.Network.RouteSlots[r];
        city.Map->Route(i, j).Interval = std::uint8_t(intervals[r]);
    }
    return city;
}

} // namespace vell::citygen
