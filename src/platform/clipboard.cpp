#include "clipboard.h"

#include "errors.h"

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

} // namespace

QImage SystemClipboard::image() {
    const QMimeData* data = systemClipboard().mimeData();
    if (!data || !data->hasImage())
        return {};
    const QImage image = qvariant_cast<QImage>(data->imageData());
    return image;
}

void SystemClipboard::clear() {
    systemClipboard().clear();
}

void SystemClipboard::setImage(const QImage& image) {
    if (image.isNull())
        throw PlatformError(QStringLiteral("No picture"));
    systemClipboard().setImage(image);
}

} // namespace platform
