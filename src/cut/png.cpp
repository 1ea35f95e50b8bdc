#include "png.h"

#include <QBuffer>
#include <QHash>
#include <QImageWriter>

#include <optional>

namespace cut {

namespace {

// The picture on a palette of its own pixels, or nothing when it has more than
// 256 distinct ones.
std::optional<QImage> onPalette(const QImage& argb) {
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    QList<QRgb> table;
    QHash<QRgb, uchar> index;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* to = indexed.scanLine(y);
        // Pixel art repeats the pixel before it more often than not.
        QRgb last = 0;
        uchar lastIndex = 0;
        bool haveLast = false;
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = from[x];
            if (!haveLast || p != last) {
                auto it = index.constFind(p);
                if (it == index.constEnd()) {
                    if (table.size() == 256)
                        return std::nullopt;
                    it = index.insert(p, uchar(table.size()));
                    table.append(p);
                }
                last = p;
                lastIndex = *it;
                haveLast = true;
            }
            to[x] = lastIndex;
        }
    }
    indexed.setColorTable(table);
    return indexed;
}

bool allOpaque(const QImage& argb) {
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

QByteArray encode(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // Qt's PNG writer takes quality 0 for zlib's best compression.
    writer.setQuality(0);
    if (!writer.write(image))
        return {};
    return bytes;
}

} // namespace

QByteArray pngBytes(const QImage& image) {
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (const std::optional<QImage> indexed = onPalette(argb))
        return encode(*indexed);
    if (allOpaque(argb))
        return encode(argb.convertToFormat(QImage::Format_RGB32));
    return encode(argb);
}

} // namespace cut
