#pragma once
// Starting the target program of Send Keystrokes mode.
#include <string>

#include "output/keystroke_target.h"

namespace pv::x11 {

/// Splits `commandLine` as a shell would (quotes, backslashes) and starts the
/// program detached. The error is the system's description.
WindowSystem::StartResult StartDetachedProgram(const std::string& commandLine);

} // namespace pv::x11
