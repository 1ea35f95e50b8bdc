// Owns the X clipboard and never sends its data, as a program that hangs while
// it owns the clipboard does: "silent" answers no request at all, "targets"
// lists a PNG picture and never sends it. Prints "owner" once it owns the
// clipboard and one line for every request it gets.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool answerTargets = argc > 1 && std::strcmp(argv[1], "targets") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    const Atom targets = XInternAtom(display, "TARGETS", False);
    const Atom png = XInternAtom(display, "image/png", False);
    XSetSelectionOwner(display, clipboard, window, CurrentTime);
    if (XGetSelectionOwner(display, clipboard) != window)
        return 3;
    std::printf("owner\n");
    std::fflush(stdout);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != SelectionRequest)
            continue;
        const XSelectionRequestEvent& request = event.xselectionrequest;
        char* name = XGetAtomName(display, request.target);
        std::printf("request %s\n", name ? name : "?");
        std::fflush(stdout);
        XFree(name);
        if (!answerTargets || request.target != targets)
            continue;
        const Atom offered[] = {targets, png};
        XChangeProperty(display, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(offered), 2);
        XSelectionEvent reply{};
        reply.type = SelectionNotify;
        reply.requestor = request.requestor;
        reply.selection = request.selection;
        reply.target = request.target;
        reply.property = request.property;
        reply.time = request.time;
        XSendEvent(display, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
        XFlush(display);
    }
}
