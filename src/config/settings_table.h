#pragma once
// Every saved setting by name, in the order of the settings tables, for
// the tools that list and edit configurations by name.
#include <functional>
#include <string>
#include <variant>

#include "config/config.h"

namespace pv {

using SettingRef = std::variant<int16_t*, int32_t*, std::string*>;

/// Calls `visit(name, index, ref)` for every saved setting: index is -1 for
/// a scalar, else every slot of the array's storage range.
void ForEachSetting(
    Settings& settings,
    const std::function<void(const std::string& name, int index, SettingRef ref)>& visit);

/// Sets one setting from its printable form ("Name" or "Name(i)" and a
/// value with \xHH escapes). Returns "" on success, else why not.
std::string SetSetting(Settings& settings, const std::string& nameWithIndex,
                       const std::string& escapedValue);

} // namespace pv
