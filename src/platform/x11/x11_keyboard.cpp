#include "platform/x11/x11_keyboard.h"

#include "output/keyboard_wait.h"
#include "platform/x11/x11_keysyms.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace pv::x11 {

std::unique_ptr<X11Keyboard> X11Keyboard::Create(_XDisplay* display, std::string& error) {
    int eventBase, errorBase, major, minor;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
        error = "the X server has no XTest extension";
        return nullptr;
    }
    return std::unique_ptr<X11Keyboard>(new X11Keyboard(display));
}

X11Keyboard::X11Keyboard(_XDisplay* display) : dpy_(display) {
    XDisplayKeycodes(dpy_, &minKeycode_, &maxKeycode_);
    LoadMapping();
}

X11Keyboard::~X11Keyboard() {
    UnbindSpares();
}

void X11Keyboard::LoadMapping() {
    int count = maxKeycode_ - minKeycode_ + 1;
    KeySym* syms = XGetKeyboardMapping(dpy_, KeyCode(minKeycode_), count, &symsPerKeycode_);
    map_.assign(syms, syms + size_t(count) * size_t(symsPerKeycode_));
    XFree(syms);
}

KeySym X11Keyboard::SymAt(int keycode, int level) const {
    if (keycode < minKeycode_ || keycode > maxKeycode_ || level >= symsPerKeycode_) return NoSymbol;
    return map_[size_t(keycode - minKeycode_) * size_t(symsPerKeycode_) + size_t(level)];
}

// Only the first two levels: the ones reached with and without Shift.
bool X11Keyboard::FindKey(KeySym keysym, int& keycode, int& level) const {
    for (int lv = 0; lv < 2; ++lv) {
        for (int kc = minKeycode_; kc <= maxKeycode_; ++kc) {
            if (SymAt(kc, lv) == keysym) {
                keycode = kc;
                level = lv;
                return true;
            }
        }
    }
    return false;
}

int X11Keyboard::KeycodeOfVk(int vk) {
    const KeySym ks = VkToKeysym(vk);
    if (!ks) return 0;
    int kc, level;
    if (FindKey(ks, kc, level)) return kc;
    return BindSpare(ks);
}

int X11Keyboard::KeyForChar(unsigned char c) {
    if (const int control = ControlKeyForChar(c)) return control;
    const KeySym ks = c; // Latin-1 keysyms equal the character codes
    int kc, level;
    if (FindKey(ks, kc, level)) {
        const int vk = KeysymToVk(SymAt(kc, 0));
        if (vk != 0 && vk != 16 && vk != 17 && vk != 18) {
            int vkKey, vkLevel;
            if (FindKey(VkToKeysym(vk), vkKey, vkLevel) && vkKey == kc)
                return vk | (level == 1 ? kNeedsShift : 0);
        }
    }
    return kDirectChar | c;
}

void X11Keyboard::Fake(int keycode, bool down) {
    if (keycode <= 0) return;
    XTestFakeKeyEvent(dpy_, unsigned(keycode), down ? True : False, CurrentTime);
    XFlush(dpy_);
}

KeySym X11Keyboard::KeysymOfCode(int code) const {
    return (code & kDirectChar) ? KeySym(code & 0xFF) : VkToKeysym(code);
}

// Binds every keysym the macro lacks before the first key event: a client
// then sees all the mapping changes before any key that needs them.
void X11Keyboard::Prepare(const uint16_t* codes, size_t count) {
    LoadMapping();
    bool bound = false;
    for (size_t i = 0; i < count; ++i) {
        const KeySym ks = KeysymOfCode(codes[i]);
        int kc, level;
        if (!ks || (FindKey(ks, kc, level) && (level == 0 || !(codes[i] & kDirectChar)))) continue;
        bool known = false;
        for (const auto& sp : spares_)
            known |= sp.keysym == ks;
        if (!known && BindSpare(ks, false)) bound = true;
    }
    if (bound) {
        XSync(dpy_, False);
        Wait(20);
    }
}

void X11Keyboard::KeyEvent(int code, bool down) {
    if (code & kDirectChar) {
        const KeySym ks = KeySym(code & 0xFF);
        int kc, level;
        if (FindKey(ks, kc, level) && level == 0) {
            Fake(kc, down);
        } else {
            Fake(BindSpare(ks), down);
        }
        return;
    }
    Fake(KeycodeOfVk(code), down);
}

