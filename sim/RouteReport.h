// The route report: for every route in play, its trams in service and planned, and a total.
#pragma once

#include "Map.h"

#include <string>

namespace vell {

constexpr int RouteReportLength = 255; // characters; the rest of a long report is lost

// UTF-8 text, lines ending in "\r\n".
std::string RouteReport(const TMap& map);

} // namespace vell
