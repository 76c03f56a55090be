// The runtime's Send Keystrokes delivery typing records into real windows:
// the data comes through the virtual device, the keys through XTest.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "config/settings_store.h"
#include "platform/x11/x11_keystrokes.h"
#include "platform/x11/x11_windows.h"
#include "runtime/runtime.h"

// Xlib last: its macros (True, False, None) clash with names of the tree.
#include "x11/x11_helpers.h"

namespace pv {
namespace {

class StillClock : public Clock {
  public:
    uint32_t TickCount() override { return 1000; }
    DateTime Now() override { return {}; }
};

class KeptMessages : public MessageSink {
  public:
    std::vector<std::string> shown;
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon,
                   MsgButtons) override {
        shown.push_back(title + ": " + text);
        return MsgResult::Ok;
    }
    void Beep() override {}
};

class NumberDisplay : public RecordDisplay {
  public:
    std::string number;
    void ShowRecordNumber(const std::string& text) override { number = text; }
};

class RuntimeX11 : public testing::Test {
  protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "no X display (run through run_x11_tests.sh)";
        dpy_ = XOpenDisplay(nullptr);
        ASSERT_NE(dpy_, nullptr);
        windows_ = std::make_unique<x11::X11Windows>(dpy_);
        config_.RunMode = RunVirtual;
        config_.OutputMode = SendKeystrokes;
        config_.InterCharDelay = 0;
        // The CR that ends a single-field record stays in the field and is
        // typed as Enter.
        keys_ = x11::MakeX11KeystrokeDelivery(config_, messages_);
        ASSERT_TRUE(keys_->Available());
        keys_->SetLaunchSettleMs(200);
    }
    void TearDown() override {
        if (runtime_) runtime_->Stop();
        runtime_.reset();
        keys_.reset();
        windows_.reset();
        if (dpy_) XCloseDisplay(dpy_);
    }
    void Start() {
        runtime_ =
            std::make_unique<Runtime>(config_, port_, clock_, messages_, store_,
                                      RuntimeParts{&display_, keys_.get(), nullptr, nullptr});
        runtime_->Start();
    }
    void Feed(const std::string& bytes) {
        port_.InputBuffer += bytes;
        runtime_->PollTick();
    }

    Display* dpy_ = nullptr;
    std::unique_ptr<x11::X11Windows> windows_;
    Config config_;
    StillClock clock_;
    KeptMessages messages_;
    MemorySettingsStore store_;
    NumberDisplay display_;
    SerialPort port_{config_, nullptr, clock_, messages_, &store_};
    std::unique_ptr<x11::X11Keystrokes> keys_;
    std::unique_ptr<Runtime> runtime_;
    test::TempDir dir_;
};

TEST_F(RuntimeX11, RecordsAreTypedIntoTheTargetAndTheFocusGoesBack) {
    test::KeyWindow target(*windows_, "Balance Log - Sheet", dir_.File("target"));
    test::KeyWindow front(*windows_, "Front Editor", dir_.File("front"));
    ASSERT_NE(target.Id(), 0u);
    ASSERT_NE(front.Id(), 0u);
    config_.KeyTargetSpecified = True;
    config_.KeyTargetTitle = "BALANCE LOG";
    Start();
    Feed("+0012.345 g\r");
    Feed("-0000.500 g\r");
    const std::string want = "+0012.345 g\r-0000.500 g\r";
    EXPECT_EQ(target.Received(want), want);
    EXPECT_EQ(front.ReceivedSoFar(), "");
    EXPECT_TRUE(test::WaitForActive(*windows_, front.Id()));
    EXPECT_EQ(display_.number, "2");
}

TEST_F(RuntimeX11, MinimisedTargetIsMinimisedAgainAfterTheRecord) {
    test::KeyWindow target(*windows_, "Tray Target", dir_.File("target"));
    test::KeyWindow front(*windows_, "Front Editor", dir_.File("front"));
    windows_->Minimise(target.Id());
    ASSERT_TRUE(windows_->IsMinimised(target.Id()));
    config_.KeyTargetSpecified = True;
    config_.KeyTargetTitle = "tray target";
    Start();
    Feed("12.5\r");
    EXPECT_EQ(target.Received("12.5\r"), "12.5\r");
    EXPECT_TRUE(windows_->IsMinimised(target.Id()));
}

TEST_F(RuntimeX11, FocusedWindowReceivesWhenNoTargetIsNamed) {
    test::KeyWindow focused(*windows_, "Any Focused Window", dir_.File("focused"));
    config_.KeyTargetSpecified = False;
    Start();
    Feed("7.25 kg\r");
    EXPECT_EQ(focused.Received("7.25 kg\r"), "7.25 kg\r");
}

TEST_F(RuntimeX11, RunningWindowHavingTheFocusSendsNothing) {
    test::KeyWindow running(*windows_, "Portivox - COM1", dir_.File("running"));
    keys_->SetRunningWindow(running.Id());
    config_.KeyTargetSpecified = False;
    Start();
    Feed("1.000 g\r");
    EXPECT_EQ(display_.number, "1");
    EXPECT_EQ(running.ReceivedSoFar(), "");
}

TEST_F(RuntimeX11, MissingTargetIsLaunchedAndReceivesTheRecords) {
    test::KeyWindow front(*windows_, "Front Editor", dir_.File("front"));
    const std::string file = dir_.File("launched");
    config_.KeyTargetSpecified = True;
    config_.KeyTargetTitle = "Launched Balance";
    config_.KeyTargetCommand =
        std::string(PV_KEY_WINDOW) + " \"Launched Balance Target\" \"" + file + "\"";
    Start();
    Feed("3.5\r");
    for (int i = 0; i < 150 && test::ReadWholeFile(file) != "3.5\r"; ++i)
        test::SleepMs(20);
    EXPECT_EQ(test::ReadWholeFile(file), "3.5\r");
    // The next record finds the launched window instead of starting another.
    Feed("4.5\r");
    for (int i = 0; i < 150 && test::ReadWholeFile(file) != "3.5\r4.5\r"; ++i)
        test::SleepMs(20);
    EXPECT_EQ(test::ReadWholeFile(file), "3.5\r4.5\r");
    EXPECT_EQ(front.ReceivedSoFar(), "");
    const WindowId launched = test::WaitForWindow(*windows_, "Launched Balance Target", 0);
    if (launched) XKillClient(dpy_, Window(launched));
    XSync(dpy_, False);
}

TEST_F(RuntimeX11, ProgramThatCannotRunIsReportedAndNothingIsTyped) {
    test::KeyWindow front(*windows_, "Front Editor", dir_.File("front"));
    config_.KeyTargetSpecified = True;
    config_.KeyTargetTitle = "No Such Target";
    config_.KeyTargetCommand = "/nonexistent/balance-app";
    Start();
    Feed("9\r");
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].rfind(
                  "Portivox Error: Cannot Run Program: /nonexistent/balance-app\n", 0),
              0u)
        << messages_.shown[0];
    EXPECT_EQ(front.ReceivedSoFar(), "");
}

} // namespace
} // namespace pv
