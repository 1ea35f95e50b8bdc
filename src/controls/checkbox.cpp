#include "checkbox.h"

#include "system/errors.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace platform {

CheckBox::CheckBox(QWidget* parent, const QString& caption, bool checked)
    : QCheckBox(caption, parent) {
    setAccessibleName(caption);
    setChecked(checked);
    connect(this, &QCheckBox::clicked, this, [this] { guarded([this] { raiseClick(); }); });
}

void CheckBox::setValue(int value) {
    const bool checked = value != 0;
    if (checked == isChecked())
        return;
    {
        const QSignalBlocker blocker(this);
        setChecked(checked);
    }
    raiseClick();
}

void CheckBox::raiseClick() {
    if (onClick)
        onClick();
}

QRect CheckBox::captionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    return rect().adjusted(indicator.width() + 4, 0, 0, 0);
}

void CheckBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    option.rect =
        QRect(0, (height() - indicator.height()) / 2, indicator.width(), indicator.height());
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionRect(), kCaptionFlags, text());
}

bool CheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

} // namespace platform
