#pragma once
// The X display as Send Keystrokes mode needs it: the keyboard (XTest) and
// the windows (EWMH). The record sink in output/ does the rest.
//
//   std::string why;
//   auto desktop = pv::x11::Desktop::Open(nullptr, why);   // $DISPLAY
//   pv::KeystrokeSink sink(desktop ? &desktop->Keys() : nullptr,
//                          desktop ? &desktop->Windows() : nullptr, messages, why);
#include <memory>
#include <string>

#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_windows.h"

namespace pv::x11 {

class Desktop {
  public:
    /// Opens `displayName` (nullptr: $DISPLAY). Null, with `why` saying so
    /// in a sentence for the user, when there is no display or no XTest.
    static std::unique_ptr<Desktop> Open(const char* displayName, std::string& why);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    X11Keyboard& Keys() { return *keyboard_; }
    X11Windows& Windows() { return *windows_; }
    /// The connection, for callers that need Xlib itself (tests).
    _XDisplay* Connection() { return dpy_; }

  private:
    Desktop(_XDisplay* display, std::unique_ptr<X11Keyboard> keyboard);

    _XDisplay* dpy_;
    std::unique_ptr<X11Keyboard> keyboard_;
    std::unique_ptr<X11Windows> windows_;
};

} // namespace pv::x11
