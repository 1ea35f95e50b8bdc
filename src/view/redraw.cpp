#include "redraw.h"

#include "controls/picturebox.h"
#include "controls/scrollbar.h"

namespace view {

void redrawView(const AppState& s, const ViewControls& c) {
    c.pics.setAutoRedraw(true);
    if (!s.sourcePicture)
        return;
    c.pics.paintPicture(*s.sourcePicture, 0, 0, c.pics.width(), c.pics.height(), c.HScroll1.value(),
                        c.VScroll1.value());
}

} // namespace view
