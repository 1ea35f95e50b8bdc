#pragma once

#include "grid.h"

#include <QRect>

#include <optional>
#include <vector>

namespace cut {

// What the Cut all... dialog shows over the view, in the sheet's pixels: the
// grid's cells or the sprites found. Empty when the dialog shows nothing.
struct Overlay {
    std::optional<Grid> grid;
    std::vector<QRect> boxes;
    bool isEmpty() const { return !grid && boxes.empty(); }
};

// The grid's cell edges that can be seen through `visible`, each a rectangle one
// pixel wide or high, cut to `visible` and to the grid's cells. A view shows
// a few hundred lines however small the cells, so drawing them stays quick
// on a sheet of millions of cells. With spacing, a line runs on across the gaps.
std::vector<QRect> gridLines(const Grid& grid, const QRect& visible);

} // namespace cut
