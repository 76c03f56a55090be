// Hot keys grabbed on a real X server: keys pressed with XTest while a test
// window has the focus.
#include "fakes/run_fakes.h"
#include "hotkeys/hot_keys.h"
#include "platform/x11/x11_desktop.h"
#include "platform/x11/x11_hot_keys.h"
#include "x11_helpers.h"

namespace pv {
namespace {

constexpr int Q = 'Q', F7 = 118, Shift = 16, Ctrl = 17;

struct Press {
    const char* Name;
    std::vector<std::pair<int, bool>> Keys; // virtual key, down
    std::string Queued;                     // what the run queued for the port
    std::string Window;                     // what reached the focused window
};

class HotKeysX11 : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        desktop_ = x11::Desktop::Open(nullptr, why);
        if (!desktop_) GTEST_SKIP() << why;
        grabber_ = x11::X11HotKeyGrabber::Open(nullptr);
        ASSERT_TRUE(grabber_);
    }
    std::unique_ptr<x11::Desktop> desktop_;
    std::unique_ptr<x11::X11HotKeyGrabber> grabber_;
};

TEST_F(HotKeysX11, GrabbedKeysActAndNeverReachTheFocusedWindow) {
    // clang-format off
    const Press rows[] = {
        {"press_runs_both_entries_in_order_and_is_swallowed", {{Q, true}, {Q, false}}, "ab", ""},
        {"auto_repeat_and_release_are_swallowed", {{Q, true}, {Q, true}, {Q, true}, {Q, false}}, "ab", ""},
        {"shift_twin_without_entry_reaches_the_window", {{Shift, true}, {Q, true}, {Q, false}, {Shift, false}}, "", "Q"},
        {"ctrl_grab_matches_ctrl_only", {{Ctrl, true}, {F7, true}, {F7, false}, {Ctrl, false}}, "c", ""},
        {"shift_ctrl_grab_matches_both", {{Shift, true}, {Ctrl, true}, {F7, true}, {F7, false}, {Ctrl, false}, {Shift, false}}, "d", ""},
    };
    // clang-format on
    for (const Press& row : rows) {
        SCOPED_TRACE(row.Name);
        testing::Harness h;
        auto& c = h.config;
        // clang-format off
        c.HotKeyCode[0] = Q; c.HotKeyAction[0] = HkTransmitString; c.HotKeyString[0] = "a";
        c.HotKeyCode[1] = Q; c.HotKeyAction[1] = HkTransmitString; c.HotKeyString[1] = "b";
        c.HotKeyCode[2] = 2 * 256 + F7; c.HotKeyAction[2] = HkTransmitString; c.HotKeyString[2] = "c";
        c.HotKeyCode[3] = 3 * 256 + F7; c.HotKeyAction[3] = HkTransmitString; c.HotKeyString[3] = "d";
        // clang-format on
        Runtime& rt = h.Start();
        HotKeyHook hook(h.config, rt, *grabber_, h.messages, false);
        hook.Register();
        test::TempDir dir;
        test::KeyWindow window(desktop_->Windows(), "pv hot key target", dir.File("keys"));
        ASSERT_NE(window.Id(), 0u);
        for (auto [vk, down] : row.Keys)
            desktop_->Keys().KeyEvent(vk, down);
        // A marker typed after the keys: everything before it has arrived.
        desktop_->Keys().KeyEvent('M', true);
        desktop_->Keys().KeyEvent('M', false);
        std::string got;
        ASSERT_TRUE(testing::WaitUntil([&] { // serving the grabs meanwhile
            grabber_->Dispatch([&](const HotKeyEvent& e) { return hook.OnKey(e); });
            got = testing::Slurp(dir.File("keys"));
            return got.find('m') != std::string::npos;
        }));
        EXPECT_EQ(got.substr(0, got.find('m')), row.Window);
        EXPECT_EQ(rt.Snapshot().PendingOutput, row.Queued);
    }
}

TEST_F(HotKeysX11, CombinationHeldByAnotherClientIsReported) {
    Display* other = XOpenDisplay(nullptr);
    ASSERT_NE(other, nullptr);
    const int keycode = XKeysymToKeycode(other, XStringToKeysym("F9"));
    XGrabKey(other, keycode, ControlMask, DefaultRootWindow(other), False, GrabModeAsync,
             GrabModeAsync);
    XSync(other, False);
    testing::Harness h;
    h.config.HotKeyCode[6] = 2 * 256 + 120; // CTRL+F9
    h.config.HotKeyCode[7] = 2 * 256 + 121; // CTRL+F10, free
    Runtime& rt = h.Start();
    HotKeyHook hook(h.config, rt, *grabber_, h.messages, false);
    hook.Register();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_NE(h.messages.shown[0].text.find("7: CTRL+F9"), std::string::npos);
    EXPECT_EQ(h.messages.shown[0].text.find("F10"), std::string::npos);
    EXPECT_EQ(TakenHotKeys(), std::set<int16_t>{2 * 256 + 120}) << "the dialog marks entry 7";
    XCloseDisplay(other);
}

} // namespace
} // namespace pv
