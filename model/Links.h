// The links of one rail in the network (TLinkRec): its successors and the rails near it.
#pragma once

#include <array>
#include <cstdint>

namespace vell {

constexpr std::uint16_t NoObject = 65535; // an empty slot

struct TLinkRec {
    // Next[0] is the default (on a switch the left branch), Next[1] the right branch; both are
    // the same rail when there is one successor, and NoObject on a dead end.
    std::array<std::uint16_t, 2> Next{NoObject, NoObject};
    // Up to six other rails within 4 m that are not successors, in index order.
    std::array<std::uint16_t, 6> Near{NoObject, NoObject, NoObject, NoObject, NoObject, NoObject};

    bool IsSwitch() const { return Next[0] != Next[1]; }
    bool operator==(const TLinkRec&) const = default;
};

} // namespace vell
