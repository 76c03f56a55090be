#include "output/keystroke_keymap.h"

#include "output/keystroke_keyboard.h"

namespace pv {

namespace {

struct VkRow {
    uint8_t vk;
    uint8_t evdev;
    uint32_t keysym; // 0: the US character of the key
};

// Keys with a fixed position; letters, digits and F-keys are computed.
constexpr VkRow kVkRows[] = {
    {3, 0, 0xff6b},    {8, 14, 0xff08},    {9, 15, 0xff09},    {12, 0, 0xff0b},   {13, 28, 0xff0d},
    {16, 42, 0xffe1},  {17, 29, 0xffe3},   {18, 56, 0xffe9},   {19, 119, 0xff13}, {20, 58, 0xffe5},
    {27, 1, 0xff1b},   {32, 57, ' '},      {33, 104, 0xff55},  {34, 109, 0xff56}, {35, 107, 0xff57},
    {36, 102, 0xff50}, {37, 105, 0xff51},  {38, 103, 0xff52},  {39, 106, 0xff53}, {40, 108, 0xff54},
    {41, 0, 0xff60},   {43, 0, 0xff62},    {44, 99, 0xff61},   {45, 110, 0xff63}, {46, 111, 0xffff},
    {47, 138, 0xff6a}, {91, 125, 0xffeb},  {92, 126, 0xffec},  {93, 127, 0xff67}, {96, 82, 0xffb0},
    {97, 79, 0xffb1},  {98, 80, 0xffb2},   {99, 81, 0xffb3},   {100, 75, 0xffb4}, {101, 76, 0xffb5},
    {102, 77, 0xffb6}, {103, 71, 0xffb7},  {104, 72, 0xffb8},  {105, 73, 0xffb9}, {106, 55, 0xffaa},
    {107, 78, 0xffab}, {108, 121, 0xffac}, {109, 74, 0xffad},  {110, 83, 0xffae}, {111, 98, 0xffaf},
    {144, 69, 0xff7f}, {145, 70, 0xff14},  {160, 42, 0xffe1},  {161, 54, 0xffe2}, {162, 29, 0xffe3},
    {163, 97, 0xffe4}, {164, 56, 0xffe9},  {165, 100, 0xffea}, {186, 39, 0},      {187, 13, 0},
    {188, 51, 0},      {189, 12, 0},       {190, 52, 0},       {191, 53, 0},      {192, 41, 0},
    {219, 26, 0},      {220, 43, 0},       {221, 27, 0},       {222, 40, 0},      {226, 86, 0},
};

constexpr char kLetterRows[] = "qwertyuiopasdfghjklzxcvbnm";
constexpr uint8_t kLetterCodes[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 30, 31, 32,
                                    33, 34, 35, 36, 37, 38, 44, 45, 46, 47, 48, 49, 50};

const VkRow* RowOf(int vk) {
    for (const auto& row : kVkRows)
        if (row.vk == vk) return &row;
    return nullptr;
}

// The US character of a punctuation key without and with Shift.
void UsCharsOfVk(int vk, uint32_t& plain, uint32_t& shifted) {
    plain = shifted = 0;
    for (int c = 0x20; c < 0x7F; ++c) {
        const int key = UsLayoutKeyForChar(static_cast<unsigned char>(c));
        if (key < 0 || (key & 0xFF) != vk || (key & kDirectChar)) continue;
        ((key & kNeedsShift) ? shifted : plain) = uint32_t(c);
    }
    if (vk == 226) plain = '<', shifted = '>'; // the key beside left Shift
}

std::string Hex(uint32_t v) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[v & 15]);
        v >>= 4;
    } while (v);
    return "0x" + s;
}

} // namespace

