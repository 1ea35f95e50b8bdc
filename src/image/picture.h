#pragma once

#include "system/errors.h"
#include "system/wholefile.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace platform {

// The background colour of the view and of every window (&H00E0E0E0).
inline constexpr QRgb kBackColor = 0xFFE0E0E0;

// A picture as the program holds it: its pixels exactly as they came, colour and
// alpha straight (not premultiplied, so a pixel of alpha 1 keeps its colour), its
// size its exact pixel count. A picture with transparency also keeps itself laid
// over the background colour, which is what the view shows and copies row by row;
// that copy is filled in tile by tile as parts of it are first asked for, so an
// import does not wait for the parts nobody looks at. Used on one thread only.
class Picture {
public:
    explicit Picture(QImage image);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    QSize size() const { return image_.size(); }
    bool isEmpty() const { return image_.isNull(); }
    bool hasAlpha() const { return !shown_.isNull(); }
    // Straight ARGB32 when any pixel is less than opaque, RGB32 otherwise.
    const QImage& image() const { return image_; }
    // RGB32: the picture over the background colour; the very same pixels as
    // image() when the picture is opaque. The first asks for all of it.
    const QImage& shown() const;
    // The same, of which at least `region` is filled in; the rest may not be yet.
    const QImage& shown(const QRect& region) const;

    // The image in the form a picture holds it: RGB32 when every pixel is opaque
    // (without a copy when it was ARGB32), straight ARGB32 otherwise.
    static QImage held(QImage image);
    // Transparent pixels are laid over the background colour, so that what is
    // shown is exactly what a capture and a saved bitmap hold.
    static QImage toOpaque(const QImage& image);

private:
    static constexpr int kTile = 64;

    QImage image_;
    QImage shown_;
    // Which kTile x kTile tiles of shown_ are filled in. They are written through
    // the shared pixels on purpose: a view's window onto shown_ sees them at once.
    mutable std::vector<bool> tilesDone_;
    int tilesAcross_ = 0;
};

using PicturePtr = std::shared_ptr<const Picture>;

// The largest picture the program takes, in pixels: a 16384 x 16384 tileset,
// 1 GiB at the four bytes a pixel the program holds.
inline constexpr qint64 kMaxPicturePixels = qint64(16384) * 16384;

// A picture too large for the program to hold: more than kMaxPicturePixels.
class PictureTooLarge : public PlatformError {
public:
    PictureTooLarge()
        : PlatformError(QStringLiteral("Picture too large")) {}
};

// Sets that limit for every picture reader of the process. Called once at
// start-up, so that whether a picture is accepted never depends on what was
// read before it. Also keeps the decoders' own warnings (libpng's) off standard
// error: a failed read is reported by the one who asked for it.
void initPictureLimits();

// Throws PictureTooLarge for a picture of this size.
void checkPictureSize(qint64 width, qint64 height);

// Whether any pixel of a straight or premultiplied ARGB32 image is less than opaque.
bool hasTransparency(const QImage& image);

// Lays n straight ARGB32 pixels over the background colour, into RGB32 pixels,
// with exactly the arithmetic of Qt's raster painter (premultiply, then source
// over), so that the view shows what it always showed.
void flattenPixels(const QRgb* from, QRgb* to, int n);

// A regular file that cannot be opened for reading.
class UnreadableFile : public PlatformError {
public:
    UnreadableFile(const QString& path, const QString& reason);
    // The system's reason, for the user.
    const QString& reason() const { return reason_; }

private:
    QString reason_;
};

// Opens the file for reading only when it is a regular file, and never blocks:
// opening a FIFO waits for a writer, and reading a device or a kernel file
// such as /proc/kmsg waits for data. Such files report a size of zero, as an
// empty file does, and none of them can hold a picture: they throw
// PlatformError; a regular file that will not open throws UnreadableFile.
void openRegularFile(const QString& path, QFile& file);

// Reads any picture Qt can read, whatever the file's extension; throws when the
// file is missing, unreadable, not a regular file (a FIFO or a device would
// block the read), truncated or too large for memory.
PicturePtr loadPicture(const QString& path);

// The formats loadPicture reads, as lower-case file extensions: Qt's readers
// and those read here.
QList<QByteArray> readableFormats();

// Reads a picture from bytes in memory, with the same checks as a file.
PicturePtr loadPictureData(const QByteArray& bytes);

// Writes a 24-bit Windows bitmap, transparent pixels laid over the background
// colour and every opaque colour unchanged, all or nothing: a failed write leaves
// an earlier file of that name as it was.
void savePicture(const QImage& image, const QString& path);

// Many tiles of one picture as 24-bit Windows bitmaps, byte for byte as
// savePicture writes each of them, without an encoder for each file.
class BitmapCutter {
public:
    // Transparent pixels are laid over the background colour once, for the whole sheet.
    explicit BitmapCutter(const QImage& sheet);
    QByteArray encode(const QRect& tile);

private:
    QImage sheet_; // keeps the pixels that opaque_ may read in place
    QImage opaque_;
    QSize headerSize_;
    QByteArray header_;
};

// Reads a picture as a tile sheet: exactly the pixels loadPicture holds, in
// 32-bit ARGB that is not premultiplied, a fully transparent pixel keeping the
// colour the file gives it. Throws as loadPicture does.
QImage loadImageWithAlpha(const QString& path);

// The extensions of the formats "Save as..." writes, lower case: bmp and png
// first, then every other format Qt can write here.
QStringList writableExtensions();

// The save dialog's filter: "Windows bitmaps (*.bmp)" first, then PNG and the
// other writable formats, one entry each.
QString saveAsFilter();

// A name whose extension names a format that cannot be written.
class UnwritableFormatError : public PlatformError {
public:
    explicit UnwritableFormatError(const QString& ext);
    // For the user: the refused extension and the ones that can be written.
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Writes the format the name's extension names (a name without one is a bitmap):
// .bmp exactly as savePicture; PNG, WebP (lossless), TIFF and icons with their
// alpha; formats without alpha over the background colour. All or nothing, as
// savePicture; an extension outside writableExtensions() throws
// UnwritableFormatError before anything is written.
void savePictureAs(const QImage& image, const QString& path);

} // namespace platform
