// Laying routes over the network, their timetables, highlighting and stop catchments.
#include "model/RouteWalk.h"

#include "model/Geometry.h"
#include "model/Network.h"
#include "model/Units.h"

#include <algorithm>
#include <deque>

namespace vell {

namespace {

// The first waypoint that is no rail, or -1.
int FirstWaypointNotARail(const TMap& map, const TRouteRec& route) {
    for (int k = 0; k < route.WaypointsUsed(); ++k)
        if (!map.Link(route.Waypoints[k])) return k;
    return -1;
}

enum class TLeg { Laid, NoPath, TooManyChoices };

// One leg: breadth-first from `from` to `to`, Next[0] explored before Next[1], each rail
// claimed by the first path that reaches it. Paths are kept as a tree of back links rather
// than copied histories; the choices of the path found are appended to `choices`. A leg
// without a path adds no choices.
class TLegSearch {
  public:
    explicit TLegSearch(const TMap& map)
        : Map(map), Stamp(map.Objects.size(), 0), Parent(map.Objects.size()),
          Choice(map.Objects.size()), Count(map.Objects.size()) {}

    TLeg Lay(int from, int to, std::vector<std::uint8_t>& choices) {
        ++Leg;
        std::deque<int> queue;
        Reach(from, -1, NoChoice, 0, queue);
        while (!queue.empty()) {
            const int cur = queue.front();
            queue.pop_front();
            if (cur == to) return Append(cur, choices) ? TLeg::Laid : TLeg::TooManyChoices;
            if (Count[cur] >= MaxChoices) continue;
            const TLinkRec& link = *Map.Links[cur];
            if (!link.IsSwitch()) {
                Reach(link.Next[0], cur, NoChoice, Count[cur], queue);
            } else {
                Reach(link.Next[0], cur, 0, Count[cur] + 1, queue);
                Reach(link.Next[1], cur, 1, Count[cur] + 1, queue);
            }
        }
        return TLeg::NoPath;
    }

  private:
    static constexpr std::uint8_t NoChoice = 2;

    void Reach(int rail, int parent, std::uint8_t choice, int count, std::deque<int>& queue) {
        if (Stamp[rail] == Leg) return;
        Stamp[rail] = Leg;
        Parent[rail] = parent;
        Choice[rail] = choice;
        Count[rail] = count;
        queue.push_back(rail);
    }

    bool Append(int end, std::vector<std::uint8_t>& choices) {
        if (choices.size() + std::size_t(Count[end]) > MaxChoices) return false;
        const std::size_t first = choices.size();
        for (int r = end; Parent[r] >= 0; r = Parent[r])
            if (Choice[r] != NoChoice) choices.push_back(Choice[r]);
        std::reverse(choices.begin() + std::ptrdiff_t(first), choices.end());
        return true;
    }

    const TMap& Map;
    std::uint32_t Leg = 0;
    std::vector<std::uint32_t> Stamp; // the leg that reached each rail
    std::vector<int> Parent;
    std::vector<std::uint8_t> Choice; // the choice taken into each rail
    std::vector<int> Count;           // choices on the path to each rail
};

} // namespace

double IsStopMeasure(const TMapObject& o) {
    return o.IsStop() ? 1 : 0;
}

bool WalkReturns(const TMap& map, const TRouteRec& route) {
    return WalkRouteBounded(map, route, [](int) {});
}

TRouteLaying TMap::LayRoute(int row, int column) {
    TRouteRec& route = Routes[row][column];
    route.ChoiceCount = 0;
    route.Choices.fill(0);
    route.Usable = false;
    if (!NetworkOk) return {TRouteGap::NoNetwork};
    if (route.WaypointCount < 2) return {TRouteGap::TooFewWaypoints};
    TRouteLaying laying;
    if (const int notARail = FirstWaypointNotARail(*this, route); notARail >= 0) {
        laying = {TRouteGap::NotARail, notARail};
    } else {
        std::vector<std::uint8_t> choices;
        TLegSearch search(*this);
        for (int l = 0; l < route.WaypointCount && laying.Gap != TRouteGap::TooManyChoices; ++l) {
            const TLeg leg = search.Lay(route.Waypoints[l],
                                        route.Waypoints[(l + 1) % route.WaypointCount], choices);
            if (leg == TLeg::TooManyChoices)
                laying = {TRouteGap::TooManyChoices, l};
            else if (leg == TLeg::NoPath && laying.Gap == TRouteGap::None)
                laying = {TRouteGap::NoPath, l};
        }
        if (laying.Gap != TRouteGap::TooManyChoices) {
            std::copy(choices.begin(), choices.end(), route.Choices.begin());
            route.ChoiceCount = std::int16_t(choices.size());
            route.Usable = WalkReturns(*this, route);
            if (!route.Usable && laying.Gap == TRouteGap::None) laying.Gap = TRouteGap::NoReturn;
        }
    }
    ClearMarks(); // laying uses the marks as scratch and leaves none behind
    return laying;
}

void TMap::ComputeSchedule(int row, int column) {
    TRouteRec& route = Routes[row][column];
    if (!NetworkOk || route.WaypointCount < 2 || !route.Usable) return;
    double sum = 0;
    int k = 0;
    WalkRoute(*this, route, [&](int rail) {
        sum += SegmentTime(*this, rail);
        if (Objects[rail].IsStop() && k < MaxStopTimes)
            route.StopTimes[k++] = std::int32_t(RoundHalfEven(sum));
    });
    route.RunTime = std::int32_t(RoundHalfEven(sum));
}

void TMap::MarkRoute(int row, int column) {
    const TRouteRec& route = Routes[row][column];
    if (!NetworkOk || route.WaypointCount < 2 || !Link(route.Waypoints[0])) return;
    // Also shows how far an unfinished route gets: the walk ends where it would repeat itself.
    WalkRouteBounded(*this, route, [&](int rail) { Objects[rail].SetSelected(true); });
}

double TMap::SumAlongRoute(int row, int column, TRouteMeasure measure) const {
    const TRouteRec& route = Routes[row][column];
    if (!NetworkOk || route.WaypointCount < 2) return 0;
    double sum = 0;
    WalkRoute(*this, route, [&](int rail) { sum += measure(Objects[rail]); });
    return sum;
}

namespace {

// Wall and high-wall midpoints bucketed in cells of the catchment radius, so that each stop
// looks only at the nine cells around it.
class TWallGrid {
  public:
    static constexpr int Radius = 300;

