// Names of the object kinds: Russian for people, English identifiers for machine output.
#pragma once

#include <cstdint>
#include <string>

namespace vell {

// "Рельс", "Двупутка и столбы", ...; codes 10..15 read "Неизвестный (12)".
std::string KindCaption(std::uint8_t kind);
// "Rail", "DoubleTrackPoles", ...; codes 10..15 read "Unknown12".
std::string KindIdentifier(std::uint8_t kind);

} // namespace vell
