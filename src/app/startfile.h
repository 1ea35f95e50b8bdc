#pragma once

class QString;
class frm_ov_main;

namespace platform {
class Dialogs;
}

namespace app {

// Imports the picture named on the command line as "Import Tileset" imports a
// chosen file: the same size check and message. Unlike the dialog, where the
// user has just seen the file, a missing, unreadable or unknown file is named in
// a message, and the program goes on without a tileset. Returns whether the
// picture became the tileset, which the window then shows fitted and names as
// the sheet of a cut, as it does a tileset it imported itself.
bool importAtStart(frm_ov_main& window, platform::Dialogs& dialogs, const QString& path);

} // namespace app
