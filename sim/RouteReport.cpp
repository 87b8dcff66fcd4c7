// The route report as the top view shows it.
#include "RouteReport.h"

#include "RouteTable.h"
#include "Texts.h"

namespace vell {

namespace {

// Cuts UTF-8 text after `characters` characters.
std::string CutCharacters(const std::string& text, int characters) {
    int seen = 0;
    for (std::size_t k = 0; k < text.size(); ++k)
        if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80 && seen++ == characters)
            return text.substr(0, k);
    return text;
}

} // namespace

std::string RouteReport(const TMap& map) {
    std::string text;
    long long inService = 0, planned = 0;
    // The route table's order: the one-character routes and their letter variants first.
    for (auto [i, j] : RouteTableOrder()) {
        const TRouteRec& route = map.Route(i, j);
        if (!route.InUse()) continue;
        text += RouteName(i, j) + ": " + std::to_string(route.TramsInService) + " (" +
                std::to_string(route.TramCount) + ")\r\n";
        inService += route.TramsInService;
        planned += route.TramCount;
    }
    text += translate("RouteReport", "Итого") + " " + std::to_string(inService) + " (" +
            std::to_string(planned) + ")";
    // Every addition was cut at the length, so the whole text is its first characters.
    return CutCharacters(text, RouteReportLength);
}

} // namespace vell
