#include "result.h"

#include "numbers.h"

#include <QDir>

#include <algorithm>

namespace cut {

namespace {

constexpr std::uint32_t kFlagMask = kTiledFlipH | kTiledFlipV | kTiledFlipD;

} // namespace

std::uint32_t gidOf(int id, Transform t) {
    return id < 0 ? 0u : (std::uint32_t(id) + 1u) | tiledFlags(t);
}

int gidTile(std::uint32_t gid) {
    return int(gid & ~kFlagMask) - 1;
}

Transform gidTransform(std::uint32_t gid) {
    Transform t = kIdentity;
    if (gid & kTiledFlipH)
        t |= kFlipH;
    if (gid & kTiledFlipV)
        t |= kFlipV;
    if (gid & kTiledFlipD)
        t |= kFlipD;
    return t;
}

CutResult makeResult(const QImage& sheet, const Plan& plan, const IdAssignment& ids) {
    Q_ASSERT(ids.ids.size() == std::size_t(plan.tileCount()));
    CutResult result;
    result.sheetSize = sheet.size();
    result.sheet = sheet;
    result.grid = plan.grid;
    result.tiles.reserve(std::size_t(plan.tileCount()));
    for (std::size_t i = 0; i < ids.ids.size(); ++i)
        result.tiles.push_back(StoredTile{ids.ids[i], plan.tileCells[i], ids.stored[i],
                                          ids.files[i], ids.kept[i], QRect(), QImage(), QPoint()});
    std::sort(result.tiles.begin(), result.tiles.end(),
              [](const StoredTile& a, const StoredTile& b) { return a.id < b.id; });

    // A cell shows the plan's tile under its placement's transform; that tile is
    // the stored pixels under the inverse of the stored transform.
    std::vector<Transform> fromStored(ids.stored.size());
    for (std::size_t i = 0; i < ids.stored.size(); ++i)
        fromStored[i] = inverseTransform(ids.stored[i]);
    result.cells.reserve(plan.placements.size());
    for (const Placement& p : plan.placements) {
        if (p.tile < 0) {
            result.cells.push_back(0);
            continue;
        }
        const auto tile = std::size_t(p.tile);
        result.cells.push_back(
            gidOf(ids.ids[tile], composeTransforms(fromStored[tile], p.transform)));
    }
    return result;
}

QImage storedImage(const CutResult& result, const StoredTile& tile) {
    if (!tile.pixels.isNull())
        return transformed(tile.pixels, tile.transform);
    return transformed(result.sheet.copy(result.grid.cell(tile.cell)), tile.transform);
}

void nameTileFiles(CutResult& result, const QString& folder, int start, const QString& extension) {
    const int digits = numberDigits(start + std::max(result.slotCount() - 1, 0));
    const QDir dir(folder);
    for (StoredTile& tile : result.tiles) {
        if (tile.file.isEmpty())
            tile.file = dir.filePath(numberedName(start + tile.id, digits, extension));
    }
}

void placeInAtlas(CutResult& result, const QString& path, int columns, int extrude) {
    const QSize size(result.grid.shape.tileWidth, result.grid.shape.tileHeight);
    result.atlas = AtlasPlacement{path, layoutAtlas(result.slotCount(), size, columns, extrude)};
}

} // namespace cut
