#include "redraw.h"

#include "controls/picturebox.h"
#include "controls/scrollbar.h"

namespace view {

void redrawView(const AppState& s, const ViewControls& c) {
    c.tilesetView.setAutoRedraw(true);
    if (!s.sourcePicture)
        return;
    c.tilesetView.paintPicture(*s.sourcePicture, 0, 0, c.tilesetView.width(),
                               c.tilesetView.height(), c.hScroll.value(), c.vScroll.value());
}

} // namespace view
