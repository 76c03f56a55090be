#include "output/keystroke_backend.h"

#include "text/byte_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

namespace {

std::string Fill(int number, std::string_view value) {
    std::string s = Text(number);
    if (size_t at = s.find("%1"); at != std::string::npos) s.replace(at, 2, value);
    return s;
}

const BackendProbe* ProbeOf(const std::vector<BackendProbe>& probes, KeyBackend backend) {
    for (const auto& p : probes)
        if (p.Backend == backend) return &p;
    return nullptr;
}

bool InOrder(SessionType session, KeyBackend backend) {
    for (KeyBackend b : BackendOrder(session))
        if (b == backend) return true;
    return false;
}

} // namespace

Session SessionFromEnvironment(const std::function<const char*(const char*)>& getenv) {
    auto value = [&](const char* name) {
        const char* v = getenv(name);
        return std::string(v ? v : "");
    };
    Session s;
    s.Desktop = value("XDG_CURRENT_DESKTOP");
    s.HasDisplay = !value("DISPLAY").empty();
    s.HasWayland = !value("WAYLAND_DISPLAY").empty();
    const std::string type = LowerCase(value("XDG_SESSION_TYPE"));
    if (type == "wayland")
        s.Type = SessionType::Wayland;
    else if (type == "x11")
        s.Type = SessionType::X11;
    else if (type == "tty")
        s.Type = SessionType::Tty;
    // Unset or unknown (a program started outside a login session): the
    // display variables tell, Wayland first as XWayland sets DISPLAY too.
    if (s.Type == SessionType::None ||
        (s.Type == SessionType::Tty && (s.HasWayland || s.HasDisplay)))
        s.Type = s.HasWayland ? SessionType::Wayland : s.HasDisplay ? SessionType::X11 : s.Type;
    return s;
}

std::vector<KeyBackend> BackendOrder(SessionType session) {
    switch (session) {
    case SessionType::X11: return {KeyBackend::X11, KeyBackend::Uinput};
    case SessionType::Wayland:
        return {KeyBackend::VirtualKeyboard, KeyBackend::Portal, KeyBackend::Uinput};
    default: return {KeyBackend::Uinput};
    }
}

BackendChoice ChooseKeyBackend(const Session& session, const std::vector<BackendProbe>& probes,
                               const char* forced) {
    BackendChoice choice;
    if (forced && *forced) {
        for (KeyBackend b : kAllKeyBackends) {
            if (KeyBackendName(b) != LowerCase(forced)) continue;
            const BackendProbe* p = ProbeOf(probes, b);
            if (p && p->Reason == 0) {
                choice.Found = true;
                choice.Backend = b;
                return choice;
            }
            choice.Message = Fill(txt::KeysNoBackend, SessionTitle(session)) + "\n" +
                             KeyBackendTitle(b) + ": " +
                             (p ? ProbeReason(*p) : Text(txt::ReasonNotBuilt));
            return choice;
        }
        choice.Message = Fill(txt::ForcedBackendUnknown, forced);
        return choice;
    }
    for (KeyBackend b : BackendOrder(session.Type)) {
        const BackendProbe* p = ProbeOf(probes, b);
        if (p && p->Reason == 0) {
            choice.Found = true;
            choice.Backend = b;
            return choice;
        }
    }
    std::string message = Fill(txt::KeysNoBackend, SessionTitle(session));
    for (KeyBackend b : kAllKeyBackends) {
        const BackendProbe* p = ProbeOf(probes, b);
        message += "\n- " + KeyBackendTitle(b) + ": " +
                   (p ? (p->Reason ? ProbeReason(*p) : Text(txt::NotForThisSession))
                      : Text(txt::ReasonNotBuilt));
    }
    choice.Message = message + "\n" + Text(txt::KeysWhatToDo);
    return choice;
}

std::string_view KeyBackendName(KeyBackend backend) {
    switch (backend) {
    case KeyBackend::X11: return "x11";
    case KeyBackend::VirtualKeyboard: return "wayland";
    case KeyBackend::Portal: return "portal";
    case KeyBackend::Uinput: return "uinput";
    }
    return "";
}

std::string KeyBackendTitle(KeyBackend backend) {
    switch (backend) {
    case KeyBackend::X11: return Text(txt::BackendX11);
    case KeyBackend::VirtualKeyboard: return Text(txt::BackendVirtualKeyboard);
    case KeyBackend::Portal: return Text(txt::BackendPortal);
    case KeyBackend::Uinput: return Text(txt::BackendUinput);
    }
    return {};
}

std::string SessionTitle(const Session& session) {
    int number = txt::SessionNone;
    switch (session.Type) {
    case SessionType::X11: number = txt::SessionX11; break;
    case SessionType::Wayland: number = txt::SessionWayland; break;
    case SessionType::Tty: number = txt::SessionTty; break;
    case SessionType::None: break;
    }
    std::string title = Text(number);
    if (!session.Desktop.empty() && session.Type != SessionType::None)
        title += " (" + session.Desktop + ")";
    return title;
}

std::string ProbeReason(const BackendProbe& probe) {
    return probe.Reason ? Fill(probe.Reason, probe.Detail) : std::string();
}

std::string BackendReport(const Session& session, const std::vector<BackendProbe>& probes,
                          const BackendChoice& choice) {
    std::string out = Fill(txt::SessionLine, SessionTitle(session)) + "\n";
    for (KeyBackend b : kAllKeyBackends) {
        const BackendProbe* p = ProbeOf(probes, b);
        std::string state;
        if (choice.Found && choice.Backend == b)
            state = Text(txt::InUseWord);
        else if (!p)
            state = Text(txt::ReasonNotBuilt);
        else if (p->Reason)
            state = ProbeReason(*p);
        else if (!InOrder(session.Type, b))
            state = Text(txt::NotForThisSession);
        else
            state = Text(txt::UsableWord);
        out += std::string(KeyBackendName(b)) + "\t" + KeyBackendTitle(b) + ": " + state + "\n";
    }
    if (!choice.Found)
        out += choice.Message.substr(0, choice.Message.find('\n')) + "\n" +
               Text(txt::KeysWhatToDo) + "\n";
    return out;
}

} // namespace pv
