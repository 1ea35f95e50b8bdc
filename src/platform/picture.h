#pragma once

#include "errors.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

#include <memory>

namespace platform {

// The background colour of the view and of every window (&H00E0E0E0).
inline constexpr QRgb kBackColor = 0xFFE0E0E0;

// A picture as the program holds it: opaque, in the pixel format the view copies
// row by row without conversion, its size its exact pixel count.
class Picture {
public:
    explicit Picture(const QImage& image);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QSize size() const { return image_.size(); }
    bool isEmpty() const { return image_.isNull(); }
    const QImage& image() const { return image_; }

    // Transparent pixels are laid over the background colour, so that what is
    // shown is exactly what a capture and a saved file hold.
    static QImage toOpaque(const QImage& image);

private:
    QImage image_;
};

using PicturePtr = std::shared_ptr<const Picture>;

// A picture too large for the program to hold: its pixels would pass the limit
// every reader in the process keeps to.
class PictureTooLarge : public PlatformError {
public:
    PictureTooLarge()
        : PlatformError(QStringLiteral("Picture too large")) {}
};

// Sets that limit for every picture reader of the process. Called once at
// start-up, so that whether a picture is accepted never depends on what was
// read before it.
void initPictureLimits();

// Throws PictureTooLarge for a picture of this size.
void checkPictureSize(qint64 width, qint64 height);

// Reads any picture Qt can read, whatever the file's extension; throws when the
// file is missing, unreadable, not a regular file (a FIFO or a device would
// block the read), truncated or too large for memory.
PicturePtr loadPicture(const QString& path);

// The formats loadPicture reads, as lower-case file extensions: Qt's readers
// and those read here.
QList<QByteArray> readableFormats();

// Reads a picture from bytes in memory, with the same checks as a file.
PicturePtr loadPictureData(const QByteArray& bytes);

// Writes a 24-bit Windows bitmap with every colour unchanged, all or nothing: a
// failed write leaves an earlier file of that name as it was.
void savePicture(const QImage& image, const QString& path);

// Writes the bytes as the file's whole content, all or nothing, as above. A run
// of many files may leave the disk to write them in its own time: the file is
// still whole or absent, but not proof against a power cut.
void writeFileWhole(const QString& path, const QByteArray& bytes, bool waitForDisk = true);

// Many tiles of one picture as 24-bit Windows bitmaps, byte for byte as
// savePicture writes each of them, without an encoder for each file.
class BitmapCutter {
public:
    // Transparent pixels are laid over the background colour once, for the whole sheet.
    explicit BitmapCutter(const QImage& sheet);
    QByteArray encode(const QRect& tile);

private:
    QImage opaque_;
    QSize headerSize_;
    QByteArray header_;
};

// Reads a picture as a tile sheet: with its alpha channel, in 32-bit ARGB that is
// not premultiplied, every fully transparent pixel the same value 0. Throws as
// loadPicture does.
QImage loadImageWithAlpha(const QString& path);

// Writes a PNG with its alpha channel, all or nothing as savePicture.
void savePictureWithAlpha(const QImage& image, const QString& path);

} // namespace platform
