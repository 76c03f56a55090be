#pragma once
// A keyboard that writes Linux input events (a uinput device in the
// program, a recorder in tests). Its key codes follow the desktop's layout:
// a character is typed with the key and level that layout gives it.
#include <cstdint>
#include <functional>

#include "output/keystroke_keyboard.h"
#include "output/keystroke_keymap.h"

namespace pv {

/// Where the events go: EV_KEY (1) with value 1 press / 0 release, each
/// followed by EV_SYN (0) SYN_REPORT (0).
class InputEventWriter {
  public:
    virtual ~InputEventWriter() = default;
    virtual bool Write(uint16_t type, uint16_t code, int32_t value) = 0;
};

inline constexpr uint16_t kEvSyn = 0;
inline constexpr uint16_t kEvKey = 1;
inline constexpr uint16_t kEvdevLeftShift = 42;

class EvdevKeyboard : public Keyboard {
  public:
    /// `wait` pauses (letting the program's events run); `msIntoSecond`
    /// reads the clock.
    EvdevKeyboard(KeyLayout layout, InputEventWriter& out, std::function<void(int)> wait,
                  std::function<int()> msIntoSecond);

    /// A new device is picked up by the desktop a moment after it appears;
    /// the first macro waits this long before its first key.
    void SetFirstUseSettle(int ms) { settleMs_ = ms; }

    int KeyForChar(unsigned char c) override;
    void Prepare(const uint16_t*, size_t) override {
        if (settleMs_ > 0) wait_(settleMs_);
        settleMs_ = 0;
    }
    void KeyEvent(int code, bool down) override;
    /// The desktop does not tell a device which keys the user holds: the
    /// state starts clean and stays as the macro leaves it.
    KeyboardState GetState() override { return {}; }
    void SetState(const KeyboardState&) override {}
    void Wait(int ms) override { wait_(ms); }
    int MillisecondsIntoSecond() override { return msIntoSecond_(); }

    /// Characters that the layout cannot type and were left out.
    int Dropped() const { return dropped_; }

  private:
    void Emit(uint16_t evdev, bool down);
    uint16_t KeyOfVk(int vk);

    KeyLayout layout_;
    InputEventWriter& out_;
    std::function<void(int)> wait_;
    std::function<int()> msIntoSecond_;
    int dropped_ = 0;
    int settleMs_ = 0;
};

} // namespace pv
