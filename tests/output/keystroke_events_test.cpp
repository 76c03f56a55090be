// Playing macros: event order, pauses, keyboard state, "{DELAY}" splitting,
// and the target window handling of the delivery.
#include <gtest/gtest.h>

#include <string>

#include "fakes/files.h"
#include "fakes/keystroke_fakes.h"
#include "output/keystroke_sender.h"

namespace pv {
namespace {

struct PlayCase {
    const char* rule;
    std::string text;
    int delay;
    std::string events;
    int result = 0;
    int msIntoSecond = 0; // when the macro starts
    friend void PrintTo(const PlayCase& c, std::ostream* os) { *os << c.rule; }
};

class Play : public ::testing::TestWithParam<PlayCase> {};

TEST_P(Play, Events) {
    const auto& c = GetParam();
    test::RecordingKeyboard keyboard;
    keyboard.msIntoSecond = c.msIntoSecond;
    KeystrokeSender sender(keyboard);
    sender.SetInterCharDelay(c.delay);
    EXPECT_EQ(sender.SendKeystrokeText(c.text), c.result);
    EXPECT_EQ(keyboard.Events(), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Play,
    ::testing::Values(
        PlayCase{"PressThenRelease", "abc", 0, "d65 u65 d66 u66 d67 u67"},
        PlayCase{"ShiftHeldForOneItem", "+ab", 0, "d16 d65 u65 u16 d66 u66"},
        PlayCase{"BackslashKeyShiftedIsBar", "\\|", 0, "d220 u220 d16 d220 u220 u16"},
        PlayCase{"ShiftHeldOverGroup", "+(ab)", 0, "d16 d65 u65 d66 u66 u16"},
        PlayCase{"DelayAfterPressAndRelease", "ab", 1, "d65 w1 u65 w1 d66 w1 u66 w1"},
        PlayCase{"AltReleasePausesToSecondAfterNext", "%f", 0, "d18 d70 u70 u18 w2000"},
        PlayCase{"AltPauseEndsAtTheSecondAfterNext", "%a", 0, "d18 d65 u65 u18 w1700", 0, 300},
        PlayCase{"AltPauseThenDelay", "%f", 5, "d18 w5 d70 w5 u70 w5 u18 w2000 w5"},
        PlayCase{"DelaySplitsText", "x{DELAY 500}y", 0, "d88 u88 w500 d89 u89"},
        PlayCase{"DelayIgnoresCase", "x{delay  250 }y", 0, "d88 u88 w250 d89 u89"},
        PlayCase{"DelayAlone", "{DELAY 100}", 0, "w100"},
        PlayCase{"TwoDelays", "{DELAY 1}a{DELAY 2}", 0, "w1 d65 u65 w2"},
        PlayCase{"DelayNotANumberWaitsNothing", "a{DELAY x}b", 0, "d65 u65 d66 u66"},
        PlayCase{"NegativeDelayWaitsNothing", "{DELAY -5}a", 0, "d65 u65"},
        PlayCase{"HugeNegativeDelayWaitsNothing", "{DELAY -99999}a", 0, "d65 u65"},
        PlayCase{"DelayCappedAt16Bits", "{DELAY 99999}", 0, "w32767"},
        PlayCase{"BraceAfterDelayIsTyped", "{DELAY 10}}", 0, "w10 d16 d221 u221 u16"},
        PlayCase{"UnclosedDelaySendsNothing", "x{DELAY 500", 0, "", 1},
        PlayCase{"UnclosedDelayDropsLaterPieces", "a{DELAY 1}b{DELAY 2", 0, "d65 u65 w1", 1},
        PlayCase{"FailedPieceDroppedOthersTyped", "a{FOO}{DELAY 10}b", 0, "w10 d66 u66", 2},
        PlayCase{"FailedMacroTypesNothing", "abc{LEFT 0}", 0, "", 4}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST(Play, CapsLockAndHeldKeysAreClearedAroundTheMacroAndRestored) {
    for (auto [key, value, log] :
         {std::tuple{kCapsLockCode, 1, "clear d20 u20 d65 u65 restore d20 u20"},
          std::tuple{kShiftCode, 0x80, "clear d65 u65 restore"}}) {
        SCOPED_TRACE(log);
        test::RecordingKeyboard keyboard;
        keyboard.state[key] = uint8_t(value);
        KeystrokeSender sender(keyboard);
        sender.SetInterCharDelay(0);
        sender.SendMacro("a");
        EXPECT_EQ(testing::Join(keyboard.log), log);
        EXPECT_TRUE(keyboard.finished);
    }
}

// --- Target window ---------------------------------------------------------

TEST(TargetWindow, FoundByPartOfItsUpperCasedTitleFromTheTop) {
    const struct {
        const char *name, *title;
        bool minimised;
        WindowId found;
        std::vector<std::string> calls;
    } rows[] = {
        // clang-format off
        {"TopmostIsReturnedWithoutActivation", "portivox", false, 1, {"list"}},
        {"MatchBehindIsActivated", "  editor ", false, 2, {"list", "activate 2"}},
        {"Latin1ComparedInUpperCase", "gr\xF6\xDF" "E", false, 3, {"list", "activate 3"}},
        {"MinimisedIsRestoredAndReported", "calc", true, 3, {"list", "restore 3", "activate 3"}},
        {"NoMatch", "spreadsheet", false, 0, {"list"}},
        {"BlankTitleLooksForNothing", "   ", false, 0, {}},
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::FakeWindows windows;
        windows.stack = {
            {1, "Portivox - COM1"}, {2, "Notes - Editor"}, {3, "Gr\xF6\xDF\x65 - Calc"}};
        windows.foreground = 1;
        if (r.minimised) windows.minimised = {3};
        const auto found = ActivateTargetWindow(windows, r.title);
        EXPECT_EQ(found.Window, r.found);
        EXPECT_EQ(found.RestoredFromMinimised, r.minimised);
        EXPECT_EQ(windows.calls, r.calls);
    }
}

} // namespace
} // namespace pv
