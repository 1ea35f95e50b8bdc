#include "atlas.h"

#include "result.h"
#include "sprites.h"

#include <algorithm>
#include <cmath>

namespace cut {

QSize AtlasLayout::imageSize() const {
    return QSize(columns * (tileSize.width() + spacing()), rows * (tileSize.height() + spacing()));
}

QPoint AtlasLayout::origin(int slot) const {
    return QPoint(margin() + (slot % columns) * (tileSize.width() + spacing()),
                  margin() + (slot / columns) * (tileSize.height() + spacing()));
}

AtlasLayout layoutAtlas(int count, QSize tileSize, int columns, int extrude) {
    AtlasLayout layout;
    layout.tileSize = tileSize;
    layout.extrude = extrude;
    count = std::max(count, 1);
    if (columns <= 0) {
        columns = int(std::ceil(std::sqrt(double(count))));
        // The square root of a large square may come out a hair above it.
        while (columns > 1 && (columns - 1) * (columns - 1) >= count)
            --columns;
    }
    layout.columns = columns;
    layout.rows = (count + columns - 1) / columns;
    return layout;
}

QString atlasProblem(const AtlasLayout& layout) {
    const qint64 width = qint64(layout.columns) * (layout.tileSize.width() + layout.spacing());
    const qint64 height = qint64(layout.rows) * (layout.tileSize.height() + layout.spacing());
    constexpr qint64 kSide = 65535;
    constexpr qint64 kPixels = qint64(16384) * 16384;
    if (width > kSide || height > kSide || width * height > kPixels)
        return QStringLiteral("The atlas would be %1 x %2 pixels, more than 16384 x 16384.")
            .arg(width)
            .arg(height);
    return {};
}

QImage composeAtlas(const CutResult& result) {
    if (isSpriteResult(result))
        return composeSpriteAtlas(result);
    if (!result.atlas || !atlasProblem(result.atlas->layout).isEmpty())
        return {};
    const AtlasLayout& layout = result.atlas->layout;
    QImage atlas(layout.imageSize(), QImage::Format_ARGB32);
    if (atlas.isNull())
        return {};
    atlas.fill(0);
    const int e = layout.extrude;
    const int w = layout.tileSize.width();
    const int h = layout.tileSize.height();
    for (const StoredTile& tile : result.tiles) {
        const QImage pixels = storedImage(result, tile);
        const QPoint at = layout.origin(tile.id);
        // Each pixel of the ring repeats the tile's nearest edge pixel.
        for (int y = -e; y < h + e; ++y) {
            const auto* from =
                reinterpret_cast<const QRgb*>(pixels.constScanLine(std::clamp(y, 0, h - 1)));
            auto* to = reinterpret_cast<QRgb*>(atlas.scanLine(at.y() + y)) + at.x();
            for (int x = -e; x < w + e; ++x)
                to[x] = from[std::clamp(x, 0, w - 1)];
        }
    }
    return atlas;
}

} // namespace cut
