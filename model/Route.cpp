// Route slot names.
#include "model/Route.h"

namespace vell {

std::string RouteSuffix(int column) {
    if (column == 0) return " ";
    if (column >= 1 && column <= 10) return std::string(1, char('0' + column - 1));
    if (column == 11) return "А";
    if (column == 12) return "Б";
    return "?";
}

std::string RouteName(int row, int column) {
    return std::string(1, char('1' + row)) + RouteSuffix(column);
}

std::string RouteDisplayName(int row, int column) {
    return column == 0 ? std::string(1, char('1' + row)) : RouteName(row, column);
}

} // namespace vell
