#pragma once

class QString;
struct MainForm;

namespace view {

// "Import Tileset": a picture file chosen in the open dialog.
void importTileset(MainForm& f);
// A picture file dropped on the view, taken as the import takes a chosen file.
void importDroppedFile(MainForm& f, const QString& path);
// Everything "Import Tileset" does after its dialog, for the file at `path`; every
// failure passes to the caller.
void importFile(MainForm& f, const QString& path);
// "Paste from Clipboard".
void pasteTileset(MainForm& f);

// The open dialog's filter: the bitmaps first, then every other picture Qt reads here.
QString importFilter();

} // namespace view
