// Scenario maps and helpers for the simulation tests.
#include "tests/sim/SimTestSupport.h"

#include "model/Geometry.h"
#include "tests/support/TestMaps.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace vell::test {

TSimulation::TSimulation(std::unique_ptr<TMap> map, std::uint32_t seed)
    : Map(std::move(map)), Random(seed) {
    Selection = SelectMap(*Map);
    World = std::make_unique<TWorld>(*Map, Random);
    World->StartWorld();
}

TVell& TSimulation::TramNumber(int number) {
    for (int k = 0; k < World->VellCount; ++k)
        if (Tram(k).Number == number) return Tram(k);
    throw std::out_of_range("no such tram");
}

long long TSimulation::StepUntil(const std::function<bool()>& done, long long limit) {
    for (long long s = 1; s <= limit; ++s) {
        World->WorldStep();
        if (done()) return s;
    }
    return -1;
}

TRingMap RingMap(std::uint8_t grade) {
    TRingMap ring;
    ring.Map = NewMap();
    ring.Rails = AddRing(*ring.Map, 100, 100, 1100, 300, RingTopPieces, grade);
    return ring;
}

TBypassMap BypassMap(bool stopOnBypass) {
    TBypassMap m;
    m.Map = NewMap();
    m.Rails = AddRing(*m.Map, 100, 100, 1100, 300, RingTopPieces);
    m.Bypass = {AddRail(*m.Map, 408, 100, 448, 80),
                AddRail(*m.Map, 448, 80, 560, 80, 100, stopOnBypass ? 1 : 0),
                AddRail(*m.Map, 560, 80, 600, 100)};
    return m;
}

TCrossingMap CrossingMap() {
    TCrossingMap m;
    m.Map = NewMap();
    m.Rails = AddRing(*m.Map, 100, 100, 1100, 300, RingTopPieces);
    m.Cross = AddRing(*m.Map, 460, 0, 640, 400);
    return m;
}

namespace {

// A closed path of rails through `points`, in order; returns the rails.
std::vector<int> AddLoop(TMap& map, const std::vector<std::pair<int, int>>& points) {
    std::vector<int> rails;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const auto [ax, ay] = points[k];
        const auto [bx, by] = points[(k + 1) % points.size()];
        rails.push_back(AddRail(map, ax, ay, bx, by));
    }
    return rails;
}

} // namespace

TSingleTrackMap SingleTrackMap() {
    TSingleTrackMap m;
    m.Map = NewMap();
    const std::vector<int> ys = {120, 232, 344, 456, 568, 680};
    std::vector<std::pair<int, int>> west = {{120, 100}, {580, 100}};
    for (int y : ys)
        west.push_back({600, y});
    for (auto p : {std::pair{580, 700}, {120, 700}, {100, 680}, {100, 120}})
        west.push_back(p);
    std::vector<std::pair<int, int>> east = {{620, 100},  {1080, 100}, {1100, 120},
                                             {1100, 680}, {1080, 700}, {620, 700}};
    for (auto y = ys.rbegin(); y != ys.rend(); ++y)
        east.push_back({600, *y});
    const std::vector<int> w = AddLoop(*m.Map, west), e = AddLoop(*m.Map, east);
    for (int k = 2; k <= 6; ++k)
        m.Section.insert(w[k]); // (600, 120) down to (600, 680)
    for (int k = 6; k <= 10; ++k)
        m.Section.insert(e[k]); // (600, 680) up to (600, 120)
    // Both routes start past the section, so that no tram waiting for it stands on its first
    // waypoint (where trams count as waiting their turn, not as blocked).
    SetRoute(*m.Map, 0, 0, {w[8], w[0]}, 1, 5);
    SetRoute(*m.Map, 1, 0, {e[0], e[4]}, 1, 5);
    return m;
}

bool OccupancyConsistent(const TWorld& world, std::string* why) {
    std::vector<int> expected(world.Occupancy.size(), 0);
    for (int k = 0; k < world.VellCount; ++k)
        for (int object : world.VellTable[k]->MarkedObjects())
            ++expected[object];
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != world.Occupancy[i]) {
            if (why) {
                std::ostringstream text;
                text << "object " << i << ": counter " << world.Occupancy[i] << ", marks "
                     << expected[i];
                *why = text.str();
            }
            return false;
        }
    return true;
}

