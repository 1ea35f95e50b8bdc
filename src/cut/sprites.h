#pragma once

#include "plan.h"
#include "result.h"

#include "detect/sprites.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace cut {

// Why the sprites cannot stand on cells of `pad`, for the user, naming the first
// one larger than the cell; empty when every sprite fits.
QString padProblem(const std::vector<QRect>& sprites, QSize pad);

// Found sprites as a cut's result, so that they go through the same writers as
// the tiles of a grid. Each distinct sprite is a tile whose StoredTile::source
// is its rectangle in the sheet and whose StoredTile::pixels are what its file
// holds: the sheet's pixels (with the key's background made transparent, as
// cutSprite does), on a transparent cell of `pad` when given (centred, standing
// on the bottom edge; only for sprites padProblem accepts). Merging is as for
// tiles: a sprite equal to an earlier one, pixel for pixel (every alpha-0 pixel
// one value), or with Flips also turned or flipped, shows that one's tile. The
// cells are one per sprite, in the order given, each a global id (gidOf).
// The result has no grid; its `sprites` lists the rectangles.
CutResult spriteResult(const QImage& sheet, const std::vector<QRect>& sprites, Merge merge,
                       std::optional<QSize> pad, const detect::SpriteOptions& options = {});

// Whether the result's tiles are sprites (of their own sizes) rather than cells.
bool isSpriteResult(const CutResult& result);

// Packs the sprite tiles into an atlas written to `path`, by rows: in id order
// (the sprites' reading order), each at its own size, left to right, a new row
// when the next would pass `maxWidth` (0 for about the width of a square atlas,
// never less than the widest tile), with `spacing` transparent pixels between
// them. Sets each tile's StoredTile::atlasOrigin and the placement's path; its
// layout stays empty.
void packSpritesInAtlas(CutResult& result, const QString& path, int maxWidth = 0, int spacing = 0);

// The size of the atlas packSpritesInAtlas laid out.
QSize spriteAtlasSize(const CutResult& result);

// That atlas, straight 32-bit ARGB; null without one or past 16384 x 16384
// pixels' worth.
QImage composeSpriteAtlas(const CutResult& result);

} // namespace cut
