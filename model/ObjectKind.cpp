// Names of the object kinds.
#include "ObjectKind.h"

#include "MapObject.h"

#include <array>

namespace vell {

namespace {
struct TKindNames {
    const char* Caption;
    const char* Identifier;
};
constexpr std::array<TKindNames, ObjectKindCount> KindNames{{
    {"Бордёр", "Border"},
    {"Стена", "Wall"},
    {"Выс. стена", "HighWall"},
    {"Арка", "Arch"},
    {"Рельс", "Rail"},
    {"Деревья", "Trees"},
    {"Двупутка", "DoubleTrack"},
    {"Двупутка и столбы", "DoubleTrackPoles"},
    {"Двупутка и полоса", "DoubleTrackLane"},
    {"Двупутка и зелень", "DoubleTrackGreen"},
}};
} // namespace

std::string KindCaption(std::uint8_t kind) {
    if (kind < KindNames.size()) return KindNames[kind].Caption;
    return "Неизвестный (" + std::to_string(kind) + ")";
}

std::string KindIdentifier(std::uint8_t kind) {
    if (kind < KindNames.size()) return KindNames[kind].Identifier;
    return "Unknown" + std::to_string(kind);
}

} // namespace vell
