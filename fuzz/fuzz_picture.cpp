#include "image/picture.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QtEndian>

#include <cstdint>
#include <cstdlib>
#include <exception>

// Bytes to a picture that is accepted or refused; never a crash, never a
// picture without pixels or in a form the view cannot show, never a pixel from
// memory no decoder wrote, never a bitmap that holds fewer rows than it promises.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv); // for Qt's image plugins
    platform::initPictureLimits();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    platform::PicturePtr picture;
    try {
        picture = platform::loadPictureData(bytes);
    } catch (const std::exception&) {
        return 0;
    }
    if (!picture || picture->isEmpty() || picture->width() <= 0 || picture->height() <= 0)
        std::abort();
    // Opaque pictures are RGB32; the others straight ARGB32 with at least one
    // pixel less than opaque, and the view's copy of them RGB32 of the same size.
    const QImage& image = picture->image();
    if (picture->hasAlpha() != (image.format() == QImage::Format_ARGB32) ||
        (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) ||
        picture->hasAlpha() != platform::hasTransparency(image))
        std::abort();
    const QImage& shown = picture->shown();
    if (shown.format() != QImage::Format_RGB32 || shown.size() != image.size())
        std::abort();
    // A bitmap without an alpha mask decodes to opaque pixels only; memory no
    // decoder wrote holds the allocator's fill byte (0xbe under ASan) or zero,
    // never 0xff alpha.
    const bool bitmap = size >= 34 && bytes.startsWith("BM");
    const quint32 header = bitmap ? qFromLittleEndian<quint32>(data + 14) : 0;
    const quint32 packing = bitmap ? qFromLittleEndian<quint32>(data + 30) : 0;
    const bool alphaMask = header >= 56 && (packing == 3 || packing == 6);
    for (int y = 0; bitmap && !alphaMask && y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) != 0xFF)
                std::abort();
        }
    }
    if (size >= 34 && bytes.startsWith("BM")) {
        const auto* p = reinterpret_cast<const uchar*>(data);
        const quint32 offset = qFromLittleEndian<quint32>(p + 10);
        const quint32 info = qFromLittleEndian<quint32>(p + 14);
        const quint16 bits = qFromLittleEndian<quint16>(p + 28);
        const quint32 compression = qFromLittleEndian<quint32>(p + 30);
        if (info >= 40 && (compression == 0 || compression == 3)) {
            const qint64 stride = ((qint64(picture->width()) * bits + 31) / 32) * 4;
            if (qint64(size) < qint64(offset) + stride * picture->height())
                std::abort();
        }
    }
    return 0;
}
