// The route report: its lines and its total, however long.
#include "sim/RouteReport.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vell::test {
namespace {

std::size_t Characters(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        n += (c & 0xC0) != 0x80;
    return n;
}

TEST(RouteReport, OneLinePerRouteInPlayAndATotal) {
    auto map = NewMap();
    TRouteRec& five = map->Route(4, 0);
    five.WaypointCount = 2;
    five.TramsInService = 2;
    five.TramCount = 4;
    TRouteRec& fiftyB = map->Route(4, 12);
    fiftyB.WaypointCount = 3;
    fiftyB.TramCount = 1;
    TRouteRec& twelve = map->Route(0, 3);
    twelve.WaypointCount = 2;
    twelve.TramsInService = 1;
    twelve.TramCount = 3;
    map->Route(1, 0).WaypointCount = 1; // not in play
    map->Route(1, 0).TramCount = 9;
    EXPECT_EQ(RouteReport(*map), "5 : 2 (4)\r\n5Б: 0 (1)\r\n12: 1 (3)\r\nИтого 3 (8)");
    EXPECT_EQ(RouteReport(*NewMap()), "Итого 0 (0)");
}

TEST(RouteReport, ALineNamedOtherwiseThanItsSlotIsNamedBesideIt) {
    auto map = NewMap();
    const std::vector<int> ring = AddRing(*map, 1000, 1000, 2000, 1600);
    SetRoute(*map, 2, 11, {ring[0], ring[4]}); // 3А
    SetRoute(*map, 0, 1, {ring[1], ring[5]});  // 10
    map->Route(2, 11).TramCount = 2;
    map->Route(0, 1).TramsInService = 1;
    map->Route(0, 1).TramCount = 1;
    NameLine(*map, 2, 11, "3E");
    NameLine(*map, 0, 1, "10");
    EXPECT_EQ(RouteReport(*map), "3А «3E»: 0 (2)\r\n10: 1 (1)\r\nИтого 1 (3)");
    // A route changed since it was named is its slot alone.
    map->Route(2, 11).Waypoints[1] = std::uint16_t(ring[3]);
    EXPECT_EQ(RouteReport(*map), "3А: 0 (2)\r\n10: 1 (1)\r\nИтого 1 (3)");
}

TEST(RouteReport, ALongReportIsWholeWithItsTotal) {
    auto map = NewMap();
    for (auto& row : map->Routes)
        for (TRouteRec& r : row) {
            r.WaypointCount = 2;
            r.TramCount = 1;
        }
    const std::string report = RouteReport(*map);
    EXPECT_GT(Characters(report), 255u);
    EXPECT_EQ(report.rfind("1 : 0 (1)\r\n1А: 0 (1)\r\n1Б: 0 (1)\r\n", 0), 0u);
    // Every route's line, the last of them whole, then the total.
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), RouteRows * RouteColumns);
    const std::string end = "99: 0 (1)\r\nИтого 0 (117)";
    EXPECT_EQ(report.substr(report.size() - end.size()), end);
}

} // namespace
} // namespace vell::test
