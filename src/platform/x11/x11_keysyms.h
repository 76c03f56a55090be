#pragma once
// Virtual-key codes (the internal key codes of macros and hot keys) and the
// X keysyms of a US keyboard's keys. Letters and digits map to their
// unshifted keysym; punctuation keys as on a US layout.
#include <cstdint>

namespace pv::x11 {

/// The keysym of a virtual-key code; 0 when the code names no key.
unsigned long VkToKeysym(int vk);

/// The virtual-key code of a keysym (either case of a letter); 0 when none.
int KeysymToVk(unsigned long keysym);

} // namespace pv::x11
