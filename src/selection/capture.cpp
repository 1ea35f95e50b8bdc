#include "capture.h"

#include "rules.h"

#include "controls/form.h"
#include "controls/picturebox.h"

namespace selection {

void captureSelection(const AppState& s, const CaptureControls& c) {
    if (!capturable(s))
        return;
    const int w = int(s.selRight - s.selLeft);
    const int h = int(s.selBottom - s.selTop);
    c.selectionWindow.fitOuterSizeTo(w, h);
    c.selectionPicture.setWidth(w);
    c.selectionPicture.setHeight(h);
    c.selectionPicture.cls();
    // Past the view's image the capture holds the background colour, as the
    // screen shows there.
    c.selectionPicture.paintPicture(c.tilesetView.image(), 0, 0, w, h, int(s.selLeft),
                                    int(s.selTop));
}

} // namespace selection
