// What the trams read of every rail, computed once when the world starts: the map's rails do
// not change while the world runs, and lengths and speed limits are asked for every tick.
#pragma once

#include "model/Links.h"
#include "model/Map.h"
#include "sim/LargePages.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace vell {

// Laid out by use: the first 64 bytes hold what every point of every tram reads each tick, the
// second what the rails under a train add, the rest is read rarely.
struct alignas(64) TRailData {
    double Length = 0;
    double DirX = 0, DirY = 0; // (X2 - X1) / Length, (Y2 - Y1) / Length
    // Along the rail, where a point can meet a near rail at all: the hull of its near spans,
    // widened to the next float outward. A point sweeping outside it tries none of them.
    float SpanLow = 0, SpanHigh = 0;
    TLinkRec Link;               // NoObject everywhere for an object without links; the
                                 // Near entries packed in front, in their order
    std::uint32_t SpanFirst = 0; // this rail's first entry in TRailTable's near spans
    std::int16_t X1 = 0, Y1 = 0;
    std::uint8_t SpeedGrade = 0;
    bool Linked = false; // a rail with a link record
    bool Stop = false;
    bool KeepClear = false;
    bool Switch = false;
    std::uint8_t NearCount = 0; // non-empty Near entries
    std::uint8_t SpanCount = 0; // and how many near spans

    double OverspeedMpt = 0; // a tram faster than this, m/tick, is too fast for the grade
    // A car standing over the joint into Next[k] overturns faster than 1 / (Overturn[k] x
    // TicksPerSecond) m/tick: sqrt(0.05 sqrt((1 - c) / (1 + c))), c the |cosine| of the bend.
    std::array<double, 2> Overturn{};
    // What the reservation allows over the rail for each schedule state (table column), m/tick:
    // SpeedLimitKmh less the state's curve margin, and on a stop not above the stop speed,
    // converted here once rather than by every tram every tick.
    std::array<double, 5> LimitMptByState{};

    double SpeedLimitKmh = 0; // SpeedLimit of the rail
    std::int16_t X2 = 0, Y2 = 0;
};

// Where along a rail a point can touch the box of one of its near rails. A point that stays on
// its rail through a tick sweeps a piece of the rail between two distances from its start; the
// sweep's box can only meet the near rail's box when that piece overlaps both ranges below
// (half a metre wider on each side than exact, against rounding). Near rails whose box the
// rail's line never comes near in one direction are left out.
struct TNearSpan {
    double LowX, HighX; // distances at which the point's X is within the near rail's box
    double LowY, HighY; // the same for Y
    std::uint16_t Near;
};

class TRailTable {
  public:
    void Build(const TMap& map);
    void Clear();

    const TRailData& operator[](int object) const { return Rails[std::size_t(object)]; }
    int Size() const { return int(Rails.size()); }
    // Stop rails in index order, the ones GatherPassengers visits.
    const std::vector<std::uint16_t>& StopRails() const { return Stops; }
    // The near rails a point staying on `object` may cross, with their spans, in Near order.
    const TNearSpan* SpansBegin(const TRailData& rail) const {
        return Spans.data() + rail.SpanFirst;
    }
    const TNearSpan* SpansEnd(const TRailData& rail) const {
        return SpansBegin(rail) + rail.SpanCount;
    }

    // The overturning factor of a car whose rear point is on `rear` and front point on `front`.
    static double OverturnFactor(const TMapObject& front, const TMapObject& rear);

  private:
    static void PackNear(TRailData& r);
    static float FloatBelow(double x);
    static float FloatAbove(double x);
    static std::optional<std::pair<double, double>> AxisSpan(double start, double dir, double low,
                                                             double high);
    static std::optional<TNearSpan> NearSpan(const TRailData& r, const TRailData& m);

    std::vector<TRailData, TLargePageAllocator<TRailData>> Rails;
    std::vector<std::uint16_t> Stops;
    std::vector<TNearSpan> Spans;
};

} // namespace vell