    struct TWall {
        int Index, X, Y;
        double Weight;
    };

    explicit TWallGrid(const std::vector<TMapObject>& objects) {
        // Midpoints with the halves rounded down, also for negative coordinates.
        auto half = [](int sum) { return sum >= 0 ? sum / 2 : -((1 - sum) / 2); };
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const TMapObject& o = objects[i];
            if (o.Kind() != Wall && o.Kind() != HighWall) continue;
            Walls.push_back(
                {int(i), half(o.X1 + o.X2), half(o.Y1 + o.Y2), o.Kind() == Wall ? 0.1 : 0.4});
        }
        if (Walls.empty()) return;
        MinX = MaxX = Walls[0].X;
        MinY = MaxY = Walls[0].Y;
        for (const TWall& w : Walls) {
            MinX = std::min(MinX, w.X), MaxX = std::max(MaxX, w.X);
            MinY = std::min(MinY, w.Y), MaxY = std::max(MaxY, w.Y);
        }
        Columns = (MaxX - MinX) / Radius + 1;
        Rows = (MaxY - MinY) / Radius + 1;
        Cells.resize(std::size_t(Columns) * Rows);
        for (std::size_t k = 0; k < Walls.size(); ++k)
            Cells[Cell(Walls[k].X, Walls[k].Y)].push_back(int(k));
    }

    // The catchment weight of the walls within 300 m of (x, y), added in index order: the
    // order of a floating-point sum decides the rounding at the halves.
    double WeightAround(int x, int y, std::vector<const TWall*>& scratch) const {
        scratch.clear();
        if (Walls.empty()) return 0;
        const int c0 = (std::max(x - Radius, MinX) - MinX) / Radius;
        const int r0 = (std::max(y - Radius, MinY) - MinY) / Radius;
        for (int r = r0; r <= r0 + 2 && r < Rows && y + Radius >= MinY; ++r)
            for (int c = c0; c <= c0 + 2 && c < Columns && x + Radius >= MinX; ++c)
                for (int k : Cells[std::size_t(r) * Columns + c])
                    if (DistSq(Walls[k].X, Walls[k].Y, x, y) < double(Radius) * Radius)
                        scratch.push_back(&Walls[k]);
        std::sort(scratch.begin(), scratch.end(),
                  [](const TWall* a, const TWall* b) { return a->Index < b->Index; });
        double w = 0;
        for (const TWall* wall : scratch)
            w += wall->Weight;
        return w;
    }

  private:
    std::size_t Cell(int x, int y) const {
        return std::size_t((y - MinY) / Radius) * Columns + (x - MinX) / Radius;
    }

    std::vector<TWall> Walls;
    std::vector<std::vector<int>> Cells;
    int MinX = 0, MaxX = 0, MinY = 0, MaxY = 0, Columns = 0, Rows = 0;
};

} // namespace

void TMap::ComputeCatchment() {
    const TWallGrid walls(Objects);
    std::vector<const TWallGrid::TWall*> scratch;
    for (TMapObject& s : Objects) {
        if (!s.IsRail() || !s.IsStop()) continue;
        s.SetWaiting(0);
        const double w = walls.WeightAround(s.X2, s.Y2, scratch);
        s.SetCatchment(std::uint8_t(RoundHalfEven(std::min(w, 63.0))));
    }
}

} // namespace vell
