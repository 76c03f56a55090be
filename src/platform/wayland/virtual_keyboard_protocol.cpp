#include "platform/wayland/virtual_keyboard_protocol.h"

#include <wayland-client.h>

namespace pv::wayland {

namespace {

// Argument types of the requests in order: create_virtual_keyboard takes a
// seat and a new keyboard; the keyboard's requests take plain values.
const wl_interface* kTypes[] = {
    &wl_seat_interface, &kVirtualKeyboardInterface, nullptr, nullptr, nullptr, nullptr};

const wl_message kManagerRequests[] = {
    {"create_virtual_keyboard", "on", kTypes},
};

const wl_message kKeyboardRequests[] = {
    {"keymap", "uhu", kTypes + 2},
    {"key", "uuu", kTypes + 2},
    {"modifiers", "uuuu", kTypes + 2},
    {"destroy", "", kTypes + 2},
};

enum : uint32_t { kCreate = 0 };
enum : uint32_t { kKeymap = 0, kKey = 1, kModifiers = 2, kDestroy = 3 };

} // namespace

const wl_interface kVirtualKeyboardManagerInterface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, kManagerRequests, 0, nullptr};
const wl_interface kVirtualKeyboardInterface = {"zwp_virtual_keyboard_v1", 1, 4,
                                                kKeyboardRequests,         0, nullptr};

wl_proxy* CreateVirtualKeyboard(wl_proxy* manager, wl_seat* seat) {
    return wl_proxy_marshal_flags(manager, kCreate, &kVirtualKeyboardInterface,
                                  wl_proxy_get_version(manager), 0, seat, nullptr);
}

void UploadKeymap(wl_proxy* keyboard, int fd, uint32_t size) {
    wl_proxy_marshal_flags(keyboard, kKeymap, nullptr, wl_proxy_get_version(keyboard), 0,
                           kKeymapFormatXkbV1, fd, size);
}

void SendKey(wl_proxy* keyboard, uint32_t timeMs, uint32_t key, bool pressed) {
    wl_proxy_marshal_flags(keyboard, kKey, nullptr, wl_proxy_get_version(keyboard), 0, timeMs, key,
                           pressed ? 1u : 0u);
}

void SendModifiers(wl_proxy* keyboard, uint32_t depressed, uint32_t latched, uint32_t locked) {
    wl_proxy_marshal_flags(keyboard, kModifiers, nullptr, wl_proxy_get_version(keyboard), 0,
                           depressed, latched, locked, 0u);
}

void DestroyVirtualKeyboard(wl_proxy* keyboard) {
    wl_proxy_marshal_flags(keyboard, kDestroy, nullptr, wl_proxy_get_version(keyboard),
                           WL_MARSHAL_FLAG_DESTROY);
}

} // namespace pv::wayland
