#include "mouse.h"

#include "rules.h"

#include "controls/button.h"
#include "controls/checkbox.h"
#include "controls/commondialog.h"
#include "controls/label.h"
#include "controls/optionbutton.h"
#include "controls/picturebox.h"

namespace selection {

namespace {

void placeFixed(AppState& s, const MouseControls& c, double x, double y) {
    const Edges e = selection::placeFixed(x, y, s.tileWidth, s.tileHeight, c.c_snap.value() == 1);
    s.selLeft = e.left;
    s.selTop = e.top;
    s.selRight = e.right;
    s.selBottom = e.bottom;
}

void drawOutline(const AppState& s, platform::PictureBox& pics) {
    // A redraw while the button is held (the wheel over a scroll bar, a paste by key)
    // switches persistent drawing back on; the outline still belongs to the screen only.
    pics.setAutoRedraw(false);
    pics.lineBox(int(s.selLeft - 1), int(s.selTop - 1), int(s.selRight + 1), int(s.selBottom + 1));
}

} // namespace

void placeOnPress(AppState& s, const MouseControls& c, double x, double y) {
    c.pics.setAutoRedraw(false);
    if (c.o_adjust.value()) {
        s.selLeft = x;
        s.selTop = y;
        return;
    }
    placeFixed(s, c, x, y);
    if (fixedSizeUsable(s.tileWidth, s.tileHeight) && outlineShownOnPress(s))
        drawOutline(s, c.pics);
}

void dragTo(AppState& s, const MouseControls& c, double x, double y) {
    c.pics.refresh();
    const bool adjustable = c.o_adjust.value();
    if (adjustable) {
        s.selRight = x;
        s.selBottom = y;
    } else {
        placeFixed(s, c, x, y);
    }
    if (inDragBounds(s, x, y) && (adjustable || fixedSizeUsable(s.tileWidth, s.tileHeight))) {
        drawOutline(s, c.pics);
        c.Label8.setCaption(dragSizeCaption(s.selRight - s.selLeft, s.selBottom - s.selTop));
    } else {
        c.Label8.setCaption(QString());
    }
}

void chooseColor(platform::CommonDialog& cmdb, platform::Button& Command4,
                 platform::PictureBox& pics) {
    cmdb.showColor();
    Command4.setBackColor(cmdb.color);
    pics.setForeColor(cmdb.color);
}

} // namespace selection
