#include "redraw.h"

#include "app/mainform.h"
#include "platform/picturebox.h"
#include "platform/scrollbar.h"

namespace view {

void redrawView(MainForm& f) {
    f.pics->setAutoRedraw(true);
    if (!f.state.sourcePicture)
        return;
    f.pics->paintPicture(*f.state.sourcePicture, 0, 0, f.pics->width(), f.pics->height(),
                         f.HScroll1->value(), f.VScroll1->value());
}

} // namespace view
