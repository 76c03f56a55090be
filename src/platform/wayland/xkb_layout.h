#pragma once
// The desktop's keyboard layout read through xkbcommon and the system's
// keyboard descriptions, for the uinput keyboard.
#include <optional>

#include "output/keystroke_keymap.h"

namespace pv::wayland {

/// The layout of `names` (an empty layout name: "us"); nullopt when
/// xkbcommon does not know it.
std::optional<KeyLayout> LayoutFromNames(const LayoutNames& names);

} // namespace pv::wayland
