// The numbers of OpenStreetMap's tags as the import reads them: speeds, intervals, building
// levels and heights. Each answers 0 for a value it cannot read, so that one odd tag never
// stops an import.
#pragma once

#include <string_view>

namespace vell::import {

// km/h from maxspeed: "50", "50 km/h", "30 mph", "12 knots"; the first of "50;30". Zero for
// "none", "signals", "RU:urban" and the like.
int MaxSpeedOfTag(std::string_view value);

// The sense oneway allows: 1 for "yes", "true", "1"; -1 for "-1", "reverse"; 0 for anything
// else ("no", "reversible", "alternating" and the like: no fixed sense).
int OnewayOfTag(std::string_view value);

// Minutes from a route's interval: "20", "00:20", "1:00", "00:07:30" (seconds rounded).
int IntervalMinutesOfTag(std::string_view value);

// building:levels: "5", "2.5" (rounded), the first of "3;4".
int LevelsOfTag(std::string_view value);

// Metres from height: "12", "12 m", "12.5m", "40 ft", "40'".
double HeightOfTag(std::string_view value);

} // namespace vell::import
