// The runtime's frame around the assembler: acknowledgement, beeps,
// suspension, one-record mode, Reset, the exit countdown, Opto-RS, the
// timed output and start-up state.
#include <gtest/gtest.h>

#include "runtime/fakes.h"

namespace pv::runtime_test {
namespace {

TEST(RecordFrameTest, AcknowledgesEveryRecordIncludingVoidOnes) {
    Harness h;
    h.config.AckString = std::string("\x06", 1);
    h.config.PreInputTable['!'] = "Void Record";
    h.Start();
    h.Feed("1\r!2\r3\r");
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "\x06\x06\x06");
    EXPECT_EQ(h.display.records, (std::vector<std::string>{"1\r", "3\r"}));
    EXPECT_EQ(h.display.number, "2");
}

TEST(RecordFrameTest, BeepUsesSpecialBeepOfThePortWhenNonzero) {
    Harness h;
    h.config.BeepOnInput = True;
    h.store.Set("Portivox - COM1/Settings", "SpecialBeep", "48");
    h.Start();
    h.Feed("1\r");
    h.Tick();
    EXPECT_EQ(h.host.sounds, std::vector<int>{48});
    EXPECT_EQ(h.messages.beeps, 0);

    Harness plain;
    plain.config.BeepOnInput = True;
    plain.Start();
    plain.Feed("1\r2\r");
    plain.Tick();
    EXPECT_TRUE(plain.host.sounds.empty());
    EXPECT_EQ(plain.messages.beeps, 2);
}

TEST(OptoRsTest, QueriesOnCrAndVoidsTheAnswerRecord) {
    Harness h;
    h.config.FlowControl = FlowOptoRs;
    h.Start();
    h.Feed("12\r34\r56\r");
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "?\r?\r");
    EXPECT_EQ(h.display.records, (std::vector<std::string>{"12\r", "56\r"}));
}

TEST(SuspendTest, SuspendedTickReadsNothingAndResumeDeliversQueuedInput) {
    Harness h;
    h.config.ActivateSuspended = True;
    Runtime& rt = h.Start();
    EXPECT_TRUE(rt.Suspended);
    EXPECT_EQ(h.host.caption, "Portivox - COM1 (S) (Virtual Device)");
    h.Feed("1\r");
    h.Tick(3);
    EXPECT_TRUE(h.display.records.empty());
    EXPECT_EQ(h.port.InputBuffer, "1\r");
    rt.Resume();
    EXPECT_EQ(h.host.caption, "Portivox - COM1 (Virtual Device)");
    h.Tick();
    EXPECT_EQ(h.display.records.size(), 1u);
}

TEST(SuspendTest, OneRecordModeDeliversOneRecordThenSuspends) {
    Harness h;
    h.config.ActivateSuspended = True;
    Runtime& rt = h.Start();
    h.Feed("1\r2\r");
    rt.ResumeForOneRecord();
    h.Tick();
    EXPECT_EQ(h.display.records, std::vector<std::string>{"1\r"});
    EXPECT_TRUE(rt.Suspended);
    EXPECT_FALSE(rt.OneRecordMode);
    EXPECT_EQ(h.port.InputBuffer, "2\r");
    h.Tick(2);
    EXPECT_EQ(h.display.records.size(), 1u);
    rt.ResumeForOneRecord();
    h.Tick();
    EXPECT_EQ(h.display.records, (std::vector<std::string>{"1\r", "2\r"}));
}

TEST(SuspendTest, OneRecordModeSkipsVoidRecords) {
    Harness h;
    h.config.ActivateSuspended = True;
    h.config.PreInputTable['!'] = "Void Record";
    Runtime& rt = h.Start();
    h.Feed("!\r2\r3\r");
    rt.ResumeForOneRecord();
    h.Tick();
    EXPECT_EQ(h.display.records, std::vector<std::string>{"2\r"});
    EXPECT_TRUE(rt.Suspended);
}

TEST(ExitTest, AppExitClosesAtEndOfSecondTick) {
    Harness h;
    Runtime& rt = h.Start();
    rt.RequestExit();
    h.Tick();
    EXPECT_EQ(h.host.exits, 0);
    h.Tick();
    EXPECT_EQ(h.host.exits, 1);
    h.Tick(3);
    EXPECT_EQ(h.host.exits, 1);
}

