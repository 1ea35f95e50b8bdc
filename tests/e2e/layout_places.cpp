// Prints where each control of the main window sits, in pixels of the window's
// client area, as shell assignments: PLACE_<name>="left top width height". The
// end-to-end script reads them instead of keeping its own copy of the layout.
#include "app/window/layout.h"

#include <cstdio>

namespace {

const layout::Control* find(const char* name) {
    for (const layout::Control& control : layout::mainWindow())
        if (qstrcmp(control.name, name) == 0)
            return &control;
    return nullptr;
}

// A control's place in pixels of the main window's client area: its own place
// moved by that of each frame around it.
QRect windowPixels(const layout::Control& control) {
    QRect place = layout::pixels(control);
    for (const layout::Control* c = control.container ? find(control.container) : nullptr; c;
         c = c->container ? find(c->container) : nullptr)
        place.translate(layout::pixels(*c).topLeft());
    return place;
}

} // namespace

int main() {
    for (const layout::Control& control : layout::mainWindow()) {
        const QRect r = windowPixels(control);
        std::printf("PLACE_%s=\"%d %d %d %d\"\n", control.name, r.x(), r.y(), r.width(),
                    r.height());
    }
    return 0;
}
