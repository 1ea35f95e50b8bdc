#pragma once

#include "state/appstate.h"

namespace platform {
class PictureBox;
class ScrollBar;
} // namespace platform

namespace view {

// The view and the scroll bars that move it over the tileset.
struct ViewControls {
    platform::PictureBox& tilesetView;
    platform::ScrollBar& hScroll;
    platform::ScrollBar& vScroll;
};

// Paints the tileset from the scroll offsets into the view's image, one to one.
// Never fails: without a tileset it draws nothing.
void redrawView(const AppState& s, const ViewControls& c);

} // namespace view
