#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
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
    bool isEmpty() const { return image_.isNull(); }
    const QImage& image() const { return image_; }

    // Transparent pixels are laid over the background colour, so that what is
    // shown is exactly what a capture and a saved file hold.
    static QImage toOpaque(const QImage& image);

private:
    QImage image_;
};

using PicturePtr = std::shared_ptr<const Picture>;

// Reads any picture Qt can read, whatever the file's extension; throws when the
// file is missing, unreadable, truncated or too large for memory.
PicturePtr loadPicture(const QString& path);

// The formats loadPicture reads, as lower-case file extensions: Qt's readers
// and those read here.
QList<QByteArray> readableFormats();

// Reads a picture from bytes in memory, with the same checks as a file.
PicturePtr loadPictureData(const QByteArray& bytes);

// Writes a 24-bit Windows bitmap with every colour unchanged, all or nothing: a
// failed write leaves an earlier file of that name as it was.
void savePicture(const QImage& image, const QString& path);

} // namespace platform
