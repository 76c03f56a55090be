#include "platform/wayland/xkb_layout.h"

#include <memory>
#include <xkbcommon/xkbcommon.h>

namespace pv::wayland {

namespace {
constexpr uint16_t kRightAlt = 100;
} // namespace

std::optional<KeyLayout> LayoutFromNames(const LayoutNames& names) {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_FLAGS), &xkb_context_unref);
    if (!context) return std::nullopt;
    const std::string layout = names.Layout.empty() ? "us" : names.Layout;
    const xkb_rule_names rmlvo = {"evdev", "pc105", layout.c_str(), names.Variant.c_str(), ""};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    if (!keymap) return std::nullopt;

    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);
    const xkb_mod_index_t mod5 = xkb_keymap_mod_get_index(keymap.get(), "Mod5");
    const xkb_mod_mask_t level3 = mod5 == XKB_MOD_INVALID ? 0 : 1u << mod5;
    // Masks of the four levels in LayoutKey order.
    const xkb_mod_mask_t wanted[4] = {0, shift, level3, shift | level3};

    std::vector<LayoutKey> keys;
    uint16_t level3Key = 0;
    for (xkb_keycode_t kc = 9; kc <= 255; ++kc) {
        LayoutKey key;
        key.Evdev = uint16_t(kc - 8);
        const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap.get(), kc, 0);
        for (xkb_level_index_t level = 0; level < levels; ++level) {
            const xkb_keysym_t* syms = nullptr;
            if (xkb_keymap_key_get_syms_by_level(keymap.get(), kc, 0, level, &syms) != 1) continue;
            xkb_mod_mask_t masks[8];
            const size_t n =
                xkb_keymap_key_get_mods_for_level(keymap.get(), kc, 0, level, masks, 8);
            for (size_t m = 0; m < n; ++m)
                for (size_t slot = 0; slot < 4; ++slot)
                    if (masks[m] == wanted[slot] && !key.Syms[slot] && (slot < 2 || level3))
                        key.Syms[slot] = syms[0];
        }
        // Right Alt where it is AltGr: some layouts add a key no keyboard has.
        if (key.Syms[0] == XKB_KEY_ISO_Level3_Shift && (!level3Key || key.Evdev == kRightAlt))
            level3Key = key.Evdev;
        if (key.Syms[0] || key.Syms[1]) keys.push_back(key);
    }
    return KeyLayout(std::move(keys), level3Key);
}

} // namespace pv::wayland
