// Plain-text tables for VellSim.
#include "TextTable.h"

#include <algorithm>
#include <ostream>

namespace vell::tool {

namespace {
std::size_t Width(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}
} // namespace

void PrintTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out,
                TAlign align) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], Width(row[c]));
        }
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(widths[c] - Width(row[c]), ' ');
            out << (c ? "  " : "") << (align == TAlign::Right ? pad + row[c] : row[c] + pad);
        }
        out << "\n";
    }
}

} // namespace vell::tool
