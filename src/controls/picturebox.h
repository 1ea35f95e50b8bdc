#pragma once

#include "image/picture.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

namespace platform {

// Mouse buttons and shift keys numbered as the handlers expect them.
enum MouseButton { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

// A picture box with two layers. What is drawn while AutoRedraw is on goes into
// the image the box keeps (Image); what is drawn while it is off is shown over
// that image until the next Refresh, Cls or persistent drawing, and is never
// part of Image. Image keeps the alpha of the pictures drawn into it; the box
// shows it over its background colour.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(QWidget* parent, int width, int height);

    // A one-pixel frame drawn around the box, outside its area.
    void addBorder();
    void setWidth(int width);
    void setHeight(int height);

    void setAutoRedraw(bool on) { autoRedraw_ = on; }
    QRgb foreColor() const { return foreColor_; }
    void setForeColor(QRgb color) { foreColor_ = color; }

    void cls();
    void refresh();

    // Copies the source rectangle (sx, sy, w, h) one to one to (dx, dy) of the
    // image, colour and alpha as they are; where it reaches past the source, the
    // background colour is drawn instead. Always persistent: nothing paints
    // pictures on the screen only.
    void paintPicture(const QImage& source, int dx, int dy, int w, int h, int sx, int sy);
    // The same from a held picture. When the rectangle fills the whole box from
    // inside the picture, the box's image becomes a window onto the picture's own
    // pixels: nothing is copied, and the picture stays alive while it is shown.
    void paintPicture(const Picture& source, int dx, int dy, int w, int h, int sx, int sy);

    // The outline of the box with these corners, both corner pixels included,
    // one pixel wide, in the drawing colour.
    void lineBox(int x1, int y1, int x2, int y2);

    // The persistent picture, colour and alpha straight: ARGB32 where something
    // less than opaque was drawn into it, RGB32 otherwise.
    const QImage& image() const { return image_; }
    // The persistent picture over the background colour, RGB32.
    const QImage& shownImage() const { return alpha_ ? shown_ : image_; }

    std::function<void(int button, int shift, double x, double y)> onMouseDown;
    std::function<void(int button, int shift, double x, double y)> onMouseMove;
    std::function<void(int button, int shift, double x, double y)> onMouseUp;
    // One local file dropped on the box.
    std::function<void(const QString& path)> onDropFile;

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct TransientBox {
        QRect rect;
        QRgb color;
    };

    void resizeImage(int width, int height);
    // Makes both layers the box's own pixels, able to hold alpha when `alpha`.
    void ownImages(bool alpha);
    void drawTransient(QPainter& painter) const;
    void dropTransient();

    void placeBorder();

    QWidget* border_ = nullptr;
    QImage image_; // may be a window onto a held picture's pixels
    QImage shown_; // image_ over the background colour, only while alpha_
    bool alpha_ = false;
    std::vector<TransientBox> boxes_;
    bool autoRedraw_ = true;
    QRgb foreColor_ = 0xFF000000;
    QRgb backColor_ = kBackColor;
};

} // namespace platform
