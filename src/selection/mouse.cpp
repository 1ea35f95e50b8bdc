#include "mouse.h"

#include "view/redraw.h"

#include "app/mainform.h"
#include "platform/button.h"
#include "platform/checkbox.h"
#include "platform/label.h"
#include "platform/numtext.h"
#include "platform/optionbutton.h"
#include "platform/picturebox.h"

#include <cmath>

namespace selection {

namespace {

// A fixed size below 1 places nothing that can be drawn or captured.
bool fixedSizeUsable(const AppState& s) {
    return s.tileWidth >= 1 && s.tileHeight >= 1;
}

long long wholeQuotient(double a, double b) {
    return std::llround(a) / std::llround(b); // cut toward zero
}

void placeFixed(MainForm& f, double x, double y) {
    AppState& s = f.state;
    if (f.c_snap->value() == 1 && fixedSizeUsable(s)) {
        s.selLeft = double(wholeQuotient(x, s.tileWidth)) * s.tileWidth - s.tileWidth;
        s.selTop = double(wholeQuotient(y, s.tileHeight)) * s.tileHeight - s.tileHeight;
    } else {
        s.selLeft = x - s.tileWidth;
        s.selTop = y - s.tileHeight;
    }
    s.selRight = s.selLeft + s.tileWidth;
    s.selBottom = s.selTop + s.tileHeight;
}

void drawOutline(MainForm& f) {
    const AppState& s = f.state;
    // A redraw while the button is held (the wheel over a scroll bar, a paste by key)
    // switches persistent drawing back on; the outline still belongs to the screen only.
    f.pics->setAutoRedraw(false);
    f.pics->lineBox(int(s.selLeft - 1), int(s.selTop - 1), int(s.selRight + 1),
                    int(s.selBottom + 1));
}

} // namespace

void viewPressed(MainForm& f, int button, double x, double y) {
    if (button != platform::LeftButton)
        return;
    AppState& s = f.state;
    view::redrawView(f);
    f.pics->setAutoRedraw(false);
    if (f.o_adjust->value()) {
        s.selLeft = x;
        s.selTop = y;
        return;
    }
    placeFixed(f, x, y);
    if (!fixedSizeUsable(s))
        return;
    if (s.selLeft >= 0 && s.selTop >= 0 && s.selRight <= s.viewMaxWidth &&
        s.selBottom <= s.viewMaxHeight)
        drawOutline(f);
}

void viewDragged(MainForm& f, int button, double x, double y) {
    if (button != platform::LeftButton)
        return;
    AppState& s = f.state;
    f.pics->refresh();
    const bool adjustable = f.o_adjust->value();
    if (adjustable) {
        s.selRight = x;
        s.selBottom = y;
    } else {
        placeFixed(f, x, y);
    }
    const bool inBounds = s.selLeft >= 0 && s.selTop >= 0 && x <= s.viewMaxWidth &&
                          y <= s.viewMaxHeight && x > s.selLeft && y > s.selTop;
    if (inBounds && (adjustable || fixedSizeUsable(s))) {
        drawOutline(f);
        f.Label8->setCaption(QStringLiteral("Width:") + platform::str(s.selRight - s.selLeft) +
                             QStringLiteral("   Height:") + platform::str(s.selBottom - s.selTop));
    } else {
        f.Label8->setCaption(QString());
    }
}

void chooseColor(MainForm& f) {
    try {
        f.cmdb.showColor();
        f.Command4->setBackColor(f.cmdb.color);
        f.pics->setForeColor(f.cmdb.color);
    } catch (const std::exception&) {
    }
}

} // namespace selection
