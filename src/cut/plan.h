#pragma once

#include "grid.h"
#include "skip.h"
#include "transform.h"

#include <QImage>
#include <QRect>

#include <atomic>
#include <optional>
#include <vector>

namespace cut {

enum class Merge {
    None,      // every cell is written
    Identical, // a cell equal to an earlier one, pixel for pixel, is not written again
    Flips,     // nor is one equal to an earlier one flipped or rotated
};

struct CutOptions {
    GridSpec grid;
    // Leave out cells whose every pixel has one and the same colour and alpha.
    bool skipBlank = false;
    Merge merge = Merge::None;
    // Which further cells are left out as empty.
    Skip skip = Skip::None;
};

// What a cell of the map shows: tile `tile` of the plan under `transform`, or
// nothing for a blank cell that was skipped.
struct Placement {
    int tile = -1;
    Transform transform = kIdentity;
};

struct Plan {
    Grid grid;
    int blank = 0;      // cells skipped as blank
    int duplicates = 0; // cells shown by an earlier cell's tile
    // The cell each tile is cut from, in the order the tiles are written.
    std::vector<int> tileCells;
    // One for each cell, row by row.
    std::vector<Placement> placements;

    int tileCount() const { return int(tileCells.size()); }
};

// Whether every pixel of the rectangle has one and the same colour and alpha;
// pixels of alpha 0 count as one, whatever colour they hide (as in merging).
bool isBlank(const QImage& sheet, const QRect& cell);

// Works out which cells become which tiles. The sheet is 32-bit ARGB, not
// premultiplied; the options' grid must be one that gridProblem accepts. Merging
// checks every match pixel for pixel, treating every pixel of alpha 0 as one
// value; its time grows with the sheet's pixels, its memory with its cells.
Plan planCut(const QImage& sheet, const CutOptions& options);

// The same, given up (no plan) soon after `cancel` turns true; it is read at the
// start of each row of cells, so another thread may set it at any time.
std::optional<Plan> planCut(const QImage& sheet, const CutOptions& options,
                            const std::atomic<bool>* cancel);

} // namespace cut
