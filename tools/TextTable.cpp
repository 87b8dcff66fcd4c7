// Plain-text tables for VellSim.
#include "tools/TextTable.h"

#include "model/Utf8.h"

#include <algorithm>
#include <ostream>

namespace vell::tool {

void PrintTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out,
                TAlign align) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], Utf8Length(row[c]));
        }
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - Utf8Length(row[c]), ' ');
            out << (c ? "  " : "") << (align == TAlign::Right ? pad + row[c] : row[c] + pad);
        }
        out << "\n";
    }
}

} // namespace vell::tool
