#include "picture.h"

#include "bmpheader.h"
#include "system/errors.h"
#include "system/nativefs.h"
#include "tga.h"
#include "system/wholefile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QFileInfo>
#include <QImageWriter>

#include <cerrno>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

// What a reader may allocate while it decodes a picture within the limit: a
// 16-bit-a-channel PNG takes eight bytes a pixel before it is converted.
constexpr int kAllocationLimitMb = int(kMaxPicturePixels * 8 / (1024 * 1024));

} // namespace

UnreadableFile::UnreadableFile(const QString& path, const QString& reason)
    : PlatformError(QStringLiteral("Cannot open ") + path)
    , reason_(reason) {}

void openRegularFile(const QString& path, QFile& file) {
    const QByteArray native = encodePath(path);
    struct stat before {};
    if (::stat(native.constData(), &before) != 0 || !S_ISREG(before.st_mode) || before.st_size <= 0)
        throw PlatformError(QStringLiteral("Not a readable file: ") + path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw UnreadableFile(path, QString::fromLocal8Bit(std::strerror(errno)));
    // The name may have been pointed elsewhere between the check and the open.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != before.st_dev ||
        opened.st_ino != before.st_ino ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw UnreadableFile(path, QStringLiteral("it changed while it was opened"));
    }
}

namespace {

PicturePtr fromImage(QImage image) {
    return std::make_shared<const Picture>(std::move(image));
}

// x * a / 255 as Qt's raster engine rounds it (its BYTE_MUL), for 0 <= x, a <= 255.
inline quint32 mulByte(quint32 x, quint32 a) {
    const quint32 t = x * a;
    return (t + (t >> 8) + 0x80) >> 8;
}

inline QRgb flattenPixel(QRgb pixel) {
    const quint32 a = qAlpha(pixel);
    const quint32 under = 255 - a;
    return qRgb(int(mulByte(qRed(pixel), a) + mulByte(qRed(kBackColor), under)),
                int(mulByte(qGreen(pixel), a) + mulByte(qGreen(kBackColor), under)),
                int(mulByte(qBlue(pixel), a) + mulByte(qBlue(kBackColor), under)));
}

QImage flattenedCopy(const QImage& straight) {
    QImage result(straight.size(), QImage::Format_RGB32);
    if (result.isNull())
        return result;
    for (int y = 0; y < straight.height(); ++y)
        flattenPixels(reinterpret_cast<const QRgb*>(straight.constScanLine(y)),
                      reinterpret_cast<QRgb*>(result.scanLine(y)), straight.width());
    return result;
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

namespace {

QtMessageHandler forwardedMessages = nullptr;

// The PNG decoder's own complaints reach standard error as warnings; the reader
// reports the same failure to its caller, who says it in the program's words.
void quietDecoders(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("libpng ")))
        return;
    if (forwardedMessages)
        forwardedMessages(type, context, message);
}

} // namespace

void initPictureLimits() {
    QImageReader::setAllocationLimit(kAllocationLimitMb);
    static const bool installed = [] {
        forwardedMessages = qInstallMessageHandler(quietDecoders);
        return true;
    }();
    Q_UNUSED(installed);
}

void checkPictureSize(qint64 width, qint64 height) {
    if (width > 0 && height > 0 && width > kMaxPicturePixels / height)
        throw PictureTooLarge();
}

