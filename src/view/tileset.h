#pragma once

#include "state/appstate.h"

#include <QSize>
#include <QString>

namespace platform {
class Clipboard;
class CommonDialog;
class Dialogs;
} // namespace platform

namespace view {

// The smallest tileset taken, in pixels, in each direction.
inline constexpr int kMinimumTilesetSize = 16;
bool tooSmallForTileset(QSize picture);

// Each returns whether it made a new tileset; the caller then fits the view to
// it. A picture that is too small is refused with its message and leaves the
// tileset as it was. Every failure passes to the caller: a read that fails, a
// cancelled dialog. The picture is read off the window's thread, which keeps
// painting meanwhile; when that takes long, a progress box offers to cancel it,
// and a cancel leaves the tileset as it was, without a word.

// "Import Tileset": a picture file chosen in the open dialog.
bool importTileset(AppState& s, platform::CommonDialog& fileDialog, platform::Dialogs& dialogs);
// A picture file, taken as the import takes a chosen file.
bool importFile(AppState& s, platform::Dialogs& dialogs, const QString& path);
// "Paste from Clipboard".
bool pasteTileset(AppState& s, platform::Clipboard& clipboard, platform::Dialogs& dialogs);

// The open dialog's filter: the bitmaps first, then every other picture Qt reads here.
QString importFilter();

} // namespace view
