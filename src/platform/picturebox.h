#pragma once

#include "picture.h"

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
// part of Image.
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
    // image; where it reaches past the source, the background colour is drawn
    // instead. Always persistent: nothing paints pictures on the screen only.
    void paintPicture(const QImage& source, int dx, int dy, int w, int h, int sx, int sy);

    // The outline of the box with these corners, both corner pixels included,
    // one pixel wide, in the drawing colour.
    void lineBox(int x1, int y1, int x2, int y2);

    const QImage& image() const { return image_; }
    // What the screen shows: the image with the transient drawing over it.
    QImage screenImage() const;

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
    void drawTransient(QPainter& painter) const;
    void dropTransient();

    void placeBorder();

    QWidget* border_ = nullptr;
    QImage image_;
    std::vector<TransientBox> boxes_;
    bool autoRedraw_ = true;
    QRgb foreColor_ = 0xFF000000;
    QRgb backColor_ = kBackColor;
};

// Copies one to one between two 32-bit images, background colour past the source.
void copyPixels(QImage& target, const QImage& source, int dx, int dy, int w, int h, int sx, int sy,
                QRgb fill);

} // namespace platform
