// The import's report as text, in the user's language: what was read, what was made, each route
// beside its relations' own figures, and everything left out with why. Its first line is the
// licence's attribution, which every use of the data must show.
#pragma once

#include "import/Import.h"

#include <string>

namespace vell::import {

// The attribution OpenStreetMap's licence asks for, the same in every language.
constexpr const char* Attribution = "© OpenStreetMap contributors";

// The notes on one imported route: turning loops made, cut at the square's edge, one relation
// driven both ways, variants not imported ("" when none).
std::string RouteNotes(const TImportedRoute& route);

// One local mend with its place and the lines through it.
std::string MendText(const TNetworkMend& mend);

std::string ImportReportText(const TImportReport& report);

} // namespace vell::import
