#pragma once

class QKeyEvent;

namespace platform {

// The character code a key press produces: 8 for Backspace, 27 for Esc, 13 for
// Enter, the typed character otherwise; 0 for keys that produce none (Delete,
// arrows, function keys).
int keyAscii(const QKeyEvent* event);

} // namespace platform
