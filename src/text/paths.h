#pragma once
// Paths the user types into settings and commands.
#include <string>

namespace pv {

/// A leading "~/" (or a lone "~") becomes the user's home folder ($HOME,
/// else the password database); any other path comes back unchanged.
std::string ExpandHome(const std::string& path);

} // namespace pv
