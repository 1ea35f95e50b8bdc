#include "clipboard.h"

#include "system/errors.h"
#include "picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>

namespace platform {

namespace {

const QString kQtImage = QStringLiteral("application/x-qt-image");

QClipboard& systemClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw PlatformError(QStringLiteral("No clipboard"));
    return *clipboard;
}

const QString kPng = QStringLiteral("image/png");

} // namespace

QString choosePictureFormat(const QStringList& formats) {
    for (const QString& preferred : {QStringLiteral("image/png"), QStringLiteral("image/bmp")}) {
        if (formats.contains(preferred))
            return preferred;
    }
    const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
    for (const QString& format : formats) {
        if (format.startsWith(u"image/") && readable.contains(format.toLatin1()))
            return format;
    }
    return formats.contains(kQtImage) ? kQtImage : QString();
}

PictureReading takeForeignPicture(const QMimeData& data, const std::function<qint64()>& elapsedMs) {
    const QStringList formats = data.formats();
    // An owner that never answers leaves the list empty after the toolkit's
    // timeout; an empty clipboard answers at once.
    if (formats.isEmpty() && elapsedMs() >= kClipboardAnswerMs)
        throw PlatformError(QStringLiteral("The clipboard does not answer"));
    const QString format = choosePictureFormat(formats);
    if (format.isEmpty())
        return [] { return QImage(); };
    if (elapsedMs() >= kClipboardAnswerMs)
        throw PlatformError(QStringLiteral("The clipboard answers too slowly"));
    if (format == kQtImage) {
        // Listed alone only where the platform converts the picture itself in
        // one request (X11 lists it only beside a concrete format, chosen above).
        const QImage image = qvariant_cast<QImage>(data.imageData());
        if (image.isNull())
            throw PlatformError(QStringLiteral("No picture on the clipboard"));
        return [image] {
            checkPictureSize(image.width(), image.height());
            return image;
        };
    }
    const QByteArray bytes = data.data(format);
    if (bytes.isEmpty())
        throw PlatformError(QStringLiteral("No picture data on the clipboard"));
    return [bytes] { return loadPictureData(bytes)->image(); };
}

PictureReading SystemClipboard::takePicture() {
    QClipboard& clipboard = systemClipboard();
    const QMimeData* data = clipboard.mimeData();
    if (!data)
        return [] { return QImage(); };
    if (clipboard.ownsClipboard()) {
        // The program's own contents: nothing is asked of another program. The
        // PNG keeps the alpha; the bitmap beside it has none.
        const QByteArray png = data->hasFormat(kPng) ? data->data(kPng) : QByteArray();
        const QImage image = data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
        return [png, image] {
            QImage read;
            if (!png.isEmpty() && read.loadFromData(png, "PNG"))
                return read;
            checkPictureSize(image.width(), image.height());
            return image;
        };
    }
    QElapsedTimer timer;
    timer.start();
    return takeForeignPicture(*data, [&timer] { return timer.elapsed(); });
}

void SystemClipboard::clear() {
    systemClipboard().clear();
}

void SystemClipboard::setImage(const QImage& image) {
    if (image.isNull())
        throw PlatformError(QStringLiteral("No picture"));
    const QImage held = Picture::held(image);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (held.isNull() || !held.save(&buffer, "PNG"))
        throw PlatformError(QStringLiteral("Out of memory"));
    // Programs that take a bitmap get what the Selection view shows; the ones
    // that read image/png get the colours and the alpha exactly.
    auto* data = new QMimeData;
    data->setData(kPng, png);
    data->setImageData(Picture::toOpaque(held));
    systemClipboard().setMimeData(data);
}

} // namespace platform
