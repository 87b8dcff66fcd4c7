// One drawn map object (TMapObject): a 12-byte segment record, the same layout in memory and file.
#pragma once

#include <cstdint>

namespace vell {

enum TObjectKind : std::uint8_t {
    Border = 0,
    Wall = 1,
    HighWall = 2,
    Arch = 3,
    Rail = 4,
    Trees = 5,
    DoubleTrack = 6,
    DoubleTrackPoles = 7,
    DoubleTrackLane = 8,
    DoubleTrackGreen = 9,
};

constexpr int ObjectKindCount = 10; // codes 10..15 are never created but may come from a file

// Flag bits above the kind (low four bits).
constexpr std::uint8_t KindMask = 0x0F;
constexpr std::uint8_t SelectedBit = 0x10;
constexpr std::uint8_t KeepClearBit = 0x20;
constexpr std::uint8_t StartGrabBit = 0x40;
constexpr std::uint8_t EndGrabBit = 0x80;

#pragma pack(push, 1)
struct TMapObject {
    std::int16_t X1 = 0;
    std::int16_t Y1 = 0;
    std::int16_t X2 = 0;
    std::int16_t Y2 = 0;
    // For rails these three bytes are SpeedGrade, StopInfo and Waiting; for the rest a colour.
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    std::uint8_t Flags = 0;

    std::uint8_t Kind() const { return Flags & KindMask; }
    void SetKind(std::uint8_t kind) { Flags = (Flags & ~KindMask) | (kind & KindMask); }
    bool IsRail() const { return Kind() == Rail; }

    bool Selected() const { return Flags & SelectedBit; }
    void SetSelected(bool on) { SetFlag(SelectedBit, on); }
    bool KeepClear() const { return Flags & KeepClearBit; }
    void SetKeepClear(bool on) { SetFlag(KeepClearBit, on); }
    bool StartGrab() const { return Flags & StartGrabBit; }
    void SetStartGrab(bool on) { SetFlag(StartGrabBit, on); }
    bool EndGrab() const { return Flags & EndGrabBit; }
    void SetEndGrab(bool on) { SetFlag(EndGrabBit, on); }

    // Rail bytes.
    std::uint8_t SpeedGrade() const { return Red; }
    void SetSpeedGrade(std::uint8_t v) { Red = v; }
    std::uint8_t StopInfo() const { return Green; }
    void SetStopInfo(std::uint8_t v) { Green = v; }
    std::uint8_t StopType() const { return Green >> 6; }
    void SetStopType(std::uint8_t type) {
        Green = std::uint8_t((Green & 0x3F) | ((type & 3) << 6));
    }
    bool IsStop() const { return StopType() != 0; }
    std::uint8_t Catchment() const { return Green & 0x3F; }
    void SetCatchment(std::uint8_t v) { Green = std::uint8_t((Green & 0xC0) | (v & 0x3F)); }
    std::uint8_t Waiting() const { return Blue; }
    void SetWaiting(std::uint8_t v) { Blue = v; }

    bool operator==(const TMapObject&) const = default;

  private:
    void SetFlag(std::uint8_t bit, bool on) { Flags = on ? (Flags | bit) : (Flags & ~bit); }
};
#pragma pack(pop)

static_assert(sizeof(TMapObject) == 12, "map objects are stored as 12-byte records");

inline TMapObject MakeObject(std::uint8_t kind, int x1, int y1, int x2, int y2) {
    TMapObject o;
    o.X1 = std::int16_t(x1);
    o.Y1 = std::int16_t(y1);
    o.X2 = std::int16_t(x2);
    o.Y2 = std::int16_t(y2);
    o.SetKind(kind);
    return o;
}

} // namespace vell
