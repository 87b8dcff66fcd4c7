// Names of the object kinds.
#include "model/ObjectKind.h"

#include "model/MapObject.h"
#include "model/Texts.h"

#include <array>

namespace vell {

namespace {
struct TKindNames {
    const char* Caption;
    const char* Identifier;
};
constexpr std::array<TKindNames, ObjectKindCount> KindNames{{
    {QT_TRANSLATE_NOOP("ObjectKind", "Бордёр"), "Border"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Стена"), "Wall"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Выс. стена"), "HighWall"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Арка"), "Arch"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Рельс"), "Rail"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Деревья"), "Trees"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Двупутка"), "DoubleTrack"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Двупутка и столбы"), "DoubleTrackPoles"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Двупутка и полоса"), "DoubleTrackLane"},
    {QT_TRANSLATE_NOOP("ObjectKind", "Двупутка и зелень"), "DoubleTrackGreen"},
}};
} // namespace

std::string KindCaption(std::uint8_t kind) {
    if (kind < KindNames.size()) return translate("ObjectKind", KindNames[kind].Caption);
    return Arg(translate("ObjectKind", "Неизвестный (%1)"), std::to_string(kind));
}

std::string KindIdentifier(std::uint8_t kind) {
    if (kind < KindNames.size()) return KindNames[kind].Identifier;
    return "Unknown" + std::to_string(kind);
}

} // namespace vell
