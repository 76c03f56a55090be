#pragma once
// The broker password: in the desktop's secret store (the Secret Service
// D-Bus API, as keyrings and password managers offer it) when one answers
// and is unlocked, else in a file only the user can read.
#include <string>

namespace pv {

/// False when neither place holds one.
bool LoadMqttPassword(std::string& password);
/// Saves (or with "" removes) the password; `where` names the place used.
bool StoreMqttPassword(const std::string& password, std::string& where, std::string& why);

} // namespace pv
