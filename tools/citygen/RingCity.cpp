// The ring of maps/ring.vl: a small closed tram ring with two stops, houses around it and
// route 1; the smallest sound network, for VellSim examples and the tests.
#include "tools/citygen/Cities.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace vell::citygen {

namespace {

struct TRingBuilder {
    TMap& Map;

    int Add(TObjectKind kind, int x1, int y1, int x2, int y2, int red, int green, int blue) {
        TMapObject o;
        o.X1 = std::int16_t(x1);
        o.Y1 = std::int16_t(y1);
        o.X2 = std::int16_t(x2);
        o.Y2 = std::int16_t(y2);
        o.Red = std::uint8_t(red);
        o.Green = std::uint8_t(green);
        o.Blue = std::uint8_t(blue);
        o.Flags = kind;
        Map.AddObject(o);
        return Map.ObjectCount() - 1;
    }
    // A rail of speed grade 150; a stop of type 3 keeps its type in the top two bits.
    int AddRail(int x1, int y1, int x2, int y2, int stopType) {
        return Add(Rail, x1, y1, x2, y2, 150, stopType << 6, 0);
    }
};

} // namespace

TGeneratedCity MakeRingCity() {
    TGeneratedCity city{std::make_unique<TMap>(), {}};
    TRingBuilder b{*city.Map};
    // Clockwise (Y grows downwards): 800 m along the top and bottom, 400 m on the sides, the
    // corners cut at 45 degrees, since a rail continues only into one less than a right angle
    // away. Rails of at most 100 m; the fifth rail of the top and bottom sides is a stop.
    const std::array<std::pair<int, int>, 8> corners{{{4600, 4800},
                                                      {5400, 4800},
                                                      {5450, 4850},
                                                      {5450, 5150},
                                                      {5400, 5200},
                                                      {4600, 5200},
                                                      {4550, 5150},
                                                      {4550, 4850}}};
    std::vector<int> ring;
    for (std::size_t c = 0; c < corners.size(); ++c) {
        const auto [x1, y1] = corners[c];
        const auto [x2, y2] = corners[(c + 1) % corners.size()];
        const int steps = std::max(1, std::max(std::abs(x2 - x1), std::abs(y2 - y1)) / 100);
        for (int k = 0; k < steps; ++k) {
            // Floor division, as the coordinates were first written down.
            auto at = [steps](int from, int to, int n) {
                const int num = (to - from) * n;
                return from + (num >= 0 ? num / steps : -((-num + steps - 1) / steps));
            };
            const int stop = k == 4 && y1 == y2 ? 3 : 0;
            ring.push_back(b.AddRail(at(x1, x2, k), at(y1, y2, k), at(x1, x2, k + 1),
                                     at(y1, y2, k + 1), stop));
        }
    }
    for (int k = 0; k < 8; ++k) {
        const int x = 4620 + k * 100;
        b.Add(Wall, x, 4760, x + 60, 4760, 180, 150, 120);
        b.Add(Wall, x, 5240, x + 60, 5240, 180, 150, 120);
    }
    for (int k = 0; k < 3; ++k)
        b.Add(HighWall, 4700 + k * 250, 4700, 4780 + k * 250, 4700, 120, 120, 140);
    b.Add(Trees, 4700, 5000, 5300, 5000, 40, 140, 40);
    b.Add(Arch, 5000, 4790, 5000, 4810, 200, 200, 200);
    b.Add(Border, 4500, 4650, 5500, 4650, 90, 90, 90);

    TRouteRec& route = city.Map->Route(0, 0);
    route.WaypointCount = 2;
    route.Waypoints[0] = std::uint16_t(ring.front());
    route.Waypoints[1] = std::uint16_t(ring[ring.size() / 2]);
    route.Cars = 2;
    route.Interval = 10;
    return city;
}

} // namespace vell::citygen
