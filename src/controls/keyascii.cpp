#include "keyascii.h"

#include <QKeyEvent>

namespace platform {

int keyAscii(const QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
        return 0;
    default:
        break;
    }
    const QString text = event->text();
    if (text.isEmpty() || event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        return 0;
    const char16_t code = text.front().unicode();
    return code >= 32 && code != 127 ? code : 0;
}

} // namespace platform
