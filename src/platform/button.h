#pragma once

#include <QPushButton>

#include <functional>

namespace platform {

// A push button whose caption wraps onto further lines where it is wider than
// the button, and whose face can take a colour of its own.
class Button : public QPushButton {
    Q_OBJECT
public:
    Button(QWidget* parent, const QString& caption);

    QRgb backColor() const { return backColor_; }
    void setBackColor(QRgb color);

    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRgb backColor_;
};

} // namespace platform
