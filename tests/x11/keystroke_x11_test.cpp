// Keystrokes typed into real windows under Xvfb with a window manager:
// layout mapping, Latin-1 through a spare key, keyboard state, target
// activation, restore and launch.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>

#include "output/keystroke_sender.h"
#include "text/key_names.h"

#include "platform/x11/x11_keyboard.h"
#include "platform/x11/x11_keystrokes.h"
#include "platform/x11/x11_keysyms.h"
#include "platform/x11/x11_windows.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include "x11/x11_helpers.h"
#include <X11/keysym.h>

namespace pv {
namespace {

class RecordingSink : public MessageSink {
  public:
    std::vector<std::string> shown;
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon,
                   MsgButtons) override {
        shown.push_back(title + ": " + text);
        return MsgResult::Ok;
    }
    void Beep() override {}
};

class X11Keys : public testing::Test {
  protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display (run through run_x11_tests.sh)";
        dpy_ = XOpenDisplay(nullptr);
        ASSERT_NE(dpy_, nullptr);
        windows_ = std::make_unique<x11::X11Windows>(dpy_);
        std::string error;
        keyboard_ = x11::X11Keyboard::Create(dpy_, error);
        ASSERT_TRUE(keyboard_) << error;
        config_.InterCharDelay = 0;
        keys_ = x11::MakeX11KeystrokeDelivery(config_, sink_);
        ASSERT_TRUE(keys_->Available());
        keys_->SetLaunchSettleMs(200);
    }
    void TearDown() override {
        keys_.reset();
        keyboard_.reset();
        windows_.reset();
        if (dpy_) XCloseDisplay(dpy_);
    }
    bool ShiftLDown() {
        char keys[32];
        XQueryKeymap(dpy_, keys);
        const int kc = XKeysymToKeycode(dpy_, XK_Shift_L);
        return (keys[kc / 8] >> (kc % 8)) & 1;
    }

    Display* dpy_ = nullptr;
    std::unique_ptr<x11::X11Windows> windows_;
    std::unique_ptr<x11::X11Keyboard> keyboard_;
    Config config_;
    RecordingSink sink_;
    std::unique_ptr<x11::X11Keystrokes> keys_;
    test::TempDir dir_;
};

struct TypingCase {
    const char* rule;
    std::string macro;
    std::string received;
};

class X11Typing : public X11Keys, public testing::WithParamInterface<TypingCase> {};

TEST_P(X11Typing, WindowReceivesText) {
    test::KeyWindow window(*windows_, "Typing Target", dir_.File("typed"));
    ASSERT_NE(window.Id(), 0u);
    ASSERT_TRUE(keys_->SendKeystrokeText(GetParam().macro));
    EXPECT_EQ(window.Received(GetParam().received), GetParam().received);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, X11Typing,
    testing::Values(TypingCase{"Record", "12.5{TAB}OK~", "12.5\tOK\r"},
                    TypingCase{"ShiftedCharacters", "Abc!@#$&*_:\"<>?|", "Abc!@#$&*_:\"<>?|"},
                    TypingCase{"UnshiftedPunctuation", "-=[];',./\\`", "-=[];',./\\`"},
                    TypingCase{"BracedSpecials", "1{+}2{^}{%}{~}{(}{)}{{}{}}", "1+2^%~(){}"},
                    TypingCase{"ModifierOverGroup", "+(ab)c", "ABc"},
                    TypingCase{"RepeatAndNames", "{a 3}{ENTER}{TAB 2}{BS}", "aaa\r\t\t\b"},
                    TypingCase{"Latin1ThroughSpareKey",
                               "25 \xB0"
                               "C \xB5g \xE9\xDF\xFF\xA7",
                               "25 \xB0"
                               "C \xB5g \xE9\xDF\xFF\xA7"},
                    TypingCase{"DelayPiecesKeepOrder", "a{DELAY 50}b{DELAY 1}c", "abc"}),
    [](const auto& info) { return std::string(info.param.rule); });