TEST(ExitTest, AppExitWhileSuspendedWaitsForResume) {
    Harness h;
    Runtime& rt = h.Start();
    rt.Suspend();
    rt.RequestExit();
    h.Tick(5);
    EXPECT_EQ(h.host.exits, 0);
    rt.Resume();
    h.Tick();
    EXPECT_EQ(h.host.exits, 0);
    h.Tick();
    EXPECT_EQ(h.host.exits, 1);
}

struct ResetCase {
    const char* name;
    bool suspendedBefore;
    bool activateSuspended;
    bool suspendedAfter;
};

class ResetTest : public testing::TestWithParam<ResetCase> {};

TEST_P(ResetTest, DropsPartialRecordAndRestoresSuspension) {
    const auto& c = GetParam();
    Harness h;
    h.config.ActivateSuspended = c.activateSuspended ? True : False;
    Runtime& rt = h.Start();
    h.Feed("12");
    if (rt.Suspended) rt.Resume();
    h.Tick();
    h.Feed("1\r");
    h.Tick();
    ASSERT_EQ(h.display.number, "1");
    h.Feed("99");
    h.Tick();
    h.Feed("pending");
    if (c.suspendedBefore) rt.Suspend();
    rt.Reset();
    EXPECT_EQ(rt.Suspended, c.suspendedAfter);
    EXPECT_EQ(h.display.number, "");
    EXPECT_TRUE(h.port.InputBuffer.empty());
    EXPECT_EQ(rt.FieldIndex, 1);
    EXPECT_FALSE(rt.InRecord);
    rt.Resume();
    h.Feed("34\r");
    h.Tick();
    EXPECT_EQ(h.display.records.back(), "34\r");
    EXPECT_EQ(h.display.number, "1");
}

INSTANTIATE_TEST_SUITE_P(
    States, ResetTest,
    testing::Values(ResetCase{"RunningStaysRunning", false, false, false},
                    ResetCase{"SuspendedResumes", true, false, false},
                    ResetCase{"ActivateSuspendedSuspends", false, true, true},
                    ResetCase{"SuspendedWithActivateSuspendedStaysSuspended", true, true, true}),
    [](const testing::TestParamInfo<ResetCase>& i) { return std::string(i.param.name); });

TEST(TimedOutputTest, FirstActionOneIntervalAfterStartAndAtMostOnePerTick) {
    Harness h;
    h.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    h.config.TimerInterval = 100;
    h.config.TimerString = "T";
    Runtime& rt = h.Start();
    EXPECT_TRUE(h.host.timerMenuVisible);
    EXPECT_TRUE(h.host.timerOn);
    h.Tick(); // schedule starts at 1000
    EXPECT_EQ(h.port.PendingOutput, "");
    h.clock.ticks = 1099;
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "");
    h.clock.ticks = 1100;
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "T");
    h.clock.ticks = 1450; // late: catches up one action per tick
    h.Tick(5);
    EXPECT_EQ(h.port.PendingOutput, "TTTT");
    EXPECT_EQ(rt.TimerDueBase, 1400);
}

TEST(TimedOutputTest, ResumeRestartsTheInterval) {
    Harness h;
    h.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    h.config.TimerInterval = 100;
    h.config.TimerString = "T";
    Runtime& rt = h.Start();
    h.Tick();
    rt.Suspend();
    h.clock.ticks = 1200;
    rt.Resume();
    EXPECT_EQ(rt.TimerDueBase, 0);
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "");
    h.clock.ticks = 1300;
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "T");
}

TEST(TimedOutputTest, ZeroIntervalHidesMenuAndSwitchesTimerOff) {
    Harness h;
    h.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    h.config.TimerString = "T";
    Runtime& rt = h.Start();
    EXPECT_FALSE(h.host.timerMenuVisible);
    EXPECT_EQ(rt.TimerState & 1, 0);
    h.clock.ticks = 99999;
    h.Tick(3);
    EXPECT_EQ(h.port.PendingOutput, "");
    rt.ToggleTimedOutput(); // switched on later: every tick acts
    h.Tick(3);
    EXPECT_EQ(h.port.PendingOutput, "TT");
}

