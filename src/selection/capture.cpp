#include "capture.h"

#include "app/mainform.h"
#include "platform/form.h"
#include "platform/picturebox.h"
#include "platform/screen.h"

namespace selection {

void viewReleased(MainForm& f, int button) {
    if (button != platform::LeftButton)
        return;
    const AppState& s = f.state;
    if (!(s.selLeft >= 0 && s.selTop >= 0 && s.selRight <= s.viewMaxWidth &&
          s.selBottom <= s.viewMaxHeight && s.selRight > s.selLeft && s.selBottom > s.selTop))
        return;
    const int w = int(s.selRight - s.selLeft);
    const int h = int(s.selBottom - s.selTop);
    f.frm_pict->setOuterWidth(w * f.svc.screen.twipsPerPixelX() + 150);
    f.frm_pict->setOuterHeight(h * f.svc.screen.twipsPerPixelY() + 360);
    f.pict->setWidth(w);
    f.pict->setHeight(h);
    f.pict->cls();
    // Past the view's image the capture holds the background colour, as the
    // screen shows there.
    f.pict->paintPicture(f.pics->image(), 0, 0, w, h, int(s.selLeft), int(s.selTop));
}

} // namespace selection
