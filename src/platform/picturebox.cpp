#include "picturebox.h"

#include "errors.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

int vbShift(Qt::KeyboardModifiers modifiers) {
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

int vbButtons(Qt::MouseButtons buttons) {
    int result = 0;
    if (buttons & Qt::LeftButton)
        result |= LeftButton;
    if (buttons & Qt::RightButton)
        result |= RightButton;
    if (buttons & Qt::MiddleButton)
        result |= MiddleButton;
    return result;
}

QString singleLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().front();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

void drawBox(QPainter& painter, const QRect& r, QRgb rgb) {
    const QColor color = QColor::fromRgb(rgb);
    painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
}

} // namespace

void copyPixels(QImage& target, const QImage& source, int dx, int dy, int w, int h, int sx, int sy,
                QRgb fill) {
    const QRect dest = QRect(dx, dy, w, h).intersected(target.rect());
    if (dest.isEmpty())
        return;
    const QImage& src = source.format() == QImage::Format_RGB32 || source.isNull()
                            ? source
                            : source.convertToFormat(QImage::Format_RGB32);
    const int shiftX = sx - dx; // source column = target column + shiftX
    const int shiftY = sy - dy;
    // The columns of dest that have a source column.
    const int firstCol = std::clamp(-shiftX, dest.left(), dest.right() + 1);
    const int endCol = std::clamp(src.width() - shiftX, firstCol, dest.right() + 1);
    for (int y = dest.top(); y <= dest.bottom(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(target.scanLine(y));
        const int srcY = y + shiftY;
        if (srcY < 0 || srcY >= src.height() || firstCol >= endCol) {
            std::fill(row + dest.left(), row + dest.right() + 1, fill);
            continue;
        }
        const auto* srcRow = reinterpret_cast<const QRgb*>(src.constScanLine(srcY));
        std::fill(row + dest.left(), row + firstCol, fill);
        std::memcpy(row + firstCol, srcRow + firstCol + shiftX,
                    std::size_t(endCol - firstCol) * sizeof(QRgb));
        std::fill(row + endCol, row + dest.right() + 1, fill);
    }
}

PictureBox::PictureBox(QWidget* parent, int width, int height)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(width, height);
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(backColor_);
}

void PictureBox::addBorder() {
    if (border_ || !parentWidget())
        return;
    auto* frame = new QFrame(parentWidget());
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    border_ = frame;
    placeBorder();
    border_->stackUnder(this);
    border_->show();
}

void PictureBox::placeBorder() {
    if (border_)
        border_->setGeometry(geometry().adjusted(-1, -1, 1, 1));
}

void PictureBox::moveEvent(QMoveEvent*) {
    placeBorder();
}

void PictureBox::resizeEvent(QResizeEvent*) {
    placeBorder();
}

void PictureBox::setWidth(int width) {
    resizeImage(width, image_.height());
}

void PictureBox::setHeight(int height) {
    resizeImage(image_.width(), height);
}

void PictureBox::resizeImage(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == image_.width() && height == image_.height())
        return;
    QImage resized(width, height, QImage::Format_RGB32);
    resized.fill(backColor_);
    copyPixels(resized, image_, 0, 0, image_.width(), image_.height(), 0, 0, backColor_);
    image_ = resized;
    resize(width, height);
    update();
}

void PictureBox::cls() {
    image_.fill(backColor_);
    dropTransient();
}

void PictureBox::refresh() {
    dropTransient();
}

void PictureBox::dropTransient() {
    boxes_.clear();
    update();
}

void PictureBox::paintPicture(const QImage& source, int dx, int dy, int w, int h, int sx, int sy) {
    copyPixels(image_, source, dx, dy, w, h, sx, sy, backColor_);
    dropTransient();
}

void PictureBox::lineBox(int x1, int y1, int x2, int y2) {
    const QRect box = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                            QPoint(std::max(x1, x2), std::max(y1, y2)));
    if (autoRedraw_) {
        {
            QPainter painter(&image_);
            drawBox(painter, box, foreColor_);
        }
        dropTransient();
        return;
    }
    boxes_.push_back({box, foreColor_});
    update();
}

void PictureBox::drawTransient(QPainter& painter) const {
    for (const TransientBox& box : boxes_)
        drawBox(painter, box.rect, box.color);
}

QImage PictureBox::screenImage() const {
    QImage screen = image_.copy();
    QPainter painter(&screen);
    drawTransient(painter);
    return screen;
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(0, 0, image_);
    drawTransient(painter);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const int button = vbButtons(event->button());
    const QPointF pos = event->position();
    guarded([&] {
        if (onMouseDown && button)
            onMouseDown(button, vbShift(event->modifiers()), std::floor(pos.x()),
                        std::floor(pos.y()));
    });
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->position();
    guarded([&] {
        if (onMouseMove)
            onMouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()),
                        std::floor(pos.x()), std::floor(pos.y()));
    });
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const int button = vbButtons(event->button());
    const QPointF pos = event->position();
    guarded([&] {
        if (onMouseUp && button)
            onMouseUp(button, vbShift(event->modifiers()), std::floor(pos.x()),
                      std::floor(pos.y()));
    });
}

void PictureBox::dragEnterEvent(QDragEnterEvent* event) {
    if (onDropFile && !singleLocalFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void PictureBox::dropEvent(QDropEvent* event) {
    const QString path = singleLocalFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    guarded([&] {
        if (onDropFile)
            onDropFile(path);
    });
}

} // namespace platform
