// A window that records what is typed into it: every key press is turned
// into Latin-1 bytes (XLookupString) and appended to a file at once; with a
// third file, the keysyms of each pressed key's first two levels too.
//
//   pv_key_window TITLE OUTPUT-FILE [KEYSYM-FILE]
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) return 2;
    std::FILE* keysyms = argc == 4 ? std::fopen(argv[3], "ab") : nullptr;
    std::FILE* out = std::fopen(argv[2], "ab");
    Display* dpy = XOpenDisplay(nullptr);
    if (!out || !dpy) return 1; // the test sees no window and says so
    const int screen = DefaultScreen(dpy);
    Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 40, 40, 320, 120, 1,
                                   BlackPixel(dpy, screen), WhitePixel(dpy, screen));
    XStoreName(dpy, w, argv[1]);
    const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    XChangeProperty(dpy, w, netName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(argv[1]), int(std::strlen(argv[1])));
    XWMHints hints{};
    hints.flags = InputHint | StateHint;
    hints.input = True;
    hints.initial_state = NormalState;
    XSetWMHints(dpy, w, &hints);
    Atom deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, w, &deleteWindow, 1);
    XSelectInput(dpy, w, KeyPressMask | StructureNotifyMask | FocusChangeMask);
    XMapRaised(dpy, w);
    XFlush(dpy);

    for (;;) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == MappingNotify) {
            XRefreshKeyboardMapping(&ev.xmapping);
        } else if (ev.type == KeyPress) {
            char buf[16];
            KeySym ks;
            const int n = XLookupString(&ev.xkey, buf, sizeof buf, &ks, nullptr);
            if (n > 0) {
                std::fwrite(buf, 1, size_t(n), out);
                std::fflush(out);
            }
            if (keysyms) {
                std::fprintf(keysyms, "%lx %lx\n", XLookupKeysym(&ev.xkey, 0),
                             XLookupKeysym(&ev.xkey, 1));
                std::fflush(keysyms);
            }
        } else if (ev.type == ClientMessage && Atom(ev.xclient.data.l[0]) == deleteWindow) {
            break;
        }
    }
    std::fclose(out);
    XCloseDisplay(dpy);
    return 0;
}
