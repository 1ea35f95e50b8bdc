#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace detect {

// A background colour: a pixel is of the key when each of its red, green and
// blue values is at most `tolerance` away from the key's. Alpha is not compared.
struct KeyColour {
    QRgb colour = 0;
    int tolerance = 0;
};

struct SpriteOptions {
    // Without a key the background is every pixel of alpha 0. With one, it is
    // the key-coloured and alpha-0 pixels that reach the sheet's edge through
    // such pixels, 4-connected (a step left, right, up or down); key-coloured
    // pixels shut inside a sprite stay part of it.
    std::optional<KeyColour> key;
    // Regions whose boxes are at most `join` pixels apart (0 for boxes that
    // touch or overlap) become one sprite, until no two are that close; 0
    // joins nothing.
    int join = 0;
    // A sprite narrower than this and also lower than it is a speck and left out.
    int minSize = 1;
};

// The sprites of the sheet: each the box of one 8-connected region of
// foreground pixels (pixels that touch only at a corner belong together), after
// joining and dropping specks, in reading order: rows of sprites whose boxes
// overlap vertically, top to bottom, and left to right within a row.
// Linear in the pixels.
std::vector<QRect> findSprites(const QImage& sheet, const SpriteOptions& options);
// The same with the sheet's rows read in `bands` bands, each on a thread of its
// own, and joined where they meet; any count finds the same sprites. The one
// above takes one band a processor on large sheets.
std::vector<QRect> findSprites(const QImage& sheet, const SpriteOptions& options, int bands);

// The sprite's pixels exactly as the sheet has them (semi-transparent ones
// included), as ARGB32. With a key, its key-coloured pixels that reach the
// rectangle's edge through key-coloured or alpha-0 pixels become transparent.
QImage cutSprite(const QImage& sheet, const QRect& sprite, const SpriteOptions& options);

// A key as typed: "RRGGBB" or "RRGGBB,TOLERANCE" (tolerance 0 to 255), or
// "auto" / "auto,TOLERANCE" for the colour of the sheet's corners.
struct KeyChoice {
    bool fromCorners = false;
    KeyColour key; // the colour is unset when fromCorners
};
std::optional<KeyChoice> parseKey(const QString& text);

// The colour of the sheet's four corner pixels when all four are the same
// (alpha-0 pixels count as one colour whatever their red, green and blue).
std::optional<QRgb> cornerColour(const QImage& sheet);

// --pad: each sprite on a cell of one size, centred horizontally (the extra odd
// pixel to the right) and standing on the cell's bottom edge.
// The index of the first sprite larger than the cell in either side.
std::optional<std::size_t> firstTooLarge(const std::vector<QRect>& sprites, QSize cell);
// Where a sprite of this size goes in the cell; only for one that fits.
QPoint padOffset(QSize sprite, QSize cell);
// The cut sprite on a transparent cell; only for one that fits.
QImage padSprite(const QImage& sprite, QSize cell);

} // namespace detect
