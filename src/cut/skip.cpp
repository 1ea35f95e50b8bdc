#include "skip.h"

#include "plan.h"

#include <algorithm>
#include <climits>

namespace cut {

QString skipName(Skip skip) {
    switch (skip) {
    case Skip::None:
        return QStringLiteral("none");
    case Skip::Transparent:
        return QStringLiteral("transparent");
    case Skip::Uniform:
        return QStringLiteral("uniform");
    }
    return {};
}

std::optional<Skip> parseSkip(QStringView text) {
    for (Skip skip : {Skip::None, Skip::Transparent, Skip::Uniform}) {
        if (text == skipName(skip))
            return skip;
    }
    return std::nullopt;
}

bool isTransparent(const QImage& sheet, const QRect& cell) {
    Q_ASSERT(sheet.format() == QImage::Format_ARGB32);
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(sheet.constScanLine(y));
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (qAlpha(line[x]) != 0)
                return false;
        }
    }
    return true;
}

bool skipsCell(const QImage& sheet, const QRect& cell, Skip skip) {
    switch (skip) {
    case Skip::None:
        return false;
    case Skip::Transparent:
        return isTransparent(sheet, cell);
    case Skip::Uniform:
        return isBlank(sheet, cell);
    }
    return false;
}

std::optional<QRect> parseRegion(QStringView text) {
    const auto parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        const QStringView part = parts[i].trimmed();
        // Digits only: no sign, no blank inside, no other base.
        if (part.isEmpty() ||
            !std::all_of(part.begin(), part.end(), [](QChar c) { return c.isDigit(); }))
            return std::nullopt;
        bool ok = false;
        values[i] = part.toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    // Each edge as well as each side must be a number QRect can hold.
    if (values[2] < 1 || values[3] < 1 || qint64(values[0]) + values[2] > INT_MAX ||
        qint64(values[1]) + values[3] > INT_MAX)
        return std::nullopt;
    return QRect(values[0], values[1], values[2], values[3]);
}

QString regionProblem(QSize sheet, const QRect& region) {
    if (qint64(region.x()) + region.width() > sheet.width() ||
        qint64(region.y()) + region.height() > sheet.height() || region.x() < 0 || region.y() < 0 ||
        region.isEmpty())
        return QStringLiteral("The region %1,%2,%3,%4 does not lie inside the %5 x %6 sheet.")
            .arg(region.x())
            .arg(region.y())
            .arg(region.width())
            .arg(region.height())
            .arg(sheet.width())
            .arg(sheet.height());
    return {};
}

QImage applyRegion(const QImage& sheet, const QRect& region) {
    return sheet.copy(region);
}

} // namespace cut
