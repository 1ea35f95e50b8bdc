#include "grid.h"

namespace cut {

namespace {

// Cells along one side that fit whole, and those that begin inside but do not.
struct Span {
    int whole = 0;
    int begun = 0;
};

Span span(int length, int tile, int margin, int spacing) {
    Span s;
    const qint64 pitch = qint64(tile) + spacing;
    const qint64 room = qint64(length) - margin;
    if (room >= tile)
        s.whole = int((room - tile) / pitch + 1);
    if (room > 0)
        s.begun = int((room + pitch - 1) / pitch);
    return s;
}

} // namespace

QRect Grid::cell(int index) const {
    const int column = index % columns;
    const int row = index / columns;
    return QRect(shape.margin + column * (shape.tileWidth + shape.spacing),
                 shape.margin + row * (shape.tileHeight + shape.spacing), shape.tileWidth,
                 shape.tileHeight);
}

QString gridProblem(QSize sheet, const GridSpec& shape) {
    if (sheet.isEmpty())
        return QStringLiteral("The sheet has no pixels.");
    if (shape.tileWidth < 1 || shape.tileHeight < 1)
        return QStringLiteral("The tile size must be at least 1 x 1 pixels.");
    if (shape.tileWidth > sheet.width() || shape.tileHeight > sheet.height())
        return QStringLiteral("The tile size %1 x %2 is larger than the sheet (%3 x %4).")
            .arg(shape.tileWidth)
            .arg(shape.tileHeight)
            .arg(sheet.width())
            .arg(sheet.height());
    if (shape.margin < 0 || shape.spacing < 0)
        return QStringLiteral("The margin and the spacing cannot be negative.");
    if (qint64(shape.margin) + shape.tileWidth > sheet.width() ||
        qint64(shape.margin) + shape.tileHeight > sheet.height())
        return QStringLiteral("A margin of %1 leaves no whole %2 x %3 cell in the %4 x %5 sheet.")
            .arg(shape.margin)
            .arg(shape.tileWidth)
            .arg(shape.tileHeight)
            .arg(sheet.width())
            .arg(sheet.height());
    return {};
}

Grid layoutGrid(QSize sheet, const GridSpec& shape) {
    Grid grid;
    grid.shape = shape;
    const Span across = span(sheet.width(), shape.tileWidth, shape.margin, shape.spacing);
    const Span down = span(sheet.height(), shape.tileHeight, shape.margin, shape.spacing);
    grid.columns = across.whole;
    grid.rows = down.whole;
    grid.partialCells = across.begun * down.begun - across.whole * down.whole;
    return grid;
}

} // namespace cut
