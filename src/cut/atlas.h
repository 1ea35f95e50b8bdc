#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace cut {

struct CutResult;

// Where the tiles lie in one picture: slot i (a tile's id) on a grid of
// `columns`, row by row, each tile ringed by `extrude` copies of its edge
// pixels. As Tiled sees it, a grid with a margin of `extrude` and a spacing of
// twice that.
struct AtlasLayout {
    QSize tileSize;
    int columns = 1;
    int rows = 0;
    int extrude = 0;

    int margin() const { return extrude; }
    int spacing() const { return 2 * extrude; }
    // Whole pixels, wide enough for the rings of the last column and row.
    QSize imageSize() const;
    // The top-left pixel of the tile in slot `slot`.
    QPoint origin(int slot) const;
};

// The layout for `count` tiles of a size; `columns` 0 takes the smallest
// square-ish grid that holds them (ceil(sqrt(count)) columns), and always at
// least one column and one row.
AtlasLayout layoutAtlas(int count, QSize tileSize, int columns, int extrude);

// What is wrong with an atlas of this layout, for the user: a picture past
// 16384 x 16384 pixels' worth, or with a side past 65535; empty when it fits.
QString atlasProblem(const AtlasLayout& layout);

// The atlas of the result's tiles on its layout, straight (not premultiplied)
// 32-bit ARGB; slots of unused ids stay transparent. Only for a result that
// has an atlas whose layout atlasProblem accepts; null otherwise.
QImage composeAtlas(const CutResult& result);

} // namespace cut
