#include "fonts.h"

#include <QStringList>

#include <cmath>

namespace platform {

namespace {

// 96 dots per inch, the screen the layout was drawn for.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
// How much narrower the original face runs than the one used here.
constexpr double kWidthRatio = 10.0 / 11.0;

} // namespace

int captionPixelSize(double layoutPoints) {
    return int(std::lround(layoutPoints * kPixelsPerPoint * kWidthRatio));
}

QFont captionFont(double layoutPoints, bool bold, bool italic) {
    QFont font;
    // Arial has the same widths; where neither is installed the fall-back is any
    // sans-serif face, and the captions may then be cut short.
    font.setFamilies(QStringList{QString::fromLatin1(kCaptionFamily), QStringLiteral("Arial")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(captionPixelSize(layoutPoints));
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace platform
