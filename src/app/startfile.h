#pragma once

#include "state/appstate.h"

class QString;

namespace platform {
class Dialogs;
}

namespace app {

// Imports the picture named on the command line as "Import Tileset" imports a
// chosen file: the same size check and message. Unlike the dialog, where the
// user has just seen the file, a missing, unreadable or unknown file is named in
// a message, and the program goes on without a tileset. Returns whether the
// picture became the tileset; the caller then fits the view to it.
bool importAtStart(AppState& s, platform::Dialogs& dialogs, const QString& path);

} // namespace app
