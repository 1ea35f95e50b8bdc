#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

namespace platform {

// A Windows bitmap's header read field by field the way Qt's bitmap reader
// reads it, so that what is checked is what will be decoded.
struct BmpLayout {
    qint64 width = 0;
    qint64 height = 0; // always positive; topDown tells the row order
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = 0; // 0 plain, 1 RLE8, 2 RLE4, 3 bit fields
    qint64 paletteStart = 0;
    int colours = 0;   // palette entries
    int entrySize = 4; // bytes a palette entry
    qint64 dataStart = 0;

    bool isRle() const { return compression == 1 || compression == 2; }
};

inline constexpr quint32 kBmpRle8 = 1;
inline constexpr quint32 kBmpRle4 = 2;
inline constexpr quint32 kBmpBitFields = 3;

// How many leading bytes of a file readBmpLayout needs at most.
inline constexpr int kBmpHeadSize = 14 + 124 + 12 + 256 * 4;

// The layout of a file that starts with "BM", or nothing where the header is
// one Qt would read other than it is meant (an unknown header size, which Qt
// reads as the old 16-bit one), is inconsistent (pixel data inside the header
// or the palette), or promises more pixel data than the file holds.
std::optional<BmpLayout> readBmpLayout(const QByteArray& head, qint64 fileSize);

// Decodes the pixel data of an RLE8 or RLE4 bitmap (the whole file in `file`)
// into a picture cleared to palette entry 0 beforehand, so that pixels the
// stream skips are that colour, never whatever memory held. A stream that ends,
// by its end marker or by running out, before it reaches its last row is
// refused with a null image. Pixels past the end of a row are dropped.
QImage decodeRle(const BmpLayout& layout, const QByteArray& file);

} // namespace platform
