#include "tga.h"

#include "system/errors.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

constexpr int kHeaderSize = 18;
// The same ceiling as for the other formats: a 16384 x 16384 picture.
constexpr qint64 kMaxPixels = qint64(16384) * 16384;

enum ImageType : uchar {
    ColourMapped = 1,
    TrueColour = 2,
    Grey = 3,
    RleColourMapped = 9,
    RleTrueColour = 10,
    RleGrey = 11,
};

struct Header {
    int idLength = 0;
    int colourMapType = 0;
    int imageType = 0;
    int mapFirst = 0;
    int mapLength = 0;
    int mapEntryBits = 0;
    int width = 0;
    int height = 0;
    int pixelBits = 0;
    int alphaBits = 0;
    bool rightToLeft = false;
    bool topDown = false;
    bool interleaved = false;

    int baseType() const { return imageType & 3; }
    bool rle() const { return imageType >= 9; }
};

quint16 le16(const uchar* p) {
    return quint16(p[0] | (p[1] << 8));
}

Header parseHeader(const uchar* p) {
    Header h;
    h.idLength = p[0];
    h.colourMapType = p[1];
    h.imageType = p[2];
    h.mapFirst = le16(p + 3);
    h.mapLength = le16(p + 5);
    h.mapEntryBits = p[7];
    h.width = le16(p + 12);
    h.height = le16(p + 14);
    h.pixelBits = p[16];
    h.alphaBits = p[17] & 0x0F;
    h.rightToLeft = (p[17] & 0x10) != 0;
    h.topDown = (p[17] & 0x20) != 0;
    h.interleaved = (p[17] & 0xC0) != 0;
    return h;
}

bool colourBitsAllowed(int bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool sound(const Header& h) {
    switch (h.imageType) {
    case ColourMapped:
    case RleColourMapped:
        if (h.colourMapType != 1 || h.mapLength == 0 || h.pixelBits != 8)
            return false;
        break;
    case TrueColour:
    case RleTrueColour:
        if (!colourBitsAllowed(h.pixelBits))
            return false;
        break;
    case Grey:
    case RleGrey:
        if (h.pixelBits != 8)
            return false;
        break;
    default:
        return false;
    }
    if (h.colourMapType > 1)
        return false;
    if (h.colourMapType == 1 && !colourBitsAllowed(h.mapEntryBits))
        return false;
    return h.width > 0 && h.height > 0 && !h.interleaved && h.alphaBits <= 8;
}

// One stored colour, little-endian: 15/16 bits are 5-5-5 with an attribute bit,
// 24 bits B G R, 32 bits B G R A.
QRgb colourAt(const uchar* p, int bits, bool useAlpha) {
    switch (bits) {
    case 15:
    case 16: {
        const quint16 w = le16(p);
        const auto widen = [](int v) { return (v << 3) | (v >> 2); };
        const int alpha = (useAlpha && bits == 16) ? ((w & 0x8000) ? 255 : 0) : 255;
        return qRgba(widen((w >> 10) & 31), widen((w >> 5) & 31), widen(w & 31), alpha);
    }
    case 24:
        return qRgb(p[2], p[1], p[0]);
    default:
        return qRgba(p[2], p[1], p[0], useAlpha ? p[3] : 255);
    }
}

} // namespace

bool looksLikeTga(const QByteArray& head) {
    if (head.size() < kHeaderSize)
        return false;
    return sound(parseHeader(reinterpret_cast<const uchar*>(head.constData())));
}

QImage readTga(const QByteArray& bytes) {
    if (!looksLikeTga(bytes))
        throw PlatformError(QStringLiteral("Not a TGA picture"));
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    const Header h = parseHeader(data);
    if (qint64(h.width) * h.height > kMaxPixels)
        throw PlatformError(QStringLiteral("Picture too large"));

    qint64 pos = kHeaderSize + h.idLength;
    const bool useAlpha = h.alphaBits > 0;
    std::vector<QRgb> palette;
    if (h.colourMapType == 1) {
        const int entryBytes = (h.mapEntryBits + 7) / 8;
        const qint64 mapBytes = qint64(h.mapLength) * entryBytes;
        if (size - pos < mapBytes)
            throw PlatformError(QStringLiteral("Truncated TGA colour map"));
        palette.reserve(h.mapLength);
        for (int i = 0; i < h.mapLength; ++i)
            palette.push_back(
                colourAt(data + pos + qint64(i) * entryBytes, h.mapEntryBits, useAlpha));
        pos += mapBytes;
    }

    const int pixelBytes = (h.pixelBits + 7) / 8;
    const auto toColour = [&](const uchar* p) -> QRgb {
        switch (h.baseType()) {
        case ColourMapped: {
            const int index = p[0] - h.mapFirst;
            if (index < 0 || index >= int(palette.size()))
                throw PlatformError(QStringLiteral("TGA colour index outside its map"));
            return palette[size_t(index)];
        }
        case Grey:
            return qRgb(p[0], p[0], p[0]);
        default:
            return colourAt(p, h.pixelBits, useAlpha);
        }
    };

    QImage image(h.width, h.height, useAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        throw PlatformError(QStringLiteral("Out of memory"));

    const qint64 total = qint64(h.width) * h.height;
    qint64 done = 0;
    const auto put = [&](QRgb colour) {
        const int stored = int(done / h.width);
        const int column = int(done % h.width);
        const int y = h.topDown ? stored : h.height - 1 - stored;
        const int x = h.rightToLeft ? h.width - 1 - column : column;
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour;
        ++done;
    };

    if (!h.rle()) {
        if ((size - pos) / pixelBytes < total)
            throw PlatformError(QStringLiteral("Truncated TGA"));
        while (done < total) {
            put(toColour(data + pos));
            pos += pixelBytes;
        }
        return image;
    }
    // Packets may run on from one row into the next, as many writers let them.
    while (done < total) {
        if (pos >= size)
            throw PlatformError(QStringLiteral("Truncated TGA"));
        const uchar packet = data[pos++];
        const qint64 count = std::min<qint64>((packet & 0x7F) + 1, total - done);
        if (packet & 0x80) {
            if (size - pos < pixelBytes)
                throw PlatformError(QStringLiteral("Truncated TGA"));
            const QRgb colour = toColour(data + pos);
            pos += pixelBytes;
            for (qint64 i = 0; i < count; ++i)
                put(colour);
        } else {
            if ((size - pos) / pixelBytes < count)
                throw PlatformError(QStringLiteral("Truncated TGA"));
            for (qint64 i = 0; i < count; ++i) {
                put(toColour(data + pos));
                pos += pixelBytes;
            }
        }
    }
    return image;
}

} // namespace platform
