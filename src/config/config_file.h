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

/// What a look at a file's first two lines found.
struct FileCheck {
    enum Outcome : uint8_t { NoName, Missing, Unreadable, NotConfig, Valid };
    Outcome outcome = NoName;
    int16_t commPort = -1; // the CommPort on line 2; -1 unless Valid
    std::string why;       // why not Valid
    bool ok() const { return outcome == Valid; }
};

/// Reads line 1 and 2 of a file. A first line that is no header is told to
/// the user; every other outcome is left to the caller.
FileCheck CheckFile(const std::string& fileName, MessageSink& messages);

/// Reads ConfigFileName into the configuration. On a file that ends early
/// or holds a malformed item nothing is changed, the user is told, and
/// false comes back.
bool ReadConfigFile(Config& config, MessageSink& messages);

/// Replaces ConfigFileName with the configuration in version 3; on failure
/// the old file is untouched and the user is told why.
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
