// A set of OpenStreetMap ids for one pass over a file: a sorted vector, 8 bytes an id, looked up
// by walking along it while the file's ids rise (as they do in a sorted extract) and by binary
// search when they do not.
#pragma once

#include "import/OsmData.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vell::import {

class TIdSet {
  public:
    void Add(TOsmId id) { Ids.push_back(id); }
    // Sorts and removes repeats; call once all ids are added, before Find.
    void Seal() {
        std::sort(Ids.begin(), Ids.end());
        Ids.erase(std::unique(Ids.begin(), Ids.end()), Ids.end());
        Cursor = 0;
    }
    std::size_t Size() const { return Ids.size(); }
    TOsmId operator[](std::size_t index) const { return Ids[index]; }

    // The index of `id`, or -1.
    std::ptrdiff_t Find(TOsmId id) {
        if (Cursor > 0 && Ids[Cursor - 1] >= id) Cursor = 0; // the file went back
        if (Cursor < Ids.size() && Ids[Cursor] < id) {
            // Short steps first: in a sorted file the next id wanted is usually near.
            std::size_t steps = 0;
            while (Cursor < Ids.size() && Ids[Cursor] < id && ++steps < 8)
                ++Cursor;
            if (Cursor < Ids.size() && Ids[Cursor] < id)
                Cursor = static_cast<std::size_t>(
                    std::lower_bound(Ids.begin() + static_cast<std::ptrdiff_t>(Cursor), Ids.end(),
                                     id) -
                    Ids.begin());
        }
        if (Cursor < Ids.size() && Ids[Cursor] == id) return static_cast<std::ptrdiff_t>(Cursor);
        return -1;
    }

  private:
    std::vector<TOsmId> Ids;
    std::size_t Cursor = 0; // Ids before it are below the last id asked for
};

} // namespace vell::import
