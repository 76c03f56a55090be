// Keystrokes typed into real windows under Xvfb with a window manager:
// layout mapping, Latin-1 through a spare key, and the keystroke sink
// finding, restoring and launching its target.
#include "output/keystroke_sender.h"
#include "output/keystroke_sink.h"
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_keysyms.h"
#include "text/key_names.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include "x11/x11_helpers.h"
#include <X11/keysym.h>

namespace pv {
namespace {

class X11Keys : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display (run through run_x11_tests.sh)";
        std::string why;
        desktop_ = x11::Desktop::Open(nullptr, why);
        ASSERT_TRUE(desktop_) << why;
        sender_ = std::make_unique<KeystrokeSender>(Keys());
        sender_->SetInterCharDelay(0);
    }
    x11::X11Keyboard& Keys() { return desktop_->Keys(); }
    x11::X11Windows& Windows() { return desktop_->Windows(); }

    std::unique_ptr<x11::Desktop> desktop_;
    std::unique_ptr<KeystrokeSender> sender_;
    testing::RecordingMessages messages_;
    test::TempDir dir_;
};

TEST_F(X11Keys, WindowReceivesWhatTheMacroSays) {
    const struct {
        const char* rule;
        std::string macro, received;
    } rows[] = {
        {"Record", "12.5{TAB}OK~", "12.5\tOK\r"},
        {"ShiftedCharacters", "Abc!@#$&*_:\"<>?|", "Abc!@#$&*_:\"<>?|"},
        {"UnshiftedPunctuation", "-=[];',./\\`", "-=[];',./\\`"},
        {"BracedSpecials", "1{+}2{^}{%}{~}{(}{)}{{}{}}", "1+2^%~(){}"},
        {"Latin1ThroughSpareKey",
         "25 \xB0"
         "C \xB5g \xE9\xDF\xFF\xA7",
         "25 \xB0"
         "C \xB5g \xE9\xDF\xFF\xA7"},
        {"DelayPiecesKeepOrder", "a{DELAY 50}b{DELAY 1}c", "abc"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.rule);
        test::KeyWindow window(Windows(), std::string("Typing ") + r.rule, dir_.File(r.rule));
        ASSERT_NE(window.Id(), 0u);
        EXPECT_EQ(sender_->SendKeystrokeText(r.macro), MacroOk);
        EXPECT_EQ(window.Received(r.received), r.received);
    }
}

TEST_F(X11Keys, SinkFindsRestoresOrLaunchesItsTargetAndGivesTheFocusBack) {
    const std::string launchedFile = dir_.File("launched");
    struct : RecordBoxes {
        void ShowField(int) override {}
        void CountRecord() override {}
    } boxes; // not watched
    Record record;
    record.Fields[1] = "12.5\r";
    struct Row {
        const char *name, *title, *command;
        bool minimise; // the target starts minimised
        std::function<void(test::KeyWindow& target, test::KeyWindow& front)> check;
    };
    const Row rows[] = {
        {"TargetBehindReceivesAndTheFocusReturns", "BALANCE LOG", "", false,
         [&](test::KeyWindow& target, test::KeyWindow& front) {
             EXPECT_EQ(target.Received("12.5\r"), "12.5\r");
             EXPECT_TRUE(test::WaitForActive(Windows(), front.Id()));
         }},
        {"MinimisedTargetIsMinimisedAgain", "balance log", "", true,
         [&](test::KeyWindow& target, test::KeyWindow&) {
             EXPECT_EQ(target.Received("12.5\r"), "12.5\r");
             EXPECT_TRUE(Windows().IsMinimised(target.Id()));
         }},
        {"MissingTargetIsLaunched", "Launched Balance", "launch", false,
         [&](test::KeyWindow&, test::KeyWindow&) {
             EXPECT_TRUE(
                 testing::WaitUntil([&] { return testing::Slurp(launchedFile) == "12.5\r"; }));
             if (WindowId w = test::WaitForWindow(Windows(), "Launched Balance Target", 0)) {
                 XKillClient(desktop_->Connection(), Window(w));
                 XSync(desktop_->Connection(), False);
             }
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        messages_.shown.clear();
        test::KeyWindow target(Windows(), "Balance Log - Sheet", dir_.File(r.name));
        test::KeyWindow front(Windows(), "Front Editor", dir_.File(std::string(r.name) + "f"));
        ASSERT_NE(target.Id(), 0u);
        if (r.minimise) Windows().Minimise(target.Id());
        Config c;
        c.InterCharDelay = 0;
        c.KeyTargetTitle = r.title;
        c.KeyTargetCommand = std::string(r.command) == "launch"
                                 ? std::string(PV_KEY_WINDOW) + " \"Launched Balance Target\" \"" +
                                       launchedFile + "\""
                                 : r.command;
        KeystrokeSink sink(&Keys(), &Windows(), messages_);
        sink.SetLaunchSettleMs(200);
        sink.Start(c);
        sink.Deliver(record, boxes);
        r.check(target, front);
        EXPECT_EQ(front.ReceivedBeforeMarker(Windows(), Keys()), "");
    }
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
        codes.insert(LookupKeyName(name, Keys()));
    // Locks would change the keyboard state for later tests, and the window
    // manager keeps Print for itself: mapped, but not pressed here.
    const std::set<int> locks{20, 144, 145, 42, 44};
    std::vector<int> pressed;
    for (int vk : codes) {
        ASSERT_NE(x11::VkToKeysym(vk), 0u) << "key code " << vk;
        if (!locks.count(vk)) pressed.push_back(vk);
    }
    const std::string keysymFile = dir_.File("keysyms");
    test::KeyWindow window(Windows(), "Key Table Target", dir_.File("keys"), keysymFile);
    ASSERT_NE(window.Id(), 0u);
    std::vector<uint16_t> queue(pressed.begin(), pressed.end());
    Keys().Prepare(queue.data(), queue.size());
    for (int vk : pressed) {
        Keys().KeyEvent(vk, true);
        Keys().KeyEvent(vk, false);
    }
    std::string log;
    testing::WaitUntil([&] {
        log = testing::Slurp(keysymFile);
        return size_t(std::count(log.begin(), log.end(), '\n')) >= pressed.size();
    });
    std::istringstream lines(log);
    for (int vk : pressed) {
        unsigned long level0 = 0, level1 = 0;
        ASSERT_TRUE(lines >> std::hex >> level0 >> level1) << "nothing arrived for key code " << vk;
        const unsigned long want = x11::VkToKeysym(vk);
        EXPECT_TRUE(level0 == want || level1 == want) << "key code " << vk;
    }
}

TEST(X11NoDisplay, OpeningSaysWhichDisplayIsMissing) {
    std::string why;
    EXPECT_EQ(x11::Desktop::Open(":987", why), nullptr);
    EXPECT_NE(why.find(":987"), std::string::npos) << why;
}

} // namespace
} // namespace pv
