#pragma once
// Windows of Wayland compositors that let a client find and focus them:
// sway through its IPC socket, Hyprland through its control socket. Other
// compositors keep their windows to themselves.
#include <memory>

#include "output/keystroke_target.h"

namespace pv::wayland {

/// sway's windows ($SWAYSOCK); null when sway is not running.
std::unique_ptr<WindowSystem> OpenSwayWindows();
/// Hyprland's windows ($HYPRLAND_INSTANCE_SIGNATURE); null when not running.
std::unique_ptr<WindowSystem> OpenHyprlandWindows();

} // namespace pv::wayland