bool TramFinite(const TVell& t) {
    std::vector<double> values = {t.MaxAccel,         t.TopSpeed,
                                  t.Passengers,       t.Alighting,
                                  t.Boarding,         t.DoorOpening,
                                  t.DoorTarget,       t.Command,
                                  t.PrevCommand,      t.Speed,
                                  t.PrevSpeed,        t.ShakeAmplitude,
                                  t.ShakeGain,        t.ShakeAngle,
                                  t.AllowedSpeed,     t.ManualCommand,
                                  t.LookAhead.Dist,   t.ReservedFront.Dist,
                                  t.ReservedRear.Dist};
    for (const TCarState& c : t.CarState)
        values.insert(values.end(), {c.RollResist, c.SpeedDrag, c.DoorWidth, c.Yaw, c.YawRate});
    for (int i = 0; i < MaxCars; ++i)
        values.insert(values.end(), {t.Front[i].Dist, t.Rear[i].Dist});
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

namespace {

struct TBody {
    double AX, AY, BX, BY;
};

TBody Body(const TVell& tram, int car) {
    const TCarAxisXY a = tram.CarAxis(car);
    return {a.Centre.X - 3.8 * a.Dir.X, a.Centre.Y - 3.8 * a.Dir.Y, a.Centre.X + 3.8 * a.Dir.X,
            a.Centre.Y + 3.8 * a.Dir.Y};
}

} // namespace

bool ActiveTramsApart(const TWorld& world, double* closestSq) {
    double closest = 1e300;
    for (int j = 0; j < world.VellCount; ++j)
        for (int k = j + 1; k < world.VellCount; ++k) {
            const TVell &a = *world.VellTable[j], &b = *world.VellTable[k];
            if (!a.Active || !b.Active) continue;
            for (int p = 0; p < a.Cars(); ++p)
                for (int q = 0; q < b.Cars(); ++q) {
                    const TBody x = Body(a, p), y = Body(b, q);
                    closest = std::min(
                        closest, SegmentDistSq(x.AX, x.AY, x.BX, x.BY, y.AX, y.AY, y.BX, y.BY));
                }
        }
    if (closestSq) *closestSq = closest;
    return closest > 5.76;
}

std::uint64_t WorldDigest(const TWorld& world) {
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t k = 0; k < size; ++k)
            h = (h ^ bytes[k]) * 1099511628211ull;
    };
    auto value = [&](const auto& v) { mix(&v, sizeof v); };
    auto pos = [&](const TRailPos& p) {
        value(p.Obj);
        value(p.SwitchNo);
        value(p.Dist);
    };
    value(world.VellCount);
    for (int k = 0; k < world.VellCount; ++k) {
        const TVell& t = *world.VellTable[k];
        for (auto v : {t.Clock, t.Deviation, t.MaxLate, t.Number})
            value(v);
        for (bool b : {t.RulesKept, t.OnRoute, t.Accident, t.FullPower, t.Active, t.StopServed,
                       t.DoorsOpening, t.DoorsClosing, t.LeftLamp, t.RightLamp})
            value(b);
        for (double d : {t.Passengers, t.Alighting, t.Boarding, t.DoorOpening, t.DoorTarget,
                         t.Command, t.PrevCommand, t.Speed, t.AllowedSpeed, t.ShakeAmplitude})
            value(d);
        for (const TCarState& c : t.CarState)
            value(c);
        for (int i = 0; i < MaxCars; ++i) {
            pos(t.Front[i]);
            pos(t.Rear[i]);
        }
        pos(t.LookAhead);
        pos(t.ReservedFront);
        pos(t.ReservedRear);
        value(t.StopIndex);
        value(t.Colour);
        value(t.ScheduleState);
    }
    mix(world.Occupancy.data(), world.Occupancy.size() * sizeof(std::uint16_t));
    for (const TMapObject& o : world.Map.Objects)
        value(o.Blue);
    value(world.Random.GetState());
    return h;
}

} // namespace vell::test
