#pragma once

#include "support/testapp.h"

#include "cut/transform.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTest>

class QWidget;

// The colour of a view where no picture covers it. Written out rather than taken
// from the program, so that a changed background shows.
inline constexpr QRgb kBack = 0xFFE0E0E0;

// An image of nothing but that background.
QImage backgroundImage(int width, int height);

// The part `region` of a patternImage of size `picture`, with the background
// wherever the region lies past the picture: what a capture there must hold.
QImage patternOnBackground(const QSize& picture, const QRect& region);

// patternImage's pixels of the rectangle of this size from (sx, sy) on.
QImage patternFrom(int sx, int sy, const QSize& size);

// The part of the image inside it, sharing its pixels: no copy is made, so the
// image must outlive the part.
QImage regionOf(const QImage& image, const QRect& region);

// What counts as the same pixel.
enum class PixelMatch {
    Colour,         // the colour, alpha aside: what a screen shows
    Argb,           // every channel, straight (not premultiplied)
    ArgbClearAsAny, // every channel, but where alpha is 0 only that it is 0
};

// Where two pictures differ in size or in any pixel; empty when they don't. Every
// comparison of pixels in the tests goes through here.
QString firstDifference(const QImage& actual, const QImage& expected,
                        PixelMatch match = PixelMatch::Colour);

// Whether the image holds patternImage's pixels from (sx, sy) on; on failure
// says where in `where`.
bool holdsPattern(const QImage& image, int sx, int sy, QString* where = nullptr);

// What a widget really paints on the screen, as opposed to any image it keeps.
QImage painted(QWidget* widget);

#define VERIFY_SAME(actual, expected)                                                              \
    do {                                                                                           \
        const QString diff = firstDifference((actual), (expected));                                \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));                                                \
    } while (false)

// Straight ARGB, pixel by pixel; where `alphaOnlyWhenClear`, a pixel of alpha 0
// need only be clear (some codecs keep no colour there).
#define VERIFY_ARGB(actual, expected, alphaOnlyWhenClear)                                          \
    do {                                                                                           \
        const QString diff =                                                                       \
            firstDifference((actual), (expected),                                                  \
                            (alphaOnlyWhenClear) ? PixelMatch::ArgbClearAsAny : PixelMatch::Argb); \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));                                                \
    } while (false)

#define VERIFY_PIXELS(actual, expected) VERIFY_ARGB(actual, expected, false)

// The image holds patternImage's pixels from (sx, sy) on.
#define VERIFY_PATTERN(image, sx, sy)                                                              \
    do {                                                                                           \
        QString where;                                                                             \
        QVERIFY2(holdsPattern((image), (sx), (sy), &where), qPrintable(where));                    \
    } while (false)
