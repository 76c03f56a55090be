#include "platform/keys/key_desktop.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "output/keyboard_wait.h"
#include "output/keystroke_uinput.h"
#include "platform/keys/uinput_device.h"
#include "text/byte_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

#ifdef PV_HAVE_X11
#include "platform/x11/x11_desktop.h"
#endif
#ifdef PV_HAVE_WAYLAND
#include "platform/wayland/compositor_windows.h"
#include "platform/wayland/wayland_keyboard.h"
#include "platform/wayland/xkb_layout.h"
#endif

namespace pv::keys {

namespace {

constexpr const char* kUinputPath = "/dev/uinput";
constexpr int kUinputSettleMs = 300;

const char* Getenv(const char* name) {
    return std::getenv(name);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What a command prints, within a second; "" when it fails.
std::string CommandOutput(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(1000) || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(100);
        return {};
    }
    return process.readAllStandardOutput().toStdString();
}

// The layout the desktop types with: the session's own setting where it can
// be read, then the system's, US when none is known.
KeyLayout DesktopLayout() {
    LayoutNames names =
        ReadLayoutNames(Getenv("XKB_DEFAULT_LAYOUT"), Getenv("XKB_DEFAULT_VARIANT"), "");
    const std::string desktop = Getenv("XDG_CURRENT_DESKTOP") ? Getenv("XDG_CURRENT_DESKTOP") : "";
    if (names.Layout.empty() && desktop.find("GNOME") != std::string::npos)
        names = LayoutFromGnomeSources(
            CommandOutput("gsettings", {"get", "org.gnome.desktop.input-sources", "sources"}));
    if (names.Layout.empty() && desktop.find("KDE") != std::string::npos) {
        const char* config = Getenv("XDG_CONFIG_HOME");
        const char* home = Getenv("HOME");
        names = LayoutFromKdeConfig(
            ReadFile(config && *config ? std::string(config) + "/kxkbrc"
                                       : std::string(home ? home : "") + "/.config/kxkbrc"));
    }
    if (names.Layout.empty())
        names = ReadLayoutNames(nullptr, nullptr, ReadFile("/etc/default/keyboard"));
#ifdef PV_HAVE_WAYLAND
    if (auto layout = wayland::LayoutFromNames(names)) return *layout;
#endif
    return KeyLayout::Us();
}

} // namespace

struct KeyDesktop::Parts {
#ifdef PV_HAVE_X11
    std::unique_ptr<x11::Desktop> x11;
#endif
#ifdef PV_HAVE_WAYLAND
    std::unique_ptr<wayland::WaylandKeyboard> wayland;
#endif
    std::unique_ptr<WindowSystem> compositorWindows;
    std::unique_ptr<UinputDevice> uinput;
    std::unique_ptr<EvdevKeyboard> evdev;
    std::function<void()> pump;
};

KeyDesktop::KeyDesktop() : parts_(std::make_unique<Parts>()) {}
KeyDesktop::~KeyDesktop() = default;

// Each probe opens its backend; `keep` receives what was opened.
static BackendProbe ProbeX11(KeyDesktop::Parts* keep) {
    BackendProbe p{KeyBackend::X11, txt::ReasonNotBuilt, {}};
#ifdef PV_HAVE_X11
    const char* display = Getenv("DISPLAY");
    if (!display || !*display) {
        p.Reason = txt::ReasonNoDisplay;
        return p;
    }
    std::string why;
    auto desktop = x11::Desktop::Open(nullptr, why);
    if (!desktop) {
        // Open tells an unopened display from a missing XTest by its words.
        p.Reason =
            why.find("XTest") != std::string::npos ? txt::ReasonNoXTest : txt::ReasonDisplayFails;
        p.Detail = display;
        return p;
    }
    p.Reason = 0;
    if (keep) keep->x11 = std::move(desktop);
#else
    (void)keep;
#endif
    return p;
}

static BackendProbe ProbeWayland(KeyDesktop::Parts* keep) {
    BackendProbe p{KeyBackend::VirtualKeyboard, txt::ReasonNotBuilt, {}};
#ifdef PV_HAVE_WAYLAND
    if (!keep) {
        p.Reason = wayland::WaylandKeyboard::Check(nullptr, p.Detail);
        return p;
    }
    auto keyboard = wayland::WaylandKeyboard::Open(nullptr, p.Reason, p.Detail);
    if (!keyboard) return p;
    p.Reason = 0;
    if (keep) keep->wayland = std::move(keyboard);
#else
    (void)keep;
#endif
    return p;
}

static BackendProbe ProbeUinput(KeyDesktop::Parts* keep) {
    BackendProbe p{KeyBackend::Uinput, UinputDevice::Check(kUinputPath), {}};
    if (p.Reason || !keep) return p;
    keep->uinput = UinputDevice::Create(kUinputPath, p.Reason, p.Detail);
    return p;
}

static BackendProbe Probe(KeyBackend backend, KeyDesktop::Parts* keep) {
    switch (backend) {
    case KeyBackend::X11: return ProbeX11(keep);
    case KeyBackend::VirtualKeyboard: return ProbeWayland(keep);
    case KeyBackend::Uinput: return ProbeUinput(keep);
    case KeyBackend::Portal: break;
    }
    return {backend, txt::ReasonNotBuilt, {}};
}

BackendSurvey SurveyBackends() {
    BackendSurvey survey;
    survey.Found = SessionFromEnvironment(Getenv);
    for (KeyBackend b : kAllKeyBackends)
        survey.Probes.push_back(Probe(b, nullptr));
    survey.Choice = ChooseKeyBackend(survey.Found, survey.Probes, Getenv("PORTIVOX_KEYBOARD"));
    return survey;
}

std::string KeyBackendSummary() {
    static const BackendChoice choice = SurveyBackends().Choice;
    if (!choice.Found) return Text(txt::KeysNowhere);
    std::string line = Text(txt::KeysThrough);
    line.replace(line.find("%1"), 2, KeyBackendTitle(choice.Backend));
    return line;
}

std::unique_ptr<KeyDesktop> KeyDesktop::Open(std::string& why) {
    const Session session = SessionFromEnvironment(Getenv);
    const char* forced = Getenv("PORTIVOX_KEYBOARD");
    std::unique_ptr<KeyDesktop> desktop(new KeyDesktop());
    Parts& parts = *desktop->parts_;
    // Backends are opened in the order they are preferred and the first
    // that works is kept; the rest are only probed for the message.
    std::vector<BackendProbe> probes;
    bool kept = false;
    std::vector<KeyBackend> order = BackendOrder(session.Type);
    if (forced && *forced) {
        order.clear();
        for (KeyBackend b : kAllKeyBackends)
            if (KeyBackendName(b) == LowerCase(forced)) order.push_back(b);
    }
    for (KeyBackend b : order) {
        probes.push_back(Probe(b, kept ? nullptr : &parts));
        if (probes.back().Reason == 0) kept = true;
    }
    for (KeyBackend b : kAllKeyBackends) {
        bool probed = false;
        for (const auto& p : probes)
            probed |= p.Backend == b;
        if (!probed) probes.push_back(Probe(b, nullptr));
    }
    const BackendChoice choice = ChooseKeyBackend(session, probes, forced);
    if (!choice.Found) {
        why = choice.Message;
        return nullptr;
    }
    desktop->backend_ = choice.Backend;
    switch (choice.Backend) {
#ifdef PV_HAVE_X11
    case KeyBackend::X11:
        desktop->keyboard_ = &parts.x11->Keys();
        desktop->windows_ = &parts.x11->Windows();
        break;
#endif
#ifdef PV_HAVE_WAYLAND
    case KeyBackend::VirtualKeyboard: desktop->keyboard_ = parts.wayland.get(); break;
#endif
    case KeyBackend::Uinput:
        parts.evdev = std::make_unique<EvdevKeyboard>(
            DesktopLayout(), *parts.uinput, [&parts](int ms) { PumpingWait(ms, parts.pump); },
            MillisecondsIntoSecondNow);
        parts.evdev->SetFirstUseSettle(kUinputSettleMs);
        desktop->keyboard_ = parts.evdev.get();
        break;
    default: why = choice.Message; return nullptr;
    }
#ifdef PV_HAVE_WAYLAND
    if (choice.Backend != KeyBackend::X11) {
        parts.compositorWindows = wayland::OpenSwayWindows();
        if (!parts.compositorWindows) parts.compositorWindows = wayland::OpenHyprlandWindows();
        desktop->windows_ = parts.compositorWindows.get();
    }
#endif
    return desktop;
}

void KeyDesktop::SetEventPump(std::function<void()> pump) {
    parts_->pump = pump;
#ifdef PV_HAVE_X11
    if (parts_->x11) parts_->x11->Keys().SetEventPump(pump);
#endif
#ifdef PV_HAVE_WAYLAND
    if (parts_->wayland) parts_->wayland->SetEventPump(pump);
#endif
}

} // namespace pv::keys
