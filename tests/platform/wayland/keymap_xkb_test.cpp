// The uploaded keymap and the layouts read for uinput, checked by the same
// library compositors and programs decode keys with.
#include <gtest/gtest.h>

#include <memory>
#include <xkbcommon/xkbcommon.h>

#include "output/keystroke_keyboard.h"
#include "output/keystroke_keymap.h"
#include "platform/wayland/xkb_layout.h"

namespace pv {
namespace {

TEST(VirtualKeymap, TypesEveryCharacterAndNamedKey) {
    const VirtualKeymap keymap;
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> compiled(
        xkb_keymap_new_from_string(context.get(), keymap.Text().c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                   XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    ASSERT_TRUE(compiled) << keymap.Text();
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(compiled.get()),
                                                                 &xkb_state_unref);
    for (int c = 0x20; c < 0x100; ++c) {
        if (c >= 0x7F && c < 0xA0) continue;
        SCOPED_TRACE(c);
        const int key = UsLayoutKeyForChar(static_cast<unsigned char>(c));
        const int evdev = keymap.KeyOf(key & (kDirectChar | 0xFF));
        ASSERT_NE(evdev, 0);
        // Shift as the keyboard sends it: the Shift key's own code.
        const bool shift = key & kNeedsShift;
        xkb_state_update_key(state.get(), keymap.KeyOf(16) + 8, shift ? XKB_KEY_DOWN : XKB_KEY_UP);
        EXPECT_EQ(xkb_state_key_get_utf32(state.get(), xkb_keycode_t(evdev + 8)), uint32_t(c));
        xkb_state_update_key(state.get(), keymap.KeyOf(16) + 8, XKB_KEY_UP);
    }
    const std::pair<int, xkb_keysym_t> named[] = {
        {13, XKB_KEY_Return}, {9, XKB_KEY_Tab},   {116, XKB_KEY_F5},      {37, XKB_KEY_Left},
        {12, XKB_KEY_Clear},  {3, XKB_KEY_Break}, {20, XKB_KEY_Caps_Lock}};
    for (auto [vk, sym] : named) {
        SCOPED_TRACE(vk);
        EXPECT_EQ(xkb_state_key_get_one_sym(state.get(), xkb_keycode_t(keymap.KeyOf(vk) + 8)), sym);
    }
}

struct LayoutRow {
    const char* rule;
    uint32_t keysym;
    uint16_t evdev;
    int level;
};

TEST(XkbLayout, GermanPositions) {
    const auto layout = wayland::LayoutFromNames({"de", ""});
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->Level3Key(), 100); // right Alt is AltGr
    const LayoutRow rows[] = {
        {"ZWhereUsHasY", 'z', 21, 0},   {"CapitalOnShiftLevel", 'Y', 44, 1},
        {"AtOnAltGrQ", '@', 16, 2},     {"DegreeOverCircumflex", 0xB0, 41, 1},
        {"MicroOnAltGrM", 0xB5, 50, 2}, {"SharpSOnOwnKey", 0xDF, 12, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const auto place = layout->Find(row.keysym);
        EXPECT_EQ(place.Evdev, row.evdev);
        EXPECT_EQ(place.Level, row.level);
    }
}

} // namespace
} // namespace pv
