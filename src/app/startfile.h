#pragma once

class QString;
struct MainForm;

namespace app {

// Imports the picture named on the command line as "Import Tileset" imports a
// chosen file: the same size check and message. Unlike the dialog, where the
// user has just seen the file, a missing, unreadable or unknown file is named in
// a message, and the program goes on without a tileset.
void importAtStart(MainForm& f, const QString& path);

} // namespace app
