#include "frame.h"

namespace platform {

Frame::Frame(QWidget* parent, const QString& caption)
    : QGroupBox(caption, parent) {
    setAccessibleName(caption.isEmpty() ? QStringLiteral("Group") : caption);
    setFlat(false);
}

} // namespace platform
