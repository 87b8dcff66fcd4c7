// A grid of straight segments over the map's square (the rails, the edges of buildings), to find
// the segments near a point or a segment without walking them all, and the parts of a segment
// that keep clear of them; and the distance of any point of the square to the nearest of them.
#pragma once

#include "import/Projection.h"

#include <utility>
#include <vector>

namespace vell::import {

class TSegmentGrid {
  public:
    struct TSegment {
        TPointM A, B;
        int Id = 0; // the caller's name for it (an object's index)
    };
    // Cells of 50 m over the 10 km square; what lies beyond it counts in the edge cells.
    static constexpr double CellSize = 50;
    static constexpr int Side = 200;

    TSegmentGrid();
    void Add(TPointM a, TPointM b, int id);
    const std::vector<TSegment>& Segments() const { return Items; }
    bool Empty() const { return Items.empty(); }
    // Indices into Segments() of those whose bounding box meets the cell.
    const std::vector<int>& InCell(int column, int row) const { return Cells[row * Side + column]; }
    static int CellOf(double coordinate);
    static TPointM CellCentre(int column, int row);

    // Indices into Segments(), ascending and each once, of every segment that may come within
    // `reach` of the segment a-b (a point when a = b): a superset, to be measured.
    std::vector<int> Near(TPointM a, TPointM b, double reach) const;
    // The least distance from the segment a-b to the segments of the grid, when one lies within
    // `reach`; otherwise a value above `reach`.
    double DistanceWithin(TPointM a, TPointM b, double reach) const;
    // The index of the segment nearest to p within `reach` (the lowest of equals), or -1.
    int NearestWithin(TPointM p, double reach) const;
    // The parts of a-b, as ascending disjoint intervals of the parameter t in [0, 1] along it,
    // that stay at least `clearance` from every segment of the grid.
    std::vector<std::pair<double, double>> ClearParts(TPointM a, TPointM b, double clearance) const;

  private:
    std::vector<TSegment> Items;
    std::vector<std::vector<int>> Cells; // Side x Side, row by row
};

// The distance from any point to the nearest segment of a grid, for ranking things by it: exact
// within 100 m; farther, measured to the segments found nearest to the point's cell and its
// neighbours by spreading each cell's nearest segment over the cells around it.
class TDistanceField {
  public:
    explicit TDistanceField(const TSegmentGrid& grid);
    // A very large value when the grid is empty.
    double Distance(TPointM p) const;

  private:
    const TSegmentGrid& Grid;
    std::vector<int> NearestOfCell; // an index into the grid's segments, -1 for none
};

} // namespace vell::import
