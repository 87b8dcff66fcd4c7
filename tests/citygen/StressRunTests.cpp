// An hour of the stress city with a fixed seed: the tram table all but fills, and every tram,
// counter and random draw must come out as recorded. The world step is tuned for this scale; this
// run is what tells that the tuning changed nothing the trams do.
#include "model/Units.h"
#include "sim/RunStatistics.h"
#include "tests/sim/SimTestSupport.h"
#include "tools/citygen/Cities.h"

#include <gtest/gtest.h>

#include <array>

namespace vell::citygen {
namespace {

TEST(StressCity, AnHourRunsExactlyAsRecorded) {
    test::TSimulation sim(MakeStressCity().Map, 60);
    TRunStatistics statistics(*sim.World);
    // The whole state every quarter of an hour, so that a change shows when it began.
    const std::array<std::uint64_t, 4> expected = {17916446574824593286u, 6395481946019289455u,
                                                   13310217278494776827u, 3805231237827051966u};
    std::array<std::uint64_t, 4> digests{};
    const long long quarter = RoundHalfEven(15 * TicksPerMinute);
    for (int q = 0; q < 4; ++q) {
        for (long long s = 0; s < quarter; ++s) {
            sim.World->WorldStep();
            statistics.Observe();
        }
        digests[std::size_t(q)] = test::WorldDigest(*sim.World);
    }
    int inService = 0, offRoute = 0;
    long long served = 0, unserved = 0, accidentTicks = 0;
    for (const TRouteStatistics& r : statistics.Routes()) {
        inService += r.InService;
        served += r.StopsServed;
        unserved += r.StopsUnserved;
        offRoute += r.OffRoute;
        accidentTicks += r.AccidentTicks;
    }
    EXPECT_EQ(sim.Selection.TotalTrams, 1024);
    EXPECT_EQ(sim.World->VellCount, 1021);
    EXPECT_EQ(inService, 1020);
    EXPECT_EQ(served, 19687);
    EXPECT_EQ(unserved, 0);
    EXPECT_EQ(offRoute, 0);
    EXPECT_EQ(accidentTicks, 0);
    EXPECT_EQ(sim.Random.GetState(), 257701909u);
    for (int q = 0; q < 4; ++q)
        EXPECT_EQ(digests[std::size_t(q)], expected[std::size_t(q)])
            << "after " << 15 * (q + 1) << " minutes";
    std::string why;
    EXPECT_TRUE(test::OccupancyConsistent(*sim.World, &why)) << why;
}

} // namespace
} // namespace vell::citygen
