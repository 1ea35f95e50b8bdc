#include "picture.h"

#include "errors.h"
#include "tga.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <cstring>
#include <functional>

namespace platform {

namespace {

// Large enough for a 16384 x 16384 tileset at four bytes a pixel.
constexpr int kAllocationLimitMb = 2048;

quint32 le32(const uchar* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24);
}
quint16 le16(const uchar* p) {
    return quint16(p[0] | (p[1] << 8));
}

// Qt reads a bitmap that was cut short and leaves the missing rows uninitialised;
// refuse an uncompressed one whose file does not hold every row its header promises.
bool bmpIsComplete(const QByteArray& head, qint64 fileSize) {
    if (head.size() < 30 || !head.startsWith("BM"))
        return true;
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    const quint32 pixelOffset = le32(p + 10);
    const quint32 infoSize = le32(p + 14);
    if (infoSize < 40 || head.size() < 34)
        return true; // old OS/2 headers: leave them to the reader
    const qint64 width = qint32(le32(p + 18));
    const qint64 height = qint32(le32(p + 22));
    const quint16 bitCount = le16(p + 28);
    const quint32 compression = le32(p + 30);
    if (compression != 0 && compression != 3) // BI_RGB, BI_BITFIELDS
        return true;
    const qint64 absHeight = height < 0 ? -height : height;
    const qint64 stride = ((width * bitCount + 31) / 32) * 4;
    const qint64 available = fileSize - qint64(pixelOffset);
    // Divided, not multiplied: a header can promise more bytes than 64 bits count.
    return available >= 0 && (absHeight == 0 || stride <= available / absHeight);
}

// `allBytes` gives the whole file, for the formats read here rather than by Qt.
PicturePtr readFrom(QImageReader& reader, const QByteArray& head, qint64 size,
                    const std::function<QByteArray()>& allBytes) {
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    if (!bmpIsComplete(head, size))
        throw PlatformError(QStringLiteral("Truncated bitmap"));
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        // Qt knows a TGA file only by the footer that many writers leave out.
        if (!looksLikeTga(head))
            throw PlatformError(reader.errorString());
        image = readTga(allBytes());
    }
    QImage opaque = Picture::toOpaque(image);
    if (opaque.isNull())
        throw PlatformError(QStringLiteral("Out of memory"));
    return std::make_shared<const Picture>(opaque);
}

} // namespace

Picture::Picture(const QImage& image)
    : image_(toOpaque(image)) {}

QImage Picture::toOpaque(const QImage& image) {
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage result(image.size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    result.fill(kBackColor);
    QPainter painter(&result);
    painter.drawImage(0, 0, image);
    return result;
}

PicturePtr loadPicture(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(file.errorString());
    const QByteArray head = file.peek(64);
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    return readFrom(reader, head, file.size(), [&file] {
        file.seek(0);
        return file.readAll();
    });
}

QList<QByteArray> readableFormats() {
    QList<QByteArray> formats;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        formats << format.toLower();
    // Read here when Qt's reader is missing or refuses a file without footer.
    if (!formats.contains("tga"))
        formats << "tga";
    return formats;
}

PicturePtr loadPictureData(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return readFrom(reader, bytes.left(64), bytes.size(), [&bytes] { return bytes; });
}

void savePicture(const QImage& image, const QString& path) {
    // BMP from a premultiplied or alpha format changes colours; a plain 32-bit
    // image is written as 24 bits with every channel as it is.
    const QImage plain = Picture::toOpaque(image);
    if (plain.isNull())
        throw PlatformError(QStringLiteral("Nothing to save"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw PlatformError(file.errorString());
    QImageWriter writer(&file, "BMP");
    // commit() does not notice a failure of its final flush and would keep a
    // cut-off file (a full disk, a size limit), so the flush is checked first.
    if (!writer.write(plain) || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        throw PlatformError(reason);
    }
    if (!file.commit())
        throw PlatformError(file.errorString());
}

} // namespace platform
