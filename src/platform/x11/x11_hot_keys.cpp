#include "platform/x11/x11_hot_keys.h"

// Qt before Xlib, whose macros (Bool, Status) clash with Qt's names.
#include <QObject>
#include <QSocketNotifier>
#include <cstdlib>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "platform/x11/x11_keysyms.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv::x11 {

namespace {

bool badAccess = false;

int CatchBadAccess(Display*, XErrorEvent* e) {
    if (e->error_code == BadAccess) badAccess = true;
    return 0;
}

unsigned ModifierMaskOf(Display* dpy, KeySym keysym) {
    const KeyCode kc = XKeysymToKeycode(dpy, keysym);
    if (!kc) return 0;
    XModifierKeymap* map = XGetModifierMapping(dpy);
    unsigned mask = 0;
    for (int mod = 0; mod < 8 && !mask; ++mod)
        for (int i = 0; i < map->max_keypermod; ++i)
            if (map->modifiermap[mod * map->max_keypermod + i] == kc) mask = 1u << mod;
    XFreeModifiermap(map);
    return mask;
}

} // namespace

std::unique_ptr<X11HotKeyGrabber> X11HotKeyGrabber::Open(const char* displayName) {
    Display* dpy = XOpenDisplay(displayName);
    if (!dpy) return nullptr;
    return std::unique_ptr<X11HotKeyGrabber>(new X11HotKeyGrabber(dpy));
}

X11HotKeyGrabber::X11HotKeyGrabber(Display* display)
    : dpy_(display), root_(DefaultRootWindow(display)) {
    // Held keys then repeat as presses alone, which tells repeats apart.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(dpy_, True, &supported);
    altMask_ = ModifierMaskOf(dpy_, XK_Alt_L);
    if (!altMask_) altMask_ = Mod1Mask;
    numLockMask_ = ModifierMaskOf(dpy_, XK_Num_Lock);
}

X11HotKeyGrabber::~X11HotKeyGrabber() {
    UngrabAll();
    XCloseDisplay(dpy_);
}

int X11HotKeyGrabber::Fd() const {
    return ConnectionNumber(dpy_);
}

unsigned X11HotKeyGrabber::MaskOf(int modifiers) const {
    return (modifiers & kHotShift ? ShiftMask : 0u) | (modifiers & kHotCtrl ? ControlMask : 0u) |
           (modifiers & kHotAlt ? altMask_ : 0u);
}

HotKeyGrabber::Result X11HotKeyGrabber::Grab(const HotKeyCombination& c) {
    const KeySym keysym = VkToKeysym(c.Key);
    const KeyCode keycode = keysym ? XKeysymToKeycode(dpy_, keysym) : 0;
    if (!keycode) return Result::NoKey;
    const unsigned mask = MaskOf(c.Modifiers);
    const unsigned locks[] = {0, LockMask, numLockMask_, LockMask | numLockMask_};
    badAccess = false;
    XErrorHandler previous = XSetErrorHandler(CatchBadAccess);
    for (size_t i = 0; i < (numLockMask_ ? 4u : 2u); ++i)
        XGrabKey(dpy_, keycode, mask | locks[i], root_, False, GrabModeAsync, GrabModeSync);
    XSync(dpy_, False);
    const bool taken = badAccess;
    if (taken) {
        for (size_t i = 0; i < (numLockMask_ ? 4u : 2u); ++i)
            XUngrabKey(dpy_, keycode, mask | locks[i], root_);
        XSync(dpy_, False);
    }
    XSetErrorHandler(previous);
    if (taken) return Result::Taken;
    keyOfKeycode_.emplace(keycode, c.Key);
    return Result::Grabbed;
}

void X11HotKeyGrabber::UngrabAll() {
    XUngrabKey(dpy_, AnyKey, AnyModifier, root_);
    XFlush(dpy_);
    keyOfKeycode_.clear();
    down_.clear();
}

void X11HotKeyGrabber::Dispatch(const std::function<bool(const HotKeyEvent&)>& handler) {
    while (XPending(dpy_) > 0) {
        XEvent ev;
        XNextEvent(dpy_, &ev);
        if (ev.type != KeyPress && ev.type != KeyRelease) continue;
        const XKeyEvent& k = ev.xkey;
        const int keycode = static_cast<int>(k.keycode);
        const auto it = keyOfKeycode_.find(keycode);
        HotKeyEvent e;
        e.Key = it == keyOfKeycode_.end() ? 0 : it->second;
        e.Modifiers = (k.state & ShiftMask ? kHotShift : 0) |
                      (k.state & ControlMask ? kHotCtrl : 0) | (k.state & altMask_ ? kHotAlt : 0);
        e.Release = ev.type == KeyRelease;
        e.Repeat = !e.Release && down_.count(keycode) > 0;
        const bool swallow = e.Key != 0 && handler(e);
        if (e.Release) {
            down_.erase(keycode);
        } else {
            if (swallow) down_.insert(keycode);
            // The keyboard waits for this answer since the grab became active.
            XAllowEvents(dpy_, swallow ? AsyncKeyboard : ReplayKeyboard, k.time);
        }
    }
    XFlush(dpy_);
}

// ---------------------------------------------------------------------------

HotKeyService::HotKeyService(const Config& config, Runtime& runtime, MessageSink& messages,
                             bool virtualDevice)
    : config_(config), runtime_(runtime), messages_(messages), virtual_(virtualDevice) {}

HotKeyService::~HotKeyService() {
    notifier_.reset();
    hook_.reset();
}

void HotKeyService::Register() {
    if (HotKeyGrabs(config_).empty()) {
        if (hook_) hook_->Register();
        return;
    }
    if (!grabber_) {
        const char* display = std::getenv("DISPLAY");
        if (display && *display) grabber_ = X11HotKeyGrabber::Open(nullptr);
        if (!grabber_) {
            static bool told = false;
            const char* wayland = std::getenv("WAYLAND_DISPLAY");
            if (!told && wayland && *wayland)
                messages_.Show(Text(txt::HotKeysNeedX11), "Portivox", MsgIcon::Information,
                               MsgButtons::Ok);
            told = true;
            return;
        }
        hook_ = std::make_unique<HotKeyHook>(config_, runtime_, *grabber_, messages_, virtual_);
        notifier_ = std::make_unique<QSocketNotifier>(grabber_->Fd(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
            grabber_->Dispatch([this](const HotKeyEvent& e) { return hook_->OnKey(e); });
        });
    }
    hook_->Register();
    grabber_->Dispatch([this](const HotKeyEvent& e) { return hook_->OnKey(e); });
}

} // namespace pv::x11
