// The plain all-pairs network build, kept as the reference the grid-based build must match.
#pragma once

#include "model/Map.h"

namespace vell::test {

// Compares every rail with every other rail in index order, as the rules are written.
int ReferenceBuildNetwork(TMap& map);

} // namespace vell::test
