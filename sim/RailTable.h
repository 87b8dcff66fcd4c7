// What the trams read of every rail, computed once when the world starts: the map's rails do
// not change while the world runs, and lengths and speed limits are asked for every tick.
#pragma once

#include "Links.h"
#include "Map.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vell {

struct TRailData {
    double Length = 0;
    double DirX = 0, DirY = 0;     // (X2 - X1) / Length, (Y2 - Y1) / Length
    double SpeedLimitKmh = 0;      // SpeedLimit of the rail
    // A car standing over the joint into Next[k] overturns faster than 1 / (Overturn[k] x
    // TicksPerSecond) m/tick: sqrt(0.05 sqrt((1 - c) / (1 + c))), c the |cosine| of the bend.
    std::array<double, 2> Overturn{};
    TLinkRec Link;                 // NoObject everywhere for an object without links
    std::int16_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::uint8_t SpeedGrade = 0;
    bool Linked = false;           // a rail with a link record
    bool Stop = false;
    bool KeepClear = false;
    bool Switch = false;
};

class TRailTable {
  public:
    void Build(const TMap& map);
    void Clear();

    const TRailData& operator[](int object) const { return Rails[std::size_t(object)]; }
    int Size() const { return int(Rails.size()); }
    // Stop rails in index order, the ones GatherPassengers visits.
    const std::vector<std::uint16_t>& StopRails() const { return Stops; }

    // The overturning factor of a car whose rear point is on `rear` and front point on `front`.
    static double OverturnFactor(const TMapObject& front, const TMapObject& rear);

  private:
    std::vector<TRailData> Rails;
    std::vector<std::uint16_t> Stops;
};

} // namespace vell
