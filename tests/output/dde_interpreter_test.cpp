// The command language against a runtime on the recording serial driver.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "config/config_file.h"
#include "output/dde_fakes.h"
#include "text/escape.h"

namespace pv::test {
namespace {

std::string Last(const RecordingDriver& d) {
    auto log = d.LogWithout("Read");
    return log.empty() ? std::string() : log.back();
}

// --- Commands that queue output ---------------------------------------------

struct OutputRow {
    const char* name;
    const char* command;
    bool accepted;
    const char* pending; // escaped
};

class OutputCommands : public testing::TestWithParam<OutputRow> {};

TEST_P(OutputCommands, QueueWhatTheArgumentSays) {
    DdeRig rig;
    rig.config.OutputStringCaption[2] = "String2";
    rig.config.OutputStringText[2] = "two\r";
    rig.config.OutputStringCaption[5] = "Tare";
    rig.config.OutputStringText[5] = "T";
    rig.Start();
    EXPECT_EQ(rig.Run(GetParam().command), GetParam().accepted);
    EXPECT_EQ(EscapeBytes(rig.Pending()), GetParam().pending);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, OutputCommands,
    testing::Values(OutputRow{"SendKeepsCase", "{SEND(Hello)}", true, "Hello"},
                    OutputRow{"SendWithoutArgumentRefused", "{SEND()}", false, ""},
                    OutputRow{"SendInSquareBrackets", "[SEND(abc)]", true, "abc"},
                    OutputRow{"SendDropsBlanksAndTrailingText", "  {send(x y)}junk  ", true, "x y"},
                    OutputRow{"SendKeepsInnerClosingBrace", "{SEND(a}b)}", true, "a}b"},
                    OutputRow{"SendOutCodesAndQuotedText", "{SENDOUT('AB',13,10)}", true,
                              "AB\\x0D\\x0A"},
                    OutputRow{"SendOutTakesLowEightBits", "{SENDOUT(321)}", true, "A"},
                    OutputRow{"SendOutHugeNumberLowEightBits", "{SENDOUT(99999999999999999999)}",
                              true, "\\xFF"},
                    OutputRow{"SendOutBlankEndsANumber", "{SENDOUT(65 66)}", true, "AB"},
                    OutputRow{"SendOutQuoteFlushesDigits", "{SENDOUT(65'x'66)}", true, "AxB"},
                    OutputRow{"SendOutQuotedTextKeepsCase", "{sendout('aB')}", true, "aB"},
                    OutputRow{"SendOutZeroIsNul", "{SENDOUT(0)}", true, "\\x00"},
                    OutputRow{"SendOutWithoutArgumentRefused", "{SENDOUT()}", false, ""},
                    OutputRow{"SendCodeCarriageReturn", "{SENDCODE(13)}", true, "\\x0D"},
                    OutputRow{"SendCodeTextReadsAsZero", "{SENDCODE(abc)}", true, "\\x00"},
                    OutputRow{"SendCodeHalfRoundsToEvenUp", "{SENDCODE(65.5)}", true, "B"},
                    OutputRow{"SendCodeHalfRoundsToEvenDown", "{SENDCODE(66.5)}", true, "B"},
                    OutputRow{"SendCode256Refused", "{SENDCODE(256)}", false, ""},
                    OutputRow{"SendCodeRoundingTo256Refused", "{SENDCODE(255.5)}", false, ""},
                    OutputRow{"SendCodeNegativeRefused", "{SENDCODE(-1)}", false, ""},
                    OutputRow{"SendCodeWithoutArgumentRefused", "{SENDCODE()}", false, ""},
                    OutputRow{"SendDateFormatsTheClock", "{SENDDATE(yyyy)}", true, "2024"},
                    OutputRow{"PushMatchesCaptionInAnyCase", "{PUSH(string2)}", true, "two\\x0D"},
                    OutputRow{"PushNamedCaption", "[PUSH(TARE)]", true, "T"},
                    OutputRow{"PushUnknownCaptionRefused", "{PUSH(Nothing)}", false, ""},
                    OutputRow{"UnknownCommandRefused", "{HELLO}", false, ""},
                    OutputRow{"UnclosedSendStillLosesItsLastTwo", "{SEND(abc)", true, "ab"},
                    OutputRow{"UnclosedFixedCommandRefused", "{SUSPEND", false, ""},
                    OutputRow{"EmptyTextDoesNothing", "   ", true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Commands that reach the port -----------------------------------------

struct PortRow {
    const char* name;
    const char* command;
    bool accepted;
    const char* lastCall; // the driver's last call (reads left out)
    bool acceptedVirtual; // in Virtual Instrument mode, where nothing is called
};

class PortCommands : public testing::TestWithParam<PortRow> {};

TEST_P(PortCommands, ReachTheDriver) {
    DdeRig rig;
    rig.Start();
    EXPECT_EQ(rig.Run(GetParam().command), GetParam().accepted);
    EXPECT_EQ(Last(rig.driver), GetParam().lastCall);
}

TEST_P(PortCommands, DoNothingWithoutAPort) {
    DdeRig rig(true);
    rig.Start();
    EXPECT_EQ(rig.Run(GetParam().command), GetParam().acceptedVirtual);
    EXPECT_TRUE(rig.driver.LogWithout("Read").empty());
    EXPECT_EQ(rig.port->BreakDtrState, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, PortCommands,
    testing::Values(PortRow{"Baud19200", "{BAUD19200}", true, "SetState(19200,7,1,0,0)", true},
                    PortRow{"Baud115200", "{baud115200}", true, "SetState(115200,7,1,0,0)", true},
                    PortRow{"Baud14400", "[BAUD14400]", true, "SetState(14400,7,1,0,0)", true},
                    PortRow{"ParityNone", "{PARITYNONE}", true, "SetState(9600,7,0,0,0)", true},
                    PortRow{"ParitySpace", "{PARITYSPACE}", true, "SetState(9600,7,4,0,0)", true},
                    PortRow{"DataBits8", "{DATABITS8}", true, "SetState(9600,8,1,0,0)", true},
                    PortRow{"StopBitsOneAndAHalf", "{STOPBITS1.5}", true, "SetState(9600,7,1,1,0)",
                            true},
                    PortRow{"StopBits2", "{STOPBITS2}", true, "SetState(9600,7,1,2,0)", true},
                    PortRow{"DtrOn", "{DTR=ON}", true, "SetDtr(1)", true},
                    PortRow{"DtrOff", "{DTR=OFF}", true, "SetDtr(0)", true},
                    PortRow{"RtsOn", "{RTS=ON}", true, "SetRts(1)", true},
                    PortRow{"RtsOff", "{RTS=OFF}", true, "SetRts(0)", true},
                    PortRow{"Break", "{BREAK}", true, "SetBreak(1)", true},
                    PortRow{"ToggleDtrEndsHigh", "{TOGGLEDTR}", true, "SetDtr(1)", true},
                    PortRow{"PushDtrToggles", "{PUSH(DTR~)}", true, "SetDtr(1)", false},
                    PortRow{"PushBreak", "{push(break)}", true, "SetBreak(1)", false},
                    PortRow{"UnknownBaudRefused", "{BAUD9601}", false, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DdePort, BaudChangeIsKeptInTheConfiguration) {
    DdeRig rig;
    rig.Start();
    ASSERT_TRUE(rig.Run("{BAUD19200}"));
    EXPECT_EQ(BaudRateValue(rig.config.BaudRate), 19200);
}

TEST(DdePort, BreakStartsTheTwoTickCountdown) {
    DdeRig rig;
    rig.Start();
    ASSERT_TRUE(rig.Run("{BREAK}"));
    EXPECT_EQ(rig.port->BreakDtrState, 2);
    rig.runtime->PollTick();
    rig.runtime->PollTick();
    EXPECT_FALSE(rig.driver.Break);
}

TEST(DdePort, ToggleDtrPulsesLowThenHigh) {
    DdeRig rig;
    rig.Start();
    ASSERT_TRUE(rig.Run("{TOGGLEDTR}"));
    EXPECT_EQ(rig.driver.LogWithout("Read"), (std::vector<std::string>{"SetDtr(0)", "SetDtr(1)"}));
}

// --- Preparation ------------------------------------------------------------

struct PrepareRow {
    const char* name;
    const char* text;
    const char* cmd;
    const char* received;
};

class Preparation : public testing::TestWithParam<PrepareRow> {};

TEST_P(Preparation, TrimsUppercasesCutsAndTurnsBrackets) {
    PreparedCommand c = PrepareCommand(GetParam().text);
    EXPECT_EQ(c.Cmd, GetParam().cmd);
    EXPECT_EQ(c.Received, GetParam().received);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, Preparation,
    testing::Values(PrepareRow{"SquareBrackets", "[beep]", "{BEEP}", "[beep]"},
                    PrepareRow{"BlanksAndTrailingText", "  {Beep}xyz ", "{BEEP}", "{Beep}"},
                    PrepareRow{"LastClosingBracketWins", "{A}b]c", "{A}B}", "{A}b]"},
                    PrepareRow{"NoClosingBracketKeepsAll", "{beep", "{BEEP", "{beep"},
                    PrepareRow{"OnlyBlanksIsEmpty", "    ", "", ""},
                    PrepareRow{"TabsAreNotBlanks", "\t{BEEP}", "\t{BEEP}", "\t{BEEP}"},
                    PrepareRow{"AccentedLettersUppercased", "{push(\xE9t\xE9)}",
                               "{PUSH(\xC9T\xC9)}", "{push(\xE9t\xE9)}"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BeepRow {
    const char* name;
    const char* text;
    int beeps;
};

class BeepForms : public testing::TestWithParam<BeepRow> {};

TEST_P(BeepForms, SoundTheBeepOnlyWhenWellFormed) {
    DdeRig rig;
    rig.Start();
    rig.Run(GetParam().text);
    EXPECT_EQ(rig.messages.Beeps, GetParam().beeps);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, BeepForms,
    testing::Values(BeepRow{"Braces", "{BEEP}", 1}, BeepRow{"SquareBrackets", "[BEEP]", 1},
                    BeepRow{"LowerCase", "{beep}", 1}, BeepRow{"MixedBrackets", "[BEEP}", 1},
                    BeepRow{"BlanksAndTrailingText", "   {BEEP}xyz", 1},
                    BeepRow{"Unclosed", "{BEEP", 0}, BeepRow{"InnerBlank", "{ BEEP}", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Argument decoding ----------------------------------------------------

struct DecodeRow {
    const char* name;
    const char* argument;
    const char* decoded; // escaped
};

class ArgumentDecoding : public testing::TestWithParam<DecodeRow> {};

TEST_P(ArgumentDecoding, GivesTheBytes) {
    EXPECT_EQ(EscapeBytes(DecodeCommandArgument(GetParam().argument)), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, ArgumentDecoding,
    testing::Values(DecodeRow{"CodesAndText", "'Hello',13,10", "Hello\\x0D\\x0A"},
                    DecodeRow{"Empty", "", ""}, DecodeRow{"OnlySeparators", ",, ;", ""},
                    DecodeRow{"TrailingNumberFlushed", "1,2", "\\x01\\x02"},
                    DecodeRow{"Modulo256", "256,511", "\\x00\\xFF"},
                    DecodeRow{"UnclosedQuoteRunsToTheEnd", "'ab,13", "ab,13"},
                    DecodeRow{"EmptyQuotes", "''65", "A"},
                    DecodeRow{"SignIsASeparator", "-65", "A"},
                    DecodeRow{"DecimalPointSplits", "65.66", "AB"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Running-window state ---------------------------------------------------

TEST(DdeState, SuspendAndResumeFollowTheWindowState) {
    DdeRig rig;
    rig.Start();
    EXPECT_TRUE(rig.Run("{SUSPEND}"));
    EXPECT_TRUE(rig.runtime->Suspended);
    EXPECT_TRUE(rig.Run("{SUSPEND}"));
    EXPECT_TRUE(rig.runtime->Suspended) << "a second suspend must not resume";
    EXPECT_TRUE(rig.Run("{RESUME}"));
    EXPECT_FALSE(rig.runtime->Suspended);
    EXPECT_TRUE(rig.Run("{RESUME}"));
    EXPECT_FALSE(rig.runtime->Suspended) << "a second resume must not suspend";
}

TEST(DdeState, ResumeForOneRecordOnlyWhenSuspended) {
    DdeRig rig;
    rig.Start();
    EXPECT_TRUE(rig.Run("{RESUME1}"));
    EXPECT_FALSE(rig.runtime->OneRecordMode);
    rig.Run("{SUSPEND}");
    EXPECT_TRUE(rig.Run("{RESUME1}"));
    EXPECT_FALSE(rig.runtime->Suspended);
    EXPECT_TRUE(rig.runtime->OneRecordMode);
}

TEST(DdeState, TimerOnAndOffOnlySwitchWhenNeeded) {
    DdeRig rig;
    rig.config.TimerInterval = 1000;
    rig.config.TimerFlags = TimerActionString;
    rig.Start();
    EXPECT_TRUE(rig.Run("{TIMER-ON}"));
    EXPECT_EQ(rig.runtime->TimerState & 1, 1);
    EXPECT_TRUE(rig.Run("{TIMER-ON}"));
    EXPECT_EQ(rig.runtime->TimerState & 1, 1);
    EXPECT_TRUE(rig.host.timerOn);
    EXPECT_TRUE(rig.Run("{TIMER-OFF}"));
    EXPECT_EQ(rig.runtime->TimerState & 1, 0);
    EXPECT_TRUE(rig.Run("{TIMER-OFF}"));
    EXPECT_EQ(rig.runtime->TimerState & 1, 0);
    EXPECT_FALSE(rig.host.timerOn);
}

TEST(DdeState, ClearEmptiesTheFieldItemsOnly) {
    DdeRig rig;
    rig.Start();
    for (int i = 1; i <= 3; ++i)
        rig.items.ShowField(i, "v" + std::to_string(i));
    rig.items.ShowRecordNumber("7");
    std::vector<std::string> changed;
    rig.items.SetListener(
        [&](const std::string& item, const std::string&) { changed.push_back(item); });
    EXPECT_TRUE(rig.Run("{CLEAR}"));
    EXPECT_EQ(changed, (std::vector<std::string>{"Field(1)", "Field(2)", "Field(3)"}));
    EXPECT_EQ(rig.items.Field(2), "");
    EXPECT_EQ(rig.items.RecordNumber(), "7");
}

TEST(DdeState, ResetEmptiesFieldsAndRecordNumber) {
    DdeRig rig;
    rig.Start();
    rig.items.ShowField(1, "12");
    rig.items.ShowRecordNumber("3");
    rig.port->InputBuffer = "half a rec";
    EXPECT_TRUE(rig.Run("{RESET}"));
    EXPECT_EQ(rig.items.Field(1), "");
    EXPECT_EQ(rig.items.RecordNumber(), "");
    EXPECT_EQ(rig.driver.Count("Purge"), 1);
}

TEST(DdeState, AppExitClosesTwoTicksLater) {
    DdeRig rig;
    rig.Start();
    EXPECT_TRUE(rig.Run("{APPEXIT}"));
    rig.runtime->PollTick();
    EXPECT_EQ(rig.host.exits, 0);
    rig.runtime->PollTick();
    EXPECT_EQ(rig.host.exits, 1);
}

TEST(DdeState, WindowCommandsReachTheWindow) {
    DdeRig rig;
    rig.Start();
    EXPECT_TRUE(rig.Run("{APPNORMAL}"));
    EXPECT_TRUE(rig.Run("[appminimize]"));
    EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"normal", "minimize"}));
}

TEST(DdeState, StripCrLfSwitchesTheSetting) {
    DdeRig rig;
    rig.Start();
    EXPECT_TRUE(rig.Run("{STRIPCRLF-OFF}"));
    EXPECT_EQ(rig.config.BufferLinkStripCrLf, False);
    EXPECT_TRUE(rig.Run("{STRIPCRLF-ON}"));
    EXPECT_EQ(rig.config.BufferLinkStripCrLf, True);
}

struct TimerStringRow {
    const char* name;
    const char* command;
    bool accepted;
    const char* timerString; // escaped
};

class TimerStringCommand : public testing::TestWithParam<TimerStringRow> {};

TEST_P(TimerStringCommand, DecodesIntoTheSetting) {
    DdeRig rig;
    rig.config.TimerString = "old";
    rig.Start();
    EXPECT_EQ(rig.Run(GetParam().command), GetParam().accepted);
    EXPECT_EQ(EscapeBytes(rig.config.TimerString), GetParam().timerString);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, TimerStringCommand,
    testing::Values(TimerStringRow{"CodesAndText", "{TIMERSTRING='Hi',13}", true, "Hi\\x0D"},
                    TimerStringRow{"TwoDigitsAreEnough", "{TIMERSTRING=65}", true, "A"},
                    TimerStringRow{"OneCharacterRefused", "{TIMERSTRING=6}", false, "old"},
                    TimerStringRow{"QuotedTextKeepsCase", "{timerstring='p'}", true, "p"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Timer interval -----------------------------------------------------------

struct IntervalRow {
    const char* name;
    const char* command;
    const char* timerString;
    bool accepted;
    int32_t interval;
    const char* menu; // the window call, "" for none
    bool onAfter;
};

class TimerIntervalCommand : public testing::TestWithParam<IntervalRow> {};

TEST_P(TimerIntervalCommand, SetsIntervalAndMenu) {
    DdeRig rig;
    rig.config.TimerInterval = 1000;
    rig.config.TimerFlags = TimerEnableOnStart | TimerActionString;
    rig.config.TimerString = GetParam().timerString;
    rig.Start();
    rig.runtime->PollTick(); // the schedule starts
    ASSERT_NE(rig.runtime->TimerDueBase, 0);
    EXPECT_EQ(rig.Run(GetParam().command), GetParam().accepted);
    EXPECT_EQ(rig.config.TimerInterval, GetParam().interval);
    std::string menu = rig.window.calls.empty() ? "" : rig.window.calls.back();
    EXPECT_EQ(menu, GetParam().menu);
    EXPECT_EQ((rig.runtime->TimerState & 1) != 0, GetParam().onAfter);
    if (GetParam().accepted && GetParam().onAfter) {
        EXPECT_EQ(rig.runtime->TimerDueBase, 0) << "the countdown starts again";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dde, TimerIntervalCommand,
    testing::Values(IntervalRow{"OneDigitRefused", "{TIMERINTERVAL=5}", "T", false, 1000, "", true},
                    IntervalRow{"LeadingZeroSets", "{TIMERINTERVAL=05}", "T", true, 5,
                                "timer-menu enabled on", true},
                    IntervalRow{"ZeroSwitchesOffAndDisables", "{TIMERINTERVAL=00}", "T", true, 0,
                                "timer-menu disabled off", false},
                    IntervalRow{"NegativeCountsAsZero", "{TIMERINTERVAL=-5}", "T", true, 0,
                                "timer-menu disabled off", false},
                    IntervalRow{"HalfRoundsToEven", "{TIMERINTERVAL=2500.5}", "T", true, 2500,
                                "timer-menu enabled on", true},
                    IntervalRow{"EmptyTimerStringDisablesMenu", "{TIMERINTERVAL=250}", "", true,
                                250, "timer-menu disabled on", true},
                    IntervalRow{"Past32BitsRefused", "{TIMERINTERVAL=99999999999}", "T", false,
                                1000, "", true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Clipboard links and the link menu items ------------------------------------

struct CopyRow {
    const char* name;
    const char* command;
    bool accepted;
    const char* link;
    const char* text;
};

class CopyCommands : public testing::TestWithParam<CopyRow> {};

TEST_P(CopyCommands, PutALinkOnTheClipboard) {
    DdeRig rig;
    rig.config.DDETopicName = "Scale";
    rig.Start();
    rig.items.ShowField(2, "12.5");
    rig.items.ShowRecordNumber("4");
    rig.items.ShowDateTime("2024-03-07 14:05");
    EXPECT_EQ(rig.Run(GetParam().command), GetParam().accepted);
    EXPECT_EQ(rig.clipboard.link, GetParam().link);
    EXPECT_EQ(rig.clipboard.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, CopyCommands,
    testing::Values(
        CopyRow{"Field", "{COPYFIELD(2)}", true, "Portivox|Scale!Field(2)", "12.5"},
        CopyRow{"FieldNumberRounded", "{COPYFIELD(1.5)}", true, "Portivox|Scale!Field(2)", "12.5"},
        CopyRow{"FieldZeroRefused", "{COPYFIELD(0)}", false, "", ""},
        CopyRow{"FieldAboveCountRefused", "{COPYFIELD(4)}", false, "", ""},
        CopyRow{"FieldPast16BitsRefused", "{COPYFIELD(70000)}", false, "", ""},
        CopyRow{"Date", "{COPYDATE}", true, "Portivox|Scale!DateTime", "2024-03-07 14:05"},
        CopyRow{"RecordNumber", "[copyrecnum]", true, "Portivox|Scale!RecordNumber", "4"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DdeLinks, TopicIsThePortNameWithoutASetting) {
    DdeRig rig;
    rig.config.CommPort = 2;
    rig.Start();
    ASSERT_TRUE(rig.Run("{COPYFIELD(1)}"));
    EXPECT_EQ(rig.clipboard.link, "Portivox|COM3!Field(1)");
}

TEST(DdeLinks, PasteNeedsALinkOnTheClipboard) {
    DdeRig rig;
    rig.Start();
    EXPECT_FALSE(rig.Run("{PASTE-COMMAND}"));
    EXPECT_FALSE(rig.Run("{PASTE-BUFFER}"));
    EXPECT_FALSE(rig.runtime->DDEFieldPasteFlag);
}

TEST(DdeLinks, PasteCommandStoresTheLinkAndEstablishesAtTheTick) {
    DdeRig rig;
    rig.Start();
    rig.clipboard.SetLink("Excel|Sheet1!R1C1", "x");
    EXPECT_TRUE(rig.Run("{PASTE-COMMAND}"));
    EXPECT_EQ(rig.config.CmdLinkApp, "Excel");
    EXPECT_EQ(rig.config.CmdLinkTopic, "Sheet1");
    EXPECT_EQ(rig.config.CmdLinkItem, "R1C1");
    EXPECT_TRUE(rig.runtime->DDEFieldPasteFlag);
    rig.runtime->PollTick();
    EXPECT_EQ(rig.host.commandLinks, 1);
    EXPECT_FALSE(rig.runtime->DDEFieldPasteFlag);
}

TEST(DdeLinks, PasteBufferWithoutItem) {
    DdeRig rig;
    rig.config.BufferLinkItem = "old";
    rig.Start();
    rig.clipboard.SetLink("Excel|Sheet1", "x");
    EXPECT_TRUE(rig.Run("{PASTE-BUFFER}"));
    EXPECT_EQ(rig.config.BufferLinkApp, "Excel");
    EXPECT_EQ(rig.config.BufferLinkTopic, "Sheet1");
    EXPECT_EQ(rig.config.BufferLinkItem, "");
    rig.runtime->PollTick();
    EXPECT_EQ(rig.host.bufferLinks, 1);
}

TEST(DdeLinks, RefreshNeedsApplicationAndTopic) {
    DdeRig rig;
    rig.config.CmdLinkApp = "Excel";
    rig.config.BufferLinkTopic = "Sheet1";
    rig.Start();
    EXPECT_FALSE(rig.Run("{REFRESH-COMMAND}"));
    EXPECT_FALSE(rig.Run("{REFRESH-BUFFER}"));
    rig.config.CmdLinkTopic = "Sheet1";
    EXPECT_TRUE(rig.Run("{REFRESH-COMMAND}"));
    EXPECT_TRUE(rig.runtime->DDEFieldPasteFlag);
    EXPECT_FALSE(rig.runtime->DDEBufferPasteFlag);
}

TEST(DdeLinks, TerminateNeedsAnActiveLink) {
    DdeRig rig;
    rig.Start();
    EXPECT_FALSE(rig.Run("{TERMINATE-COMMAND}"));
    EXPECT_FALSE(rig.Run("{TERMINATE-BUFFER}"));
    rig.links.command = rig.links.buffer = true;
    EXPECT_TRUE(rig.Run("{TERMINATE-COMMAND}"));
    EXPECT_FALSE(rig.links.command);
    EXPECT_TRUE(rig.links.buffer);
    EXPECT_TRUE(rig.Run("{TERMINATE-BUFFER}"));
    EXPECT_FALSE(rig.links.buffer);
}

TEST(DdeLinks, EditMenuFollowsClipboardSettingsAndLinks) {
    DdeRig rig;
    rig.config.BufferLinkApp = "A";
    rig.config.BufferLinkTopic = "T";
    rig.Start();
    EXPECT_EQ(rig.commands->EditMenu(), (EditMenuState{false, false, false, false, true, false}));
    rig.clipboard.SetLink("a|b!c", "");
    rig.links.command = true;
    EXPECT_EQ(rig.commands->EditMenu(), (EditMenuState{true, false, true, true, true, false}));
}

// --- Sending a file -----------------------------------------------------------

class DdeFile : public testing::Test {
  protected:
    std::string Write(const std::string& bytes) {
        std::string path = testing::TempDir() + "dde_sendfile_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
};

TEST_F(DdeFile, AppendsTheRawBytes) {
    DdeRig rig;
    rig.Start();
    rig.Pending() = "x";
    std::string path = Write(std::string("a\0b\r\n", 5));
    EXPECT_TRUE(rig.Run("{SENDFILE(" + path + ")}"));
    EXPECT_EQ(rig.Pending(), std::string("xa\0b\r\n", 6));
}

TEST_F(DdeFile, KeepsThePathsCase) {
    DdeRig rig;
    rig.Start();
    std::string path = Write("Q");
    ASSERT_NE(path, UpperCase(path));
    EXPECT_TRUE(rig.Run("[sendfile(" + path + ")]"));
    EXPECT_EQ(rig.Pending(), "Q");
}

TEST_F(DdeFile, MissingFileRefused) {
    DdeRig rig;
    rig.Start();
    EXPECT_FALSE(rig.Run("{SENDFILE(/nonexistent/file.bin)}"));
    EXPECT_EQ(rig.Pending(), "");
}

TEST_F(DdeFile, RefusedWhenTheQueueWouldPassTheLimit) {
    DdeRig rig;
    rig.Start();
    std::string path = Write(std::string(1000, 'z'));
    rig.Pending() = std::string(kQueueFileLimit - 1000, 'p');
    EXPECT_TRUE(rig.Run("{SENDFILE(" + path + ")}"));
    EXPECT_EQ(rig.Pending().size(), size_t(kQueueFileLimit));
    rig.Pending().pop_back();
    rig.Pending().pop_back();
    std::string before = rig.Pending();
    rig.Pending() = std::string(kQueueFileLimit - 999, 'p');
    EXPECT_FALSE(rig.Run("{SENDFILE(" + path + ")}"));
    EXPECT_EQ(rig.Pending().size(), size_t(kQueueFileLimit - 999));
}

// --- Loading another configuration ----------------------------------------------

class DdeConfig : public testing::Test {
  protected:
    std::string WriteConfig(int16_t commPort, int16_t fieldCount) {
        Settings s;
        s.CommPort = commPort;
        s.FieldCount = fieldCount;
        s.RecordStructure = DelimitedFields;
        s.OutputMode = DdeServer;
        s.AckString = "ACK";
        std::string path = testing::TempDir() + "Dde_Config_" +
                           testing::UnitTest::GetInstance()->current_test_info()->name() + ".PV3";
        std::ofstream(path, std::ios::binary) << SerializeConfig(s);
        return path;
    }
};

TEST_F(DdeConfig, LoadsReopensThePortAndRebuilds) {
    DdeRig rig;
    rig.Start();
    std::string path = WriteConfig(0, 5);
    EXPECT_TRUE(rig.Run("{CONFIG(" + path + ")}"));
    EXPECT_EQ(rig.config.FieldCount, 5);
    EXPECT_EQ(rig.config.AckString, "ACK");
    EXPECT_EQ(rig.config.ConfigFileName, path);
    auto log = rig.driver.LogWithout("Read");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(std::find(log.begin(), log.end(), "Close()"), log.end());
    EXPECT_TRUE(rig.driver.Opened);
    EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"remove-controls", "rebuild"}));
    EXPECT_EQ(DdeItems::Names(rig.config.FieldCount).size(), 7u);
}

TEST_F(DdeConfig, AnotherPortsConfigurationIsRefusedAndNothingChanges) {
    DdeRig rig;
    rig.Start();
    std::string path = WriteConfig(3, 5);
    EXPECT_FALSE(rig.Run("{CONFIG(" + path + ")}"));
    EXPECT_EQ(rig.config.FieldCount, 3);
    EXPECT_TRUE(rig.window.calls.empty());
    EXPECT_EQ(rig.driver.Count("Close"), 0);
}

TEST_F(DdeConfig, MissingFileRefused) {
    DdeRig rig;
    rig.Start();
    EXPECT_FALSE(rig.Run("{CONFIG(/nonexistent/x.PV3)}"));
    EXPECT_TRUE(rig.window.calls.empty());
}

TEST_F(DdeConfig, DeviceIsRefusedWithoutReadingIt) {
    DdeRig rig;
    rig.Start();
    EXPECT_FALSE(rig.Run("{CONFIG(/dev/zero)}"));
    EXPECT_TRUE(rig.window.calls.empty());
}

TEST_F(DdeConfig, RefusedWithoutAPort) {
    DdeRig rig(true);
    rig.Start();
    std::string path = WriteConfig(0, 5);
    EXPECT_FALSE(rig.Run("{CONFIG(" + path + ")}"));
    EXPECT_EQ(rig.config.FieldCount, 3);
}

} // namespace
} // namespace pv::test
