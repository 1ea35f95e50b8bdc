#pragma once

#include "grid.h"
#include "result.h"
#include "tileids.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace cut {

// A manifest's tile: its own file, or its place in the atlas.
struct ManifestTile {
    int id = 0;
    QString file;
    QPoint atlasOrigin; // the tile's top-left pixel in the atlas, with an atlas only
    QSize size;         // a sprite's tile: its stored size; null for the grid's size
};

// A sprite of a manifest: its rectangle in the sheet and the tile it shows, with
// that tile's file or place in the atlas, and Tiled's flip flags (the tile as
// stored, turned or flipped so, is the sprite).
struct ManifestSprite {
    int id = 0;
    QRect rect;
    std::uint32_t flags = 0;
    QString file;
    QPoint atlasOrigin;
};

// What a cut wrote, as one JSON file any engine script can read:
// {"format": "orvane-cut", "version": 1,
//  "sheet": {"file", "width", "height"}     "file" only when the sheet has one,
//  "region": {"x", "y", "width", "height"}   only when a part of the sheet was cut,
//  "grid": {"tileWidth", "tileHeight", "margin", "spacing", "columns", "rows"},
//  "tiles": [{"id", "file"}, ...] or, with an atlas, [{"id", "x", "y"}, ...],
//  "atlas": {"file", "columns", "extrude"}    only with an atlas,
//  "cells": [...]}
// where each cell, row by row, is Tiled's global id: 0 for an empty cell, else
// the tile's id + 1 with Tiled's flip flags. Files are named relative to the
// manifest's folder; the grid lies on the region when there is one.
//
// A cut of sprites has no "grid", "tiles" nor "cells" but
//  "sprites": [{"id", "x", "y", "width", "height",
//               "file"  or, with an atlas, "ax", "ay",
//               "flags"}, ...]            in reading order,
//  "pad": {"width", "height"}               only when the sprites were padded,
//  "atlas": {"file"}                        only with an atlas;
// "x", "y", "width", "height" are the sprite's rectangle in the sheet; "id" is
// the tile it shows (sprites merged as equal share one); "file" is that tile's
// picture, or "ax", "ay" the top-left pixel of it in the atlas, where it has its
// stored size (the pad's, else the sprite's, turned when "flags" has the
// diagonal flag); "flags" (left out when 0) are Tiled's flip flags.
struct Manifest {
    QString sheetFile; // empty for a sheet without a file (a pasted one)
    QSize sheetSize;
    QRect region; // null for the whole sheet
    GridSpec shape;
    int columns = 0;
    int rows = 0;
    std::vector<ManifestTile> tiles;
    QString atlasFile; // empty when there is no atlas
    int atlasColumns = 0;
    int extrude = 0;
    std::vector<std::uint32_t> cells;
    // A cut of sprites: the sprites, and the pad (null for none); then `tiles`
    // are the distinct tiles the sprites show, and there is no grid.
    bool ofSprites = false;
    std::vector<ManifestSprite> sprites;
    QSize pad;

    bool hasAtlas() const { return !atlasFile.isEmpty(); }
};

// The manifest of a result that is to be written to `manifestPath`.
Manifest manifestOf(const CutResult& result, const QString& manifestPath);

QByteArray manifestJson(const Manifest& manifest);

// The manifest the bytes hold, or nothing with the reason in `error` (for the
// user: what is wrong and where) when they are not one this version writes.
std::optional<Manifest> parseManifest(const QByteArray& bytes, QString* error);

// The manifest's tiles with their pixels, for a manifest read from `folder`:
// for an atlas, cut from the picture `load` gives for the atlas's path; else
// the picture it gives for each tile's path. Paths are the manifest's names
// taken from `folder`. A tile whose picture is null or of the wrong size is
// listed without pixels: its id is taken, but no tile can keep it.
std::vector<EarlierTile> earlierTiles(const Manifest& manifest, const QString& folder,
                                      const std::function<QImage(const QString& path)>& load);

} // namespace cut
