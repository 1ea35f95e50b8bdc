#include "clipboard.h"

#include "errors.h"
#include "picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

namespace {

QClipboard& systemClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw PlatformError(QStringLiteral("No clipboard"));
    return *clipboard;
}

const QString kPng = QStringLiteral("image/png");

} // namespace

QImage SystemClipboard::image() {
    const QMimeData* data = systemClipboard().mimeData();
    if (!data)
        return {};
    // The PNG keeps the alpha; the bitmap a program offers besides it (and the
    // image Qt hands over within this program) has none.
    if (data->hasFormat(kPng)) {
        QImage image;
        if (image.loadFromData(data->data(kPng), "PNG"))
            return image;
    }
    if (!data->hasImage())
        return {};
    return qvariant_cast<QImage>(data->imageData());
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
