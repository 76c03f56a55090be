#pragma once
// Every saved setting in one table: its name, its storage, and where it sits
// in both versions of the configuration file. The file reader, the writer
// and the tools that list and edit settings by name all walk this table, so
// a new setting is one row: member, name, form and its positions (a new one
// goes after the last line, an empty version-2 list as version 2 lacks it).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/config.h"

namespace pv {

/// How a setting is stored on its lines of the file.
enum class Form : uint8_t {
    Number,    // a number line
    Text,      // the line itself
    KeyText,   // text; "{ }" reads as one space
    PreInput,  // "Ignore", "Void Record", or the character's code
    Delimiter, // version 3: a code line; version 2: the line's first byte
    Codes,     // a 256-byte string as 256 code lines
    Counted,   // version 3: a count line and the bytes in the raw block;
               // version 2: a count line directly followed by the bytes
    TrailText, // after the raw block; an absent line leaves it unchanged
    TrailInt,  // its digits alone; absent or not a number gives 0
};

enum class Kind : uint8_t { Int16, Int32, Text };

/// Indices first..last of a setting (-1 for a scalar) sit at position
/// `key + stride * (i - first)` of one ordering of the file.
struct Run {
    int first, last, key, stride;
};

struct SettingDef {
    const char* name;
    Kind kind;
    int slots; // storage slots of an array; 0 for a scalar
    Form form;
    std::vector<Run> v3;    // version 3: line number
    std::vector<Run> block; // version 3: order in the raw block (Counted only)
    std::vector<Run> v2;    // version 2: order of items; empty when absent
    int64_t (*number)(const Settings&, int index);
    void (*setNumber)(Settings&, int index, int64_t value);
    std::string& (*text)(Settings&, int index);
};

/// The table, in the order `config show` lists the settings.
const std::vector<SettingDef>& SettingsTable();

/// The last line of the version-3 text half; the raw block follows it.
constexpr int kLastTextLine = 1461;

/// `visit(def, index)` for every saved setting: index -1 for a scalar, else
/// every slot of the array's storage range.
void ForEachSetting(const std::function<void(const SettingDef& def, int index)>& visit);

/// The printable form of one setting's value (text with \xHH escapes).
std::string ShowSetting(const Settings& settings, const SettingDef& def, int index);

/// Sets one setting from its printable form ("Name" or "Name(i)" and a
/// value with \xHH escapes). Returns "" on success, else why not.
std::string SetSetting(Settings& settings, const std::string& nameWithIndex,
                       const std::string& escapedValue);

} // namespace pv
