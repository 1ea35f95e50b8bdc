#include "picture.h"

#include "bmpheader.h"
#include "errors.h"
#include "nativefs.h"
#include "tga.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Large enough for a 16384 x 16384 tileset at four bytes a pixel.
constexpr int kAllocationLimitMb = 2048;
constexpr qint64 kBytesPerPixel = 4; // what the view holds for every pixel

// Opens the file for reading only when it is a regular file, and never blocks:
// opening a FIFO waits for a writer, and reading a device or a kernel file
// such as /proc/kmsg waits for data. Such files report a size of zero, as an
// empty file does, and none of them can hold a picture.
void openRegularFile(const QString& path, QFile& file) {
    const QByteArray native = encodePath(path);
    struct stat before {};
    if (::stat(native.constData(), &before) != 0 || !S_ISREG(before.st_mode) || before.st_size <= 0)
        throw PlatformError(QStringLiteral("Not a readable file: ") + path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw PlatformError(QStringLiteral("Cannot open ") + path);
    // The name may have been pointed elsewhere between the check and the open.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != before.st_dev ||
        opened.st_ino != before.st_ino ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw PlatformError(QStringLiteral("Cannot open ") + path);
    }
}

PicturePtr fromImage(const QImage& image) {
    QImage opaque = Picture::toOpaque(image);
    if (opaque.isNull())
        throw PlatformError(QStringLiteral("Out of memory"));
    return std::make_shared<const Picture>(opaque);
}

// The picture as its decoder gives it, alpha and all.
QImage readImage(QIODevice& device, const QByteArray& head, qint64 size) {
    if (head.startsWith("BM")) {
        // Qt's bitmap reader leaves pixels it has no data for uninitialised, so
        // the header is checked first and run-length data decoded here.
        const std::optional<BmpLayout> layout = readBmpLayout(head, size);
        if (!layout)
            throw PlatformError(QStringLiteral("Damaged bitmap"));
        checkPictureSize(layout->width, layout->height);
        if (layout->isRle()) {
            device.seek(0);
            const QImage image = decodeRle(*layout, device.readAll());
            if (image.isNull())
                throw PlatformError(QStringLiteral("Damaged bitmap"));
            return image;
        }
    }
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    const QSize promised = reader.size();
    if (promised.isValid())
        checkPictureSize(promised.width(), promised.height());
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        // Qt knows a TGA file only by the footer that many writers leave out.
        if (!looksLikeTga(head))
            throw PlatformError(reader.errorString());
        device.seek(0);
        image = readTga(device.readAll());
        if (image.isNull())
            throw PlatformError(QStringLiteral("Damaged TGA file"));
    }
    return image;
}

PicturePtr readFrom(QIODevice& device, const QByteArray& head, qint64 size) {
    return fromImage(readImage(device, head, size));
}

} // namespace

void initPictureLimits() {
    QImageReader::setAllocationLimit(kAllocationLimitMb);
}

void checkPictureSize(qint64 width, qint64 height) {
    constexpr qint64 limit = qint64(kAllocationLimitMb) * 1024 * 1024;
    if (width > 0 && height > 0 && (width > limit / kBytesPerPixel / height))
        throw PictureTooLarge();
}

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
    QFile file;
    openRegularFile(path, file);
    const QByteArray head = file.peek(kBmpHeadSize);
    return readFrom(file, head, file.size());
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
    return readFrom(buffer, bytes.left(kBmpHeadSize), bytes.size());
}

void savePicture(const QImage& image, const QString& path) {
    // BMP from a premultiplied or alpha format changes colours; a plain 32-bit
    // image is written as 24 bits with every channel as it is.
    const QImage plain = Picture::toOpaque(image);
    if (plain.isNull())
        throw PlatformError(QStringLiteral("Nothing to save"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (!writer.write(plain))
        throw PlatformError(writer.errorString());
    writeFileWhole(path, bytes);
}

void writeFileWhole(const QString& path, const QByteArray& bytes, bool waitForDisk) {
    const QByteArray target = encodePath(path);
    if (target.isEmpty())
        throw PlatformError(QStringLiteral("No file name"));
    // A write-protected file stays as it is, although the rename below could
    // replace it.
    if (::access(target.constData(), F_OK) == 0 && ::access(target.constData(), W_OK) != 0)
        throw PlatformError(QStringLiteral("Write-protected: ") + path);
    // Written beside the target and renamed over it, so that a failed write
    // (a full disk, a size limit) leaves an earlier file of that name as it was.
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = target + ".tmp" +
               QByteArray::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 16);
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw PlatformError(QStringLiteral("Cannot write ") + path);
    const auto fail = [&] {
        ::unlink(temp.constData());
        throw PlatformError(QStringLiteral("Cannot write ") + path);
    };
    struct stat existing {};
    if (::stat(target.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
        (void)::fchmod(fd, existing.st_mode & 07777);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            fail();
        }
        done += n;
    }
    const bool synced = !waitForDisk || ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced || ::rename(temp.constData(), target.constData()) != 0)
        fail();
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

QImage loadImageWithAlpha(const QString& path) {
    QFile file;
    openRegularFile(path, file);
    QImage image = readImage(file, file.peek(kBmpHeadSize), file.size());
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    if (!writer.write(image.convertToFormat(QImage::Format_ARGB32)))
        throw PlatformError(writer.errorString());
    writeFileWhole(path, bytes);
}

} // namespace platform
