#pragma once
// "Start at login": an XDG autostart entry that starts the desktop program,
// with a configuration file when one is given (which runs it at once).
//
//   std::string path = AutostartPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
//   if (!SetAutostart(path, true, "/usr/bin/portivox", config.ConfigFileName, why)) ...
#include <string>

namespace pv {

/// $XDG_CONFIG_HOME/autostart/portivox.desktop; ~/.config when the
/// variable is unset, empty or not an absolute path. Empty without either.
std::string AutostartPath(const char* xdgConfigHome, const char* home);

/// The entry's text: `program`, then `configFile` unless empty, quoted and
/// escaped as the Exec key requires.
std::string AutostartEntry(const std::string& program, const std::string& configFile);

/// Whether an entry is there.
bool AutostartEnabled(const std::string& path);

/// Writes the entry atomically (creating its folder) or removes it. False
/// with `why` when that failed; removing a missing entry succeeds.
bool SetAutostart(const std::string& path, bool on, const std::string& program,
                  const std::string& configFile, std::string& why);

} // namespace pv
