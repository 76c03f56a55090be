#pragma once
// The keyboard and windows Send Keystrokes mode types on, chosen for the
// session: X11 (XTest), the Wayland virtual keyboard, or uinput. Windows by
// title come from the X server, sway or Hyprland; elsewhere there are none
// and keys go to the focused window.
//
//   std::string why;
//   auto desktop = pv::keys::KeyDesktop::Open(why);
//   pv::KeystrokeSink sink(desktop ? &desktop->Keys() : nullptr,
//                          desktop ? desktop->Windows() : nullptr, messages, why);
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "output/keystroke_backend.h"
#include "output/keystroke_keyboard.h"
#include "output/keystroke_target.h"

namespace pv::keys {

/// The session and what each backend can do in it, as `portivox keys
/// --backend` shows it. Opens nothing that stays open.
struct BackendSurvey {
    Session Found;
    std::vector<BackendProbe> Probes;
    BackendChoice Choice;
};
BackendSurvey SurveyBackends();

/// One line for the setup window, in the current language: the backend
/// that would type, or that none can. Surveyed once per process.
std::string KeyBackendSummary();

class KeyDesktop {
  public:
    /// The backend PORTIVOX_KEYBOARD names, else the session's best. Null,
    /// with `why` saying what was found and what each backend needs.
    static std::unique_ptr<KeyDesktop> Open(std::string& why);
    ~KeyDesktop();
    KeyDesktop(const KeyDesktop&) = delete;
    KeyDesktop& operator=(const KeyDesktop&) = delete;

    Keyboard& Keys() { return *keyboard_; }
    /// Null when the desktop does not let a program find windows by title.
    WindowSystem* Windows() { return windows_; }
    KeyBackend Backend() const { return backend_; }
    /// Called while typing waits, so that the program's events keep running.
    void SetEventPump(std::function<void()> pump);

    struct Parts; // what the chosen backend opened

  private:
    KeyDesktop();
    std::unique_ptr<Parts> parts_;
    Keyboard* keyboard_ = nullptr;
    WindowSystem* windows_ = nullptr;
    KeyBackend backend_ = KeyBackend::X11;
};

} // namespace pv::keys
