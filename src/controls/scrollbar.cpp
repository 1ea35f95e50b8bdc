#include "scrollbar.h"

#include "system/errors.h"

namespace platform {

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    setAccessibleName(orientation == Qt::Horizontal ? QStringLiteral("Horizontal scroll bar")
                                                    : QStringLiteral("Vertical scroll bar"));
    setRange(0, 32767);
    setSingleStep(16);
    setPageStep(128);
    setTracking(true);
    connect(this, &QScrollBar::valueChanged, this,
            [this] { guarded([this] { raise(isSliderDown() ? onScroll : onChange); }); });
}

void ScrollBar::setMax(int max) {
    if (max < minimum())
        throw PlatformError(QStringLiteral("Invalid property value"));
    const int before = value();
    {
        const QSignalBlocker blocker(this);
        setMaximum(max);
    }
    if (value() != before)
        raise(onChange);
}

void ScrollBar::setValue(int value) {
    if (value < minimum() || value > maximum())
        throw PlatformError(QStringLiteral("Invalid property value"));
    if (value == this->value())
        return;
    {
        const QSignalBlocker blocker(this);
        QScrollBar::setValue(value);
    }
    raise(onChange);
}

void ScrollBar::raise(const std::function<void()>& handler) {
    if (handler)
        handler();
}

} // namespace platform
