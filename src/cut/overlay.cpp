#include "overlay.h"

#include <algorithm>

namespace cut {

namespace {

// The cells' edges along one axis that fall within [low, high]: each cell's first
// and last pixel, cells `count` of them, `size` long, `step` apart from `first`.
std::vector<int> edgesWithin(int first, int size, int step, int count, int low, int high) {
    std::vector<int> edges;
    if (count <= 0 || high < low)
        return edges;
    // Only the cells near the visible stretch are looked at.
    const int from = std::max(0, (low - first) / step - 1);
    const int to = std::min(count - 1, (high - first) / step + 1);
    for (int i = from; i <= to; ++i) {
        const int start = first + i * step;
        for (int edge : {start, start + size - 1}) {
            if (edge >= low && edge <= high && (edges.empty() || edges.back() != edge))
                edges.push_back(edge);
        }
    }
    return edges;
}

} // namespace

std::vector<QRect> gridLines(const Grid& grid, const QRect& visible) {
    std::vector<QRect> lines;
    const GridSpec& g = grid.shape;
    if (grid.cellCount() == 0 || g.tileWidth < 1 || g.tileHeight < 1)
        return lines;
    const int stepX = g.tileWidth + g.spacing;
    const int stepY = g.tileHeight + g.spacing;
    const QRect cells(g.margin, g.margin, (grid.columns - 1) * stepX + g.tileWidth,
                      (grid.rows - 1) * stepY + g.tileHeight);
    const QRect shown = cells.intersected(visible);
    if (shown.isEmpty())
        return lines;
    for (int x :
         edgesWithin(g.margin, g.tileWidth, stepX, grid.columns, shown.left(), shown.right()))
        lines.emplace_back(x, shown.top(), 1, shown.height());
    for (int y : edgesWithin(g.margin, g.tileHeight, stepY, grid.rows, shown.top(), shown.bottom()))
        lines.emplace_back(shown.left(), y, shown.width(), 1);
    return lines;
}

} // namespace cut
