#pragma once

#include <QPushButton>

#include <functional>

namespace platform {

// A flat push button: its face is exactly its colour inside a one-pixel border,
// with no bevel or gradient, so that a colour swatch shows the colour it stands
// for. Its caption wraps onto further lines where it is wider than the button.
class Button : public QPushButton {
    Q_OBJECT
public:
    Button(QWidget* parent, const QString& caption);

    QRgb backColor() const { return backColor_; }
    void setBackColor(QRgb color);

    // Where the caption is drawn, wrapped at word boundaries.
    QRect captionRect() const;
    // The caption's flags for QPainter::drawText and QFontMetrics::boundingRect.
    static constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap;

    // The border when the button has no focus, and when it has.
    static constexpr QRgb kBorderColor = 0xFF808080;
    QRgb focusBorderColor() const;
    // The face while the button is held down.
    QRgb pressedColor() const;

    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRgb backColor_;
};

} // namespace platform
