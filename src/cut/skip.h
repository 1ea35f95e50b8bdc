#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringView>

#include <optional>

namespace cut {

// Which cells a cut leaves out as empty.
enum class Skip {
    None,        // none: every cell is cut
    Transparent, // cells whose every pixel has alpha 0
    Uniform,     // cells whose every pixel has one and the same colour and alpha
};

// "none", "transparent", "uniform".
QString skipName(Skip skip);
std::optional<Skip> parseSkip(QStringView text);

// Whether every pixel of the cell has alpha 0; the sheet is 32-bit ARGB.
bool isTransparent(const QImage& sheet, const QRect& cell);
// Whether the cut leaves the cell out.
bool skipsCell(const QImage& sheet, const QRect& cell, Skip skip);

// "X,Y,W,H" in whole pixels (blanks around the numbers allowed); nothing when
// the text is not four numbers, a corner is negative or a side is not positive.
std::optional<QRect> parseRegion(QStringView text);
// What is wrong with cutting this part of a sheet of this size, for the user;
// empty when it lies inside the sheet.
QString regionProblem(QSize sheet, const QRect& region);
// The part of the sheet, a copy of its pixels in the sheet's format; only for a
// region that regionProblem accepts.
QImage applyRegion(const QImage& sheet, const QRect& region);

} // namespace cut
