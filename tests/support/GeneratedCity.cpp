// Generated test cities.
#include "tests/support/GeneratedCity.h"

#include "model/Random.h"

#include <algorithm>
#include <vector>

namespace vell::test {

namespace {

constexpr int Left = 100, Top = 100;
constexpr int LoopHeight = 40, Gap = 20, Pitch = LoopHeight + Gap;

class TCityBuilder {
  public:
    TCityBuilder(const TCityPlan& plan) : Plan(plan), Random(plan.Seed) {
        Map = std::make_unique<TMap>();
        Columns = plan.LoopWidth / plan.RailLength;
    }

    std::unique_ptr<TMap> Build() {
        TopRails.assign(Plan.Loops, {});
        BottomRails.assign(Plan.Loops, {});
        for (int k = 0; k < Plan.Loops; ++k)
            AddLoop(k);
        for (int k = 0; k + 1 < Plan.Loops; ++k)
            AddCrossovers(k);
        AddRoutes();
        AddScenery();
        return std::move(Map);
    }

  private:
    int X(int column) const { return Left + column * Plan.RailLength; }
    int TopY(int k) const { return Top + k * Pitch; }
    int BottomY(int k) const { return TopY(k) + LoopHeight; }
    bool Room() const { return Map->ObjectCount() < Plan.MaxObjects; }

    int Rail(int x1, int y1, int x2, int y2, bool mayStop) {
        TMapObject o = MakeObject(vell::Rail, x1, y1, x2, y2);
        o.SetSpeedGrade(std::uint8_t(80 + Random.Below(170)));
        if (mayStop && Plan.StopEvery > 0 && Random.Below(Plan.StopEvery) == 0)
            o.SetStopType(std::uint8_t(1 + Random.Below(3)));
        Map->Objects.push_back(o);
        return Map->ObjectCount() - 1;
    }

    // Even loops run clockwise on the plan (Y down): east along the top, west along the bottom;
    // odd loops the other way, so facing sides of neighbours run the same way.
    void AddLoop(int k) {
        const bool clockwise = k % 2 == 0;
        const int top = TopY(k), bottom = BottomY(k), right = X(Columns);
        TopRails[k].resize(Columns);
        BottomRails[k].resize(Columns);
        auto topSide = [&] {
            for (int c = 0; c < Columns; ++c) {
                const int col = clockwise ? c : Columns - 1 - c;
                TopRails[k][col] = clockwise ? Rail(X(col), top, X(col + 1), top, true)
                                             : Rail(X(col + 1), top, X(col), top, true);
            }
        };
        auto bottomSide = [&] {
            for (int c = 0; c < Columns; ++c) {
                const int col = clockwise ? Columns - 1 - c : c;
                BottomRails[k][col] = clockwise ? Rail(X(col + 1), bottom, X(col), bottom, true)
                                                : Rail(X(col), bottom, X(col + 1), bottom, true);
            }
        };
        // The ends turn in three rails of 45 degrees or less, so that each rail continues
        // into the next (a right angle would be a dead end).
        auto rightEnd = [&](bool down) {
            const int out = right + 15;
            if (down) {
                Rail(right, top, out, top + 10, false);
                Rail(out, top + 10, out, bottom - 10, false);
                Rail(out, bottom - 10, right, bottom, false);
            } else {
                Rail(right, bottom, out, bottom - 10, false);
                Rail(out, bottom - 10, out, top + 10, false);
                Rail(out, top + 10, right, top, false);
            }
        };
        auto leftEnd = [&](bool down) {
            const int out = Left - 15;
            if (down) {
                Rail(Left, top, out, top + 10, false);
                Rail(out, top + 10, out, bottom - 10, false);
                Rail(out, bottom - 10, Left, bottom, false);
            } else {
                Rail(Left, bottom, out, bottom - 10, false);
                Rail(out, bottom - 10, out, top + 10, false);
                Rail(out, top + 10, Left, top, false);
            }
        };
        if (clockwise) {
            topSide();
            rightEnd(true);
            bottomSide();
            leftEnd(false);
        } else {
            topSide();
            leftEnd(true);
            bottomSide();
            rightEnd(false);
        }
    }

    // Between loop k's bottom and loop k+1's top (same direction of travel): a crossover down
    // and, three rails on, one back up.
    void AddCrossovers(int k) {
        const int d = k % 2 == 0 ? -1 : 1; // west on even loops' bottoms, east on odd ones'
        const int upper = BottomY(k), lower = TopY(k + 1);
        for (int m = 2; m + 5 < Columns; m += Plan.CrossoverEvery) {
            const int from = d > 0 ? m : Columns - m;
            Rail(X(from), upper, X(from + d), lower, false);
            Rail(X(from + 3 * d), lower, X(from + 4 * d), upper, false);
        }
    }

    void AddRoutes() {
        for (int r = 0; r < Plan.Routes && r < RouteRows * RouteColumns; ++r) {
            TRouteRec& route = Map->Route(r % RouteRows, (r / RouteRows) % RouteColumns);
            // Within three neighbouring loops: far-flung waypoints would need more than the
            // 1024 switch choices a route can hold.
            const int legs = 2 + Random.Below(3);
            const int base = Random.Below(std::max(1, Plan.Loops - 2));
            route.WaypointCount = std::int8_t(legs);
            for (int w = 0; w < legs; ++w) {
                const int loop = std::min(Plan.Loops - 1, base + Random.Below(3));
                const int column = 1 + Random.Below(Columns - 2);
                route.Waypoints[w] = std::uint16_t(Random.Below(2) ? TopRails[loop][column]
                                                                   : BottomRails[loop][column]);
            }
            route.Cars = std::uint8_t(1 + Random.Below(3));
            route.Interval = std::uint8_t(Plan.MinInterval +
                                          Random.Below(Plan.MaxInterval - Plan.MinInterval + 1));
        }
    }

    void AddScenery() {
        for (int layer = 0; layer < Plan.HousesPerRail * 4 && Room(); ++layer)
            for (int k = 0; k <= Plan.Loops && Room(); ++k) {
                const int y = TopY(k) - 4 - layer * 3 % 12;
                for (int c = 0; c < Columns && Room(); ++c) {
                    const int x = X(c) + 5 + layer % 4 * 10;
                    const std::uint8_t kind = Random.Below(5) == 0 ? HighWall : Wall;
                    Map->Objects.push_back(MakeObject(kind, x, y, x + 8, y));
                    Map->Objects.back().Red = Map->Objects.back().Green = 150;
                }
            }
        for (int k = 0; k < Plan.Loops && Room(); ++k) {
            Map->Objects.push_back(
                MakeObject(Trees, X(1), TopY(k) + 20, X(Columns - 1), TopY(k) + 20));
            Map->Objects.back().Green = 140;
        }
    }

    const TCityPlan& Plan;
    TRandom Random;
    std::unique_ptr<TMap> Map;
    int Columns = 0;
    std::vector<std::vector<int>> TopRails, BottomRails;
};

} // namespace

std::unique_ptr<TMap> GenerateCity(const TCityPlan& plan) {
    return TCityBuilder(plan).Build();
}

TCityPlan StressPlan() {
    TCityPlan plan;
    plan.Loops = 40;
    plan.LoopWidth = 9000;
    plan.Routes = RouteRows * RouteColumns;
    plan.CrossoverEvery = 20;
    plan.MinInterval = plan.MaxInterval = 5;
    plan.Seed = 3;
    return plan;
}

} // namespace vell::test
