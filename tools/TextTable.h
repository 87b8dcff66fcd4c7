// Plain-text tables for VellSim: columns padded to their widest cell.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vell::tool {

enum class TAlign { Left, Right };

// Widths count characters, not UTF-8 bytes, so Russian headers line up.
void PrintTable(const std::vector<std::vector<std::string>>& rows, std::ostream& out,
                TAlign align = TAlign::Left);

} // namespace vell::tool
