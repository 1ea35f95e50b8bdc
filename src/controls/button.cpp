#include "button.h"

#include "system/errors.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace platform {

Button::Button(QWidget* parent, const QString& caption)
    : QPushButton(caption, parent)
    , backColor_(palette().color(QPalette::Button).rgb()) {
    setAccessibleName(caption);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this] {
        guarded([this] {
            if (onClick)
                onClick();
        });
    });
}

void Button::setBackColor(QRgb color) {
    backColor_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Button, QColor::fromRgb(color));
    setPalette(pal);
    update();
}

QRect Button::captionRect() const {
    return rect().adjusted(3, 2, -3, -2);
}

QRgb Button::focusBorderColor() const {
    return palette().color(QPalette::Active, QPalette::Highlight).rgb();
}

QRgb Button::pressedColor() const {
    return QColor::fromRgb(backColor_).darker(125).rgb();
}

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const bool down = isDown();
    const QRect face = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(face, QColor::fromRgb(down ? pressedColor() : backColor_));

    // The border alone shows the focus on a swatch, whose whole face is its colour.
    painter.setPen(QColor::fromRgb(hasFocus() ? focusBorderColor() : kBorderColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    if (text().isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    // Held down, the caption moves a pixel towards the lower right, as if pressed in.
    const QRect area = captionRect().translated(down ? QPoint(1, 1) : QPoint(0, 0));
    painter.drawText(area, kCaptionFlags, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = face.adjusted(2, 2, -2, -2);
        focus.backgroundColor = QColor::fromRgb(backColor_);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace platform
