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

} // namespace platform
