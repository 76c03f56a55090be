#pragma once
// Keystroke macros: the text of a record in Send Keystrokes mode is split at
// "{DELAY n}" pauses, each piece is parsed into a queue of key codes and the
// queue is played as key presses and releases on a Keyboard.
//
//   KeystrokeSender sender(keyboard);
//   sender.SetInterCharDelay(config.InterCharDelay);
//   sender.SendKeystrokeText("12.5{TAB}OK~");
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "output/keystroke_keyboard.h"

namespace pv {

/// Results of SendMacro and ParseMacroItem.
enum MacroResult : int16_t {
    MacroOk = 0,
    MacroOpenBrace = 1,  // a "{" group is not closed before the end
    MacroUnknownKey = 2, // unknown key name inside braces
    MacroOpenGroup = 3,  // a "(" group is not closed before the end
    MacroZeroCount = 4,  // repeat count 0 (or not a number)
    MacroQueueFull = 5,  // more than kKeyQueueSize key codes
};

inline constexpr size_t kKeyQueueSize = 4096;
inline constexpr int kShiftCode = 16;
inline constexpr int kCtrlCode = 17;
inline constexpr int kAltCode = 18;
inline constexpr int kCapsLockCode = 20;

/// Key code of a name used in braces ("ENTER", "F5", "tab"), 0 when unknown.
/// A one-character name is the key of that character (with kNeedsShift),
/// taken from `keyboard`.
int LookupKeyName(std::string_view name, Keyboard& keyboard);

class KeystrokeSender {
  public:
    explicit KeystrokeSender(Keyboard& keyboard) : keyboard_(keyboard) {}

    /// Pause after every key press and release, in ms; 0 for none.
    void SetInterCharDelay(int32_t ms) { delay_ = ms; }

    /// Types a record's keystroke text, pausing at each "{DELAY n}". A piece
    /// that does not parse is not typed. Returns the first non-zero result
    /// of the pieces, MacroOpenBrace when a "{DELAY" is never closed (the
    /// text from there on is dropped), else MacroOk.
    int16_t SendKeystrokeText(std::string_view text);

    /// Parses a macro and, when it parses (MacroOk), plays it.
    int16_t SendMacro(std::string_view macro);

    /// Parses a macro into the queue without playing it.
    int16_t ParseMacro(std::string_view macro);

    /// Parses the item after the current position and queues its codes.
    int16_t ParseMacroItem();

    /// The next event of the queue: Shift/Ctrl/Alt codes toggle, any other
    /// code is a press followed by its release. False when none is left.
    /// `code` == -1 on entry only resets the modifier state and the read
    /// index (and returns false).
    bool NextKeyEvent(int& code, bool& down);

    /// Plays the parsed queue with a clean keyboard state.
    void PlayQueue();

    /// The codes queued by the last parse.
    const uint16_t* QueueData() const { return queue_.data(); }
    size_t QueueLength() const { return write_; }

  private:
    int16_t Append(int code);
    int16_t AppendKey(int key, long count);
    int16_t ParseBraceGroup();
    int CharAt(size_t pos) const; // 1-based; -1 outside the text
    void ToggleCapsLock();

    Keyboard& keyboard_;
    int32_t delay_ = 1;
    std::array<uint16_t, kKeyQueueSize> queue_{};
    size_t read_ = 0;
    size_t write_ = 0;
    std::string_view macro_;
    size_t pos_ = 0; // 1-based position of the last character read

    // The modifier state record.
    int current_ = 0;
    bool releasePending_ = false;
    bool shiftDown_ = false;
    bool ctrlDown_ = false;
    bool altDown_ = false;
};

} // namespace pv
