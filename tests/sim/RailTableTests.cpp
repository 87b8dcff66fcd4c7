// The rail table computed at world start: the near spans that let a car point skip near rails
// must never skip one its sweep meets, and the per-state limits must be the ones the
// reservation computed over each rail.
#include "model/Geometry.h"
#include "sim/DrivingTables.h"
#include "sim/Speed.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/GeneratedCity.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vell::test {
namespace {

// What the crossing check tries for a point that moved from `low` to `high` on `rail`: the
// near rails whose span the sweep reaches.
std::vector<std::uint16_t> Tried(const TRailTable& rails, const TRailData& rail, double low,
                                 double high) {
    std::vector<std::uint16_t> tried;
    if (high < rail.SpanLow || low > rail.SpanHigh) return tried;
    for (const TNearSpan* s = rails.SpansBegin(rail); s != rails.SpansEnd(rail); ++s)
        if (high >= s->LowX && low <= s->HighX && high >= s->LowY && low <= s->HighY)
            tried.push_back(s->Near);
    return tried;
}

// The crossing test itself: boxes first, then the exact distance.
bool Meets(double ax, double ay, double bx, double by, const TRailData& m) {
    if (std::max(ax, bx) < std::min<double>(m.X1, m.X2) ||
        std::min(ax, bx) > std::max<double>(m.X1, m.X2) ||
        std::max(ay, by) < std::min<double>(m.Y1, m.Y2) ||
        std::min(ay, by) > std::max<double>(m.Y1, m.Y2))
        return false;
    return SegmentDistSq(ax, ay, bx, by, m.X1, m.Y1, m.X2, m.Y2) == 0;
}

// Every rail of a city with crossings and a crossing ring, swept in short steps (standing
// still included) from before its start to past its end: whatever a sweep meets is tried.
TEST(RailTable, NearSpansNeverSkipARailASweepMeets) {
    TCityPlan plan;
    plan.Loops = 6;
    plan.LoopWidth = 2000;
    plan.Routes = 6;
    plan.CrossoverEvery = 3;
    plan.Seed = 9;
    std::vector<std::unique_ptr<TMap>> maps;
    maps.push_back(GenerateCity(plan));
    maps.push_back(std::move(CrossingMap().Map));
    int met = 0, sweeps = 0;
    for (auto& map : maps) {
        TSimulation sim(std::move(map));
        const TRailTable& rails = sim.World->Rails();
        for (int i = 0; i < rails.Size(); ++i) {
            const TRailData& rail = rails[i];
            if (!rail.Linked) continue;
            for (double d = -1; d <= rail.Length + 1; d += 0.37)
                for (double step : {0.0, 0.05, 0.6, 1.4}) {
                    const double ax = rail.X1 + rail.DirX * d, ay = rail.Y1 + rail.DirY * d;
                    const double bx = rail.X1 + rail.DirX * (d + step),
                                 by = rail.Y1 + rail.DirY * (d + step);
                    const auto tried = Tried(rails, rail, d, d + step);
                    ++sweeps;
                    for (int k = 0; k < rail.NearCount; ++k) {
                        const std::uint16_t m = rail.Link.Near[k];
                        if (!Meets(ax, ay, bx, by, rails[m])) continue;
                        ++met;
                        EXPECT_NE(std::find(tried.begin(), tried.end(), m), tried.end())
                            << "rail " << i << " at " << d << " meets " << m;
                    }
                }
        }
    }
    EXPECT_GT(sweeps, 10000);
    EXPECT_GT(met, 100); // the joints and crossings are really swept over
}

TEST(RailTable, LimitsByStateAreTheRailLimitLessTheMarginAndAtStopsTheStopSpeed) {
    TBypassMap layout = BypassMap(true);
    const int stop = layout.Bypass[1];
    TSimulation sim(std::move(layout.Map));
    const TRailTable& rails = sim.World->Rails();
    for (int i : {stop, layout.Rails[0], layout.Bypass[0]}) {
        const TRailData& r = rails[i];
        ASSERT_TRUE(r.Linked);
        EXPECT_EQ(r.Stop, i == stop);
        for (int s = -2; s <= 2; ++s) {
            double expected = r.SpeedLimitKmh * (1 - CurveMarginByState(std::int8_t(s)));
            if (r.Stop) expected = std::min(expected, StopSpeedByState(std::int8_t(s)));
            EXPECT_EQ(r.LimitMptByState[std::size_t(s + 2)], KmhToMpt(expected))
                << i << " state " << s;
        }
    }
}

} // namespace
} // namespace vell::test
