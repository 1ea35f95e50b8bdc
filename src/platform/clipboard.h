#pragma once

#include <QImage>

namespace platform {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    // The bitmap on the clipboard; a null image when it holds none. Throws when
    // the clipboard cannot be read.
    virtual QImage image() = 0;
    virtual void clear() = 0;
    virtual void setImage(const QImage& image) = 0;
};

class SystemClipboard : public Clipboard {
public:
    QImage image() override;
    void clear() override;
    void setImage(const QImage& image) override;
};

} // namespace platform
