// The keystroke delivery the runtime calls: launch waits, the running
// window, the configured delay.
#include <gtest/gtest.h>

#include "config/config.h"
#include "output/keystroke_delivery.h"
#include "output/keystroke_fakes.h"

namespace pv {
namespace {

struct DeliveryFixture : testing::Test {
    test::FakeWindows windows;
    void SetUp() override {
        windows.stack = {{1, "Portivox - COM1"}, {2, "Notes - Editor"}};
        windows.foreground = 1;
    }
};

TEST_F(DeliveryFixture, DeliveryWaitsForTheLaunchedWindowThenSettles) {
    Config config;
    test::RecordingKeyboard keyboard;
    // The launched window takes the focus during the third wait.
    struct Launching : test::FakeWindows {
        int polls = 0;
        WindowId ForegroundWindow() override { return ++polls > 3 ? 7 : 1; }
    } launching;
    KeystrokeOutput out(config, keyboard, launching);
    out.SetLaunchSettleMs(2592);
    EXPECT_EQ(out.WaitForLaunchedWindow(1), 7u);
    EXPECT_EQ(keyboard.Events(), "w20 w20 w20 w2592");
}

TEST_F(DeliveryFixture, DeliveryGivesUpWaitingForALaunchThatShowsNoWindow) {
    Config config;
    test::RecordingKeyboard keyboard;
    KeystrokeOutput out(config, keyboard, windows);
    out.SetLaunchTimeoutMs(100);
    out.SetLaunchSettleMs(0);
    EXPECT_EQ(out.WaitForLaunchedWindow(1), 1u);
    EXPECT_EQ(keyboard.Events(), "w20 w20 w20 w20 w20");
}

TEST_F(DeliveryFixture, DeliveryKnowsTheRunningWindowAndTypesWithTheConfiguredDelay) {
    Config config;
    config.InterCharDelay = 3;
    test::RecordingKeyboard keyboard;
    KeystrokeOutput out(config, keyboard, windows);
    EXPECT_FALSE(out.IsRunningWindowFocused());
    out.SetRunningWindow(1);
    EXPECT_TRUE(out.IsRunningWindowFocused());
    EXPECT_TRUE(out.SendKeystrokeText("a"));
    EXPECT_EQ(keyboard.Events(), "d65 w3 u65 w3");
    EXPECT_TRUE(out.SendKeystrokeText("{FOO}"));
    EXPECT_EQ(out.LastResult(), MacroUnknownKey);
}

} // namespace
} // namespace pv
