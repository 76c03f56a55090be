#pragma once
// The desktop program's command line: an optional configuration path and
// the switch "/K", which is removed and has no other effect.
#include <string>
#include <string_view>
#include <vector>

namespace pv {

/// The configuration path a command line names ("" for none):
/// 1. the first "/K" (either case) that stands as a switch is cut out and the
///    text before and after it joined unchanged. A switch begins the text or
///    follows a blank or a double quote, and ends the text or is followed by
///    one of those; so "/k" inside a path such as "/home/kim/a.PV3" stays;
/// 2. a leading and a trailing double quote are removed (before trimming);
/// 3. blanks around the rest are trimmed. The path's case is kept.
std::string ConfigPathFromCommandLine(std::string_view commandLine);

/// The command line of the program's arguments (argv[1..]): the arguments
/// joined with single blanks.
std::string JoinArguments(const std::vector<std::string>& args);

} // namespace pv
