#pragma once

#include <QSize>

namespace platform {

// Screen metrics. Window outer sizes are set in twips, 1440 to the inch.
class Screen {
public:
    virtual ~Screen() = default;
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;
    // The largest client area a window can have on the screen, in pixels.
    virtual QSize availableSize() const = 0;
};

// The primary screen: 1440 / its logical dots per inch (15 at 96 dpi).
class SystemScreen : public Screen {
public:
    double twipsPerPixelX() const override;
    double twipsPerPixelY() const override;
    QSize availableSize() const override;
};

class FixedScreen : public Screen {
public:
    explicit FixedScreen(double twipsPerPixel = 15.0, QSize available = QSize(1920, 1080))
        : twips_(twipsPerPixel)
        , available_(available) {}
    double twipsPerPixelX() const override { return twips_; }
    double twipsPerPixelY() const override { return twips_; }
    QSize availableSize() const override { return available_; }

private:
    double twips_;
    QSize available_;
};

} // namespace platform
