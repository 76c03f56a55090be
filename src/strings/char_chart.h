#pragma once
// The look-up behind the character chart's search box.
#include <string>
#include <string_view>

namespace pv {

/// The code a search text names: a decimal number 0..255, a control name
/// ("cr", "ESC", "tab", "space", "del"), or a single character; -1 when
/// it names none.
int FindCharCode(std::string_view query);

} // namespace pv
