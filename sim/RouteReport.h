// The route report: for every route in play (with the line riders know, where the map names it
// otherwise than its slot), its trams in service and planned, and a total.
#pragma once

#include "model/Map.h"

#include <string>

namespace vell {

// UTF-8 text, lines ending in "\r\n"; the whole of it, however many routes (the message box
// that shows it scrolls).
std::string RouteReport(const TMap& map);

} // namespace vell
