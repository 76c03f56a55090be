// Analyze Input on the data a device sent, and the terminal's tick, capture
// and hex view on a recording driver.
#include <gtest/gtest.h>

#include "fakes/run_fakes.h"
#include "porttest/analysis.h"
#include "porttest/terminal.h"

namespace pv {
namespace {

TEST(AnalyzeInput, GuessesTheLayoutAndOnlyYesConfiguresIt) {
    struct Row {
        const char* name;
        std::string data;
        MsgResult answer;
        std::string message; // before the blank line
        EndEvent end;
        RecordShape shape;
        int fields, length;
        std::string delimiter;
    };
    const std::string no = "unchanged";
    const std::string crEnd = " and Cr or CrLf at end of record.";
    // clang-format off
    const Row rows[] = {
        {"CommaDelimitedWithCr", "12,34,56\r\n12,34,56\r\n", MsgResult::Yes, "Comma delimited records with  3 fields" + crEnd, EndOnCr, DelimitedFields, 3, 9, ","},
        {"NoDelimiterNoCrIsTimeDelay", "ABC", MsgResult::Yes, "Single Field Records with time delay between records.", EndOnTimeDelay, SingleField, 1, 3, no},
        {"DelimiterWithoutCrIsFixedLength", "1,2", MsgResult::Yes, " 3 byte fixed length records with  3 field(s).", EndOnByteCount, FixedLengthFields, 3, 3, no},
        {"CrFirstIsSingleFieldOfLengthOne", "\r12,34", MsgResult::Yes, "Single Field Records with Cr or CrLf at end of record.", EndOnCr, SingleField, 1, 1, no},
        {"CommaBeatsSpaceAndRunOfBlanksIsOne", "1  2,3 4\r", MsgResult::Yes, "Comma delimited records with  2 fields" + crEnd, EndOnCr, DelimitedFields, 2, 9, ","},
        {"SpaceBeatsTab", "1  2\t  3\r", MsgResult::Yes, "Space delimited records with  3 fields" + crEnd, EndOnCr, DelimitedFields, 3, 9, " "},
        {"TabBeatsAsterisk", "a*b\tc\r", MsgResult::Yes, "Tab delimited records with  2 fields" + crEnd, EndOnCr, DelimitedFields, 2, 6, "\t"},
        {"FieldsCapAtForty", std::string(50, '*') + "\r", MsgResult::Yes, "Asterisk delimited records with  40 fields" + crEnd, EndOnCr, DelimitedFields, 40, 51, "*"},
        {"NoChangesNothing", "12,34,56\r", MsgResult::No, "Comma delimited records with  3 fields" + crEnd, EndOnCr, SingleField, 1, 0, no},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Config config;
        config.FieldDelimiter = no;
        testing::RecordingMessages messages;
        messages.answers.push_back(r.answer);
        EXPECT_EQ(AnalyzeAndAsk(r.data, config, messages), r.answer == MsgResult::Yes);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  r.message + "\n\nConfigure Portivox Using these Settings?");
        EXPECT_EQ(messages.shown[0].title, "Input Analysis Best Guess");
        EXPECT_EQ(messages.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(config.EndOfRecordEvent, r.end);
        EXPECT_EQ(config.RecordStructure, r.shape);
        EXPECT_EQ(config.FieldCount, r.fields);
        EXPECT_EQ(config.RecordLength, r.length);
        EXPECT_EQ(config.FieldDelimiter, r.delimiter);
        EXPECT_EQ(IsSet(config.ConfigChanged), r.answer == MsgResult::Yes);
        ASSERT_TRUE(LastAnalysis().has_value()) << "kept for the field editor";
    }
    Config config;
    testing::RecordingMessages messages;
    EXPECT_FALSE(AnalyzeAndAsk("", config, messages));
    EXPECT_EQ(messages.beeps, 1) << "no data: a beep and no question";
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(SampleFields(*AnalyzeInput("1,2")), (std::vector<std::string>{"1", ",", "2"}));
}

struct TerminalFixture {
    Config config;
    testing::RecordingDriver driver;
    testing::FakeClock clock;
    testing::RecordingMessages messages;
    SerialPort port{driver, clock, messages};
    PortTerminal term{&port, config, clock};
    TerminalFixture() { port.OpenPort(PortSettingsOf(config, nullptr, "/dev/x")); }
    std::string Tick(const std::string& input = {}) {
        driver.Input += input;
        clock.Ticks += 50;
        term.Service();
        return term.Read();
    }
};

TEST(PortTerminal, ShowsCapturesAndTimeStampsWhatArrives) {
    TerminalFixture f;
    f.config.PreInputTable['X'] = "Ignore";
    f.config.PreInputTable['Y'] = std::string(1, '\0');
    f.config.PreInputTable['Z'] = "Void Record";
    f.config.PreInputTable['a'] = "AA";
    EXPECT_EQ(f.Tick(std::string("A\0", 2)), "A\xFF") << "NUL shows as 255";
    f.term.Translate = true;
    EXPECT_EQ(f.Tick("XYZa"), "\xFFZAA") << "Ignore hides, NUL entry 255, Void Record itself";
    f.Tick();
    f.Tick();
    f.Tick("1\r");
    EXPECT_EQ(f.term.Capture(), std::string("A\0XYZa1\r", 8)) << "capture is the bytes as sent";
    EXPECT_EQ(f.term.HexView(), "14:07:09\n"
                                "  41 00 58 59 5A 61                                A.XYZa\n"
                                "14:07:09  +150 ms\n"
                                "  31 0D                                            1.\n")
        << "a pause of more than one tick starts a new stamped line";
    f.term.Clear();
    EXPECT_EQ(f.term.HexView(), "");
}

TEST(PortTerminal, TickQueriesOptoRsAndWritesBeforeReading) {
    TerminalFixture f;
    f.config.FlowControl = FlowOptoRs;
    f.Tick("12\r");
    EXPECT_EQ(f.driver.Written, "");
    f.Tick("ok\r");
    EXPECT_EQ(f.driver.Written, "?\r") << "the first CR asks, queued and written next tick";
    f.Tick();
    EXPECT_EQ(f.driver.Written, "?\r") << "the answer's CR asks nothing";
    f.port.Signal(LineSignal::Break);
    f.Tick();
    EXPECT_TRUE(f.port.BreakActive());
    f.Tick();
    EXPECT_FALSE(f.port.BreakActive()) << "BREAK ends on the second tick";
}

} // namespace
} // namespace pv
