#pragma once

#include "dialogs.h"
#include "system/errors.h"

namespace platform {

// A failure path that ends the handler with one fixed message box.
template <typename Step> void endsWithMessage(Dialogs& dialogs, const QString& text, Step&& step) {
    endsWith([&] { dialogs.msgBox(text); }, step);
}

} // namespace platform
