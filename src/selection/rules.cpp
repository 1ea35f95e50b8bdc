#include "rules.h"

#include "system/numtext.h"

#include <cmath>

namespace selection {

namespace {

long long wholeQuotient(double a, double b) {
    return std::llround(a) / std::llround(b); // cut toward zero
}

} // namespace

bool fixedSizeUsable(double tileWidth, double tileHeight) {
    return tileWidth >= 1 && tileHeight >= 1;
}

Edges placeFixed(double x, double y, double tileWidth, double tileHeight, bool snap) {
    Edges e;
    if (snap && fixedSizeUsable(tileWidth, tileHeight)) {
        e.left = double(wholeQuotient(x, tileWidth)) * tileWidth - tileWidth;
        e.top = double(wholeQuotient(y, tileHeight)) * tileHeight - tileHeight;
    } else {
        e.left = x - tileWidth;
        e.top = y - tileHeight;
    }
    e.right = e.left + tileWidth;
    e.bottom = e.top + tileHeight;
    return e;
}

bool outlineShownOnPress(const AppState& s) {
    return s.selLeft >= 0 && s.selTop >= 0 && s.selRight <= s.viewMaxWidth &&
           s.selBottom <= s.viewMaxHeight;
}

bool inDragBounds(const AppState& s, double x, double y) {
    return s.selLeft >= 0 && s.selTop >= 0 && x <= s.viewMaxWidth && y <= s.viewMaxHeight &&
           x > s.selLeft && y > s.selTop;
}

bool capturable(const AppState& s) {
    return s.selLeft >= 0 && s.selTop >= 0 && s.selRight <= s.viewMaxWidth &&
           s.selBottom <= s.viewMaxHeight && s.selRight > s.selLeft && s.selBottom > s.selTop;
}

QString dragSizeCaption(double width, double height) {
    return QStringLiteral("Width:") + platform::str(width) + QStringLiteral("   Height:") +
           platform::str(height);
}

bool sizeTextRefused(const QString& text, double maximum) {
    return !platform::isWholeNumberText(text) || platform::val(text) > maximum;
}

bool presetFits(int n, double maxTileWidth, double maxTileHeight) {
    return !(maxTileWidth < n || maxTileHeight < n);
}

} // namespace selection
