// The conversion chain and the three output modes: call order towards the
// desktop, the DDE client and the log file.
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "runtime/fakes.h"
#include "text/locale.h"
#include "text/strings.h"

namespace pv::runtime_test {
namespace {

struct ConversionCase {
    const char* name;
    const char* filter;
    const char* expression;
    const char* input; // one field, ended by CR (the N filter drops the CR)
    const char* expected;
};

class ConversionTest : public testing::TestWithParam<ConversionCase> {
  protected:
    void SetUp() override { SetCurrentNumericLocale(NumericLocale{}); }
};

TEST_P(ConversionTest, ConvertsField) {
    const auto& c = GetParam();
    Harness h;
    h.config.OutputMode = DdeServer; // drops the CR, so only the conversion shows
    h.config.FieldFilter[1] = c.filter;
    h.config.FieldMathExpression[1] = c.expression;
    h.Start();
    h.Feed(c.input);
    h.Tick();
    ASSERT_EQ(h.display.records.size(), 1u);
    EXPECT_EQ(h.display.records[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Chain, ConversionTest,
    testing::Values(ConversionCase{"HexToDecimal", "H", "", "1A\r", "26"},
                    ConversionCase{"OctalToDecimal", "O", "", "17\r", "15"},
                    ConversionCase{"HexOfEmptyFieldIsZero", "H", "", "\r", "0"},
                    ConversionCase{"ExpressionOnNumericField", "N", "field(1) * 2", "21\r", "42"},
                    ConversionCase{"ExpressionAfterHexConversion", "H", "field(1) + 1", "10\r",
                                   "17"},
                    ConversionCase{"FailedExpressionKeepsEvaluatorResult", "C", "((", "ab\r", ""}),
    [](const testing::TestParamInfo<ConversionCase>& i) { return std::string(i.param.name); });

TEST(ConversionOrderTest, ExpressionsSeeLowerFieldsConvertedAndHigherFieldsRaw) {
    Harness h;
    h.config.OutputMode = DdeServer;
    h.config.RecordStructure = DelimitedFields;
    h.config.FieldCount = 2;
    h.config.FieldMathExpression[1] = "field(2) * 10";
    h.config.FieldMathExpression[2] = "field(1) + 1";
    h.Start();
    h.Feed("3,4\r");
    h.Tick();
    EXPECT_EQ(h.display.records, std::vector<std::string>{"40|41"});
}

TEST(ConversionOrderTest, PreTransferTranslationAppliesAfterConversion) {
    Harness h;
    h.config.OutputMode = LogToDisk;
    h.config.LogTranslation[static_cast<unsigned char>('2')] = 'X';
    h.config.FieldFilter[1] = "H";
    h.Start();
    h.Feed("20\r"); // 0x20 = 32
    h.Tick();
    EXPECT_EQ(h.display.records, std::vector<std::string>{"3X"});
}

struct FormatCase {
    const char* name;
    const char* format;
    const char* expression;
    const char* input;
    const char* expected;
};

class FormatTest : public testing::TestWithParam<FormatCase> {
  protected:
    void SetUp() override {
        SetCurrentNumericLocale(NumericLocale{});
        SetLanguage(Language::German);
    }
    void TearDown() override { SetLanguage(Language::English); }
};

TEST_P(FormatTest, FormatsField) {
    const auto& c = GetParam();
    Harness h;
    BuildNamedFormats(h.config); // German display names
    h.config.OutputMode = DdeServer;
    h.config.FieldFormat[1] = c.format;
    h.config.FieldMathExpression[1] = c.expression;
    h.Start();
    h.Feed(c.input);
    h.Tick();
    ASSERT_EQ(h.display.records.size(), 1u);
    EXPECT_EQ(h.display.records[0], c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Chain, FormatTest,
    testing::Values(FormatCase{"DisplayNameSelectsNamedFormat", "Festkomma", "", "3.14159\r",
                               "3.14"},
                    FormatCase{"FormatAfterExpression", "0.00", "field(1) / 4", "1\r", "0.25"},
                    FormatCase{"TextPassesNumericFormat", "0.00", "", "OK\r", "OK"}),
    [](const testing::TestParamInfo<FormatCase>& i) { return std::string(i.param.name); });

// --- Send Keystrokes -------------------------------------------------------

struct KeystrokeHarness : Harness {
    KeystrokeHarness() {
        config.OutputMode = SendKeystrokes;
        config.RecordStructure = DelimitedFields;
        config.FieldCount = 2;
        config.RecordPreamble = "<{YEAR}>";
        config.FieldPostamble[1] = "{TAB}";
        config.FieldPostamble[2] = "{ENTER}";
        clock.now = DateTime{2024, 3, 5, 14, 7, 9};
    }
    std::vector<std::string> DeliveryEvents() const {
        std::vector<std::string> out;
        for (const auto& e : events)
            if (e.rfind("field", 0) != 0) out.push_back(e);
        return out;
    }
};

TEST(KeystrokeTest, TypesPreambleFieldsAndPostamblesIntoFocusedWindow) {
    KeystrokeHarness h;
    h.config.KeyTargetSpecified = False;
    h.Start();
    h.Feed("1+2,ok\r");
    h.Tick();
    EXPECT_EQ(h.DeliveryEvents(),
              (std::vector<std::string>{"foreground", "number 1",
                                        "send <24>1{+}2{TAB}ok{ENTER}{ENTER}", "focus 10"}));
}

TEST(KeystrokeTest, RestoredTargetIsMinimizedAgain) {
    KeystrokeHarness h;
    h.config.KeyTargetTitle = "NOTEPAD";
    h.keys.target = 55;
    h.keys.restored = true;
    h.Start();
    h.Feed("a,b\r");
    h.Tick();
    EXPECT_EQ(
        h.DeliveryEvents(),
        (std::vector<std::string>{"foreground", "number 1", "activate NOTEPAD",
                                  "send <24>a{TAB}b{ENTER}{ENTER}", "minimize 55", "focus 10"}));
}

TEST(KeystrokeTest, RunningWindowFocusedShowsRecordButSendsNothing) {
    KeystrokeHarness h;
    h.keys.runningWindowFocused = true;
    h.Start();
    h.Feed("a,b\r");
    h.Tick();
    EXPECT_TRUE(h.keys.sent.empty());
    EXPECT_EQ(h.display.records, std::vector<std::string>{"a|b{ENTER}"});
    EXPECT_EQ(h.display.number, "1");
}

TEST(KeystrokeTest, LaunchedTargetBecomesTargetAndTakesTitle) {
    KeystrokeHarness h;
    h.config.KeyTargetTitle = "Other";
    h.config.KeyTargetCommand = "editor --new";
    h.keys.launch = {true, ""};
    h.keys.launchedTitle = "Untitled - Editor";
    h.Start();
    h.Feed("a,b\r");
    h.Tick();
    EXPECT_EQ(h.DeliveryEvents(),
              (std::vector<std::string>{"foreground", "number 1", "activate Other", "foreground",
                                        "launch editor --new", "wait",
                                        "send <24>a{TAB}b{ENTER}{ENTER}", "focus 77"}));
    EXPECT_EQ(h.config.KeyTargetTitle, "UNTITLED - EDITOR");
}

TEST(KeystrokeTest, LaunchedTargetKeepsTitleItContains) {
    KeystrokeHarness h;
    h.config.KeyTargetTitle = "editor";
    h.config.KeyTargetCommand = "editor";
    h.keys.launch = {true, ""};
    h.keys.launchedTitle = "Untitled - Editor";
    h.Start();
    h.Feed("a,b\r");
    h.Tick();
    EXPECT_EQ(h.config.KeyTargetTitle, "editor");
}

TEST(KeystrokeTest, LaunchFailureShowsMessageAndSendsNothing) {
    KeystrokeHarness h;
    h.config.KeyTargetCommand = "nothere";
    h.Start();
    h.Feed("a,b\r");
    h.Tick();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0], "Portivox Error: Cannot Run Program: nothere\nNo such file");
    EXPECT_TRUE(h.keys.sent.empty());
    EXPECT_EQ(h.display.number, "1");
    h.Feed("c,d\r"); // the next record tries again
    h.Tick();
    EXPECT_EQ(h.messages.shown.size(), 2u);
    EXPECT_EQ(h.display.number, "2");
}

// The launch wait lets timer events run: a tick inside it keeps the output
// flowing but must not take the next record while this one is delivered.
class TickingKeystrokes : public RecordingKeystrokes {
  public:
    using RecordingKeystrokes::RecordingKeystrokes;
    Harness* harness = nullptr;
    WindowId WaitForLaunchedWindow(WindowId previous) override {
        harness->port.PendingOutput += "|";
        harness->Tick();
        return RecordingKeystrokes::WaitForLaunchedWindow(previous);
    }
};

TEST(KeystrokeTest, TickDuringLaunchWaitReadsNothing) {
    KeystrokeHarness h;
    TickingKeystrokes keys(h.events);
    keys.harness = &h;
    keys.launch = {true, ""};
    h.config.KeyTargetCommand = "editor";
    h.config.AckString = "A";
    h.runtime = std::make_unique<Runtime>(h.config, h.port, h.clock, h.messages, h.store,
                                          RuntimeParts{&h.display, &keys, &h.dde, &h.host});
    h.display.fieldCount = 2;
    h.runtime->Start();
    h.Feed("a,b\rc,d\r");
    h.Tick();
    EXPECT_EQ(keys.sent,
              (std::vector<std::string>{"<24>a{TAB}b{ENTER}{ENTER}", "<24>c{TAB}d{ENTER}{ENTER}"}));
    EXPECT_EQ(h.display.records, (std::vector<std::string>{"a|b{ENTER}", "c|d{ENTER}"}));
}

TEST(ExpandDateTimeTest, FirstOccurrenceOfEachPlaceholderAnyCase) {
    KeystrokeHarness h;
    h.config.KeyTargetSpecified = False;
    h.config.RecordPreamble = "{year}{YEAR}|{Century}{MONTH}{DAY}{HOUR}{MINUTE}{SECOND}|";
    h.config.FieldCount = 1;
    h.config.RecordStructure = SingleField;
    h.config.FieldPostamble[1] = "";
    h.Start();
    h.Feed("x\r");
    h.Tick();
    ASSERT_EQ(h.keys.sent.size(), 1u);
    EXPECT_EQ(h.keys.sent[0], "24{YEAR}|200305140709|x{ENTER}");
}

// --- DDE Server --------------------------------------------------------------

TEST(DdeTest, ConnectsOnceThenPreamblePerFieldUpdateAndPostamble) {
    Harness h;
    h.config.OutputMode = DdeServer;
    h.config.RecordStructure = DelimitedFields;
    h.config.FieldCount = 2;
    h.config.RecordPreamble = "[P{YEAR}]";
    h.config.FieldPostamble[2] = "[B]";
    h.Start();
    h.Feed("1,2\r3,4\r");
    h.Tick();
    EXPECT_EQ(h.events,
              (std::vector<std::string>{"connect Excel System", "execute [P{YEAR}]", "field 1=1",
                                        "field 2=2", "number 1", "execute [B]", "execute [P{YEAR}]",
                                        "field 1=3", "field 2=4", "number 2", "execute [B]"}));
}

TEST(DdeTest, WithoutCommandsNoConversationIsOpened) {
    Harness h;
    h.config.OutputMode = DdeServer;
    h.config.FieldPostamble[2] = "[ignored: beyond FieldCount]";
    h.Start();
    EXPECT_FALSE(h.runtime->HasDDECommands);
    h.Feed("1\r");
    h.Tick();
    EXPECT_EQ(h.events, (std::vector<std::string>{"field 1=1", "number 1"}));
}

// --- Log to disk -------------------------------------------------------------

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct LogHarness : Harness {
    std::string path;
    LogHarness() {
        path = testing::TempDir() + "pv_runtime_" +
               testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        std::remove(path.c_str());
        config.LogFileName = path;
        config.RecordStructure = DelimitedFields;
        config.FieldCount = 2;
        config.FieldFilter[2] = "N";
    }
    ~LogHarness() { std::remove(path.c_str()); }
};

TEST(LogTest, AppendsOneLinePerRecordWithCrLf) {
    LogHarness h;
    h.Start();
    h.Feed("12,34\r");
    h.Tick();
    h.Feed("5,6\r");
    h.Tick();
    EXPECT_EQ(ReadFile(h.path), "1234\r\n56\r\n");
    EXPECT_EQ(h.display.number, "2");
}

TEST(LogTest, PreambleAndPostamblesAreExpanded) {
    LogHarness h;
    h.config.RecordPreamble = "{DAY}.{MONTH} ";
    h.config.FieldPostamble[1] = ";";
    h.clock.now = DateTime{2024, 3, 5, 14, 7, 9};
    h.Start();
    h.Feed("a,7\r");
    h.Tick();
    EXPECT_EQ(ReadFile(h.path), "05.03 a;7\r\n");
}

TEST(LogTest, HomeRelativePathIsExpanded) {
    EXPECT_EQ(ExpandHomePath("/tmp/x.log"), "/tmp/x.log");
    const char* home = std::getenv("HOME");
    if (home) {
        EXPECT_EQ(ExpandHomePath("~/x.log"), std::string(home) + "/x.log");
    }
}

TEST(LogTest, WriteFailureRetriesThenCancelResetsAndSuspends) {
    Harness h;
    h.config.LogFileName = "/dev/full";
    h.config.CommPort = 2;
    h.messages.answers = {MsgResult::Retry, MsgResult::Cancel};
    Runtime& rt = h.Start();
    h.Feed("1\r2\r");
    h.Tick();
    ASSERT_EQ(h.messages.shown.size(), 2u);
    EXPECT_EQ(h.messages.shown[0].rfind(
                  "Portivox - COM3 ERROR!: File I/O Error Writing To: /dev/full\nNo space", 0),
              0u)
        << h.messages.shown[0];
    EXPECT_EQ(h.messages.beeps, 2);
    EXPECT_TRUE(rt.Suspended);
    EXPECT_EQ(h.display.number, "");
    EXPECT_TRUE(h.display.records.empty());
    EXPECT_TRUE(h.port.InputBuffer.empty()); // Reset purged the rest
}

TEST(LogTest, OpenFailureOnMissingDirectoryReportsIt) {
    Harness h;
    h.config.LogFileName = "/nonexistent-dir/x.log";
    Runtime& rt = h.Start();
    h.Feed("1\r");
    h.Tick();
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_NE(h.messages.shown[0].find("/nonexistent-dir/x.log"), std::string::npos);
    EXPECT_TRUE(rt.Suspended);
}

} // namespace
} // namespace pv::runtime_test
