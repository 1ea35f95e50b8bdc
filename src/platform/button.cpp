#include "button.h"

#include "errors.h"

#include <QPainter>
#include <QStyleOptionButton>

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

void Button::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    painter.setFont(font());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    const QRect area = rect().adjusted(3, 2, -3, -2);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

} // namespace platform
