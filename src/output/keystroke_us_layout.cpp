#include <string_view>

#include "output/keystroke_keyboard.h"

namespace pv {

int ControlKeyForChar(unsigned char c) {
    switch (c) {
    case '\b': return 8;
    case '\t': return 9;
    case '\n':
    case '\r': return 13;
    case 27: return 27;
    default: break;
    }
    return c < 0x20 || (c >= 0x7F && c < 0xA0) ? -1 : 0;
}

int UsLayoutKeyForChar(unsigned char c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
    if (c >= 'A' && c <= 'Z') return kNeedsShift | c;
    if (c >= '0' && c <= '9') return c;
    if (c == ' ') return 32;
    if (const int control = ControlKeyForChar(c)) return control;
    // Unshifted and shifted character of each punctuation key.
    struct Punct {
        int code;
        char plain, shifted;
    };
    static constexpr Punct kPunct[] = {
        {'0', 0, ')'},    {'1', 0, '!'},   {'2', 0, '@'},   {'3', 0, '#'},    {'4', 0, '$'},
        {'5', 0, '%'},    {'6', 0, '^'},   {'7', 0, '&'},   {'8', 0, '*'},    {'9', 0, '('},
        {186, ';', ':'},  {187, '=', '+'}, {188, ',', '<'}, {189, '-', '_'},  {190, '.', '>'},
        {191, '/', '?'},  {192, '`', '~'}, {219, '[', '{'}, {220, '\\', '|'}, {221, ']', '}'},
        {222, '\'', '"'},
    };
    for (const auto& p : kPunct) {
        if (p.plain && c == static_cast<unsigned char>(p.plain)) return p.code;
        if (c == static_cast<unsigned char>(p.shifted)) return kNeedsShift | p.code;
    }
    if (c >= 0xA0) return kDirectChar | c;
    return -1;
}

} // namespace pv
