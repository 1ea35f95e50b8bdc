#pragma once

#include <QCheckBox>

#include <functional>

namespace platform {

// A check box with the value 0 (unchecked) or 1 (checked). Click runs whenever
// the value changes, by the user or by the program. Its caption wraps.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(QWidget* parent, const QString& caption, bool checked);

    int value() const { return isChecked() ? 1 : 0; }
    void setValue(int value);

    // Where the caption is drawn, right of the box, wrapped at word boundaries.
    QRect captionRect() const;
    static constexpr int kCaptionFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap;

    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void raiseClick();
};

} // namespace platform
