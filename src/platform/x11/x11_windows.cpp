#include "platform/x11/x11_windows.h"

#include <chrono>
#include <thread>

#include "platform/x11/x11_launch.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace pv::x11 {

namespace {

// UTF-8 to Latin-1 bytes; characters beyond U+00FF become "?".
std::string Utf8ToLatin1(const unsigned char* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n;) {
        unsigned c = s[i];
        unsigned cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            out += '?';
            ++i;
            continue;
        }
        if (i + len > n) {
            out += '?';
            break;
        }
        for (size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (s[i + k] & 0x3F);
        out += cp <= 0xFF ? char(cp) : '?';
        i += len;
    }
    return out;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

X11Windows::X11Windows(_XDisplay* display) : dpy_(display), root_(DefaultRootWindow(display)) {
    clientListStacking_ = XInternAtom(dpy_, "_NET_CLIENT_LIST_STACKING", False);
    clientList_ = XInternAtom(dpy_, "_NET_CLIENT_LIST", False);
    activeWindow_ = XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False);
    wmName_ = XInternAtom(dpy_, "_NET_WM_NAME", False);
    utf8_ = XInternAtom(dpy_, "UTF8_STRING", False);
    wmState_ = XInternAtom(dpy_, "_NET_WM_STATE", False);
    wmStateHidden_ = XInternAtom(dpy_, "_NET_WM_STATE_HIDDEN", False);
    icccmState_ = XInternAtom(dpy_, "WM_STATE", False);
}

std::vector<unsigned long> X11Windows::WindowList(unsigned long property) {
    std::vector<unsigned long> out;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy_, root_, property, 0, 65536, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32) {
            auto* w = reinterpret_cast<unsigned long*>(data);
            out.assign(w, w + count);
        }
        XFree(data);
    }
    return out;
}

std::vector<TopLevelWindow> X11Windows::TopLevelWindows() {
    auto list = WindowList(clientListStacking_); // bottom to top
    if (list.empty()) list = WindowList(clientList_);
    std::vector<TopLevelWindow> out;
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        out.push_back({*it, Title(*it)});
    return out;
}

std::string X11Windows::Title(WindowId window) {
    if (!window) return {};
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(dpy_, Window(window), wmName_, 0, 4096, False, utf8_, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (type == utf8_ && format == 8) title = Utf8ToLatin1(data, count);
        XFree(data);
        if (!title.empty()) return title;
    }
    char* name = nullptr;
    if (XFetchName(dpy_, Window(window), &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

WindowId X11Windows::ForegroundWindow() {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    WindowId active = 0;
    if (XGetWindowProperty(dpy_, root_, activeWindow_, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (type == XA_WINDOW && format == 32 && count == 1)
            active = *reinterpret_cast<unsigned long*>(data);
        XFree(data);
        return active;
    }
    // No window manager: the focus window itself.
    Window focus;
    int revert;
    XGetInputFocus(dpy_, &focus, &revert);
    return (focus == None || focus == PointerRoot) ? 0 : focus;
}

void X11Windows::SendActivate(unsigned long window) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = activeWindow_;
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 2; // request from a pager-like tool: honoured as the user's
    ev.xclient.data.l[1] = CurrentTime;
    ev.xclient.data.l[2] = long(ForegroundWindow());
    XSendEvent(dpy_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(dpy_);
}

bool X11Windows::WaitFor(bool (X11Windows::*test)(WindowId), WindowId window, bool want) {
    for (int waited = 0;; waited += 5) {
        if ((this->*test)(window) == want) return true;
        if (waited >= settleMs_) return false;
        SleepMs(5);
    }
}

bool X11Windows::HasInputFocus(WindowId window) {
    Window focus;
    int revert;
    XGetInputFocus(dpy_, &focus, &revert);
    // The focus may rest on a child of the window.
    for (int depth = 0; depth < 16 && focus != None && focus != PointerRoot; ++depth) {
        if (focus == Window(window)) return true;
        Window rootReturn, parent;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy_, focus, &rootReturn, &parent, &children, &count)) return false;
        if (children) XFree(children);
        if (parent == rootReturn) return false;
        focus = parent;
    }
    return false;
}

bool X11Windows::IsActive(WindowId window) {
    return ForegroundWindow() == window && HasInputFocus(window);
}

bool X11Windows::Activate(WindowId window) {
    if (!window) return false;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    const bool managed = XGetWindowProperty(dpy_, root_, activeWindow_, 0, 1, False, XA_WINDOW,
                                            &type, &format, &count, &after, &data) == Success &&
                         type == XA_WINDOW;
    if (data) XFree(data);
    if (!managed) {
        XRaiseWindow(dpy_, Window(window));
        XSetInputFocus(dpy_, Window(window), RevertToParent, CurrentTime);
        XSync(dpy_, False);
        return true;
    }
    SendActivate(Window(window));
    return WaitFor(&X11Windows::IsActive, window, true);
}

bool X11Windows::IsMinimised(WindowId window) {
    if (!window) return false;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool hidden = false;
    if (XGetWindowProperty(dpy_, Window(window), wmState_, 0, 64, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data) {
        auto* atoms = reinterpret_cast<unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            hidden |= atoms[i] == wmStateHidden_;
        XFree(data);
        if (hidden) return true;
    }
    data = nullptr;
    if (XGetWindowProperty(dpy_, Window(window), icccmState_, 0, 2, False, icccmState_, &type,
                           &format, &count, &after, &data) == Success &&
        data) {
        if (format == 32 && count >= 1)
            hidden = *reinterpret_cast<unsigned long*>(data) == IconicState;
        XFree(data);
    }
    return hidden;
}

void X11Windows::Restore(WindowId window) {
    if (!window) return;
    XMapWindow(dpy_, Window(window)); // de-iconifies
    XFlush(dpy_);
    SendActivate(Window(window));
    WaitFor(&X11Windows::IsMinimised, window, false);
}

void X11Windows::Minimise(WindowId window) {
    if (!window) return;
    XIconifyWindow(dpy_, Window(window), DefaultScreen(dpy_));
    XFlush(dpy_);
    WaitFor(&X11Windows::IsMinimised, window, true);
}

WindowSystem::StartResult X11Windows::StartProgram(const std::string& commandLine) {
    return StartDetachedProgram(commandLine);
}

} // namespace pv::x11
