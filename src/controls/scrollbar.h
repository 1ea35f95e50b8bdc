#pragma once

#include <QScrollBar>

#include <functional>

namespace platform {

// A scroll bar with Min 0. Scroll runs while the thumb is dragged, Change when
// the value has changed otherwise. Assigning Max or Value runs Change at once
// when the value changes.
class ScrollBar : public QScrollBar {
    Q_OBJECT
public:
    ScrollBar(Qt::Orientation orientation, QWidget* parent);

    int max() const { return maximum(); }
    void setMax(int max);
    int value() const { return QScrollBar::value(); }
    void setValue(int value);

    std::function<void()> onChange;
    std::function<void()> onScroll;

private:
    void raise(const std::function<void()>& handler);
};

} // namespace platform
