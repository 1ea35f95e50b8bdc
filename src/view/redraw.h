#pragma once

struct MainForm;

namespace view {

// Paints the tileset from the scroll offsets into the view's image, one to one.
// Never fails: without a tileset it draws nothing.
void redrawView(MainForm& f);

} // namespace view
