// The command language against a runtime on the recording driver: what each
// command queues, switches, reaches or refuses, one row per rule.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "config/config_file.h"
#include "fakes/run_fakes.h"
#include "output/dde_interpreter.h"
#include "text/escape.h"

namespace pv::testing {
namespace {

class FakeClipboard : public DdeClipboard {
  public:
    std::string link, text;
    void SetLink(const std::string& l, const std::string& t) override {
        link = l;
        text = t;
    }
    bool GetLink(std::string& l) override {
        l = link;
        return !link.empty();
    }
};

class FakeLinks : public DdeLinkControl, public CommandWindow {
  public:
    bool command = false, buffer = false;
    std::vector<std::string> calls;
    bool CommandLinkActive() override { return command; }
    bool BufferLinkActive() override { return buffer; }
    void TerminateCommandLink() override { calls.push_back("terminate command"); }
    void TerminateBufferLink() override { calls.push_back("terminate buffer"); }
    void ShowNormal() override { calls.push_back("normal"); }
    void Minimize() override { calls.push_back("minimize"); }
};

struct Rig : Harness {
    DdeItems items;
    FakeClipboard clipboard;
    FakeLinks links;
    std::unique_ptr<CommandInterpreter> commands;
    Rig() {
        config.BaudRate = 6;
        config.Parity = ParityOdd;
        config.DataBits = DataBits7;
        driver.State = LineSettings{9600, 7, 1, 0, 0};
        config.OutputStringCaption[2] = "String2";
        config.OutputStringText[2] = "two\r";
        config.OutputStringCaption[5] = "Tare";
        config.OutputStringText[5] = "T";
        config.FieldCount = 3;
        config.RecordStructure = DelimitedFields;
    }
    void Begin() {
        Start();
        commands = std::make_unique<CommandInterpreter>(config, *runtime, clock, messages, items,
                                                        CommandParts{&links, &clipboard, &links});
        driver.Log.clear();
    }
    bool Run(const std::string& command) { return commands->Execute(command); }
    std::string Pending() { return EscapeBytes(Snap().PendingOutput); }
};

struct Row {
    const char *name, *command;
    bool accepted;
    const char* expected; // what `observe` gives afterwards
};

void RunRows(const std::vector<Row>& rows, const std::function<void(Rig&)>& setup,
             const std::function<std::string(Rig&)>& observe) {
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Rig rig;
        setup(rig);
        EXPECT_EQ(rig.Run(r.command), r.accepted);
        EXPECT_EQ(observe(rig), r.expected);
    }
}

TEST(DdeCommands, QueueWhatTheArgumentSays) {
    RunRows(
        {
            {"SendKeepsCase", "{SEND(Hello)}", true, "Hello"},
            {"SendWithoutArgumentRefused", "{SEND()}", false, ""},
            {"SendInSquareBrackets", "[SEND(abc)]", true, "abc"},
            {"SendDropsBlanksAndTrailingText", "  {send(x y)}junk  ", true, "x y"},
            {"SendKeepsInnerClosingBrace", "{SEND(a}b)}", true, "a}b"},
            {"UnclosedSendStillLosesItsLastTwo", "{SEND(abc)", true, "ab"},
            {"UnclosedSendLosesItsLastTwoAfterTheBlanksGo", "  {SEND(abc)  ", true, "ab"},
            {"SendOutCodesAndQuotedText", "{SENDOUT('AB',13,10)}", true, "AB\\x0D\\x0A"},
            {"SendOutTakesLowEightBits", "{SENDOUT(321)}", true, "A"},
            {"SendOutHugeNumberLowEightBits", "{SENDOUT(99999999999999999999)}", true, "\\xFF"},
            {"SendOutBlankEndsANumber", "{SENDOUT(65 66)}", true, "AB"},
            {"SendOutQuoteFlushesDigits", "{SENDOUT(65'x'66)}", true, "AxB"},
            {"SendOutQuotedTextKeepsCase", "{sendout('aB')}", true, "aB"},
            {"SendOutZeroIsNul", "{SENDOUT(0)}", true, "\\x00"},
            {"SendOutSeparatorsOnly", "{SENDOUT(,, ;)}", true, ""},
            {"SendOutUnclosedQuoteRunsToTheEnd", "{SENDOUT('ab,13)}", true, "ab,13"},
            {"SendOutEmptyQuotesAndSignSeparate", "{SENDOUT(''65-66)}", true, "AB"},
            {"SendOutDecimalPointSplits", "{SENDOUT(65.66)}", true, "AB"},
            {"SendOutWithoutArgumentRefused", "{SENDOUT()}", false, ""},
            {"SendCodeCarriageReturn", "{SENDCODE(13)}", true, "\\x0D"},
            {"SendCodeTextReadsAsZero", "{SENDCODE(abc)}", true, "\\x00"},
            {"SendCodeHalfRoundsToEvenUp", "{SENDCODE(65.5)}", true, "B"},
            {"SendCodeHalfRoundsToEvenDown", "{SENDCODE(66.5)}", true, "B"},
            {"SendCode256Refused", "{SENDCODE(256)}", false, ""},
            {"SendCodeRoundingTo256Refused", "{SENDCODE(255.5)}", false, ""},
            {"SendCodeNegativeRefused", "{SENDCODE(-1)}", false, ""},
            {"SendCodeWithoutArgumentRefused", "{SENDCODE()}", false, ""},
            {"SendDateFormatsTheClock", "{SENDDATE(yyyy)}", true, "2024"},
            {"PushMatchesCaptionInAnyCase", "{PUSH(string2)}", true, "two\\x0D"},
            {"PushNamedCaption", "[PUSH(TARE)]", true, "T"},
            {"PushUnknownCaptionRefused", "{PUSH(Nothing)}", false, ""},
            {"UnknownCommandRefused", "{HELLO}", false, ""},
            {"UnclosedFixedCommandRefused", "{SUSPEND", false, ""},
            {"EmptyTextDoesNothing", "   ", true, ""},
        },
        [](Rig& r) { r.Begin(); }, [](Rig& r) { return r.Pending(); });
}

TEST(DdeCommands, LineCommandsReachTheDriverUnlessThereIsNoDevice) {
    const std::vector<Row> rows = {
        {"Baud115200", "{baud115200}", true, "SetState(115200,7,1,0,0) baud 11"},
        {"Baud14400", "[BAUD14400]", true, "SetState(14400,7,1,0,0) baud 7"},
        {"ParityNone", "{PARITYNONE}", true, "SetState(9600,7,0,0,0) parity 0"},
        {"ParitySpace", "{PARITYSPACE}", true, "SetState(9600,7,4,0,0) parity 4"},
        {"DataBits8", "{DATABITS8}", true, "SetState(9600,8,1,0,0) bits 3"},
        {"StopBitsOneAndAHalf", "{STOPBITS1.5}", true, "SetState(9600,7,1,1,0) stop 1"},
        {"StopBits2", "{STOPBITS2}", true, "SetState(9600,7,1,2,0) stop 2"},
        {"DtrOn", "{DTR=ON}", true, "SetDtr(1)"},
        {"DtrOff", "{DTR=OFF}", true, "SetDtr(0)"},
        {"RtsOn", "{RTS=ON}", true, "SetRts(1)"},
        {"RtsOff", "{RTS=OFF}", true, "SetRts(0)"},
        {"Break", "{BREAK}", true, "SetBreak(1)"},
        {"ToggleDtrStartsAPulse", "{TOGGLEDTR}", true, "SetDtr(0)"},
        {"PushDtrStartsAPulse", "{PUSH(DTR~)}", true, "SetDtr(0)"},
        {"PushBreak", "{push(break)}", true, "SetBreak(1)"},
        {"UnknownBaudRefused", "{BAUD9601}", false, ""},
    };
    auto observe = [](Rig& r) {
        std::string s;
        for (const auto& call : r.driver.Log)
            if (call != "GetState()") s += (s.empty() ? "" : " ") + call;
        if (r.config.BaudRate != 6) s += " baud " + std::to_string(r.config.BaudRate);
        if (r.config.Parity != 1) s += " parity " + std::to_string(r.config.Parity);
        if (r.config.DataBits != 2) s += " bits " + std::to_string(r.config.DataBits);
        if (r.config.StopBits != 0) s += " stop " + std::to_string(r.config.StopBits);
        return s;
    };
    RunRows(
        rows, [](Rig& r) { r.Begin(); }, observe);
    // The virtual device has no lines and takes no line changes: nothing
    // happens, and only the two pushes are refused.
    std::vector<Row> virtualRows = rows;
    for (Row& r : virtualRows) {
        r.accepted = r.accepted && !strcasestr(r.command, "push");
        r.expected = "";
    }
    RunRows(
        virtualRows,
        [](Rig& r) {
            r.driver.Lines = false;
            r.Begin();
            r.driver.Opened = false;
        },
        observe);
}

TEST(DdeCommands, SwitchTheRunningWindow) {
    auto flags = [](Rig& r) {
        RuntimeSnapshot s = r.Snap();
        std::string out = std::string(s.Suspended ? "S" : "-") + (s.OneRecordMode ? "1" : "-") +
                          (s.TimedOutputOn ? "T" : "-") + (s.ExitRequested ? "X" : "-");
        for (const auto& c : r.links.calls)
            out += " " + c;
        return out;
    };
    auto running = [](Rig& r) {
        r.config.TimerInterval = 1000;
        r.Begin();
    };
    auto suspended = [](Rig& r) {
        r.config.TimerInterval = 1000;
        r.Begin();
        r.runtime->Suspend();
        r.runtime->ToggleTimedOutput();
    };
    RunRows({{"Suspend", "{SUSPEND}", true, "S---"},
             {"ResumeWhileRunningStaysRunning", "{RESUME}", true, "----"},
             {"ResumeOneOnlyWhenSuspended", "{RESUME1}", true, "----"},
             {"TimerOn", "{TIMER-ON}", true, "--T-"},
             {"TimerOffWhenOffStaysOff", "{TIMER-OFF}", true, "----"},
             {"AppExitStartsTheCountdown", "{APPEXIT}", true, "---X"},
             {"AppNormal", "{APPNORMAL}", true, "---- normal"},
             {"AppMinimize", "[appminimize]", true, "---- minimize"}},
            running, flags);
    RunRows({{"Resume", "{RESUME}", true, "--T-"},
             {"SuspendWhileSuspended", "{SUSPEND}", true, "S-T-"},
             {"ResumeForOneRecord", "{RESUME1}", true, "-1T-"},
             {"TimerOff", "{TIMER-OFF}", true, "S---"},
             {"ResetResumes", "{RESET}", true, "--T-"}},
            suspended, flags);
}

TEST(DdeCommands, ChangeSettingsTheRunUses) {
    auto timer = [](Rig& r) {
        TimedOutputMenuState m = r.recorder.Menu;
        return EscapeBytes(r.config.TimerString) + " " + std::to_string(r.config.TimerInterval) +
               (m.Visible ? " visible" : "") + (m.Enabled ? " enabled" : "") +
               (r.runtime->TimedOutputOn() ? " on" : "");
    };
    auto setup = [](const char* timerString) {
        return [timerString](Rig& r) {
            r.config.TimerInterval = 1000;
            r.config.TimerFlags = TimerEnableOnStart | TimerActionString;
            r.config.TimerString = timerString;
            r.Begin();
        };
    };
    RunRows(
        {{"TimerStringCodesAndText", "{TIMERSTRING='Hi',13}", true,
          "Hi\\x0D 1000 visible enabled on"},
         {"TimerStringTwoDigitsAreEnough", "{TIMERSTRING=65}", true, "A 1000 visible enabled on"},
         {"TimerStringOneCharacterRefused", "{TIMERSTRING=6}", false, "T 1000 visible enabled on"},
         {"IntervalOneDigitRefused", "{TIMERINTERVAL=5}", false, "T 1000 visible enabled on"},
         {"IntervalLeadingZeroSets", "{TIMERINTERVAL=05}", true, "T 5 visible enabled on"},
         {"IntervalZeroSwitchesOffAndDisables", "{TIMERINTERVAL=00}", true, "T 0 visible"},
         {"IntervalNegativeCountsAsZero", "{TIMERINTERVAL=-5}", true, "T 0 visible"},
         {"IntervalHalfRoundsToEven", "{TIMERINTERVAL=2500.5}", true, "T 2500 visible enabled on"},
         {"IntervalPast32BitsRefused", "{TIMERINTERVAL=99999999999}", false,
          "T 1000 visible enabled on"}},
        setup("T"), timer);
    RunRows({{"EmptyTimerStringDisablesTheMenu", "{TIMERINTERVAL=250}", true, " 250 visible on"}},
            setup(""), timer);
    RunRows(
        {{"HiddenMenuStaysHidden", "{TIMERINTERVAL=00}", true, " 0"},
         {"TimerOnKeepsItHidden", "{TIMER-ON}", true, " 0 enabled on"}},
        [](Rig& r) { r.Begin(); }, timer);
    RunRows(
        {{"StripOn", "{STRIPCRLF-ON}", true, "-1"}, {"StripOff", "{STRIPCRLF-OFF}", true, "0"}},
        [](Rig& r) {
            r.Begin();
            r.config.BufferLinkStripCrLf = 5;
        },
        [](Rig& r) { return std::to_string(r.config.BufferLinkStripCrLf); });
}

TEST(DdeCommands, ClipboardLinksAndTheLinkMenuItems) {
    auto clipboard = [](Rig& r) {
        std::string out = r.clipboard.link + " " + r.clipboard.text;
        for (const auto& c : r.links.calls)
            out += " " + c;
        if (!r.config.CmdLinkItem.empty()) out += " cmd=" + r.config.CmdLinkItem;
        r.recorder.Calls.clear();
        r.Tick();
        for (const auto& c : r.recorder.Calls)
            if (c.find("link") != std::string::npos) out += " " + c;
        return out;
    };
    auto setup = [](Rig& r) {
        r.config.DDETopicName = "Scale";
        r.Begin();
        r.items.ShowField(2, "12.5");
        r.items.ShowRecordNumber("4");
        r.items.ShowDateTime("2024-03-07 14:05");
    };
    RunRows({{"Field", "{COPYFIELD(2)}", true, "Portivox|Scale!Field(2) 12.5"},
             {"FieldNumberRounded", "{COPYFIELD(1.5)}", true, "Portivox|Scale!Field(2) 12.5"},
             {"FieldZeroRefused", "{COPYFIELD(0)}", false, " "},
             {"FieldAboveCountRefused", "{COPYFIELD(4)}", false, " "},
             {"FieldPast16BitsRefused", "{COPYFIELD(70000)}", false, " "},
             {"Date", "{COPYDATE}", true, "Portivox|Scale!DateTime 2024-03-07 14:05"},
             {"RecordNumber", "[copyrecnum]", true, "Portivox|Scale!RecordNumber 4"},
             {"PasteNeedsALink", "{PASTE-COMMAND}", false, " "},
             {"RefreshNeedsApplicationAndTopic", "{REFRESH-BUFFER}", false, " "},
             {"TerminateNeedsAnActiveLink", "{TERMINATE-COMMAND}", false, " "}},
            setup, clipboard);
    RunRows(
        {{"PasteCommandStoresTheLinkAndLinksAtTheTick", "{PASTE-COMMAND}", true,
          "App|Topic!Item  cmd=Item command link"},
         {"RefreshCommandLinksAtTheTick", "{REFRESH-COMMAND}", true,
          "App|Topic!Item  cmd=Item command link"},
         {"TerminateBuffer", "{TERMINATE-BUFFER}", true,
          "App|Topic!Item  terminate buffer cmd=Item"},
         {"TerminateCommand", "{TERMINATE-COMMAND}", true,
          "App|Topic!Item  terminate command cmd=Item"}},
        [](Rig& r) {
            r.Begin();
            r.clipboard.SetLink("App|Topic!Item", "");
            r.config.CmdLinkApp = r.config.CmdLinkTopic = "x";
            r.config.CmdLinkItem = "Item";
            r.links.buffer = r.links.command = true;
        },
        clipboard);
}

TEST(DdeCommands, SendFileQueuesTheRawBytesWithinTheBound) {
    auto dir = std::filesystem::temp_directory_path();
    std::ofstream(dir / "pv_Send.bin", std::ios::binary) << std::string("A\0\r", 3);
    std::ofstream(dir / "pv_big.bin", std::ios::binary) << std::string(kQueueFileLimit, 'x');
    const std::string d = dir.string() + "/";
    RunRows(
        {{"RawBytesKeepThePathsCase", ("{SENDFILE(" + d + "pv_Send.bin)}").c_str(), true,
          "xA\\x00\\x0D"},
         {"MissingFileRefused", ("{SENDFILE(" + d + "pv_send.bin)}").c_str(), false, "x"},
         {"PastTheBoundRefused", ("{SENDFILE(" + d + "pv_big.bin)}").c_str(), false, "x"}},
        [](Rig& r) {
            r.Begin();
            r.runtime->QueueOutput("x");
        },
        [](Rig& r) { return r.Pending(); });
}

// Square brackets, case, blanks and unclosed commands: see the SEND rows.
TEST(DdeCommands, BracketsCaseAndBlanks) {
    RunRows(
        {{"Beep", "{BEEP}", true, "1"},
         {"MixedBrackets", "[beep}", true, "1"},
         {"InnerBlank", "{ BEEP}", false, "0"}},
        [](Rig& r) { r.Begin(); }, [](Rig& r) { return std::to_string(r.messages.beeps); });
}

TEST(DdeCommands, ClearEmptiesTheFieldItemsAndConfigLoadsOnlyForThisPort) {
    Rig rig;
    rig.config.ConfigFileName = ::testing::TempDir() + "pv_other.PV3";
    rig.config.CommPort = 1;
    WriteConfigFile(rig.config, rig.messages);
    const std::string other = rig.config.ConfigFileName;
    rig.config.CommPort = 0;
    rig.config.ConfigFileName = ::testing::TempDir() + "pv_same.PV3";
    rig.config.FieldCount = 2;
    WriteConfigFile(rig.config, rig.messages);
    rig.config.FieldCount = 3;
    rig.Begin();
    rig.Feed("1,2,3\r");
    rig.Tick();
    EXPECT_TRUE(rig.Run("{CLEAR}"));
    EXPECT_EQ(rig.Snap().Fields[2], "");
    EXPECT_EQ(rig.Snap().RecordNumber, "1");
    EXPECT_FALSE(rig.Run("{CONFIG(" + other + ")}"));
    EXPECT_EQ(rig.config.FieldCount, 3);
    EXPECT_TRUE(rig.Run("{CONFIG(" + rig.config.ConfigFileName + ")}"));
    EXPECT_EQ(rig.config.FieldCount, 2);
    EXPECT_EQ(rig.Snap().RecordNumber, "");
}

} // namespace
} // namespace pv::testing
