#pragma once

#include "atlas.h"
#include "grid.h"
#include "plan.h"
#include "tileids.h"
#include "transform.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace cut {

// A tile as the cut stores it under its id: the pixels of a cell of the sheet
// under a transform.
struct StoredTile {
    int id = 0;
    int cell = 0;
    Transform transform = kIdentity;
    // Its own file, or empty when it lives only in the atlas.
    QString file;
    // It keeps the id (and the file) of an earlier cut.
    bool kept = false;
    // A sprite's tile (spriteResult): its rectangle in the sheet, the pixels
    // stored under its id (taken as they are, the transform being the identity),
    // and its top-left pixel in a packed atlas. Null for a cell of the grid.
    QRect source;
    QImage pixels;
    QPoint atlasOrigin;
};

// The atlas the tiles go into, and where it is written.
struct AtlasPlacement {
    QString path;
    AtlasLayout layout;
};

// Everything a cut makes, by tile id, and where each piece is meant to go; what
// the writers turn into files.
struct CutResult {
    // The sheet's file as named to the cut, and its whole size.
    QString sheetPath;
    QSize sheetSize;
    // The part of the sheet the grid lies on; null for the whole sheet.
    QRect region;
    // That part's pixels, 32-bit ARGB.
    QImage sheet;
    Grid grid;
    // In ascending ids, which may leave gaps (ids of an earlier cut now gone).
    std::vector<StoredTile> tiles;
    // One for each cell, row by row, in Tiled's global-id form (see gidOf).
    std::vector<std::uint32_t> cells;
    std::optional<AtlasPlacement> atlas;
    // A cut of sprites rather than of a grid (then `grid` is empty): each sprite's
    // rectangle in the sheet, in reading order, with its global id at the same
    // index of `cells`; and the common cell they stand on, null for none.
    bool ofSprites = false;
    std::vector<QRect> sprites;
    QSize pad;

    // One past the highest id: the slots an atlas or an image tileset needs.
    int slotCount() const { return tiles.empty() ? 0 : tiles.back().id + 1; }
};

// Tiled's global id of a tile shown under a transform: the id + 1 with the
// flip flags; 0 for no tile.
std::uint32_t gidOf(int id, Transform t);
// The tile id of a global id, -1 for an empty cell, and its transform.
int gidTile(std::uint32_t gid);
Transform gidTransform(std::uint32_t gid);

// The plan's tiles under the ids given (freshIds or keepIds), and every cell as
// a global id; `sheet` is the 32-bit ARGB picture the plan was made on. Files,
// atlas and names of the sheet are left to fill in.
CutResult makeResult(const QImage& sheet, const Plan& plan, const IdAssignment& ids);

// The pixels stored under the tile's id.
QImage storedImage(const CutResult& result, const StoredTile& tile);

// Gives every tile without a file (all but the kept ones) its numbered file in
// `folder`: number start + id, with the digits numberDigits gives the cut's
// highest number, and `extension`.
void nameTileFiles(CutResult& result, const QString& folder, int start, const QString& extension);

// Puts the tiles into an atlas written to `path`: on `columns` (0 for the
// smallest square-ish grid) with `extrude` pixels of each edge around each tile.
void placeInAtlas(CutResult& result, const QString& path, int columns, int extrude);

} // namespace cut