// Each character keeps its own spare keycode for the life of this object:
// clients read the mapping lazily, so rebinding a key they have not yet
// looked up would change what they see.
int X11Keyboard::BindSpare(KeySym keysym, bool sync) {
    if (!sparesFound_) {
        sparesFound_ = true;
        for (int kc = maxKeycode_; kc >= minKeycode_; --kc) {
            bool empty = true;
            for (int lv = 0; lv < symsPerKeycode_ && empty; ++lv)
                empty = SymAt(kc, lv) == NoSymbol;
            if (empty) spares_.push_back({kc, NoSymbol, 0});
        }
    }
    if (spares_.empty()) return 0;
    Spare* pick = nullptr;
    for (auto& sp : spares_) {
        if (sp.keysym == keysym) {
            sp.lastUse = ++useCounter_;
            return sp.keycode;
        }
        if (!pick ||
            (pick->keysym != NoSymbol && (sp.keysym == NoSymbol || sp.lastUse < pick->lastUse)))
            pick = &sp;
    }
    if (pick->keysym != NoSymbol) Wait(100); // let clients finish with the old binding
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(dpy_, pick->keycode, 2, syms, 1);
    if (sync) XSync(dpy_, False);
    pick->keysym = keysym;
    pick->lastUse = ++useCounter_;
    return pick->keycode;
}

void X11Keyboard::UnbindSpares() {
    bool changed = false;
    for (auto& sp : spares_) {
        if (sp.keysym == NoSymbol) continue;
        KeySym syms[2] = {NoSymbol, NoSymbol};
        XChangeKeyboardMapping(dpy_, sp.keycode, 2, syms, 1);
        sp.keysym = NoSymbol;
        changed = true;
    }
    if (changed) XSync(dpy_, False);
}

bool X11Keyboard::IsDown(const char keys[32], int keycode) const {
    return (keys[keycode / 8] >> (keycode % 8)) & 1;
}

KeyboardState X11Keyboard::GetState() {
    LoadMapping();
    KeyboardState state{};
    held_.clear();
    char keys[32];
    XQueryKeymap(dpy_, keys);
    XModifierKeymap* mods = XGetModifierMapping(dpy_);
    unsigned numLockMask = 0;
    for (int m = 0; m < 8; ++m) {
        for (int k = 0; k < mods->max_keypermod; ++k) {
            const int kc = mods->modifiermap[m * mods->max_keypermod + k];
            if (!kc) continue;
            const KeySym ks = SymAt(kc, 0);
            if (ks == XK_Num_Lock) numLockMask |= 1u << m;
            // Locks are toggles, not held keys.
            if (m == LockMapIndex || ks == XK_Num_Lock || ks == XK_Caps_Lock ||
                ks == XK_Shift_Lock || ks == XK_Scroll_Lock)
                continue;
            if (!IsDown(keys, kc)) continue;
            const int vk = m == ShiftMapIndex     ? 16
                           : m == ControlMapIndex ? 17
                           : m == Mod1MapIndex    ? 18
                                                  : 91;
            held_.push_back({kc, vk});
            state[size_t(vk)] |= 0x80;
        }
    }
    XFreeModifiermap(mods);
    XkbStateRec xkb;
    if (XkbGetState(dpy_, XkbUseCoreKbd, &xkb) == Success) {
        if (xkb.locked_mods & LockMask) state[20] |= 1;
        if (numLockMask && (xkb.locked_mods & numLockMask)) state[144] |= 1;
    }
    return state;
}

void X11Keyboard::SetState(const KeyboardState& state) {
    char keys[32];
    XQueryKeymap(dpy_, keys);
    for (const auto& h : held_) {
        const bool want = state[size_t(h.vk)] & 0x80;
        if (want != IsDown(keys, h.keycode)) Fake(h.keycode, want);
    }
    XSync(dpy_, False);
}

bool X11Keyboard::CapsLockOn() {
    XkbStateRec xkb;
    return XkbGetState(dpy_, XkbUseCoreKbd, &xkb) == Success && (xkb.locked_mods & LockMask);
}

void X11Keyboard::Wait(int ms) {
    XFlush(dpy_);
    PumpingWait(ms, pump_);
}

int X11Keyboard::MillisecondsIntoSecond() {
    return MillisecondsIntoSecondNow();
}

} // namespace pv::x11
