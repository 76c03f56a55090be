#include "strings/key_picks.h"

namespace pv {

std::vector<std::string> KeystrokeList() {
    std::vector<std::string> list = {"NUL",    "SPACE",    "ENTER",   "BACKSPACE", "TAB",  "INSERT",
                                     "DELETE", "UP",       "DOWN",    "RIGHT",     "LEFT", "HOME",
                                     "END",    "PGDN",     "PGUP",    "ESCAPE",    "HELP", "BREAK",
                                     "CLEAR",  "CAPSLOCK", "NUMLOCK", "SCROLLOCK", "PRTSC"};
    for (int f = 1; f <= 16; ++f)
        list.push_back("F" + std::to_string(f));
    for (int c = 33; c <= 255; ++c)
        if (c <= 126 || c >= 161) list.emplace_back(1, static_cast<char>(c));
    return list;
}

std::string KeystrokeMacro(std::string_view name, int modifiers) {
    if (name == "NUL") return "NUL";
    std::string prefix;
    if (modifiers & 4) prefix = "%";
    if (modifiers & 2) prefix = "^" + prefix;
    if (modifiers & 1) prefix = "+" + prefix;
    std::string key(name);
    const bool special =
        name.size() == 1 && std::string_view("{}+^%~[]()").find(name[0]) != std::string_view::npos;
    if (special || name.size() > 1) key = "{" + key + "}";
    if (key == "{SPACE}") key = "{ }";
    const bool high = name.size() == 1 && static_cast<unsigned char>(name[0]) > 127;
    if (high || key == "{Ignore}" || key == "{Void Record}") return key;
    return prefix + key;
}

std::string HotKeyText(int modifiers, std::string_view keyName) {
    std::string prefix;
    if (modifiers & 4) prefix = "ALT+";
    if (modifiers & 2) prefix = "CTRL+" + prefix;
    if (modifiers & 1) prefix = "SHIFT+" + prefix;
    return prefix + std::string(keyName);
}

int16_t HotKeyCode(int modifiers, int16_t keyCode) {
    return static_cast<int16_t>((modifiers & 7) * 256 + (keyCode & 255));
}

} // namespace pv
