#pragma once
// Key codes below the X11 layer: Linux input key codes (evdev, KEY_*) for
// the virtual-key codes of the macro language, the keymap the Wayland
// virtual keyboard uploads, and the desktop layout the uinput keyboard
// types through.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

/// The evdev key code at the position of virtual key `vk` on a US
/// keyboard; 0 for keys no evdev code is given to here.
int EvdevCodeOfVk(int vk);

/// The keysym a virtual key types without Shift on a US keyboard (Latin-1
/// keysyms equal their characters); 0 when unknown.
uint32_t KeysymOfVk(int vk);

/// A keymap of our own for a keyboard whose layout we choose: every key the
/// macro language names at its US position and every Latin-1 character from
/// 0xA0 on a key of its own, so no character needs the user's layout.
class VirtualKeymap {
  public:
    VirtualKeymap();
    /// The keymap in XKB text form, as a compositor compiles it.
    const std::string& Text() const { return text_; }
    /// The evdev key code for a Keyboard code (virtual key, or kDirectChar
    /// plus a character); 0 when the keymap has no such key.
    int KeyOf(int code) const;

  private:
    std::array<uint16_t, 256> vk_{};
    std::array<uint16_t, 256> direct_{};
    std::string text_;
};

/// One key of a desktop layout: evdev code and the keysyms of its levels
/// (plain, Shift, AltGr, AltGr+Shift; 0 where none).
struct LayoutKey {
    uint16_t Evdev = 0;
    std::array<uint32_t, 4> Syms{};
};

class KeyLayout {
  public:
    /// `level3` is the evdev code of the AltGr key, 0 when the layout has
    /// none (its third and fourth levels are then left unused).
    KeyLayout(std::vector<LayoutKey> keys, uint16_t level3);
    /// The US layout, used when the desktop's layout cannot be read.
    static KeyLayout Us();

    struct Place {
        uint16_t Evdev = 0; // 0: the layout cannot type it
        int Level = 0;
    };
    /// The key and level typing `keysym`, the lowest level first.
    Place Find(uint32_t keysym) const;
    /// The keysym of a key's first level, 0 when the key is not in the layout.
    uint32_t BaseSym(uint16_t evdev) const;
    uint16_t Level3Key() const { return level3_; }

  private:
    std::vector<LayoutKey> keys_;
    uint16_t level3_;
};

/// The layout and variant names (first of a comma list) from
/// XKB_DEFAULT_LAYOUT / XKB_DEFAULT_VARIANT, else from the text of
/// /etc/default/keyboard (XKBLAYOUT=, XKBVARIANT=). Empty: unknown.
struct LayoutNames {
    std::string Layout;
    std::string Variant;
};
LayoutNames ReadLayoutNames(const char* envLayout, const char* envVariant,
                            std::string_view defaultKeyboardFile);
/// The first layout of KDE's kxkbrc (LayoutList=, VariantList=).
LayoutNames LayoutFromKdeConfig(std::string_view kxkbrc);
/// The first xkb entry of GNOME's input sources as gsettings prints them:
/// "[('xkb', 'de+nodeadkeys'), ('xkb', 'us')]".
LayoutNames LayoutFromGnomeSources(std::string_view sources);

} // namespace pv
