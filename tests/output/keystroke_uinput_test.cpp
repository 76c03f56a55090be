// The uinput keyboard: the event stream of a macro is the X11 keyboard's
// sequence at the same key positions, and characters follow the layout.
#include <gtest/gtest.h>

#include <sstream>

#include "fakes/input_event_fakes.h"
#include "fakes/keystroke_fakes.h"
#include "output/keystroke_sender.h"

namespace pv {
namespace {

// The recorded virtual-key sequence with each code at its evdev position.
std::string AsEvdev(const std::string& events) {
    std::istringstream in(events);
    std::string item, out;
    while (in >> item) {
        if (!out.empty()) out += ' ';
        out += item[0] == 'w' ? item
                              : std::to_string(EvdevCodeOfVk(std::stoi(item.substr(1)))) +
                                    (item[0] == 'd' ? "+" : "-");
    }
    return out;
}

void Play(Keyboard& keyboard, const std::string& macro, int delay) {
    KeystrokeSender sender(keyboard);
    sender.SetInterCharDelay(delay);
    sender.SendKeystrokeText(macro);
}

TEST(UinputKeyboard, SameSequenceAsX11OnUsLayout) {
    const char* macros[] = {"abc", "+(ab){DELAY 250}%f", "Hello{TAB}~", "{LEFT 3}^c 1!", "x{-}?"};
    for (const char* macro : macros) {
        SCOPED_TRACE(macro);
        for (int delay : {0, 3}) {
            test::RecordingKeyboard x11;
            Play(x11, macro, delay);
            test::RecordingEventWriter out;
            EvdevKeyboard uinput(
                KeyLayout::Us(), out, [&](int ms) { out.Add("w" + std::to_string(ms)); },
                [] { return 0; });
            uinput.SetFirstUseSettle(300); // only the first macro waits for the desktop
            Play(uinput, macro, delay);
            Play(uinput, macro, delay);
            const std::string once = AsEvdev(x11.Events());
            EXPECT_EQ(out.stream, "w300 " + once + " " + once);
        }
    }
}

// A German-like layout: Y and Z swapped, AltGr levels, ° over ^.
KeyLayout GermanLike() {
    return KeyLayout({{21, {'z', 'Z', 0, 0}},
                      {44, {'y', 'Y', 0, 0}},
                      {16, {'q', 'Q', '@', 0}},
                      {41, {'^', 0xB0, 0, 0}},
                      {50, {'m', 'M', 0xB5, 0}},
                      {100, {0xfe03, 0, 0, 0}}},
                     100);
}

struct LayoutRow {
    const char* rule;
    const char* macro;
    const char* stream;
    int dropped = 0;
};

TEST(UinputKeyboard, FollowsTheLayout) {
    const LayoutRow rows[] = {
        {"LetterAtItsLayoutPosition", "z", "21+ 21-"},
        {"CapitalAddsShift", "Y", "42+ 44+ 44- 42-"},
        {"AltGrLevelHoldsAltGr", "@", "100+ 16+ 16- 100-"},
        {"ShiftLevelOfPunctuationKey", "\xB0", "42+ 41+ 41- 42-"},
        {"LatinOneOnAltGrLevel", "\xB5", "100+ 50+ 50- 100-"},
        {"CharacterOutsideLayoutDropped", "\xE9m", "50+ 50-", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        test::RecordingEventWriter out;
        EvdevKeyboard keyboard(
            GermanLike(), out, [](int) {}, [] { return 0; });
        Play(keyboard, row.macro, 0);
        EXPECT_EQ(out.stream, row.stream);
        EXPECT_EQ(keyboard.Dropped(), row.dropped);
    }
}

struct NamesRow {
    const char* rule;
    const char* envLayout;
    const char* envVariant;
    const char* file;
    const char* layout;
    const char* variant;
};

// Rows without environment read a desktop's settings when the text is one.
TEST(LayoutNames, FromEnvironmentFileOrDesktopSettings) {
    const NamesRow rows[] = {
        {"EnvironmentWins", "de,us", "nodeadkeys", "XKBLAYOUT=fr\n", "de", "nodeadkeys"},
        {"FileQuotedValues", nullptr, nullptr, "# x\nXKBLAYOUT=\"fr,us\"\nXKBVARIANT=\"oss\"\n",
         "fr", "oss"},
        {"CommentedLineIgnored", "", nullptr, "#XKBLAYOUT=de\n XKBLAYOUT='ch'\r\n", "ch", ""},
        {"NothingKnown", nullptr, nullptr, "", "", ""},
        {"GnomeFirstXkbSourceWithVariant", nullptr, nullptr,
         "[('ibus', 'mozc-jp'), ('xkb', 'de+nodeadkeys'), ('xkb', 'us')]\n", "de", "nodeadkeys"},
        {"GnomeWithoutXkbSource", nullptr, nullptr, "[('ibus', 'anthy')]", "", ""},
        {"KdeFirstOfLists", nullptr, nullptr, "[Layout]\nLayoutList=fr,de\nVariantList=bepo,\n",
         "fr", "bepo"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        const std::string_view text = row.file;
        const LayoutNames n = text.starts_with("[(") ? LayoutFromGnomeSources(text)
                              : text.starts_with("[Layout]")
                                  ? LayoutFromKdeConfig(text)
                                  : ReadLayoutNames(row.envLayout, row.envVariant, row.file);
        EXPECT_EQ(n.Layout, row.layout);
        EXPECT_EQ(n.Variant, row.variant);
    }
}

} // namespace
} // namespace pv
