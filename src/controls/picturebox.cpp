#include "picturebox.h"

#include "system/errors.h"

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

// A read-only image over part of `source`'s pixels that keeps them alive while it
// exists. Drawing into it gives it a copy of its own first, as QImage does for
// every buffer it does not own.
QImage windowOnto(const QImage& source, int x, int y, int w, int h) {
    auto* keep = new QImage(source);
    const uchar* first = keep->constBits() + qsizetype(y) * keep->bytesPerLine() + qsizetype(x) * 4;
    return QImage(
        first, w, h, keep->bytesPerLine(), keep->format(),
        [](void* info) { delete static_cast<QImage*>(info); }, keep);
}

// Gives the image pixels of its own, for drawing.
void makeOwn(QImage& image) {
    if (!image.isNull())
        image.bits();
}

bool transparentIn(const QImage& argb, const QRect& region) {
    for (int y = region.top(); y <= region.bottom(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb all = 0xFF000000;
        for (int x = region.left(); x <= region.right(); ++x)
            all &= row[x];
        if (qAlpha(all) != 255)
            return true;
    }
    return false;
}

// The 32-bit pixels as they are, whatever the two formats say.
void copyRaw(QImage& target, const QImage& src, int dx, int dy, int w, int h, int sx, int sy,
             QRgb fill) {
    const QRect dest = QRect(dx, dy, w, h).intersected(target.rect());
    if (dest.isEmpty())
        return;
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

QImage as32Bit(const QImage& image) {
    if (image.isNull() || image.format() == QImage::Format_RGB32 ||
        image.format() == QImage::Format_ARGB32)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

} // namespace

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
    QImage resized(width, height, alpha_ ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    resized.fill(backColor_);
    copyRaw(resized, image_, 0, 0, image_.width(), image_.height(), 0, 0, backColor_);
    if (alpha_) {
        QImage shown(width, height, QImage::Format_RGB32);
        shown.fill(backColor_);
        copyRaw(shown, shown_, 0, 0, shown_.width(), shown_.height(), 0, 0, backColor_);
        shown_ = shown;
    }
    image_ = resized;
    resize(width, height);
    update();
}

void PictureBox::ownImages(bool alpha) {
    if (alpha && !alpha_) {
        shown_ = image_;
        image_ = image_.convertToFormat(QImage::Format_ARGB32);
        alpha_ = true;
    }
    makeOwn(image_);
    if (alpha_)
        makeOwn(shown_);
}

void PictureBox::cls() {
    // A new image rather than a fill: the old one may be a window onto a picture.
    QImage cleared(image_.width(), image_.height(), QImage::Format_RGB32);
    cleared.fill(backColor_);
    image_ = cleared;
    shown_ = QImage();
    alpha_ = false;
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
    const QImage src = as32Bit(source);
    const QRect dest = QRect(dx, dy, w, h).intersected(image_.rect());
    const QRect from = dest.translated(sx - dx, sy - dy).intersected(src.rect());
    ownImages(src.format() == QImage::Format_ARGB32 && transparentIn(src, from));
    copyRaw(image_, src, dx, dy, w, h, sx, sy, backColor_);
    if (alpha_) {
        for (int y = dest.top(); y <= dest.bottom(); ++y)
            flattenPixels(reinterpret_cast<const QRgb*>(image_.constScanLine(y)) + dest.left(),
                          reinterpret_cast<QRgb*>(shown_.scanLine(y)) + dest.left(), dest.width());
    }
    dropTransient();
}

void PictureBox::paintPicture(const Picture& source, int dx, int dy, int w, int h, int sx, int sy) {
    const bool wholeBox = dx == 0 && dy == 0 && w == image_.width() && h == image_.height();
    if (wholeBox && !image_.isNull() &&
        QRect(0, 0, source.width(), source.height()).contains(QRect(sx, sy, w, h))) {
        image_ = windowOnto(source.image(), sx, sy, w, h);
        alpha_ = source.hasAlpha();
        shown_ = alpha_ ? windowOnto(source.shown(QRect(sx, sy, w, h)), sx, sy, w, h) : QImage();
        dropTransient();
        return;
    }
    paintPicture(source.image(), dx, dy, w, h, sx, sy);
}

void PictureBox::lineBox(int x1, int y1, int x2, int y2) {
    const QRect box = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                            QPoint(std::max(x1, x2), std::max(y1, y2)));
    if (autoRedraw_) {
        ownImages(alpha_);
        {
            QPainter painter(&image_);
            drawBox(painter, box, foreColor_);
        }
        if (alpha_) {
            QPainter painter(&shown_);
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

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(0, 0, shownImage());
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
