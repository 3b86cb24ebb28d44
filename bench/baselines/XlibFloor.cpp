// The floor of the platform: the least an X11 program does to put a 286 x 29 window with one
// line of text on the screen and keep it there. No toolkit, no fonts beyond the server's.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

int main() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "xlib-floor: cannot open the display\n");
        return 1;
    }
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 286, 29, 0,
                            BlackPixel(display, screen), WhitePixel(display, screen));
    XStoreName(display, window, "FormMain");

    // Ask the window manager for what Pelwick asks: no frame, above the others.
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom above = XInternAtom(display, "_NET_WM_STATE_ABOVE", False);
    XChangeProperty(display, window, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&above), 1);

    struct {
        unsigned long flags, functions, decorations;
        long inputMode;
        unsigned long status;
    } motif{2, 0, 0, 0, 0}; // MWM_HINTS_DECORATIONS: none
    const Atom motifHints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    XChangeProperty(display, window, motifHints, motifHints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&motif), 5);

    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, const_cast<Atom*>(&deleteWindow), 1);
    XSelectInput(display, window, ExposureMask);
    XMapWindow(display, window);

    const GC gc = DefaultGC(display, screen);
    const char text[] = "    600      195,00 EUR";
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == Expose && event.xexpose.count == 0) {
            XDrawString(display, window, gc, 0, 20, text, static_cast<int>(std::strlen(text)));
        } else if (event.type == ClientMessage &&
                   static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
            break;
        }
    }
    XCloseDisplay(display);
    return 0;
}
