#include "support/imagecheck.h"

#include <QWidget>

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

QString firstDifference(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2 instead of %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y) & 0xFFFFFF;
            const QRgb e = expected.pixel(x, y) & 0xFFFFFF;
            if (a != e)
                return QStringLiteral("pixel (%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(a, 6, 16, QLatin1Char('0'))
                    .arg(e, 6, 16, QLatin1Char('0'));
        }
    }
    return {};
}

QImage painted(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}
