#pragma once
// The keyboard of an X display, driven through the XTest extension.
// Characters that no key of the current layout produces are typed through
// spare keycodes bound to their keysyms while this object lives.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "output/keystroke_keyboard.h"

struct _XDisplay; // Display of Xlib, kept out of this header for its macros

namespace pv::x11 {

class X11Keyboard : public Keyboard {
  public:
    /// Uses an open display (not closed here). nullptr and `error` when the
    /// display has no XTest extension.
    static std::unique_ptr<X11Keyboard> Create(_XDisplay* display, std::string& error);
    ~X11Keyboard() override;

    /// Called while waiting, so that the program's own events keep running.
    void SetEventPump(std::function<void()> pump) { pump_ = std::move(pump); }

    int KeyForChar(unsigned char c) override;
    void Prepare(const uint16_t* codes, size_t count) override;
    void KeyEvent(int code, bool down) override;
    KeyboardState GetState() override;
    void SetState(const KeyboardState& state) override;
    void Wait(int ms) override;
    int MillisecondsIntoSecond() override;

    /// Whether Caps Lock is locked on now (for tests and diagnostics).
    bool CapsLockOn();

  private:
    explicit X11Keyboard(_XDisplay* display);
    void LoadMapping();
    unsigned long SymAt(int keycode, int level) const;
    bool FindKey(unsigned long keysym, int& keycode, int& level) const;
    int KeycodeOfVk(int vk);
    int BindSpare(unsigned long keysym, bool sync = true);
    unsigned long KeysymOfCode(int code) const;
    void UnbindSpares();
    void Fake(int keycode, bool down);
    bool IsDown(const char keys[32], int keycode) const;

    _XDisplay* dpy_;
    int minKeycode_ = 8;
    int maxKeycode_ = 255;
    int symsPerKeycode_ = 0;
    std::vector<unsigned long> map_;
    struct Spare {
        int keycode;
        unsigned long keysym; // 0 while unbound
        uint64_t lastUse;
    };
    bool sparesFound_ = false;
    std::vector<Spare> spares_;
    uint64_t useCounter_ = 0;
    struct Held {
        int keycode;
        int vk;
    };
    std::vector<Held> held_;
    std::function<void()> pump_;
};

} // namespace pv::x11
