// Macro parsing into key codes, the queue limit and the key name table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes/keystroke_fakes.h"
#include "output/keystroke_sender.h"

namespace pv {
namespace {

using Codes = std::vector<int>;

struct ParseCase {
    const char* rule;
    std::string macro;
    int result;
    Codes codes; // checked only when result is 0
    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.rule; }
};

class MacroParse : public testing::TestWithParam<ParseCase> {};

TEST_P(MacroParse, QueuesCodes) {
    const auto& c = GetParam();
    test::RecordingKeyboard keyboard;
    KeystrokeSender sender(keyboard);
    ASSERT_EQ(sender.ParseMacro(c.macro), c.result);
    if (c.result != MacroOk) return;
    Codes got(sender.QueueData(), sender.QueueData() + sender.QueueLength());
    EXPECT_EQ(got, c.codes);
}

constexpr int kDirect = kDirectChar;

INSTANTIATE_TEST_SUITE_P(
    Rules, MacroParse,
    testing::Values(
        ParseCase{"LowerCaseLetters", "abz", 0, {65, 66, 90}},
        ParseCase{"UpperCaseWrapsEachInShift", "ABZ", 0, {16, 65, 16, 16, 66, 16, 16, 90, 16}},
        ParseCase{"ShiftTakesOneItem", "+abc", 0, {16, 65, 16, 66, 67}},
        ParseCase{"ShiftOverGroup", "+(abc)", 0, {16, 65, 66, 67, 16}},
        ParseCase{"CtrlAndAlt", "^c%f", 0, {17, 67, 17, 18, 70, 18}},
        ParseCase{"StackedModifiers", "+^a", 0, {16, 17, 65, 17, 16}},
        ParseCase{"ModifierOverBraceCount", "+{TAB 2}", 0, {16, 9, 9, 16}},
        ParseCase{"NestedGroups", "+(a(b)c)d", 0, {16, 65, 66, 67, 16, 68}},
        ParseCase{"EmptyGroup", "()a", 0, {65}}, ParseCase{"ModifierAtEnd", "a+", 0, {65, 16, 16}},
        ParseCase{"StrayCloseParenIsTyped", "a)", 0, {65, 16, 48, 16}},
        ParseCase{"TildeIsEnter", "~", 0, {13}}, ParseCase{"EnterByName", "{ENTER}", 0, {13}},
        ParseCase{"EnterCountOne", "{ENTER 1}", 0, {13}},
        ParseCase{"RepeatCount", "{TAB 3}", 0, {9, 9, 9}},
        ParseCase{"NamesIgnoreCase", "{tab}{Pgdn}", 0, {9, 34}},
        ParseCase{"CountRoundsHalfToEven", "{LEFT 2.5}", 0, {37, 37}},
        ParseCase{"FunctionKey", "{F16}", 0, {127}},
        ParseCase{"PlusByBraces", "{+}", 0, {16, 187, 16}},
        ParseCase{"CaretPercentTilde", "{^}{%}{~}", 0, {16, 54, 16, 16, 53, 16, 16, 192, 16}},
        ParseCase{"ParensByBraces", "{(}{)}", 0, {16, 57, 16, 16, 48, 16}},
        ParseCase{"OpenBraceByBraces", "{{}", 0, {16, 219, 16}},
        ParseCase{"CloseBraceByBraces", "{}}", 0, {16, 221, 16}},
        ParseCase{"CloseBraceWithCount", "{} 2}", 0, {16, 221, 221, 16}},
        ParseCase{"OneCharNameUnshifted", "{a 2}", 0, {65, 65}},
        ParseCase{"TranslatedPlus", "1{+}2", 0, {49, 16, 187, 16, 50}},
        ParseCase{"SpaceIsAKey", "a b", 0, {65, 32, 66}},
        ParseCase{"Latin1TypedDirectly", "\xB0\xB5", 0, {kDirect | 0xB0, kDirect | 0xB5}},
        ParseCase{"Latin1InBraces", "{\xB0}", 0, {kDirect | 0xB0}},
        ParseCase{"NoKeyQueuesShift255", "\x85", 0, {16, 255, 16}},
        ParseCase{"EmptyMacro", "", 0, {}}, ParseCase{"EmptyBracesUnclosed", "{}", 1, {}},
        ParseCase{"NameUnclosed", "{LEFT", 1, {}}, ParseCase{"CountUnclosed", "{LEFT 5", 1, {}},
        ParseCase{"UnknownName", "{FOO}", 2, {}}, ParseCase{"BlankBeforeName", "{ TAB}", 2, {}},
        ParseCase{"DelayIsNotAKeyName", "{DELAY 5}", 2, {}},
        ParseCase{"UnknownNameInGroup", "+(a{FOO})", 2, {}},
        ParseCase{"GroupUnclosed", "(ab", 3, {}}, ParseCase{"LoneOpenParen", "(", 3, {}},
        ParseCase{"CountZero", "{LEFT 0}", 4, {}}, ParseCase{"CountNotANumber", "{LEFT x}", 4, {}},
        ParseCase{"CountNegative", "{LEFT -1}", 5, {}},
        ParseCase{"CountBeyond16Bits", "{LEFT 40000}", 5, {}}),
    [](const auto& info) { return std::string(info.param.rule); });

struct LimitCase {
    const char* rule;
    std::string macro;
    int result;
};

class QueueLimit : public testing::TestWithParam<LimitCase> {};

TEST_P(QueueLimit, HoldsExactly4096Codes) {
    test::RecordingKeyboard keyboard;
    KeystrokeSender sender(keyboard);
    EXPECT_EQ(sender.SendMacro(GetParam().macro), GetParam().result);
    // A piece over the limit types nothing at all.
    if (GetParam().result != MacroOk) {
        EXPECT_TRUE(keyboard.log.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, QueueLimit,
    testing::Values(LimitCase{"Plain4096", std::string(4096, 'a'), 0},
                    LimitCase{"Plain4097", std::string(4097, 'a'), 5},
                    LimitCase{"Shifted1365Is4095Codes", std::string(1365, 'A'), 0},
                    LimitCase{"Shifted1366Is4098Codes", std::string(1366, 'A'), 5},
                    LimitCase{"ShiftedAfter4093Plain", std::string(4093, 'a') + "A", 0},
                    LimitCase{"ShiftedAfter4094Plain", std::string(4094, 'a') + "A", 5},
                    LimitCase{"Count4096", "{a 4096}", 0}, LimitCase{"Count4097", "{a 4097}", 5},
                    LimitCase{"ShiftedCount4094", "{A 4094}", 0},
                    LimitCase{"ShiftedCount4095", "{A 4095}", 5},
                    LimitCase{"Modifiers2048", std::string(2048, '+'), 0},
                    LimitCase{"Modifiers2049", std::string(2049, '+'), 5}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST(MacroParse, DeepNestingDoesNotExhaustTheStack) {
    test::RecordingKeyboard keyboard;
    KeystrokeSender sender(keyboard);
    const std::string deep = std::string(200000, '(') + "a" + std::string(200000, ')');
    EXPECT_EQ(sender.ParseMacro(deep), MacroOk);
    EXPECT_EQ(sender.QueueLength(), 1u);
    EXPECT_EQ(sender.ParseMacro(std::string(200000, '(')), MacroOpenGroup);
}

// Any bytes at all: the parser ends with one of its results, never a crash or a hang.
TEST(MacroParse, EveryByteSequenceEndsWithAResult) {
    test::RecordingKeyboard keyboard;
    KeystrokeSender sender(keyboard);
    std::string all;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b)
            all += char(b);
    for (size_t start = 0; start < all.size(); start += 37) {
        const int r = sender.ParseMacro(std::string_view(all).substr(start, 90));
        EXPECT_TRUE(r >= 0 && r <= 5) << start;
    }
}

struct NameCase {
    std::string name;
    int code;
};

class KeyNames : public testing::TestWithParam<NameCase> {};

TEST_P(KeyNames, LookUp) {
    test::RecordingKeyboard keyboard;
    EXPECT_EQ(LookupKeyName(GetParam().name, keyboard), GetParam().code) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Rules, KeyNames,
                         testing::Values(NameCase{"BS", 8}, NameCase{"f10", 121},
                                         NameCase{"  home ", 36}, NameCase{"F16", 127},
                                         NameCase{"F17", 0}, NameCase{"XS", 0}, NameCase{"", 0},
                                         NameCase{"ENTERX", 0}, NameCase{"+", 0x1BB},
                                         NameCase{"a", 65}, NameCase{" ", 32}));

} // namespace
} // namespace pv
