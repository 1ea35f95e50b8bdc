#include "label.h"

namespace platform {

Label::Label(QWidget* parent, const QString& caption, bool autoSize)
    : QLabel(caption, parent)
    , autoSize_(autoSize) {
    setAccessibleName(caption);
    if (autoSize_)
        adjustSize();
}

void Label::setCaption(const QString& caption) {
    setText(caption);
    if (autoSize_)
        adjustSize();
}

} // namespace platform
