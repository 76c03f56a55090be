#include "platform/x11/x11_desktop.h"

#include <cstdlib>

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include <X11/Xlib.h>

namespace pv::x11 {

namespace {

// A window that vanished between two calls must not end the program.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

Desktop::Desktop(_XDisplay* display, std::unique_ptr<X11Keyboard> keyboard)
    : dpy_(display), keyboard_(std::move(keyboard)),
      windows_(std::make_unique<X11Windows>(display)) {}

Desktop::~Desktop() {
    windows_.reset();
    keyboard_.reset();
    XCloseDisplay(dpy_);
}

std::unique_ptr<Desktop> Desktop::Open(const char* displayName, std::string& why) {
    XSetErrorHandler(IgnoreXErrors);
    Display* dpy = XOpenDisplay(displayName);
    if (!dpy) {
        const char* name = displayName ? displayName : std::getenv("DISPLAY");
        why = name && *name ? "the X display \"" + std::string(name) + "\" cannot be opened."
                            : "there is no X display (DISPLAY is not set).";
        why = "Keystrokes cannot be sent: " + why;
        return nullptr;
    }
    std::string error;
    auto keyboard = X11Keyboard::Create(dpy, error);
    if (!keyboard) {
        XCloseDisplay(dpy);
        why = "Keystrokes cannot be sent: " + error + ".";
        return nullptr;
    }
    return std::unique_ptr<Desktop>(new Desktop(dpy, std::move(keyboard)));
}

} // namespace pv::x11
