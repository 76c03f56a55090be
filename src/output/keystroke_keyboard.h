#pragma once
// The keyboard the keystroke sender types on: a real one (X11 + XTest) in the
// program, a recorder in tests and in `portivox keys --dry-run`.
#include <array>
#include <cstddef>
#include <cstdint>

namespace pv {

/// Key codes are Windows virtual-key codes (16 Shift, 17 Ctrl, 18 Alt, 20
/// Caps Lock, 65..90 letters, ...). A code with this bit set stands for the
/// Latin-1 character in its low byte, for characters that no key of the
/// current layout produces; the keyboard types it through a spare key.
inline constexpr int kDirectChar = 0x1000;

/// Bits of a KeyForChar result besides the key code.
inline constexpr int kNeedsShift = 0x100;

/// Key states indexed by virtual-key code: bit 0x80 held down, bit 0x01
/// toggled on (Caps Lock, Num Lock, Scroll Lock).
using KeyboardState = std::array<uint8_t, 256>;

class Keyboard {
  public:
    virtual ~Keyboard() = default;
    /// The key that types character `c` (a byte of Latin-1 text): the key
    /// code in the low byte plus kNeedsShift when Shift is needed;
    /// kDirectChar | c when only a spare key can type it; -1 when it cannot
    /// be typed at all.
    virtual int KeyForChar(unsigned char c) = 0;
    /// Called with the whole queue before a macro is played, so that keys
    /// it needs can be set up at once rather than between key events.
    virtual void Prepare(const uint16_t* /*codes*/, size_t /*count*/) {}
    /// Presses (`down`) or releases the key of a code.
    virtual void KeyEvent(int code, bool down) = 0;
    /// The keys held and the locks on, as the user left them.
    virtual KeyboardState GetState() = 0;
    /// Makes the held keys match `state` (toggle bits are not changed).
    virtual void SetState(const KeyboardState& state) = 0;
    /// Called once a macro has been played: undo any temporary key bindings.
    virtual void MacroFinished() {}
    /// Waits `ms` milliseconds, letting the program's pending events run.
    virtual void Wait(int ms) = 0;
    /// Milliseconds elapsed in the current second of the time of day.
    virtual int MillisecondsIntoSecond() = 0;
};

/// The key of a control character that every layout types alike (Backspace,
/// Tab, Enter for CR and LF, Escape); -1 for any other control character,
/// which no key types; 0 for a character that is not a control character.
int ControlKeyForChar(unsigned char c);

/// What VkKeyScan gives on a US keyboard layout, with Latin-1 characters
/// above 0xA0 as kDirectChar codes. Used where no real layout exists.
int UsLayoutKeyForChar(unsigned char c);

} // namespace pv
