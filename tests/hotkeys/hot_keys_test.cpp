// Hot key matching and actions against a runtime on a recording driver.
#include "hotkeys/hot_keys.h"

#include <gtest/gtest.h>

#include "fakes/run_fakes.h"

namespace pv {
namespace {

constexpr int16_t CtrlF5 = 2 * 256 + 116, ShiftF5 = 1 * 256 + 116;

class FakeGrabber : public HotKeyGrabber {
  public:
    Result Grab(const HotKeyCombination&) override { return Result::Grabbed; }
    void UngrabAll() override {}
};

struct Entry {
    int16_t Code, Action;
    std::string Text;
};

struct Row {
    const char* Name;
    std::vector<Entry> Entries;
    HotKeyEvent Key;
    bool Virtual, StartSuspended, Swallowed;
    std::string
        Effect; // line calls, "out=" queued text, " S" suspended, " T" timer on, " 1" one record
};

// What a row's key press did to the port and the run.
std::string Effect(testing::Harness& h) {
    std::string e;
    for (const std::string& call : h.driver.Log)
        if (call.rfind("Set", 0) == 0 && call.find("State") == std::string::npos) e += call + " ";
    const RuntimeSnapshot s = h.Snap();
    return e + "out=" + s.PendingOutput + (s.Suspended ? " S" : "") +
           (s.TimedOutputOn ? " T" : "") + (s.OneRecordMode ? " 1" : "");
}

const HotKeyEvent CtrlF5Down{116, kHotCtrl};

// clang-format off
const Row kRows[] = {
    {"transmit_queues_the_raw_string", {{CtrlF5, HkTransmitString, std::string("A\0\r\n", 4)}}, CtrlF5Down, false, false, true, std::string("out=A\0\r\n", 8)},
    {"same_key_runs_every_entry_in_entry_order", {{CtrlF5, HkRaiseDtr, ""}, {CtrlF5, HkLowerDtr, ""}, {CtrlF5, HkTransmitString, "B"}}, CtrlF5Down, false, false, true, "SetDtr(1) SetDtr(0) out=B"},
    {"line_actions_skipped_on_the_virtual_device", {{CtrlF5, HkBreak, ""}, {CtrlF5, HkRaiseRts, ""}, {CtrlF5, HkTransmitString, "V"}}, CtrlF5Down, true, false, true, "out=V"},
    {"rts_and_break_reach_the_port", {{CtrlF5, HkLowerRts, ""}, {CtrlF5, HkBreak, ""}}, CtrlF5Down, false, false, true, "SetRts(0) SetBreak(1) out="},
    {"repeat_is_swallowed_without_acting", {{CtrlF5, HkTransmitString, "R"}}, {116, kHotCtrl, true, false}, false, false, true, "out="},
    {"release_is_swallowed_without_acting", {{CtrlF5, HkTransmitString, "R"}}, {116, kHotCtrl, false, true}, false, false, true, "out="},
    {"other_modifiers_pass_through", {{CtrlF5, HkTransmitString, "R"}}, {116, kHotCtrl | kHotShift}, false, false, false, "out="},
    {"live_shift_decides_a_shifted_key", {{ShiftF5, HkTransmitString, "S"}}, {116, kHotShift}, false, false, true, "out=S"},
    {"key_none_never_matches", {{2 * 256, HkTransmitString, "N"}}, {0, kHotCtrl}, false, false, false, "out="},
    {"suspend_suspends_a_running_window", {{CtrlF5, HkSuspend, ""}}, CtrlF5Down, false, false, true, "out= S"},
    {"suspend_twice_stays_suspended", {{CtrlF5, HkSuspend, ""}, {CtrlF5, HkSuspend, ""}}, CtrlF5Down, false, false, true, "out= S"},
    {"enable_resumes_a_suspended_window", {{CtrlF5, HkEnable, ""}}, CtrlF5Down, false, true, true, "out="},
    {"enable_leaves_a_running_window", {{CtrlF5, HkEnable, ""}}, CtrlF5Down, false, false, true, "out="},
    {"one_record_does_nothing_on_a_running_window", {{CtrlF5, HkEnableOneRecord, ""}}, CtrlF5Down, false, false, true, "out="},
    {"one_record_resumes_a_suspended_window", {{CtrlF5, HkEnableOneRecord, ""}}, CtrlF5Down, false, true, true, "out= 1"},
    {"timer_on_then_off_in_entry_order", {{CtrlF5, HkTimerOn, ""}, {CtrlF5, HkTimerOff, ""}}, CtrlF5Down, false, false, true, "out="},
    {"timer_on_switches_timed_output", {{CtrlF5, HkTimerOn, ""}}, CtrlF5Down, false, false, true, "out= T"},
    {"action_none_still_swallows", {{CtrlF5, HkNone, ""}}, CtrlF5Down, false, false, true, "out="},
};
// clang-format on

TEST(HotKeyHook, PressRunsMatchingEntries) {
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.Name);
        testing::Harness h;
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
        EXPECT_EQ(hook.OnKey(r.Key), r.Swallowed);
        EXPECT_EQ(Effect(h), r.Effect);
    }
}

} // namespace
} // namespace pv
