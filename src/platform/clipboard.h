#pragma once

#include <QImage>

namespace platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The picture on the clipboard, with its alpha when it was offered as PNG; a
    // null image when it holds none. Throws when the clipboard cannot be read.
    virtual QImage image() = 0;
    virtual void clear() = 0;
    // Offers the picture with its alpha (image/png) and, over the background
    // colour, as a bitmap.
    virtual void setImage(const QImage& image) = 0;
};

class SystemClipboard : public Clipboard {
public:
    QImage image() override;
    void clear() override;
    void setImage(const QImage& image) override;
};

} // namespace platform
