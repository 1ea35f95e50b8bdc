#include "form.h"

#include "system/errors.h"
#include "keyascii.h"
#include "image/picture.h"
#include "screen.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace platform {

Form::Form(QWidget* owner, const Screen& screen, Qt::WindowFlags flags)
    : QWidget(owner, flags)
    , screen_(screen) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(kBackColor));
    setPalette(pal);
    setAutoFillBackground(true);
}

double Form::outerWidth() const {
    return (width() + kFrameWidth) * screen_.twipsPerPixelX();
}

double Form::outerHeight() const {
    return (height() + kFrameHeight) * screen_.twipsPerPixelY();
}

int Form::clientPixels(double twips, double twipsPerPixel, int frame, int limit) const {
    int pixels = int(std::lround(twips / twipsPerPixel)) - frame;
    if (limit > 0)
        pixels = std::min(pixels, limit);
    return std::max(pixels, 1);
}

void Form::setOuterWidth(double twips) {
    setFixedWidth(clientPixels(twips, screen_.twipsPerPixelX(), kFrameWidth, clientLimit_.width()));
}

void Form::setOuterHeight(double twips) {
    setFixedHeight(
        clientPixels(twips, screen_.twipsPerPixelY(), kFrameHeight, clientLimit_.height()));
}

void Form::fitOuterSizeTo(int w, int h) {
    setOuterWidth(w * screen_.twipsPerPixelX() + kFrameTwipsX);
    setOuterHeight(h * screen_.twipsPerPixelY() + kFrameTwipsY);
}

void Form::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void Form::paintEvent(QPaintEvent*) {
    if (picture_.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(0, 0, picture_);
}

void Form::keyPressEvent(QKeyEvent* event) {
    const int code = keyAscii(event);
    if (code != 0 && onKeyPress) {
        guarded([&] { onKeyPress(code); });
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form::closeEvent(QCloseEvent* event) {
    guarded([this] {
        if (onClose)
            onClose();
    });
    QWidget::closeEvent(event);
}

} // namespace platform
