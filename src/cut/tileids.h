#pragma once

#include "plan.h"
#include "transform.h"

#include <QImage>
#include <QString>

#include <vector>

namespace cut {

// The transform that does `second` after `first`: the tile under
// composeTransforms(first, second) is the tile under first, then under second.
Transform composeTransforms(Transform first, Transform second);
// The transform that undoes `t`.
Transform inverseTransform(Transform t);

// A tile of an earlier cut, with the pixels its file or its atlas holds.
struct EarlierTile {
    int id = 0;
    QString file; // empty when it lies in an atlas
    QImage pixels;
};

// Which id each tile of a plan has, and how it is stored under that id.
struct IdAssignment {
    // For each tile of the plan, in the plan's order.
    std::vector<int> ids;
    // The pixels stored under the id are the plan's tile under this transform:
    // a tile equal to an earlier one turned or flipped keeps the earlier pixels.
    std::vector<Transform> stored;
    // Whether the tile keeps an earlier id, and the earlier file it keeps with it
    // (empty for a tile of an atlas, and for a new tile).
    std::vector<bool> kept;
    std::vector<QString> files;
    // Earlier ids that no tile keeps, ascending; they stay unused.
    std::vector<int> gone;
    int keptCount = 0;
    int added = 0;

    // "kept K, new N, gone G".
    QString summary() const;
};

// The plan's own order: tile i has id i, as cut.
IdAssignment freshIds(const Plan& plan);

// A tile of the plan that equals an earlier tile of the same size, under
// `merge` (identical: pixel for pixel; flips: also turned or flipped; none as
// identical), keeps that tile's id and file, each earlier tile kept at most
// once, the first match in the plan's order winning; the other tiles take the
// ids after the earlier ones' highest, in the plan's order. Pixels with alpha 0
// count as one value whatever colour they hide. The sheet is 32-bit ARGB, the
// one the plan was made on.
IdAssignment keepIds(const std::vector<EarlierTile>& earlier, const QImage& sheet, const Plan& plan,
                     Merge merge);

} // namespace cut