TEST_F(X11Keys, CapsLockOnStillTypesAsWrittenAndStaysOn) {
    test::KeyWindow window(*windows_, "Caps Target", dir_.File("caps"));
    ASSERT_NE(window.Id(), 0u);
    keyboard_->KeyEvent(20, true);
    keyboard_->KeyEvent(20, false);
    ASSERT_TRUE(keyboard_->CapsLockOn());
    ASSERT_TRUE(keys_->SendKeystrokeText("abC 1"));
    EXPECT_EQ(window.Received("abC 1"), "abC 1");
    EXPECT_TRUE(keyboard_->CapsLockOn());
    keyboard_->KeyEvent(20, true);
    keyboard_->KeyEvent(20, false);
    EXPECT_FALSE(keyboard_->CapsLockOn());
}

TEST_F(X11Keys, HeldShiftIsReleasedForTheMacroAndPressedAgain) {
    test::KeyWindow window(*windows_, "Shift Target", dir_.File("shift"));
    ASSERT_NE(window.Id(), 0u);
    keyboard_->KeyEvent(16, true);
    XSync(dpy_, False);
    ASSERT_TRUE(ShiftLDown());
    ASSERT_TRUE(keys_->SendKeystrokeText("ab1"));
    EXPECT_EQ(window.Received("ab1"), "ab1");
    EXPECT_TRUE(ShiftLDown());
    keyboard_->KeyEvent(16, false);
    XSync(dpy_, False);
    EXPECT_FALSE(ShiftLDown());
}

TEST_F(X11Keys, TargetBehindAnotherWindowIsActivatedByPartOfItsTitle) {
    test::KeyWindow target(*windows_, "Balance Sheet - Calc", dir_.File("target"));
    test::KeyWindow other(*windows_, "Other Editor", dir_.File("other"));
    ASSERT_NE(target.Id(), 0u);
    ASSERT_NE(other.Id(), 0u);
    ASSERT_EQ(windows_->ForegroundWindow(), other.Id());
    bool restored = true;
    EXPECT_EQ(keys_->ActivateTargetWindow("sheet - CALC", restored), target.Id());
    EXPECT_FALSE(restored);
    EXPECT_EQ(windows_->ForegroundWindow(), target.Id());
    ASSERT_TRUE(keys_->SendKeystrokeText("42~"));
    EXPECT_EQ(target.Received("42\r"), "42\r");
    EXPECT_EQ(other.ReceivedSoFar(), "");
}

TEST_F(X11Keys, MinimisedTargetIsRestoredThenMinimisedAgain) {
    test::KeyWindow target(*windows_, "Minimised Target", dir_.File("min"));
    test::KeyWindow other(*windows_, "Front Window", dir_.File("front"));
    ASSERT_NE(target.Id(), 0u);
    windows_->Minimise(target.Id());
    ASSERT_TRUE(windows_->IsMinimised(target.Id()));
    bool restored = false;
    EXPECT_EQ(keys_->ActivateTargetWindow("minimised", restored), target.Id());
    EXPECT_TRUE(restored);
    EXPECT_FALSE(windows_->IsMinimised(target.Id()));
    EXPECT_TRUE(test::WaitForActive(*windows_, target.Id()));
    ASSERT_TRUE(keys_->SendKeystrokeText("7"));
    EXPECT_EQ(target.Received("7"), "7");
    keys_->MinimizeWindow(target.Id());
    EXPECT_TRUE(windows_->IsMinimised(target.Id()));
    EXPECT_EQ(other.ReceivedSoFar(), "");
}

TEST_F(X11Keys, MissingTargetIsNotFound) {
    bool restored = true;
    EXPECT_EQ(keys_->ActivateTargetWindow("No Such Window Title", restored), 0u);
    EXPECT_FALSE(restored);
}

