// Prints where each control of the main window sits, in pixels of the window's
// client area, as shell assignments: PLACE_<name>="left top width height". The
// end-to-end script reads them instead of keeping its own copy of the layout.
#include "app/window/layout.h"

#include <cstdio>

int main() {
    for (const layout::Control& control : layout::mainWindow()) {
        const QRect r = layout::windowPixels(control);
        std::printf("PLACE_%s=\"%d %d %d %d\"\n", control.name, r.x(), r.y(), r.width(),
                    r.height());
    }
    return 0;
}
