// The benchmarks' stress city: the map and the tram table filled to their limits by a network
// that is sound and routes that are all usable.
#include "model/RouteTable.h"
#include "tools/citygen/Cities.h"

#include <gtest/gtest.h>

namespace vell::citygen {
namespace {

TEST(StressCity, FillsTheMapAndPlansTheWholeTramTable) {
    TGeneratedCity city = MakeStressCity();
    TMap& map = *city.Map;
    EXPECT_EQ(map.ObjectCount(), MaxObjects);
    int rails = 0;
    for (const TMapObject& o : map.Objects) {
        rails += o.IsRail();
        EXPECT_FALSE(IsInvalidObject(o));
    }
    EXPECT_GT(rails, 5000);
    const TMapSelection selection = SelectMap(map);
    ASSERT_EQ(selection.NetworkResult, -1);
    EXPECT_EQ(selection.Rows.size(), std::size_t(RouteRows * RouteColumns));
    for (const TRouteTableRow& row : selection.Rows)
        EXPECT_TRUE(row.Figures.Usable) << row.Name;
    EXPECT_EQ(selection.TotalTrams, 1024);
}

} // namespace
} // namespace vell::citygen
