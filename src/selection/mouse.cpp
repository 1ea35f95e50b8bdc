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
    const Edges e = selection::placeFixed(x, y, s.tileWidth, s.tileHeight, c.snapBox.value() == 1);
    s.setSelection(e.left, e.top, e.right, e.bottom);
}

void drawOutline(const AppState& s, platform::PictureBox& tilesetView) {
    // A redraw while the button is held (the wheel over a scroll bar, a paste by key)
    // switches persistent drawing back on; the outline still belongs to the screen only.
    tilesetView.setAutoRedraw(false);
    tilesetView.lineBox(int(s.selLeft - 1), int(s.selTop - 1), int(s.selRight + 1),
                        int(s.selBottom + 1));
}

} // namespace

void placeOnPress(AppState& s, const MouseControls& c, double x, double y) {
    c.tilesetView.setAutoRedraw(false);
    if (c.adjustableOption.value()) {
        s.setSelection(x, y, s.selRight, s.selBottom);
        return;
    }
    placeFixed(s, c, x, y);
    if (fixedSizeUsable(s.tileWidth, s.tileHeight) && outlineShownOnPress(s))
        drawOutline(s, c.tilesetView);
}

void dragTo(AppState& s, const MouseControls& c, double x, double y) {
    c.tilesetView.refresh();
    const bool adjustable = c.adjustableOption.value();
    if (adjustable) {
        s.setSelection(s.selLeft, s.selTop, x, y);
    } else {
        placeFixed(s, c, x, y);
    }
    if (inDragBounds(s, x, y) && (adjustable || fixedSizeUsable(s.tileWidth, s.tileHeight))) {
        drawOutline(s, c.tilesetView);
        c.sizeReadout.setCaption(dragSizeCaption(s.selRight - s.selLeft, s.selBottom - s.selTop));
    } else {
        c.sizeReadout.setCaption(QString());
    }
}

void chooseColor(platform::CommonDialog& colorDialog, platform::Button& colourButton,
                 platform::PictureBox& tilesetView) {
    colorDialog.showColor();
    colourButton.setBackColor(colorDialog.color);
    tilesetView.setForeColor(colorDialog.color);
}

} // namespace selection
