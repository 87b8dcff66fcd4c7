// The segment grid's answers against measuring every segment: the grid only spares the work.
#include "import/PlaneGeometry.h"
#include "import/SegmentGrid.h"
#include "model/Geometry.h"
#include "model/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace vell::import {
namespace {

TPointM RandomPoint(TRandom& random, double x0, double y0, double side) {
    return {x0 + random.Real() * side, y0 + random.Real() * side};
}

// Segments of 1-120 m crowded into a few hundred metres (some across cells, some reaching past
// the square's edge, a few points), and queries among them.
struct TCrowd {
    TSegmentGrid Grid;
    TRandom Random{7};
    TCrowd() {
        for (int i = 0; i < 600; ++i) {
            const TPointM a = RandomPoint(Random, -20, 9700, 340);
            const double length = i % 50 == 0 ? 0 : 1 + Random.Real() * 120;
            const double angle = Random.Real() * 6.283;
            Grid.Add(a, a + length * TPointM{std::cos(angle), std::sin(angle)}, i);
        }
    }
};

double Brute(const TSegmentGrid& grid, TPointM a, TPointM b) {
    double best = 1e300;
    for (const auto& s : grid.Segments())
        best = std::min(best,
                        std::sqrt(SegmentDistSq(a.X, a.Y, b.X, b.Y, s.A.X, s.A.Y, s.B.X, s.B.Y)));
    return best;
}

// Within its reach the least distance is the one to the nearest of all segments, to the bit;
// beyond it, a value above the reach.
TEST(SegmentGrid, DistanceWithinIsTheLeastDistanceToAllSegments) {
    TCrowd crowd;
    for (int q = 0; q < 400; ++q) {
        const TPointM a = RandomPoint(crowd.Random, -40, 9680, 380);
        const TPointM b = q % 3 == 0 ? a : a + TPointM{crowd.Random.Real() * 30, 5};
        for (const double reach : {0.5, 4.0, 25.0, 100.0}) {
            const double grid = crowd.Grid.DistanceWithin(a, b, reach);
            const double all = Brute(crowd.Grid, a, b);
            if (all <= reach)
                EXPECT_EQ(grid, all) << q << " " << reach;
            else
                EXPECT_GT(grid, reach) << q << " " << reach;
        }
    }
}

// The clear parts of a segment are the parts no segment comes within the clearance of: each
// point of a clear part (but its ends) stays that far from all of them, and each point between
// two clear parts, or before the first or after the last, comes nearer to one.
TEST(SegmentGrid, ClearPartsKeepTheClearanceFromAllSegments) {
    TCrowd crowd;
    constexpr double Clearance = 3;
    int clearSeen = 0, blockedSeen = 0;
    for (int q = 0; q < 200; ++q) {
        const TPointM a = RandomPoint(crowd.Random, -20, 9700, 340);
        const TPointM b = a + TPointM{crowd.Random.Real() * 60 - 30, crowd.Random.Real() * 60 - 30};
        const auto parts = crowd.Grid.ClearParts(a, b, Clearance);
        for (int k = 1; k < 100; ++k) {
            const double t = k / 100.0;
            const TPointM p = a + t * (b - a);
            const bool inClear = std::any_of(parts.begin(), parts.end(), [&](const auto& part) {
                return t > part.first + 1e-6 && t < part.second - 1e-6;
            });
            const bool onEdge = std::any_of(parts.begin(), parts.end(), [&](const auto& part) {
                return std::abs(t - part.first) < 1e-3 || std::abs(t - part.second) < 1e-3;
            });
            if (onEdge) continue;
            const double d = Brute(crowd.Grid, p, p);
            if (inClear) {
                EXPECT_GE(d, Clearance - 1e-9) << q << " " << t;
                ++clearSeen;
            } else {
                EXPECT_LE(d, Clearance + 1e-9) << q << " " << t;
                ++blockedSeen;
            }
        }
    }
    EXPECT_GT(clearSeen, 1000);
    EXPECT_GT(blockedSeen, 1000);
}

} // namespace
} // namespace vell::import
