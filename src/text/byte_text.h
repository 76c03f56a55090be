#pragma once
// The one set of rules for byte text (settings, device data, titles).
//
// Case mapping is Latin-1: a..z and the accented letters 0xE0..0xFE (but
// 0xF7, the division sign) map to 0xC0..0xDE. Every byte reaches the
// desktop through Latin-1 (bytes 0..255 are U+0000..U+00FF), so this is the
// mapping under which a title the window system reports and the text the
// user typed compare as the user reads them. 0xDF and 0xFF have no one-byte
// upper case and stay.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pv {

char UpperByte(char c);
char LowerByte(char c);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

/// Without leading and trailing blanks (spaces and tabs).
std::string_view Trim(std::string_view text);

/// A whole number in lo..hi: blanks around it and an optional sign; nothing
/// else may follow.
std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi);

} // namespace pv