void flattenPixels(const QRgb* from, QRgb* to, int n) {
    int i = 0;
#if defined(__SSE2__)
    // Two pixels per half register, one channel per 16-bit lane; the same
    // arithmetic as flattenPixel, lane by lane.
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi16(0x80);
    const __m128i full = _mm_set1_epi16(255);
    const short r = short(qRed(kBackColor)), g = short(qGreen(kBackColor)),
                b = short(qBlue(kBackColor));
    const __m128i back = _mm_set_epi16(0, r, g, b, 0, r, g, b);
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    const auto mul = [&](__m128i x, __m128i a) {
        __m128i t = _mm_mullo_epi16(x, a);
        t = _mm_add_epi16(_mm_add_epi16(t, _mm_srli_epi16(t, 8)), round);
        return _mm_srli_epi16(t, 8);
    };
    const auto half = [&](__m128i pixels) {
        const __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels, _MM_SHUFFLE(3, 3, 3, 3)),
                                              _MM_SHUFFLE(3, 3, 3, 3));
        return _mm_add_epi16(mul(pixels, a), mul(back, _mm_sub_epi16(full, a)));
    };
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        const __m128i lo = half(_mm_unpacklo_epi8(s, zero));
        const __m128i hi = half(_mm_unpackhi_epi8(s, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i),
                         _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
#endif
    for (; i < n; ++i)
        to[i] = flattenPixel(from[i]);
}

bool hasTransparency(const QImage& image) {
    if (!image.hasAlphaChannel())
        return false;
    if (image.format() != QImage::Format_ARGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied)
        return hasTransparency(image.convertToFormat(QImage::Format_ARGB32));
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb all = 0xFF000000;
        for (int x = 0; x < image.width(); ++x)
            all &= row[x];
        if (qAlpha(all) != 255)
            return true;
    }
    return false;
}

Picture::Picture(QImage image) {
    const bool given = !image.isNull();
    image_ = held(std::move(image));
    if (image_.format() == QImage::Format_ARGB32) {
        // Allocated, not touched: the memory comes as its tiles are filled in.
        shown_ = QImage(image_.size(), QImage::Format_RGB32);
        tilesAcross_ = (image_.width() + kTile - 1) / kTile;
        tilesDone_.assign(std::size_t(tilesAcross_) * ((image_.height() + kTile - 1) / kTile),
                          false);
    }
    if (given && (image_.isNull() || (image_.format() == QImage::Format_ARGB32 && shown_.isNull())))
        throw PlatformError(QStringLiteral("Out of memory"));
}

const QImage& Picture::shown() const {
    return shown(image_.rect());
}

const QImage& Picture::shown(const QRect& region) const {
    if (!hasAlpha())
        return image_;
    const QRect wanted = region.intersected(image_.rect());
    if (wanted.isEmpty())
        return shown_;
    auto* const base = const_cast<uchar*>(shown_.constBits());
    const qsizetype stride = shown_.bytesPerLine();
    for (int ty = wanted.top() / kTile; ty <= wanted.bottom() / kTile; ++ty) {
        for (int tx = wanted.left() / kTile; tx <= wanted.right() / kTile; ++tx) {
            const std::size_t index = std::size_t(ty) * tilesAcross_ + tx;
            if (tilesDone_[index])
                continue;
            const QRect tile =
                QRect(tx * kTile, ty * kTile, kTile, kTile).intersected(image_.rect());
            for (int y = tile.top(); y <= tile.bottom(); ++y)
                flattenPixels(reinterpret_cast<const QRgb*>(image_.constScanLine(y)) + tile.left(),
                              reinterpret_cast<QRgb*>(base + y * stride) + tile.left(),
                              tile.width());
            tilesDone_[index] = true;
        }
    }
    return shown_;
}

QImage Picture::held(QImage image) {
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return image;
    if (image.format() != QImage::Format_ARGB32) {
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                              : QImage::Format_RGB32);
        if (image.format() != QImage::Format_ARGB32)
            return image;
    }
    // Every alpha is 255, so the pixels already are RGB32 ones.
    if (!hasTransparency(image))
        image.reinterpretAsFormat(QImage::Format_RGB32);
    return image;
}

QImage Picture::toOpaque(const QImage& image) {
    if (image.isNull() || image.format() == QImage::Format_RGB32)
        return image;
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    if (image.format() == QImage::Format_ARGB32)
        return flattenedCopy(image);
    const QImage straight = image.convertToFormat(QImage::Format_ARGB32);
    return straight.isNull() ? straight : flattenedCopy(straight);
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
    writeFileWhole(path, bytes, WriteMode::Replace);
}

