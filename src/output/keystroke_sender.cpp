#include "output/keystroke_sender.h"

#include <cmath>
#include <string>
#include <vector>

#include "expr/leading_number.h"
#include "text/byte_text.h"

namespace pv {

namespace {

struct KeyNameRow {
    const char* name;
    int code;
};

// Searched in this order.
constexpr KeyNameRow kKeyNames[] = {
    {"CAPSLOCK", 20}, {"NUMLOCK", 144}, {"SCROLLOCK", 145}, {"ESCAPE", 27}, {"ESC", 27},
    {"ENTER", 13},    {"HELP", 47},     {"PRTSC", 44},      {"TAB", 9},     {"BREAK", 19},
    {"CLEAR", 12},    {"BACKSPACE", 8}, {"BS", 8},          {"BKSP", 8},    {"DELETE", 46},
    {"DEL", 46},      {"INSERT", 45},   {"LEFT", 37},       {"RIGHT", 39},  {"UP", 38},
    {"DOWN", 40},     {"PGUP", 33},     {"PGDN", 34},       {"HOME", 36},   {"END", 35},
    {"F1", 112},      {"F2", 113},      {"F3", 114},        {"F4", 115},    {"F5", 116},
    {"F6", 117},      {"F7", 118},      {"F8", 119},        {"F9", 120},    {"F10", 121},
    {"F11", 122},     {"F12", 123},     {"F13", 124},       {"F14", 125},   {"F15", 126},
    {"F16", 127},
};
static_assert(std::size(kKeyNames) == 41);

// A number as the 16-bit integer that holds it; false when it does not fit.
bool ToInt16(double v, long& out) {
    if (std::isnan(v)) {
        out = 0;
        return true;
    }
    v = std::nearbyint(v); // ties to even
    if (v < -32768.0 || v > 32767.0) return false;
    out = long(v);
    return true;
}

} // namespace

int LookupKeyName(std::string_view name, Keyboard& keyboard) {
    if (name.size() == 1) return keyboard.KeyForChar(static_cast<unsigned char>(name[0]));
    name = Trim(name);
    for (const auto& row : kKeyNames) {
        std::string_view candidate(row.name);
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = UpperByte(name[i]) == candidate[i];
        if (same) return row.code;
    }
    return 0;
}

int KeystrokeSender::CharAt(size_t pos) const {
    if (pos < 1 || pos > macro_.size()) return -1;
    return static_cast<unsigned char>(macro_[pos - 1]);
}

int16_t KeystrokeSender::Append(int code) {
    if (write_ >= kKeyQueueSize) return MacroQueueFull;
    queue_[write_++] = static_cast<uint16_t>(code);
    return MacroOk;
}

// `key` as KeyForChar gives it; -1 (no key) queues Shift, 255, Shift like
// any key that needs Shift.
int16_t KeystrokeSender::AppendKey(int key, long count) {
    bool shift;
    int code;
    if (key == -1) {
        shift = true;
        code = 255;
    } else if (key & kDirectChar) {
        shift = false;
        code = kDirectChar | (key & 0xFF);
    } else {
        shift = (key & kNeedsShift) != 0;
        code = key & 0xFF;
    }
    if (shift && Append(kShiftCode)) return MacroQueueFull;
    for (long i = 0; i < count; ++i)
        if (Append(code)) return MacroQueueFull;
    if (shift && Append(kShiftCode)) return MacroQueueFull;
    return MacroOk;
}

int16_t KeystrokeSender::ParseBraceGroup() {
    const size_t p = pos_;
    const size_t len = macro_.size();
    int key = 0;
    size_t s = p;
    if (CharAt(p + 1) == '}') {
        key = keyboard_.KeyForChar('}');
        s = p + 1;
    }
    do {
        ++s;
    } while (s <= len && CharAt(s) != ' ' && CharAt(s) != '}');
    if (s > len) return MacroOpenBrace;
    if (key == 0) {
        key = LookupKeyName(macro_.substr(p, s - p - 1), keyboard_);
        if (key == 0) return MacroUnknownKey;
    }
    long count = 1;
    if (CharAt(s) == ' ') {
        const auto number = ReadLeadingNumber(macro_.substr(s));
        if (number.Overflow || !ToInt16(number.Value, count)) return MacroQueueFull;
    }
    if (count == 0) return MacroZeroCount;
    if (count < 0) return MacroQueueFull; // would never end within the queue
    if (int16_t r = AppendKey(key, count)) return r;
    while (s <= len && CharAt(s) != '}')
        ++s;
    if (s > len) return MacroOpenBrace;
    pos_ = s;
    return MacroOk;
}

// One item, nesting kept on an explicit stack so that a deeply nested
// macro cannot exhaust the call stack.
int16_t KeystrokeSender::ParseMacroItem() {
    struct Frame {
        int modifier; // 0 for a "(" group
    };
    std::vector<Frame> stack;
    const size_t len = macro_.size();
    int16_t r = MacroOk;

    for (;;) {
        // Start of an item.
        ++pos_;
        if (pos_ > len) {
            r = MacroOk;
        } else {
            const int c = CharAt(pos_);
            switch (c) {
            case '{': r = ParseBraceGroup(); break;
            case '(':
                stack.push_back({0});
                r = MacroOk;
                break;
            case '~': r = Append(13); break;
            case '+':
            case '^':
            case '%': {
                const int code = c == '+' ? kShiftCode : c == '^' ? kCtrlCode : kAltCode;
                r = Append(code);
                if (r == MacroOk) {
                    stack.push_back({code});
                    continue; // the modified item
                }
                break;
            }
            default: r = AppendKey(keyboard_.KeyForChar(static_cast<unsigned char>(c)), 1); break;
            }
        }

        // Complete the enclosing frames while they can be completed.
        bool more = false;
        while (!stack.empty()) {
            if (r != MacroOk) return r;
            Frame& top = stack.back();
            if (top.modifier != 0) {
                r = Append(top.modifier);
                stack.pop_back();
                continue;
            }
            // Inside "(": another item unless ")" follows or the text ended.
            if (CharAt(pos_ + 1) != ')' && pos_ <= len) {
                more = true;
                break;
            }
            stack.pop_back();
            if (pos_ <= len) {
                ++pos_;
                r = MacroOk;
            } else {
                r = MacroOpenGroup;
            }
        }
        if (!more) return r;
    }
}

int16_t KeystrokeSender::ParseMacro(std::string_view macro) {
    macro_ = macro;
    read_ = write_ = 0;
    pos_ = 0;
    int16_t r = MacroOk;
    while (pos_ <= macro_.size() && r == MacroOk)
        r = ParseMacroItem();
    return r;
}

bool KeystrokeSender::NextKeyEvent(int& code, bool& down) {
    if (code == -1) {
        current_ = 0;
        releasePending_ = shiftDown_ = ctrlDown_ = altDown_ = false;
        read_ = 0;
        return false;
    }
    const bool modifier = current_ == kShiftCode || current_ == kCtrlCode || current_ == kAltCode;
    if (current_ != 0 && !modifier && releasePending_) {
        code = current_;
        down = false;
        releasePending_ = false;
        current_ = 0;
        return true;
    }
    if (read_ == write_) return false;
    current_ = queue_[read_++];
    code = current_;
    bool* flag = current_ == kShiftCode  ? &shiftDown_
                 : current_ == kCtrlCode ? &ctrlDown_
                 : current_ == kAltCode  ? &altDown_
                                         : nullptr;
    if (flag) {
        *flag = !*flag;
        down = *flag;
    } else {
        down = true;
        releasePending_ = true;
    }
    return true;
}

void KeystrokeSender::ToggleCapsLock() {
    keyboard_.KeyEvent(kCapsLockCode, true);
    keyboard_.KeyEvent(kCapsLockCode, false);
}

void KeystrokeSender::PlayQueue() {
    int code = -1;
    bool down = false;
    NextKeyEvent(code, down);
    keyboard_.Prepare(queue_.data(), write_);

    const KeyboardState saved = keyboard_.GetState();
    keyboard_.SetState(KeyboardState{});
    const bool capsOn = saved[kCapsLockCode] != 0;
    if (capsOn) ToggleCapsLock();

    code = 0;
    while (NextKeyEvent(code, down)) {
        keyboard_.KeyEvent(code, down);
        if (code == kAltCode && !down) {
            // Lets the target's menu settle: until the clock shows the second
            // after next, 1 to 2 s.
            keyboard_.Wait(2000 - keyboard_.MillisecondsIntoSecond());
        }
        if (delay_ > 0) keyboard_.Wait(delay_);
    }

    keyboard_.SetState(saved);
    if (capsOn) ToggleCapsLock();
    keyboard_.MacroFinished();
}

int16_t KeystrokeSender::SendMacro(std::string_view macro) {
    const int16_t r = ParseMacro(macro);
    if (r == MacroOk) PlayQueue();
    return r;
}

int16_t KeystrokeSender::SendKeystrokeText(std::string_view text) {
    int16_t first = MacroOk;
    auto keep = [&](int16_t r) {
        if (first == MacroOk) first = r;
    };
    for (;;) {
        size_t at = std::string_view::npos;
        for (size_t i = 0; i + 6 <= text.size(); ++i) {
            static constexpr std::string_view kDelay = "{DELAY";
            bool match = true;
            for (size_t k = 0; k < kDelay.size() && match; ++k)
                match = UpperByte(text[i + k]) == kDelay[k];
            if (match) {
                at = i;
                break;
            }
        }
        if (at == std::string_view::npos) break;
        const size_t close = text.find('}', at);
        if (close == std::string_view::npos) {
            keep(MacroOpenBrace);
            return first;
        }
        if (at > 0) keep(SendMacro(text.substr(0, at)));
        const auto number = ReadLeadingNumber(Trim(text.substr(at + 6, close - at - 6)));
        long ms = 0;
        if (!ToInt16(number.Value, ms) || number.Overflow) ms = number.Value < 0 ? 0 : 32767;
        if (ms > 0) keyboard_.Wait(int(ms));
        text = text.substr(close + 1);
    }
    if (!text.empty()) keep(SendMacro(text));
    return first;
}

} // namespace pv
