// Hot key matching and actions against a runtime on a recording driver.
#include "hotkeys/hot_keys.h"

#include <gtest/gtest.h>

#include "fakes/run_fakes.h"

namespace pv {
namespace {

using testing::Harness;

constexpr int16_t CtrlF5 = 2 * 256 + 116, ShiftF5 = 1 * 256 + 116;

class FakeGrabber : public HotKeyGrabber {
  public:
    std::vector<HotKeyCombination> grabbed, taken;
    Result Grab(const HotKeyCombination& c) override {
        for (const auto& t : taken)
            if (t == c) return Result::Taken;
        grabbed.push_back(c);
        return Result::Grabbed;
    }
    void UngrabAll() override { grabbed.clear(); }
};

struct Entry {
    int16_t Code, Action;
    std::string Text;
};

struct Row {
    const char* Name;
    std::vector<Entry> Entries;
    HotKeyEvent Key;
    bool Virtual = false, StartSuspended = false;
    bool Swallowed = true;
    std::string
        Effect; // line calls, then "out=" queued text, "S" suspended, "T" timer on, "1" one record
};

std::string Effect(Harness& h) {
    std::string e;
    for (const std::string& call : h.driver.Log)
        if (call.rfind("Set", 0) == 0 && call.find("State") == std::string::npos) e += call + " ";
    const RuntimeSnapshot s = h.Snap();
    e += "out=" + s.PendingOutput;
    if (s.Suspended) e += " S";
    if (s.TimedOutputOn) e += " T";
    if (s.OneRecordMode) e += " 1";
    return e;
}

class HotKeyRows : public ::testing::TestWithParam<Row> {};

TEST_P(HotKeyRows, Acts) {
    const Row& r = GetParam();
    Harness h;
    h.driver.Lines = !r.Virtual;
    for (size_t n = 0; n < r.Entries.size(); ++n) {
        h.config.HotKeyCode[n] = r.Entries[n].Code;
        h.config.HotKeyAction[n] = r.Entries[n].Action;
        h.config.HotKeyString[n] = r.Entries[n].Text;
    }
    h.config.ActivateSuspended = r.StartSuspended ? True : False;
    Runtime& rt = h.Start();
    h.driver.Log.clear();
    FakeGrabber grabber;
    HotKeyHook hook(h.config, rt, grabber, h.messages, r.Virtual);
    hook.Register();
    EXPECT_EQ(hook.OnKey(r.Key), r.Swallowed);
    EXPECT_EQ(Effect(h), r.Effect);
}

const HotKeyEvent PressCtrlF5{116, kHotCtrl};

INSTANTIATE_TEST_SUITE_P(
    Table, HotKeyRows,
    ::testing::Values(
        Row{"transmit_queues_the_raw_string",
            {{CtrlF5, HkTransmitString, std::string("A\0\r\n", 4)}},
            PressCtrlF5,
            false,
            false,
            true,
            std::string("out=A\0\r\n", 8)},
        Row{"same_key_runs_every_entry_in_entry_order",
            {{CtrlF5, HkRaiseDtr, ""}, {CtrlF5, HkLowerDtr, ""}, {CtrlF5, HkTransmitString, "B"}},
            PressCtrlF5,
            false,
            false,
            true,
            "SetDtr(1) SetDtr(0) out=B"},
        Row{"line_actions_skipped_on_the_virtual_device",
            {{CtrlF5, HkBreak, ""}, {CtrlF5, HkRaiseRts, ""}, {CtrlF5, HkTransmitString, "V"}},
            PressCtrlF5,
            true,
            false,
            true,
            "out=V"},
        Row{"rts_and_break_reach_the_port",
            {{CtrlF5, HkLowerRts, ""}, {CtrlF5, HkBreak, ""}},
            PressCtrlF5,
            false,
            false,
            true,
            "SetRts(0) SetBreak(1) out="},
        Row{"repeat_is_swallowed_without_acting",
            {{CtrlF5, HkTransmitString, "R"}},
            {116, kHotCtrl, true, false},
            false,
            false,
            true,
            "out="},
        Row{"release_is_swallowed_without_acting",
            {{CtrlF5, HkTransmitString, "R"}},
            {116, kHotCtrl, false, true},
            false,
            false,
            true,
            "out="},
        Row{"other_modifiers_pass_through",
            {{CtrlF5, HkTransmitString, "R"}},
            {116, kHotCtrl | kHotShift},
            false,
            false,
            false,
            "out="},
        Row{"live_shift_decides_a_shifted_key",
            {{ShiftF5, HkTransmitString, "S"}},
            {116, kHotShift},
            false,
            false,
            true,
            "out=S"},
        Row{"key_none_never_matches",
            {{2 * 256, HkTransmitString, "N"}},
            {0, kHotCtrl},
            false,
            false,
            false,
            "out="},
        Row{"suspend_suspends_a_running_window",
            {{CtrlF5, HkSuspend, ""}},
            PressCtrlF5,
            false,
            false,
            true,
            "out= S"},
        Row{"enable_resumes_a_suspended_window",
            {{CtrlF5, HkEnable, ""}},
            PressCtrlF5,
            false,
            true,
            true,
            "out="},
        Row{"one_record_does_nothing_on_a_running_window",
            {{CtrlF5, HkEnableOneRecord, ""}},
            PressCtrlF5,
            false,
            false,
            true,
            "out="},
        Row{"one_record_resumes_a_suspended_window",
            {{CtrlF5, HkEnableOneRecord, ""}},
            PressCtrlF5,
            false,
            true,
            true,
            "out= 1"},
        Row{"timer_on_then_off_in_entry_order",
            {{CtrlF5, HkTimerOn, ""}, {CtrlF5, HkTimerOff, ""}},
            PressCtrlF5,
            false,
            false,
            true,
            "out="},
        Row{"timer_on_switches_timed_output",
            {{CtrlF5, HkTimerOn, ""}},
            PressCtrlF5,
            false,
            false,
            true,
            "out= T"},
        Row{"action_none_still_swallows",
            {{CtrlF5, HkNone, ""}},
            PressCtrlF5,
            false,
            false,
            true,
            "out="}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(HotKeyGrabs, EachKeyWithItsShiftTwinOnceAndNothingForNone) {
    Config c;
    c.HotKeyCode[0] = CtrlF5;
    c.HotKeyCode[1] = CtrlF5;
    c.HotKeyCode[2] = 2 * 256; // CTRL+None
    c.HotKeyCode[3] = ShiftF5;
    const std::vector<HotKeyCombination> want{{116, 0}, {116, 1}, {116, 2}, {116, 3}};
    EXPECT_EQ(HotKeyGrabs(c), want);
}

TEST(HotKeyRegistration, TakenKeyIsReportedOnceByEntryAndMarked) {
    Harness h;
    h.config.HotKeyCode[2] = CtrlF5;
    h.config.HotKeyCode[4] = ShiftF5;
    Runtime& rt = h.Start();
    FakeGrabber grabber;
    grabber.taken = {{116, kHotCtrl}};
    HotKeyHook hook(h.config, rt, grabber, h.messages, false);
    hook.Register();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_NE(h.messages.shown[0].text.find("3: CTRL+F5"), std::string::npos);
    EXPECT_EQ(h.messages.shown[0].text.find("SHIFT+F5"), std::string::npos);
    EXPECT_EQ(TakenHotKeys(), std::set<int16_t>{CtrlF5});
}

TEST(HotKeyText, ModifiersInFixedOrder) {
    EXPECT_EQ(HotKeyCodeText(7 * 256 + 112), "SHIFT+CTRL+ALT+F1");
    EXPECT_EQ(HotKeyCodeText(6 * 256 + 112), "CTRL+ALT+F1");
    EXPECT_EQ(HotKeyCodeText(2 * 256), "CTRL+None");
}

} // namespace
} // namespace pv