BitmapCutter::BitmapCutter(const QImage& sheet)
    : sheet_(sheet) {
    const bool opaque = sheet.format() == QImage::Format_RGB32 ||
                        (sheet.format() == QImage::Format_ARGB32 && !hasTransparency(sheet));
    // An opaque sheet is read in place, as the RGB32 pixels it holds.
    opaque_ = opaque ? QImage(sheet_.constBits(), sheet_.width(), sheet_.height(),
                              sheet_.bytesPerLine(), QImage::Format_RGB32)
                     : Picture::toOpaque(sheet);
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
    // What an import holds, pixel for pixel: a transparent pixel keeps the
    // colour the file gives it, for the PNG tiles to keep it too.
    QImage image = Picture::held(readImage(file, file.peek(kBmpHeadSize), file.size()));
    if (image.format() == QImage::Format_RGB32) {
        // Opaque pixels already are ARGB32 ones (alpha 255): no copy.
        image.reinterpretAsFormat(QImage::Format_ARGB32);
        return image;
    }
    if (image.isNull() || image.format() != QImage::Format_ARGB32)
        throw PlatformError(QStringLiteral("Out of memory"));
    return image;
}

namespace {

// Formats whose files keep an alpha channel; the others get the picture laid over
// the background colour, as a bitmap does.
bool keepsAlpha(const QString& ext) {
    static const QStringList formats{"png", "webp", "tif", "tiff", "ico", "cur", "icns"};
    return formats.contains(ext);
}

// Lossy formats at their best: WebP at 100 is lossless.
int qualityFor(const QString& ext) {
    return ext == u"webp" || ext == u"jpg" || ext == u"jpeg" ? 100 : -1;
}

QByteArray encodePicture(const QImage& image, const QByteArray& format, int quality) {
    if (image.isNull())
        throw PlatformError(QStringLiteral("Nothing to save"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    if (!writer.write(image))
        throw PlatformError(writer.errorString());
    return bytes;
}

// Encodes the picture in the format and writes it whole, as savePicture does.
void writePictureFile(const QImage& image, const QString& path, const QByteArray& format,
                      int quality) {
    writeFileWhole(path, encodePicture(image, format, quality), WriteMode::Replace);
}

} // namespace

QStringList writableExtensions() {
    QStringList result{QStringLiteral("bmp"), QStringLiteral("png")};
    for (const QByteArray& format : QImageWriter::supportedImageFormats()) {
        const QString ext = QString::fromLatin1(format).toLower();
        if (!result.contains(ext))
            result << ext;
    }
    return result;
}

QString saveAsFilter() {
    QString filter = QStringLiteral("Windows bitmaps (*.bmp)|*.bmp");
    for (const QString& ext : writableExtensions()) {
        if (ext != u"bmp")
            filter += u'|' + ext.toUpper() + QStringLiteral(" pictures (*.") + ext +
                      QStringLiteral(")|*.") + ext;
    }
    return filter;
}

UnwritableFormatError::UnwritableFormatError(const QString& ext)
    : PlatformError(QStringLiteral("Unwritable format")) {
    QStringList names;
    for (const QString& writable : writableExtensions())
        names << u'.' + writable;
    message_ = QStringLiteral("Can't save as .%1! Please use %2").arg(ext, names.join(u", "));
}

void savePictureAs(const QImage& image, const QString& path) {
    QString ext = QFileInfo(path).suffix().toLower();
    if (ext.isEmpty())
        ext = QStringLiteral("bmp");
    if (!writableExtensions().contains(ext))
        throw UnwritableFormatError(QFileInfo(path).suffix());
    if (ext == u"bmp") {
        savePicture(image, path);
        return;
    }
    writePictureFile(keepsAlpha(ext) ? Picture::held(image) : Picture::toOpaque(image), path,
                     ext.toLatin1(), qualityFor(ext));
}

} // namespace platform
