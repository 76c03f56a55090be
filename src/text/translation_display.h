#pragma once
// The fixed left part of each line of the translation dialog's list: code,
// character and control-code name, to which the dialog appends the current
// translation. Byte strings: the character itself is the raw byte.
#include <array>
#include <string>

namespace pv {

/// Fills all 256 lines, indexed by character code.
void BuildTranslationDisplay(std::array<std::string, 256>& TranslationDisplay);

/// The three-character name of control code 0..31 ("NUL", "BS ", "CR ",
/// "SUB"...); "" for any other code.
std::string ControlCodeName(int code);

} // namespace pv
