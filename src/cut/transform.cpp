#include "transform.h"

namespace cut {

std::uint32_t tiledFlags(Transform t) {
    std::uint32_t flags = 0;
    if (t & kFlipH)
        flags |= kTiledFlipH;
    if (t & kFlipV)
        flags |= kTiledFlipV;
    if (t & kFlipD)
        flags |= kTiledFlipD;
    return flags;
}

QImage transformed(const QImage& tile, Transform t) {
    const QImage source = tile.convertToFormat(QImage::Format_ARGB32);
    QImage result(transformedSize(source.size(), t), QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QPoint from = sourcePixel(t, source.size(), x, y);
            line[x] = source.pixel(from);
        }
    }
    return result;
}

} // namespace cut
