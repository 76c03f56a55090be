#include "output/keystroke_uinput.h"

namespace pv {

EvdevKeyboard::EvdevKeyboard(KeyLayout layout, InputEventWriter& out, std::function<void(int)> wait,
                             std::function<int()> msIntoSecond)
    : layout_(std::move(layout)), out_(out), wait_(std::move(wait)),
      msIntoSecond_(std::move(msIntoSecond)) {}

// As the X11 keyboard does: a character of a key's first two levels is that
// key's virtual key (named by the key's first-level character), with Shift
// for the second; anything else is typed directly.
int EvdevKeyboard::KeyForChar(unsigned char c) {
    if (const int control = ControlKeyForChar(c)) return control;
    const KeyLayout::Place place = layout_.Find(c);
    if (place.Evdev && place.Level < 2) {
        const uint32_t base = layout_.BaseSym(place.Evdev);
        const int key =
            base >= 0x20 && base < 0x7F ? UsLayoutKeyForChar(static_cast<unsigned char>(base)) : -1;
        if (key > 0 && !(key & (kDirectChar | kNeedsShift)) && KeyOfVk(key) == place.Evdev)
            return key | (place.Level == 1 ? kNeedsShift : 0);
    }
    return kDirectChar | c;
}

// Character keys are found by their first-level character in the layout;
// the others keep their US position.
uint16_t EvdevKeyboard::KeyOfVk(int vk) {
    const uint32_t sym = KeysymOfVk(vk);
    if (sym >= 0x20 && sym < 0x7F) {
        const KeyLayout::Place place = layout_.Find(sym);
        if (place.Evdev && place.Level == 0) return place.Evdev;
    }
    return uint16_t(EvdevCodeOfVk(vk));
}

void EvdevKeyboard::Emit(uint16_t evdev, bool down) {
    out_.Write(kEvKey, evdev, down ? 1 : 0);
    out_.Write(kEvSyn, 0, 0);
}

void EvdevKeyboard::KeyEvent(int code, bool down) {
    if (!(code & kDirectChar)) {
        if (const uint16_t evdev = KeyOfVk(code)) Emit(evdev, down);
        return;
    }
    const KeyLayout::Place place = layout_.Find(uint32_t(code & 0xFF));
    if (!place.Evdev) {
        dropped_ += down ? 1 : 0;
        return;
    }
    // The level's modifiers are held around the key only.
    const bool shift = place.Level & 1;
    const bool level3 = place.Level & 2;
    if (down) {
        if (level3) Emit(layout_.Level3Key(), true);
        if (shift) Emit(kEvdevLeftShift, true);
        Emit(place.Evdev, true);
    } else {
        Emit(place.Evdev, false);
        if (shift) Emit(kEvdevLeftShift, false);
        if (level3) Emit(layout_.Level3Key(), false);
    }
}

} // namespace pv
