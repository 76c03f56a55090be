#include "platform/wayland/wayland_keyboard.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include "output/keyboard_wait.h"
#include "platform/wayland/virtual_keyboard_protocol.h"
#include "text/text_ids.h"

namespace pv::wayland {

namespace {

// Real modifier bits of the uploaded keymap's modifier_map lines.
constexpr uint32_t kShiftMask = 1, kLockMask = 2, kControlMask = 4, kMod1Mask = 8, kMod2Mask = 16,
                   kMod4Mask = 64;

uint32_t HeldMaskOf(int vk) {
    switch (vk) {
    case 16:
    case 160:
    case 161: return kShiftMask;
    case 17:
    case 162:
    case 163: return kControlMask;
    case 18:
    case 164:
    case 165: return kMod1Mask;
    case 91:
    case 92: return kMod4Mask;
    default: return 0;
    }
}

constexpr int kIntroductionMs = 100;

uint32_t NowMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The keymap as a sealed memory file, as the protocol passes it.
int KeymapFile(const std::string& text) {
    const int fd = memfd_create("portivox-keymap", MFD_CLOEXEC);
    if (fd < 0) return -1;
    const char* p = text.c_str();
    size_t left = text.size() + 1; // with the terminating NUL
    while (left > 0) {
        const ssize_t n = write(fd, p, left);
        if (n <= 0) {
            close(fd);
            return -1;
        }
        p += n;
        left -= size_t(n);
    }
    return fd;
}

} // namespace

void WaylandKeyboard::Global(void* data, wl_registry* registry, uint32_t name,
                             const char* interface, uint32_t version) {
    auto* self = static_cast<WaylandKeyboard*>(data);
    if (!self->seat_ && std::strcmp(interface, wl_seat_interface.name) == 0) {
        self->seat_ = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, version < 1 ? version : 1));
    } else if (!self->manager_ &&
               std::strcmp(interface, kVirtualKeyboardManagerInterface.name) == 0) {
        self->manager_ = static_cast<wl_proxy*>(
            wl_registry_bind(registry, name, &kVirtualKeyboardManagerInterface, 1));
    }
}

std::unique_ptr<WaylandKeyboard> WaylandKeyboard::Open(const char* display, int& reason,
                                                       std::string& detail) {
    std::unique_ptr<WaylandKeyboard> keyboard(new WaylandKeyboard());
    if (!keyboard->Connect(display, reason, detail) || !keyboard->CreateKeyboard(reason))
        return nullptr;
    return keyboard;
}

int WaylandKeyboard::Check(const char* display, std::string& detail) {
    int reason = 0;
    WaylandKeyboard probe;
    probe.Connect(display, reason, detail);
    return reason;
}

bool WaylandKeyboard::Connect(const char* display, int& reason, std::string& detail) {
    const char* name = display ? display : std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) {
        reason = txt::ReasonNoWaylandDisplay;
        return false;
    }
    display_ = wl_display_connect(name);
    if (!display_) {
        reason = txt::ReasonWaylandFails;
        detail = name;
        return false;
    }
    static const wl_registry_listener kListener = {&WaylandKeyboard::Global,
                                                   &WaylandKeyboard::GlobalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &kListener, this);
    wl_display_roundtrip(display_);
    if (!manager_) {
        reason = txt::ReasonNoVirtualKeyboard;
        return false;
    }
    if (!seat_) {
        reason = txt::ReasonNoSeat;
        return false;
    }
    return true;
}

bool WaylandKeyboard::CreateKeyboard(int& reason) {
    keyboard_ = CreateVirtualKeyboard(manager_, seat_);
    const int fd = KeymapFile(keymap_.Text());
    if (fd >= 0) {
        UploadKeymap(keyboard_, fd, uint32_t(keymap_.Text().size() + 1));
        close(fd);
    }
    // A compositor that refuses the keyboard says so with a protocol error.
    if (fd < 0 || wl_display_roundtrip(display_) < 0) {
        reason = txt::ReasonNoVirtualKeyboard;
        return false;
    }
    return true;
}

WaylandKeyboard::~WaylandKeyboard() {
    if (!display_) return;
    if (keyboard_) {
        Settle();
        DestroyVirtualKeyboard(keyboard_);
    }
    if (manager_) wl_proxy_destroy(manager_);
    if (seat_) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(seat_));
    if (registry_) wl_registry_destroy(registry_);
    wl_display_flush(display_);
    wl_display_disconnect(display_);
}

// The first event of a new keyboard makes the compositor hand its keymap to
// the focused program; keys that follow at once can be lost while the
// program takes the new keymap in.
void WaylandKeyboard::Prepare(const uint16_t*, size_t) {
    if (introduced_ || !keyboard_) return;
    introduced_ = true;
    SendModifiers(keyboard_, depressed_, 0, locked_);
    Settle();
    Wait(kIntroductionMs);
}

void WaylandKeyboard::KeyEvent(int code, bool down) {
    const int key = keymap_.KeyOf(code);
    if (!key || !keyboard_) return;
    SendKey(keyboard_, NowMs(), uint32_t(key), down);
    // The compositor leaves the modifier state to the client that owns the
    // keyboard.
    const uint32_t before = depressed_ | (locked_ << 16);
    if (const uint32_t mask = HeldMaskOf(code & kDirectChar ? 0 : code))
        depressed_ = down ? depressed_ | mask : depressed_ & ~mask;
    else if (down && code == 20)
        locked_ ^= kLockMask;
    else if (down && code == 144)
        locked_ ^= kMod2Mask;
    if (before != (depressed_ | (locked_ << 16))) SendModifiers(keyboard_, depressed_, 0, locked_);
    Flush();
}

// A compositor drops what it has not read when a client goes away, and a
// macro is only typed once the compositor has handled it: wait (up to two
// seconds, the program's events running) until it answers a sync request.
void WaylandKeyboard::Settle() {
    bool done = false;
    static const wl_callback_listener kDone = {
        [](void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }};
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &kDone, &done);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done && wl_display_get_error(display_) == 0 && std::chrono::steady_clock::now() < end) {
        Flush();
        while (wl_display_prepare_read(display_) != 0)
            wl_display_dispatch_pending(display_);
        pollfd p{wl_display_get_fd(display_), POLLIN, 0};
        if (poll(&p, 1, 5) > 0)
            wl_display_read_events(display_);
        else
            wl_display_cancel_read(display_);
        wl_display_dispatch_pending(display_);
        if (pump_ && !done) pump_();
    }
    wl_callback_destroy(callback);
}

// Typing faster than the compositor reads fills the socket; a request that
// then does not fit would end the connection. Each event is sent before the
// next is made, waiting (up to a second) while the socket is full.
void WaylandKeyboard::Flush() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (wl_display_flush(display_) < 0 && errno == EAGAIN &&
           std::chrono::steady_clock::now() < end) {
        if (pump_) pump_();
        pollfd p{wl_display_get_fd(display_), POLLOUT, 0};
        poll(&p, 1, 5);
    }
}

void WaylandKeyboard::SetState(const KeyboardState& state) {
    for (int vk : {16, 17, 18, 91})
        if (!(state[size_t(vk)] & 0x80) && (depressed_ & HeldMaskOf(vk))) KeyEvent(vk, false);
}

void WaylandKeyboard::Wait(int ms) {
    wl_display_flush(display_);
    PumpingWait(ms, pump_);
}

int WaylandKeyboard::MillisecondsIntoSecond() {
    return MillisecondsIntoSecondNow();
}

} // namespace pv::wayland
