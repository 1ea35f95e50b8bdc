#include "bmpheader.h"

#include <QtEndian>

#include <climits>

namespace platform {

namespace {

constexpr quint32 kCoreHeader = 12; // OS/2 1.x: 16-bit width and height
constexpr quint32 kInfoHeader = 40;
constexpr quint32 kV4Header = 108;
constexpr quint32 kV5Header = 124;

} // namespace

std::optional<BmpLayout> readBmpLayout(const QByteArray& head, qint64 fileSize) {
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    if (head.size() < 18 || !head.startsWith("BM"))
        return std::nullopt;
    const quint32 offset = qFromLittleEndian<quint32>(p + 10);
    const quint32 infoSize = qFromLittleEndian<quint32>(p + 14);
    if (infoSize != kCoreHeader && infoSize != kInfoHeader && infoSize != kV4Header &&
        infoSize != kV5Header)
        return std::nullopt;
    if (head.size() < qsizetype(14 + infoSize))
        return std::nullopt;

    BmpLayout b;
    quint16 planes = 0;
    quint32 coloursUsed = 0;
    if (infoSize == kCoreHeader) {
        b.width = qFromLittleEndian<qint16>(p + 18);
        b.height = qFromLittleEndian<qint16>(p + 20);
        planes = qFromLittleEndian<quint16>(p + 22);
        b.bitCount = qFromLittleEndian<quint16>(p + 24);
        b.entrySize = 3;
    } else {
        b.width = qFromLittleEndian<qint32>(p + 18);
        b.height = qFromLittleEndian<qint32>(p + 22);
        planes = qFromLittleEndian<quint16>(p + 26);
        b.bitCount = qFromLittleEndian<quint16>(p + 28);
        b.compression = qFromLittleEndian<quint32>(p + 30);
        coloursUsed = qFromLittleEndian<quint32>(p + 46);
    }
    if (planes != 1 || b.width <= 0 || b.height == 0 || b.height == INT_MIN)
        return std::nullopt;
    if (b.height < 0) {
        b.height = -b.height;
        b.topDown = true;
    }
    switch (b.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return std::nullopt;
    }
    const bool knownCompression =
        b.compression == 0 || (b.compression == kBmpRle8 && b.bitCount == 8) ||
        (b.compression == kBmpRle4 && b.bitCount == 4) ||
        (b.compression == kBmpBitFields && (b.bitCount == 16 || b.bitCount == 32));
    // A top-down picture cannot be run-length coded.
    if (!knownCompression || (b.isRle() && b.topDown))
        return std::nullopt;

    qint64 headerEnd = 14 + infoSize;
    if (infoSize == kInfoHeader && b.compression == kBmpBitFields)
        headerEnd += 12; // the three colour masks follow the short header
    b.paletteStart = headerEnd;
    if (b.bitCount <= 8) {
        const quint32 full = 1u << b.bitCount;
        if (coloursUsed > full)
            return std::nullopt;
        b.colours = int(coloursUsed != 0 ? coloursUsed : full);
        headerEnd += qint64(b.colours) * b.entrySize;
    }
    if (head.size() < headerEnd && fileSize >= headerEnd)
        return std::nullopt; // the caller gave too short a head
    // Qt reads the pixels at the offset only when it lies past what it has read
    // already; an offset inside the header would be read two different ways.
    if (qint64(offset) < headerEnd || qint64(offset) > fileSize)
        return std::nullopt;
    b.dataStart = offset;

    if (!b.isRle()) {
        const qint64 stride = ((b.width * b.bitCount + 31) / 32) * 4;
        const qint64 available = fileSize - b.dataStart;
        // Divided, not multiplied: a header can promise more bytes than 64 bits count.
        if (stride > available / b.height)
            return std::nullopt;
    }
    return b;
}

QImage decodeRle(const BmpLayout& layout, const QByteArray& file) {
    if (!layout.isRle() || layout.width > INT_MAX || layout.height > INT_MAX ||
        file.size() < layout.paletteStart + qint64(layout.colours) * layout.entrySize)
        return {};
    QImage image(int(layout.width), int(layout.height), QImage::Format_Indexed8);
    if (image.isNull())
        return image;
    image.fill(0);
    const auto* bytes = reinterpret_cast<const uchar*>(file.constData());
    // Every index a byte can hold has a colour: black past the file's palette.
    QList<QRgb> palette(256, qRgb(0, 0, 0));
    for (int i = 0; i < layout.colours; ++i) {
        const uchar* e = bytes + layout.paletteStart + qint64(i) * layout.entrySize;
        palette[i] = qRgb(e[2], e[1], e[0]);
    }
    image.setColorTable(palette);

    const bool rle4 = layout.compression == kBmpRle4;
    const qint64 width = layout.width;
    const qint64 height = layout.height;
    qint64 x = 0;
    qint64 row = 0; // counted from the bottom
    qsizetype pos = qsizetype(layout.dataStart);
    const qsizetype end = file.size();
    const auto put = [&](uchar index) {
        if (x < width && row < height)
            image.scanLine(int(height - 1 - row))[x] = index;
        ++x;
    };
    while (row < height) {
        if (end - pos < 2)
            return {}; // cut short before its end marker
        const uchar count = bytes[pos];
        const uchar value = bytes[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i)
                put(rle4 ? uchar(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap: only once the last row is reached
            if (row < height - 1)
                return {};
            break;
        } else if (value == 2) { // delta
            if (end - pos < 2)
                return {};
            x += bytes[pos];
            row += bytes[pos + 1];
            pos += 2;
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const qsizetype length = rle4 ? (value + 1) / 2 : value;
            const qsizetype padded = (length + 1) & ~qsizetype(1);
            if (end - pos < padded)
                return {};
            for (int i = 0; i < value; ++i)
                put(rle4 ? uchar(i % 2 == 0 ? bytes[pos + i / 2] >> 4 : bytes[pos + i / 2] & 0x0F)
                         : bytes[pos + i]);
            pos += padded;
        }
    }
    return image;
}

} // namespace platform
