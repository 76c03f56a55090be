#pragma once
// A virtual keyboard of a Wayland compositor that offers the
// virtual-keyboard protocol (sway, Hyprland, labwc, river, ...). It uploads
// a keymap of its own holding every Latin-1 character, so what it types
// does not depend on the user's layout.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "output/keystroke_keyboard.h"
#include "output/keystroke_keymap.h"

struct wl_display;
struct wl_proxy;
struct wl_seat;
struct wl_registry;

namespace pv::wayland {

class WaylandKeyboard : public Keyboard {
  public:
    /// Connects to `display` (nullptr: $WAYLAND_DISPLAY). Null, with the
    /// text number of the reason and its detail, when that fails or the
    /// compositor has no virtual-keyboard manager.
    static std::unique_ptr<WaylandKeyboard> Open(const char* display, int& reason,
                                                 std::string& detail);
    /// Whether Open would find the protocol, without making a keyboard: 0,
    /// else the reason's text number.
    static int Check(const char* display, std::string& detail);
    ~WaylandKeyboard() override;
    WaylandKeyboard(const WaylandKeyboard&) = delete;
    WaylandKeyboard& operator=(const WaylandKeyboard&) = delete;

    void SetEventPump(std::function<void()> pump) { pump_ = std::move(pump); }

    int KeyForChar(unsigned char c) override { return UsLayoutKeyForChar(c); }
    void Prepare(const uint16_t* codes, size_t count) override;
    void KeyEvent(int code, bool down) override;
    /// The compositor keeps each keyboard's state apart: the user's held
    /// keys do not reach this one, which starts clean.
    KeyboardState GetState() override { return {}; }
    void SetState(const KeyboardState& state) override;
    /// Returns once the compositor has handled every key of the macro.
    void MacroFinished() override { Settle(); }
    void Wait(int ms) override;
    int MillisecondsIntoSecond() override;

  private:
    WaylandKeyboard() = default;
    bool Connect(const char* display, int& reason, std::string& detail);
    bool CreateKeyboard(int& reason);
    void Flush();
    void Settle();
    static void Global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void GlobalRemove(void*, wl_registry*, uint32_t) {}

    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    wl_proxy* manager_ = nullptr;
    wl_proxy* keyboard_ = nullptr;
    VirtualKeymap keymap_;
    uint32_t depressed_ = 0;
    uint32_t locked_ = 0;
    bool introduced_ = false;
    std::function<void()> pump_;
};

} // namespace pv::wayland
