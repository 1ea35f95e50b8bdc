#include "support/imagecheck.h"

#include <QWidget>

#include <cstring>

QImage backgroundImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kBack);
    return image;
}

QImage patternOnBackground(const QSize& picture, const QRect& region) {
    QImage image = backgroundImage(region.width(), region.height());
    for (int y = 0; y < region.height(); ++y) {
        for (int x = 0; x < region.width(); ++x) {
            const QPoint at = region.topLeft() + QPoint(x, y);
            if (QRect(QPoint(0, 0), picture).contains(at))
                image.setPixel(x, y, patternPixel(at.x(), at.y()));
        }
    }
    return image;
}

QImage patternFrom(int sx, int sy, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = patternPixel(sx + x, sy + y);
    }
    return image;
}

QImage regionOf(const QImage& image, const QRect& region) {
    Q_ASSERT(image.rect().contains(region));
    const int depth = image.depth() / 8;
    Q_ASSERT(depth > 0);
    return QImage(image.constScanLine(region.y()) + region.x() * depth, region.width(),
                  region.height(), image.bytesPerLine(), image.format());
}

QString firstDifference(const QImage& actual, const QImage& expected, PixelMatch match) {
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2 instead of %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    const bool colourOnly = match == PixelMatch::Colour;
    const QImage::Format format = colourOnly ? QImage::Format_RGB32 : QImage::Format_ARGB32;
    const QRgb mask = colourOnly ? 0xFFFFFF : 0xFFFFFFFF;
    const int digits = colourOnly ? 6 : 8;
    // Whole rows at a time: the soak compares a full view after every event.
    const QImage a = actual.convertToFormat(format);
    const QImage e = expected.convertToFormat(format);
    const auto rowBytes = std::size_t(e.width()) * sizeof(QRgb);
    for (int y = 0; y < e.height(); ++y) {
        const auto* ar = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* er = reinterpret_cast<const QRgb*>(e.constScanLine(y));
        if (std::memcmp(ar, er, rowBytes) == 0)
            continue;
        for (int x = 0; x < e.width(); ++x) {
            const bool same = match == PixelMatch::ArgbClearAsAny && qAlpha(er[x]) == 0
                                  ? qAlpha(ar[x]) == 0
                                  : (ar[x] & mask) == (er[x] & mask);
            if (!same)
                return QStringLiteral("pixel (%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(ar[x] & mask, digits, 16, QLatin1Char('0'))
                    .arg(er[x] & mask, digits, 16, QLatin1Char('0'));
        }
    }
    return {};
}

bool holdsPattern(const QImage& image, int sx, int sy, QString* where) {
    const QString difference = firstDifference(image, patternFrom(sx, sy, image.size()));
    if (where)
        *where = difference;
    return difference.isEmpty();
}

QImage painted(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
