#pragma once
// The key-name table of the hot key dialogs: the display name of each
// virtual-key code, and the order in which the key lists show the keys.
#include <array>
#include <cstdint>
#include <string>

namespace pv {

inline constexpr int kKeyTableSize = 226;
inline constexpr int kKeyListLength = 100; // list positions 0..99

/// Fills KeyNames (indexed by virtual-key code; "" for unnamed codes) and
/// KeyCodes (indexed by list position 0..99; positions beyond are 0).
/// Earlier contents are discarded.
void BuildKeyNameTable(std::array<std::string, kKeyTableSize>& KeyNames,
                       std::array<int16_t, kKeyTableSize>& KeyCodes);

} // namespace pv
