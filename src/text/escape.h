#pragma once
// The printable form of byte strings used by every command-line tool:
// bytes outside 0x20..0x7E and the backslash itself become \xHH.
#include <optional>
#include <string>
#include <string_view>

namespace pv {

std::string EscapeBytes(std::string_view bytes);

/// Reverses EscapeBytes; also accepts lower-case hex digits. A backslash
/// not followed by "x" and two hex digits is an error (nullopt).
std::optional<std::string> UnescapeBytes(std::string_view text);

} // namespace pv