int EvdevCodeOfVk(int vk) {
    if (vk >= 'A' && vk <= 'Z') {
        for (size_t i = 0; i < 26; ++i)
            if (kLetterRows[i] == vk - 'A' + 'a') return kLetterCodes[i];
    }
    if (vk >= '1' && vk <= '9') return vk - '1' + 2;
    if (vk == '0') return 11;
    if (vk >= 112 && vk <= 121) return vk - 112 + 59;  // F1..F10
    if (vk == 122 || vk == 123) return vk - 122 + 87;  // F11, F12
    if (vk >= 124 && vk <= 135) return vk - 124 + 183; // F13..F24
    const VkRow* row = RowOf(vk);
    return row ? row->evdev : 0;
}

uint32_t KeysymOfVk(int vk) {
    if (vk >= 'A' && vk <= 'Z') return uint32_t(vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return uint32_t(vk);
    if (vk >= 112 && vk <= 135) return uint32_t(0xffbe + vk - 112);
    const VkRow* row = RowOf(vk);
    if (!row) return 0;
    if (row->keysym) return row->keysym;
    uint32_t plain, shifted;
    UsCharsOfVk(vk, plain, shifted);
    return plain;
}

VirtualKeymap::VirtualKeymap() {
    struct Entry {
        int evdev;
        uint32_t plain, shifted;
    };
    std::vector<Entry> entries;
    std::array<bool, 248> used{};
    for (int vk = 1; vk < 256; ++vk) {
        const int evdev = EvdevCodeOfVk(vk);
        const uint32_t sym = KeysymOfVk(vk);
        if (evdev == 0 || sym == 0 || used[size_t(evdev)]) {
            if (evdev && used[size_t(evdev)]) vk_[size_t(vk)] = uint16_t(evdev); // L/R twins
            continue;
        }
        used[size_t(evdev)] = true;
        vk_[size_t(vk)] = uint16_t(evdev);
        uint32_t plain = sym, shifted = 0;
        if (vk >= 'A' && vk <= 'Z') shifted = uint32_t(vk);
        if ((vk >= '0' && vk <= '9') || (RowOf(vk) && RowOf(vk)->keysym == 0))
            UsCharsOfVk(vk, plain, shifted);
        entries.push_back({evdev, plain, shifted});
    }
    // Keys without a US position and the Latin-1 characters take the
    // codes nobody uses, so that X clients (codes up to 255) see them too.
    int next = 1;
    auto freeCode = [&]() {
        while (next < 248 && used[size_t(next)])
            ++next;
        if (next >= 248) return 0;
        used[size_t(next)] = true;
        return next;
    };
    for (int vk = 1; vk < 256; ++vk) {
        if (vk_[size_t(vk)] || EvdevCodeOfVk(vk) || !KeysymOfVk(vk)) continue;
        if (const int code = freeCode()) {
            vk_[size_t(vk)] = uint16_t(code);
            entries.push_back({code, KeysymOfVk(vk), 0});
        }
    }
    for (int c = 0xA0; c < 0x100; ++c) {
        if (const int code = freeCode()) {
            direct_[size_t(c)] = uint16_t(code);
            entries.push_back({code, uint32_t(c), 0});
        }
    }

    std::string codes, symbols;
    for (const auto& e : entries) {
        const std::string name = "<K" + std::to_string(e.evdev) + ">";
        codes += "    " + name + " = " + std::to_string(e.evdev + 8) + ";\n";
        symbols += "    key " + name + " { [ " + Hex(e.plain);
        if (e.shifted) symbols += ", " + Hex(e.shifted);
        symbols += " ] };\n";
    }
    auto key = [](int vk) { return "<K" + std::to_string(EvdevCodeOfVk(vk)) + ">"; };
    symbols += "    modifier_map Shift { " + key(16) + ", " + key(161) + " };\n";
    symbols += "    modifier_map Lock { " + key(20) + " };\n";
    symbols += "    modifier_map Control { " + key(17) + ", " + key(163) + " };\n";
    symbols += "    modifier_map Mod1 { " + key(18) + ", " + key(165) + " };\n";
    symbols += "    modifier_map Mod2 { " + key(144) + " };\n";
    symbols += "    modifier_map Mod4 { " + key(91) + ", " + key(92) + " };\n";
    text_ = "xkb_keymap {\n"
            "  xkb_keycodes \"portivox\" {\n    minimum = 8;\n    maximum = 255;\n" +
            codes +
            "  };\n"
            "  xkb_types \"portivox\" { include \"complete\" };\n"
            "  xkb_compatibility \"portivox\" { include \"complete\" };\n"
            "  xkb_symbols \"portivox\" {\n" +
            symbols + "  };\n};\n";
}

int VirtualKeymap::KeyOf(int code) const {
    if (code & kDirectChar) return direct_[size_t(code & 0xFF)];
    return code > 0 && code < 256 ? vk_[size_t(code)] : 0;
}

KeyLayout::KeyLayout(std::vector<LayoutKey> keys, uint16_t level3)
    : keys_(std::move(keys)), level3_(level3) {}

KeyLayout KeyLayout::Us() {
    std::vector<LayoutKey> keys;
    for (int vk = 1; vk < 256; ++vk) {
        const int evdev = EvdevCodeOfVk(vk);
        uint32_t plain, shifted;
        if (vk >= 'A' && vk <= 'Z')
            plain = uint32_t(vk - 'A' + 'a'), shifted = uint32_t(vk);
        else
            UsCharsOfVk(vk, plain, shifted);
        if (evdev && plain) keys.push_back({uint16_t(evdev), {plain, shifted, 0, 0}});
    }
    return KeyLayout(std::move(keys), 0);
}

KeyLayout::Place KeyLayout::Find(uint32_t keysym) const {
    const int levels = level3_ ? 4 : 2;
    for (int level = 0; level < levels; ++level)
        for (const auto& k : keys_)
            if (k.Syms[size_t(level)] == keysym) return {k.Evdev, level};
    return {};
}

uint32_t KeyLayout::BaseSym(uint16_t evdev) const {
    for (const auto& k : keys_)
        if (k.Evdev == evdev) return k.Syms[0];
    return 0;
}

namespace {

std::string FirstOfList(std::string_view list) {
    return std::string(list.substr(0, list.find(',')));
}

// The names of `layoutKey` and `variantKey` in a file of KEY=value lines
// (shell or INI style; values may be quoted).
LayoutNames NamesFromKeyFile(std::string_view file, std::string_view layoutKey,
                             std::string_view variantKey) {
    LayoutNames names;
    while (!file.empty()) {
        const size_t end = file.find('\n');
        std::string_view line = file.substr(0, end);
        file = end == std::string_view::npos ? std::string_view() : file.substr(end + 1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || line.front() == '#') continue;
        const std::string_view key = line.substr(0, eq);
        std::string_view value = line.substr(eq + 1);
        while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
            value.remove_suffix(1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (key == layoutKey) names.Layout = FirstOfList(value);
        if (key == variantKey) names.Variant = FirstOfList(value);
    }
    return names;
}

} // namespace

LayoutNames ReadLayoutNames(const char* envLayout, const char* envVariant, std::string_view file) {
    if (envLayout && *envLayout)
        return {FirstOfList(envLayout), FirstOfList(envVariant ? envVariant : "")};
    return NamesFromKeyFile(file, "XKBLAYOUT", "XKBVARIANT");
}

LayoutNames LayoutFromKdeConfig(std::string_view kxkbrc) {
    return NamesFromKeyFile(kxkbrc, "LayoutList", "VariantList");
}

LayoutNames LayoutFromGnomeSources(std::string_view sources) {
    // [('xkb', 'de+nodeadkeys'), ('ibus', 'mozc-jp')]: the first xkb entry.
    const size_t at = sources.find("'xkb'");
    if (at == std::string_view::npos) return {};
    const size_t open = sources.find('\'', at + 5);
    const size_t close = open == std::string_view::npos ? open : sources.find('\'', open + 1);
    if (close == std::string_view::npos) return {};
    const std::string_view name = sources.substr(open + 1, close - open - 1);
    const size_t plus = name.find('+');
    if (plus == std::string_view::npos) return {std::string(name), {}};
    return {std::string(name.substr(0, plus)), std::string(name.substr(plus + 1))};
}

} // namespace pv
