#pragma once

struct MainForm;

namespace view {

// Sizes the view and the scroll bars to the tileset, sets the selection limits,
// resets the Selection view and shows the tileset from its top-left corner.
void fitViewToImage(MainForm& f);

// The scroll bars' Change and Scroll.
void scrolled(MainForm& f);

} // namespace view
