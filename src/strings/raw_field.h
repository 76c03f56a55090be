#pragma once
// The editing rules of a text box bound to a raw byte string (output
// strings, acknowledgement and timer strings, hot key strings, record start
// and end characters, the port test terminal). The string holds the truth;
// the box only ever shows what the string holds, so the two cannot drift
// apart. Key codes and modifier bits are the ones the macro language uses.
#include <cstddef>
#include <string>
#include <string_view>

namespace pv {

enum RawKey : int { kRawBackspace = 8, kRawEnter = 13, kRawInsert = 45, kRawDelete = 46 };
enum RawModifier : int { kRawShift = 1, kRawCtrl = 2, kRawAlt = 4 };

/// The raw string as plain text shows it: every NUL as the character 255.
std::string DisplayForm(std::string_view raw);

/// The raw string as a raw field shows it, in UTF-8: codes 0..31 as the
/// control pictures U+2400..U+241F, 127 as U+2421, every other code as its
/// Latin-1 character. One character per byte, so positions carry over.
std::string GlyphForm(std::string_view raw);

class RawField {
  public:
    /// `scratch` is the private clipboard shared by every raw field; the
    /// system clipboard is never used.
    explicit RawField(std::string& scratch) : scratch_(scratch) {}

    /// A different string; the caret goes to its end.
    void Load(std::string raw);
    const std::string& Raw() const { return raw_; }

    /// Caret and selection as the box has them before a key (clamped).
    void Select(size_t start, size_t length);
    size_t SelStart() const { return selStart_; }
    size_t SelLength() const { return selLength_; }

    /// A key going down with the modifier bits held. True when the key is
    /// consumed: the box must not act on it.
    bool KeyDown(int key, int modifiers);
    /// A typed character code 0..255. False when it is discarded.
    bool KeyPress(int code);
    /// Picked text (the character chart): replaces the selection.
    void Insert(std::string_view picked);

    /// Whether a rule asked for a beep since the last call.
    bool TakeBeep();

  private:
    void Replace(std::string_view text);
    void Erase(size_t from, size_t count);

    std::string& scratch_;
    std::string raw_;
    size_t selStart_ = 0;
    size_t selLength_ = 0;
    bool beep_ = false;
};

} // namespace pv
