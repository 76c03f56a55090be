#pragma once
// The ".PV3" configuration file: version 3 read and written, version 2 read
// and converted.
#include <cstdint>
#include <string>

#include "config/config.h"
#include "text/messages.h"

namespace pv {

constexpr const char* kHeaderVersion3 = "Portivox Configuration File Version 3.0";
constexpr const char* kHeaderVersion2 = "Portivox Configuration File Version 2.0";

/// -2 for an empty name; -1 when the file cannot be read, line 2 is no
/// number, or line 1 is no header (the last after telling the user);
/// otherwise the CommPort value on line 2.
int16_t CheckFile(const std::string& fileName, MessageSink& messages);

/// Reads ConfigFileName into the configuration. On a file that ends early
/// or holds a malformed item nothing is changed, the user is told, and
/// false comes back.
bool ReadConfigFile(Config& config, MessageSink& messages);

/// Writes the configuration to ConfigFileName in version 3.
bool WriteConfigFile(Config& config, MessageSink& messages);

/// File Open / New / recent file / start-up: check, then read or reset.
void LoadConfiguration(Config& config, MessageSink& messages);

/// The file's bytes in version 3, as WriteConfigFile writes them. Empty
/// with `error` set when a setting cannot be stored.
std::string SerializeConfig(const Settings& settings, std::string* error = nullptr);

/// Parses a whole file image into `settings` (which keeps the values a
/// version-2 file does not carry). `version` gets 2 or 3. On failure
/// `settings` may be half written: callers parse into a copy.
bool ParseConfig(const std::string& bytes, Settings& settings, int& version,
                 std::string* error = nullptr);

} // namespace pv
