#pragma once

#include <QString>

namespace platform {

// Moves a file into the desktop's trash laid out as freedesktop.org's trash
// rules have it, so that a file manager can list and restore it:
// the home trash ($XDG_DATA_HOME/Trash, made with mode 0700 when missing) for
// a file on the same file system, else the trash at the top of the file's own
// file system. False, with the file untouched, where no trash can take it. No
// folder is ever made in the file's own folder or in the working folder.
bool moveToTrash(const QString& path);

// The home trash folder, $XDG_DATA_HOME/Trash (~/.local/share/Trash by default).
QString homeTrashPath();

} // namespace platform
