#include "sprites.h"

#include "tileids.h"
#include "transform.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace cut {

namespace {

// The pixels with every alpha-0 pixel set to 0, so that two sprites that
// differ only in the colour their transparent pixels hide compare equal.
QImage comparable(const QImage& pixels) {
    QImage copy = pixels.convertToFormat(QImage::Format_ARGB32);
    copy.detach();
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x)
            if (qAlpha(line[x]) == 0)
                line[x] = 0;
    }
    return copy;
}

std::size_t pixelHash(const QImage& image) {
    std::size_t seed = qHash(image.width()) ^ (qHash(image.height()) << 1);
    const auto rowBytes = qsizetype(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        seed = qHashBits(image.constScanLine(y), std::size_t(rowBytes), seed);
    return seed;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return false;
    const auto rowBytes = std::size_t(a.width()) * 4;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0)
            return false;
    return true;
}

} // namespace

QString padProblem(const std::vector<QRect>& sprites, QSize pad) {
    const auto first = detect::firstTooLarge(sprites, pad);
    if (!first)
        return {};
    const QRect& r = sprites[*first];
    return QStringLiteral("Sprite %1 (%2x%3 at %4,%5) is larger than the padded cell of %6x%7.")
        .arg(*first + 1)
        .arg(r.width())
        .arg(r.height())
        .arg(r.x())
        .arg(r.y())
        .arg(pad.width())
        .arg(pad.height());
}

CutResult spriteResult(const QImage& sheet, const std::vector<QRect>& sprites, Merge merge,
                       std::optional<QSize> pad, const detect::SpriteOptions& options) {
    Q_ASSERT(!pad || padProblem(sprites, *pad).isEmpty());
    CutResult result;
    result.sheetSize = sheet.size();
    result.sheet = sheet.convertToFormat(QImage::Format_ARGB32);
    result.ofSprites = true;
    result.sprites = sprites;
    result.pad = pad.value_or(QSize());

    // Each tile's pixels as compared, and the tiles by the hash of those.
    std::vector<QImage> compared;
    std::unordered_multimap<std::size_t, std::size_t> byHash;
    const auto find = [&](const QImage& candidate) -> std::optional<std::size_t> {
        const auto [from, to] = byHash.equal_range(pixelHash(candidate));
        for (auto it = from; it != to; ++it)
            if (samePixels(compared[it->second], candidate))
                return it->second;
        return std::nullopt;
    };

    result.cells.reserve(sprites.size());
    for (std::size_t i = 0; i < sprites.size(); ++i) {
        QImage pixels = detect::cutSprite(sheet, sprites[i], options);
        if (pad)
            pixels = detect::padSprite(pixels, *pad);
        const QImage own = comparable(pixels);
        std::optional<std::uint32_t> gid;
        if (merge != Merge::None) {
            // The sprite under `u` is a tile as stored, so the sprite shows that
            // tile under the inverse of `u`.
            for (Transform u : kAllTransforms) {
                if (u != kIdentity && merge != Merge::Flips)
                    break;
                if (const auto tile = find(u == kIdentity ? own : transformed(own, u))) {
                    gid = gidOf(result.tiles[*tile].id, inverseTransform(u));
                    break;
                }
            }
        }
        if (!gid) {
            StoredTile tile;
            tile.id = int(result.tiles.size());
            tile.cell = int(i);
            tile.source = sprites[i];
            tile.pixels = pixels;
            result.tiles.push_back(tile);
            compared.push_back(own);
            byHash.emplace(pixelHash(own), compared.size() - 1);
            gid = gidOf(tile.id, kIdentity);
        }
        result.cells.push_back(*gid);
    }
    return result;
}

bool isSpriteResult(const CutResult& result) {
    return result.ofSprites;
}

void packSpritesInAtlas(CutResult& result, const QString& path, int maxWidth, int spacing) {
    int widest = 1;
    qint64 area = 0;
    for (const StoredTile& tile : result.tiles) {
        const QSize size = tile.pixels.size();
        widest = std::max(widest, size.width());
        area += qint64(size.width() + spacing) * (size.height() + spacing);
    }
    if (maxWidth <= 0)
        maxWidth = int(std::ceil(std::sqrt(double(area))));
    maxWidth = std::max(maxWidth, widest);

    // Shelves: the tiles in id order, which is the sprites' reading order.
    int x = 0;
    int y = 0;
    int shelf = 0;
    for (StoredTile& tile : result.tiles) {
        const QSize size = tile.pixels.size();
        if (x > 0 && x + size.width() > maxWidth) {
            y += shelf + spacing;
            x = 0;
            shelf = 0;
        }
        tile.atlasOrigin = QPoint(x, y);
        x += size.width() + spacing;
        shelf = std::max(shelf, size.height());
    }
    result.atlas = AtlasPlacement{path, AtlasLayout{}};
}

QSize spriteAtlasSize(const CutResult& result) {
    QSize size(0, 0);
    for (const StoredTile& tile : result.tiles)
        size = size.expandedTo(QSize(tile.atlasOrigin.x() + tile.pixels.width(),
                                     tile.atlasOrigin.y() + tile.pixels.height()));
    return size;
}

QImage composeSpriteAtlas(const CutResult& result) {
    const QSize size = spriteAtlasSize(result);
    constexpr qint64 kSide = 65535;
    constexpr qint64 kPixels = qint64(16384) * 16384;
    if (!result.atlas || size.isEmpty() || size.width() > kSide || size.height() > kSide ||
        qint64(size.width()) * size.height() > kPixels)
        return {};
    QImage atlas(size, QImage::Format_ARGB32);
    if (atlas.isNull())
        return {};
    atlas.fill(0);
    for (const StoredTile& tile : result.tiles) {
        const QImage pixels = storedImage(result, tile).convertToFormat(QImage::Format_ARGB32);
        // A straight copy: painting would blend semi-transparent pixels.
        for (int y = 0; y < pixels.height(); ++y)
            std::copy_n(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), pixels.width(),
                        reinterpret_cast<QRgb*>(atlas.scanLine(tile.atlasOrigin.y() + y)) +
                            tile.atlasOrigin.x());
    }
    return atlas;
}

} // namespace cut
