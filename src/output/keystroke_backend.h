#pragma once
// Which keyboard types the keystrokes: X11 (XTest) in an X11 session; on
// Wayland the compositor's virtual-keyboard protocol, the desktop portal
// (libei) or the kernel's uinput device. The platform probes each; this
// picks one and words the answer for the user.
//
//   Session s = SessionFromEnvironment(std::getenv);
//   BackendChoice c = ChooseKeyBackend(s, probes, std::getenv("PORTIVOX_KEYBOARD"));
//   if (!c.Found) show(c.Message);
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

enum class KeyBackend { X11, VirtualKeyboard, Portal, Uinput };
inline constexpr KeyBackend kAllKeyBackends[] = {KeyBackend::X11, KeyBackend::VirtualKeyboard,
                                                 KeyBackend::Portal, KeyBackend::Uinput};

enum class SessionType { None, X11, Wayland, Tty };

struct Session {
    SessionType Type = SessionType::None;
    std::string Desktop;     // XDG_CURRENT_DESKTOP, e.g. "sway", "GNOME"
    bool HasDisplay = false; // DISPLAY (X11 or XWayland)
    bool HasWayland = false; // WAYLAND_DISPLAY
};

/// The session from XDG_SESSION_TYPE, else from which display variables are
/// set. `getenv` returns nullptr for an unset variable.
Session SessionFromEnvironment(const std::function<const char*(const char*)>& getenv);

/// What the platform found out about one backend. `Reason` is 0 when it is
/// usable, else the text number saying why not; `Detail` fills its %1.
struct BackendProbe {
    KeyBackend Backend = KeyBackend::X11;
    int Reason = 0;
    std::string Detail;
};

struct BackendChoice {
    bool Found = false;
    KeyBackend Backend = KeyBackend::X11;
    /// Why nothing was found (session, what each backend needs), or why a
    /// backend asked for by name is not used.
    std::string Message;
};

/// The backends tried in a session, best first. On Wayland X11 is left out:
/// it reaches only programs running under XWayland.
std::vector<KeyBackend> BackendOrder(SessionType session);

/// The first usable backend of BackendOrder, or the one `forced` names
/// (KeyBackendName; empty or nullptr: none forced) when it is usable.
BackendChoice ChooseKeyBackend(const Session& session, const std::vector<BackendProbe>& probes,
                               const char* forced);

/// Stable name used on the command line and in PORTIVOX_KEYBOARD:
/// "x11", "wayland", "portal", "uinput".
std::string_view KeyBackendName(KeyBackend backend);
/// The backend in words, in the current language.
std::string KeyBackendTitle(KeyBackend backend);
/// "Wayland session (sway)", in the current language.
std::string SessionTitle(const Session& session);
/// The probe's reason in words ("" when usable).
std::string ProbeReason(const BackendProbe& probe);

/// What `portivox keys --backend` prints: the session, then one line per
/// backend with "in use", "usable" or why not.
std::string BackendReport(const Session& session, const std::vector<BackendProbe>& probes,
                          const BackendChoice& choice);

} // namespace pv
