#pragma once
// What the two key pickers return: a keystroke macro for the keystroke
// list (translations, preambles, postambles) and a hot key code with its
// key text for the hot key list. Modifier bits: 1 Shift, 2 Ctrl, 4 Alt.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

/// The keystroke list: "NUL", the named keys, F1..F16, then the characters
/// 33..126 and 161..255 as themselves.
std::vector<std::string> KeystrokeList();

/// The macro for a picked list entry: "NUL" stays "NUL"; names and the
/// macro's own characters are wrapped in braces, "{SPACE}" written "{ }";
/// the modifiers put "+", "^", "%" in front, except for characters above
/// 127 and the pre-input keywords.
std::string KeystrokeMacro(std::string_view name, int modifiers);

/// "SHIFT+CTRL+ALT+" (the parts held) followed by the key name.
std::string HotKeyText(int modifiers, std::string_view keyName);

/// Modifier bits in the high byte, the virtual-key code in the low byte.
int16_t HotKeyCode(int modifiers, int16_t keyCode);

} // namespace pv
