#pragma once

#include <QImage>
#include <QWidget>

#include <functional>

namespace platform {

class Screen;

// A window whose outer size is set and read in twips. The outer size is the
// client size plus a fixed frame allowance of 10 x 24 pixels, so that an outer
// size of w x 15 + 150 by h x 15 + 360 twips gives a client area of exactly
// w x h pixels at 15 twips to the pixel.
class Form : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameWidth = 10;
    static constexpr int kFrameHeight = 24;
    // The same allowance in twips, as the windows that size themselves to their
    // picture add it: 150 across and 360 down at 15 twips to the pixel.
    static constexpr double kFrameTwipsX = kFrameWidth * 15;
    static constexpr double kFrameTwipsY = kFrameHeight * 15;

    Form(QWidget* owner, const Screen& screen, Qt::WindowFlags flags);

    QString caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    double outerWidth() const;
    double outerHeight() const;
    void setOuterWidth(double twips);
    void setOuterHeight(double twips);
    // Outer size for a client area of w x h pixels: w x TwipsPerPixelX + 150 by
    // h x TwipsPerPixelY + 360 twips, width first.
    void fitOuterSizeTo(int w, int h);
    // The largest client area the window may take; none by default.
    void setClientLimit(QSize pixels) { clientLimit_ = pixels; }

    // The window's own picture, drawn unscaled at the top left of its client
    // area on the background colour.
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

    std::function<void(int keyAscii)> onKeyPress;
    std::function<void()> onClose;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int clientPixels(double twips, double twipsPerPixel, int frame, int limit) const;

    const Screen& screen_;
    QImage picture_;
    QSize clientLimit_;
};

} // namespace platform
