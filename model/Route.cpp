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

std::optional<std::pair<int, int>> RouteSlotOfName(std::string_view name) {
    if (name.empty() || name[0] < '1' || name[0] > '9') return std::nullopt;
    const int row = name[0] - '1';
    const std::string_view suffix = name.substr(1);
    if (suffix.empty() || suffix == " ") return std::pair{row, 0};
    if (suffix.size() == 1 && suffix[0] >= '0' && suffix[0] <= '9')
        return std::pair{row, suffix[0] - '0' + 1};
    // Also the Latin letters that look the same, as a Latin keyboard types them.
    if (suffix == "А" || suffix == "а" || suffix == "A" || suffix == "a") return std::pair{row, 11};
    if (suffix == "Б" || suffix == "б" || suffix == "B" || suffix == "b") return std::pair{row, 12};
    return std::nullopt;
}

} // namespace vell
