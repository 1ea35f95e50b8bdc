#include "picture.h"

#include "errors.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

} // namespace

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlatformError(file.errorString());
    const QByteArray head = file.peek(64);
    try {
        QImageReader reader(&file);
        reader.setDecideFormatFromContent(true);
        return readFrom(reader, head, file.size());
    } catch (const PlatformError&) {
        // Some formats (Targa) carry no signature to be recognised by; for those
        // the name's extension is all there is to go on.
        const QByteArray named = QFileInfo(path).suffix().toLower().toLatin1();
        if (named.isEmpty() || !QImageReader::supportedImageFormats().contains(named) ||
            !file.seek(0))
            throw;
        QImageReader reader(&file, named);
        reader.setDecideFormatFromContent(false);
        return readFrom(reader, head, file.size());
    }
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

void writePictureFile(const QImage& image, const QString& path, const QByteArray& format,
                      int quality) {
    if (image.isNull())
        throw PlatformError(QStringLiteral("Nothing to save"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw PlatformError(file.errorString());
    QImageWriter writer(&file, format);
    writer.setQuality(quality);
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

} // namespace

void savePicture(const QImage& image, const QString& path) {
    // BMP from a premultiplied or alpha format changes colours; a plain 32-bit
    // image is written as 24 bits with every channel as it is.
    writePictureFile(Picture::toOpaque(image), path, "BMP", -1);
}

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
