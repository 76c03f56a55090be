#pragma once
// Client side of the virtual-keyboard protocol (zwp_virtual_keyboard_v1),
// written from the protocol's description: a manager global creates a
// keyboard for a seat; the keyboard takes a keymap, key events and the
// modifier state.
#include <cstdint>

struct wl_interface;
struct wl_proxy;
struct wl_seat;

namespace pv::wayland {

extern const wl_interface kVirtualKeyboardManagerInterface;
extern const wl_interface kVirtualKeyboardInterface;

inline constexpr uint32_t kKeymapFormatXkbV1 = 1; // wl_keyboard.keymap_format

/// The new keyboard of `seat`, made by the manager proxy.
wl_proxy* CreateVirtualKeyboard(wl_proxy* manager, wl_seat* seat);
void UploadKeymap(wl_proxy* keyboard, int fd, uint32_t size);
void SendKey(wl_proxy* keyboard, uint32_t timeMs, uint32_t key, bool pressed);
void SendModifiers(wl_proxy* keyboard, uint32_t depressed, uint32_t latched, uint32_t locked);
void DestroyVirtualKeyboard(wl_proxy* keyboard);

} // namespace pv::wayland