TEST_F(X11Keys, LaunchedProgramTakesTheFocusAndReceivesTheKeys) {
    test::KeyWindow front(*windows_, "Front Window", dir_.File("front"));
    const WindowId before = keys_->ForegroundWindow();
    const std::string file = dir_.File("launched");
    const auto started =
        keys_->LaunchProgram(std::string(PV_KEY_WINDOW) + " \"Launched Target\" \"" + file + "\"");
    ASSERT_TRUE(started.started) << started.error;
    const WindowId launched = keys_->WaitForLaunchedWindow(before);
    EXPECT_NE(launched, before);
    EXPECT_EQ(keys_->WindowTitle(launched), "Launched Target");
    ASSERT_TRUE(keys_->SendKeystrokeText("9.81~"));
    EXPECT_EQ(test::ReadWholeFile(file).size() <= 5, true);
    for (int i = 0; i < 150 && test::ReadWholeFile(file) != "9.81\r"; ++i)
        test::SleepMs(20);
    EXPECT_EQ(test::ReadWholeFile(file), "9.81\r");
    if (launched != before) {
        XKillClient(dpy_, Window(launched)); // ends the launched program
        XSync(dpy_, False);
    }
}

TEST_F(X11Keys, ProgramThatCannotStartReportsTheSystemError) {
    const auto started = keys_->LaunchProgram("/nonexistent/balance-app --now");
    EXPECT_FALSE(started.started);
    EXPECT_FALSE(started.error.empty());
}

// Every key a macro can name and every key of the hot key list has a keysym
// and reaches a window as that key.
TEST_F(X11Keys, NamedAndHotKeyListKeysArriveAsTheirKeysyms) {
    std::array<std::string, kKeyTableSize> names;
    std::array<int16_t, kKeyTableSize> list;
    BuildKeyNameTable(names, list);
    std::set<int> codes;
    for (int i = 1; i < kKeyListLength; ++i)
        codes.insert(list[size_t(i)]);
    for (const char* name :
         {"CAPSLOCK", "NUMLOCK", "SCROLLOCK", "ESCAPE", "ENTER",  "HELP", "PRTSC", "TAB",
          "BREAK",    "CLEAR",   "BACKSPACE", "DELETE", "INSERT", "LEFT", "RIGHT", "UP",
          "DOWN",     "PGUP",    "PGDN",      "HOME",   "END",    "F1",   "F16"})
        codes.insert(LookupKeyName(name, *keyboard_));
    // Locks would change the keyboard state for later tests, and the window
    // manager keeps Print for itself: mapped, but not pressed here.
    const std::set<int> locks{20, 144, 145, 42, 44};
    std::vector<int> pressed;
    for (int vk : codes) {
        ASSERT_NE(x11::VkToKeysym(vk), 0u) << "key code " << vk;
        if (!locks.count(vk)) pressed.push_back(vk);
    }

    const std::string keysymFile = dir_.File("keysyms");
    test::KeyWindow window(*windows_, "Key Table Target", dir_.File("keys"), keysymFile);
    ASSERT_NE(window.Id(), 0u);
    std::vector<uint16_t> queue(pressed.begin(), pressed.end());
    keyboard_->Prepare(queue.data(), queue.size());
    for (int vk : pressed) {
        keyboard_->KeyEvent(vk, true);
        keyboard_->KeyEvent(vk, false);
    }
    std::string log;
    for (int i = 0; i < 150; ++i) {
        log = test::ReadWholeFile(keysymFile);
        if (size_t(std::count(log.begin(), log.end(), '\n')) >= pressed.size()) break;
        test::SleepMs(20);
    }
    std::istringstream lines(log);
    for (int vk : pressed) {
        unsigned long level0 = 0, level1 = 0;
        ASSERT_TRUE(lines >> std::hex >> level0 >> level1) << "nothing arrived for key code " << vk;
        const unsigned long want = x11::VkToKeysym(vk);
        EXPECT_TRUE(level0 == want || level1 == want)
            << "key code " << vk << ": got " << std::hex << level0 << "/" << level1 << ", want "
            << want;
    }
}

TEST(X11NoDisplay, ReportsOnceAndTypesNothing) {
    Config config;
    RecordingSink sink;
    auto keys = x11::MakeX11KeystrokeDelivery(config, sink, ":987");
    EXPECT_FALSE(keys->Available());
    EXPECT_FALSE(keys->SendKeystrokeText("abc"));
    EXPECT_FALSE(keys->SendKeystrokeText("def"));
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].find(":987"), std::string::npos) << sink.shown[0];
}

} // namespace
} // namespace pv
