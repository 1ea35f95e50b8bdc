#pragma once

#include <QRect>
#include <QSize>
#include <QString>

namespace cut {

// A sheet's grid as Tiled describes a tileset: cells of tileWidth x tileHeight,
// the first `margin` pixels from the top-left corner, `spacing` pixels apart.
struct GridSpec {
    int tileWidth = 16;
    int tileHeight = 16;
    int margin = 0;
    int spacing = 0;
};

struct Grid {
    GridSpec shape;
    int columns = 0;
    int rows = 0;
    // Cells that begin inside the sheet but would reach past its right or bottom
    // edge; they are not cut.
    int partialCells = 0;

    int cellCount() const { return columns * rows; }
    // The cell's pixels in the sheet; cells count row by row from the top left.
    QRect cell(int index) const;
};

// What is wrong with cutting a sheet of this size into this grid, for the user;
// empty when there is at least one whole cell.
QString gridProblem(QSize sheet, const GridSpec& shape);

// The whole cells of the grid; only for a shape that gridProblem accepts.
Grid layoutGrid(QSize sheet, const GridSpec& shape);

} // namespace cut
