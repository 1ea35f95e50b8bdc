#include "picture.h"

#include "errors.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

PicturePtr readFrom(QImageReader& reader, const QByteArray& head, qint64 size) {
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    if (!bmpIsComplete(head, size))
        throw PlatformError(QStringLiteral("Truncated bitmap"));
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PlatformError(reader.errorString());
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
    return readFrom(reader, head, file.size());
}

PicturePtr loadPictureData(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    return readFrom(reader, bytes.left(64), bytes.size());
}

namespace {

void writeWhole(const QImage& image, const QString& path, const char* format) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw PlatformError(file.errorString());
    QImageWriter writer(&file, format);
    // commit() does not notice a failure of its final flush and would keep a
    // cut-off file (a full disk, a size limit), so the flush is checked first.
    if (!writer.write(image) || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString reason =
            file.error() != QFileDevice::NoError ? file.errorString() : writer.errorString();
        file.cancelWriting();
        throw PlatformError(reason);
    }
    if (!file.commit())
        throw PlatformError(file.errorString());
}

} // namespace

void savePicture(const QImage& image, const QString& path) {
    // BMP from a premultiplied or alpha format changes colours; a plain 32-bit
    // image is written as 24 bits with every channel as it is.
    const QImage plain = Picture::toOpaque(image);
    if (plain.isNull())
        throw PlatformError(QStringLiteral("Nothing to save"));
    writeWhole(plain, path, "BMP");
}

BitmapCutter::BitmapCutter(const QImage& sheet)
    : opaque_(Picture::toOpaque(sheet)) {
    if (opaque_.isNull() && !sheet.isNull())
        throw PlatformError(QStringLiteral("Out of memory"));
}

QByteArray BitmapCutter::encode(const QRect& tile) {
    if (tile.size() != headerSize_) {
        // The headers as Qt's writer makes them for a fresh picture of this
        // size, which is what savePicture hands it.
        QImage blank(tile.size(), QImage::Format_RGB32);
        blank.fill(0);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "BMP");
        if (!writer.write(blank))
            throw PlatformError(writer.errorString());
        const qsizetype pixels = qsizetype(((tile.width() * 3 + 3) / 4) * 4) * tile.height();
        header_ = buffer.data().left(buffer.data().size() - pixels);
        headerSize_ = tile.size();
    }
    const int stride = ((tile.width() * 3 + 3) / 4) * 4;
    QByteArray bytes(header_.size() + qsizetype(stride) * tile.height(), '\0');
    std::memcpy(bytes.data(), header_.constData(), std::size_t(header_.size()));
    auto* out = reinterpret_cast<uchar*>(bytes.data()) + header_.size();
    // Rows from the bottom up, each pixel blue, green, red.
    for (int y = tile.height() - 1; y >= 0; --y, out += stride) {
        const auto* line =
            reinterpret_cast<const QRgb*>(opaque_.constScanLine(tile.y() + y)) + tile.x();
        for (int x = 0; x < tile.width(); ++x) {
            out[3 * x] = uchar(qBlue(line[x]));
            out[3 * x + 1] = uchar(qGreen(line[x]));
            out[3 * x + 2] = uchar(qRed(line[x]));
        }
    }
    return bytes;
}

void writeWholeFile(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = target + ".orvane-" + QByteArray::number(::getpid()) + '-' +
                    QByteArray::number(attempt);
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw PlatformError(QString::fromLocal8Bit(std::strerror(errno)));
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        throw PlatformError(QString::fromLocal8Bit(std::strerror(error)));
    };
    // A file replaced keeps the permissions it had.
    struct stat existing;
    if (::stat(target.constData(), &existing) == 0 && ::fchmod(fd, existing.st_mode & 07777) != 0)
        fail(errno);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t done = ::write(fd, data, std::size_t(left));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            fail(done < 0 ? errno : ENOSPC);
        data += done;
        left -= done;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throw PlatformError(QString::fromLocal8Bit(std::strerror(error)));
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        throw PlatformError(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QImage loadImageWithAlpha(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(file.errorString());
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    if (!bmpIsComplete(file.peek(64), file.size()))
        throw PlatformError(QStringLiteral("Truncated bitmap"));
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw PlatformError(reader.errorString());
    image.convertTo(QImage::Format_ARGB32);
    if (image.isNull() || image.format() != QImage::Format_ARGB32)
        throw PlatformError(QStringLiteral("Out of memory"));
    // A pixel nobody can see has no colour: two transparent pixels are the same.
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                line[x] = 0;
        }
    }
    return image;
}

void savePictureWithAlpha(const QImage& image, const QString& path) {
    if (image.isNull())
        throw PlatformError(QStringLiteral("Nothing to save"));
    writeWhole(image.convertToFormat(QImage::Format_ARGB32), path, "PNG");
}

} // namespace platform
