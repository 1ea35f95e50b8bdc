#pragma once

#include <QImage>
#include <QStringList>

#include <functional>

class QMimeData;

namespace platform {

// Reads a picture out of clipboard contents already taken: the picture, with its
// alpha when it was offered as PNG, or a null image when there is none. It may
// take long on a large picture and may run on any thread. Throws as a picture
// file's reading does, PictureTooLarge for a picture too large to hold.
using PictureReading = std::function<QImage()>;

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Takes what the clipboard holds now, on the thread the clipboard belongs
    // to, and returns how to read the picture out of it. Throws when the
    // clipboard cannot be read.
    virtual PictureReading takePicture() = 0;
    virtual void clear() = 0;
    // Offers the picture with its alpha (image/png) and, over the background
    // colour, as a bitmap.
    virtual void setImage(const QImage& image) = 0;
};

class SystemClipboard : public Clipboard {
public:
    PictureReading takePicture() override;
    void clear() override;
    void setImage(const QImage& image) override;
};

// The one picture format a paste asks another program for, of those it lists:
// PNG, then BMP, then any other picture type Qt reads, then Qt's own image type.
// Empty when none is listed.
QString choosePictureFormat(const QStringList& formats);

// Longest wait for the list of formats after which a paste still asks for data;
// with the toolkit's 5 s a request, a paste then ends within 6 s.
inline constexpr qint64 kClipboardAnswerMs = 1000;

// Takes the picture from contents that another program holds. Every request can
// wait for that program (5 s each under X11), so this asks once for the list of
// formats and once for the data of one format; the reading it returns decodes
// the data itself with the same checks as a file. `elapsedMs` tells how long the
// taking has lasted.
PictureReading takeForeignPicture(const QMimeData& data, const std::function<qint64()>& elapsedMs);

} // namespace platform