TEST(TimedOutputTest, SumBeyondInt32RestartsSchedule) {
    Harness h;
    h.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    h.config.TimerInterval = 99999999;
    h.config.TimerString = "T";
    Runtime& rt = h.Start();
    rt.TimerDueBase = 2147483647 - 10;
    h.clock.ticks = 2147483647u;
    h.Tick();
    EXPECT_EQ(h.port.PendingOutput, "");
    EXPECT_EQ(rt.TimerDueBase, 2147483647 - 10);
}

TEST(TimedOutputTest, LineActionsDoNothingInVirtualInstrumentMode) {
    Harness h;
    h.config.TimerFlags = TimerEnableOnStart | TimerActionBreak;
    h.config.TimerInterval = 50;
    h.Start();
    h.Tick();
    h.clock.ticks += 50;
    h.Tick();
    EXPECT_EQ(h.port.BreakDtrState, 0);
    EXPECT_EQ(h.port.PendingOutput, "");
}

TEST(StartupTest, TopicCaptionLinksAndHotKeys) {
    Harness h;
    h.config.CommPort = 1;
    h.config.CmdLinkApp = "App";
    h.config.CmdLinkTopic = "Topic";
    h.config.CmdLinkOnActivation = True;
    h.config.BufferLinkApp = "App";
    h.config.BufferLinkOnActivation = True; // no topic: not established
    Runtime& rt = h.Start();
    EXPECT_EQ(rt.DdeTopic, "COM2");
    EXPECT_EQ(rt.WindowTitle, "Portivox - COM2");
    EXPECT_EQ(h.host.caption, "Portivox - COM2 Virtual Device");
    EXPECT_EQ(h.host.commandLinks, 1);
    EXPECT_EQ(h.host.bufferLinks, 0);
    EXPECT_EQ(h.host.hotKeys, 1);
    rt.DDEBufferPasteFlag = true;
    h.Tick(2);
    EXPECT_EQ(h.host.bufferLinks, 1);
    EXPECT_FALSE(rt.DDEBufferPasteFlag);

    Harness named;
    named.config.DDETopicName = "Scale";
    EXPECT_EQ(named.Start().DdeTopic, "Scale");
}

TEST(StartupTest, WindowPositionIsStoredPerPort) {
    Harness com1;
    Runtime& a = com1.Start();
    int left = 0, top = 0;
    a.LoadWindowPosition(left, top);
    EXPECT_EQ(left, 1000);
    EXPECT_EQ(top, 1000);
    a.StoreWindowPosition(200, 300);

    Harness com2;
    com2.config.CommPort = 1;
    Runtime& b = com2.Start();
    b.LoadWindowPosition(left, top); // separate store: still the default
    EXPECT_EQ(left, 1000);
    b.StoreWindowPosition(5, 6);
    a.LoadWindowPosition(left, top);
    EXPECT_EQ(left, 200);
    EXPECT_EQ(top, 300);
    EXPECT_EQ(com2.store.values.count("Portivox - COM2/Settings/MainLeft"), 1u);
}

TEST(StartupTest, DateTimeBoxChangesOnlyWhenTimeChanges) {
    Harness h;
    h.config.ShowDateTime = True;
    h.clock.now = DateTime{2024, 3, 5, 14, 7, 9};
    h.Start();
    h.Tick(3);
    h.clock.now.Second = 10;
    h.Tick();
    int shown = 0;
    for (const auto& e : h.events)
        if (e.rfind("datetime ", 0) == 0) ++shown;
    EXPECT_EQ(shown, 2);
}

TEST(StopTest, VirtualRunReturnsToSetupAndDisconnectsDde) {
    Harness h;
    Runtime& rt = h.Start();
    rt.Stop();
    EXPECT_EQ(h.config.RunMode, NotRunning);
    EXPECT_EQ(h.events.back(), "disconnect");
}

} // namespace
} // namespace pv::runtime_test
