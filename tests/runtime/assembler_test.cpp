// The record assembler, one row per rule: bytes and ticks interleaved, and
// the records delivered (fields joined with "|") checked after every step.
#include <functional>

#include <gtest/gtest.h>

#include "fakes/run_fakes.h"

namespace pv::testing {
namespace {

struct Step {
    std::string bytes; // fed before the ticks
    int ticks = 1;
    int recordsSoFar = -1; // records delivered after this step; -1 = not checked
};

struct AssemblerCase {
    const char* name;
    std::function<void(Config&)> setup;
    std::vector<Step> steps;
    std::vector<std::string> records;
};

void Delimited(Config& c, int fields, const char* delimiter) {
    c.RecordStructure = DelimitedFields;
    c.FieldCount = static_cast<int16_t>(fields);
    c.FieldDelimiter = delimiter;
}

void Fixed(Config& c, std::vector<int16_t> lengths) {
    c.RecordStructure = FixedLengthFields;
    c.FieldCount = static_cast<int16_t>(lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i)
        c.FieldLength[i + 1] = lengths[i];
}

using C = Config&;
// clang-format off
const AssemblerCase kCases[] = {
    {"CrEndsSingleField", [](C) {}, {{"12.5\r", 1, 1}}, {"12.5\r"}},
    {"CrLfLeavesLfAsFirstByteOfNextRecord", [](C) {}, {{"A\r\nB\r", 1, 2}}, {"A\r", "\nB\r"}},
    {"RecordWithoutEndKeepsGrowingAcrossTicks", [](C) {}, {{"12", 1, 0}, {"34", 3, 0}, {"\r", 1, 1}}, {"1234\r"}},
    {"TwoRecordsInOneTickBothDelivered", [](C) {}, {{"1\r2\r", 1, 2}}, {"1\r", "2\r"}},
    {"NumericStartWithCommaSeparatorStartsAtComma",
     [](C c) { c.StartOfRecordEvent = StartOnNumeric; c.DecimalSeparator = ","; }, {{"ABC,12\r", 1, 1}}, {",12\r"}},
    {"PrintableStartDropsLeadingControlBytes",
     [](C c) { c.StartOfRecordEvent = StartOnAlphaNumeric; }, {{"\x02\x03" "AB\r", 1, 1}}, {"AB\r"}},
    {"SpecialStartCharacters", [](C c) { c.StartOfRecordEvent = StartOnSpecialChars; c.StartOfRecordChars = "$#"; },
     {{"xx\r$1\rzz#2\r", 1, 2}}, {"$1\r", "#2\r"}},
    {"SpecialEndCharacters", [](C c) { c.EndOfRecordEvent = EndOnSpecialChars; c.EndOfRecordChars = "#!"; },
     {{"12\r#34!", 1, 2}}, {"12\r#", "34!"}},
    {"SpaceDelimiterRunsCountOnce", [](C c) { Delimited(c, 3, " "); }, {{"1  2   3\r", 1, 1}}, {"1|2|3\r"}},
    {"CommaDelimiterKeepsEmptyField", [](C c) { Delimited(c, 3, ","); }, {{"1,,3\r", 1, 1}}, {"1||3\r"}},
    {"ExtraFieldsGoToSpillSlotsAndAreDropped", [](C c) { Delimited(c, 2, ","); },
     {{"a,b,c,d\r", 1, 1}, {"e,f\r", 1, 2}}, {"a|b", "e|f\r"}},
    {"MoreThanFortyDelimitersStayInSpillSlot", [](C c) { Delimited(c, 40, ","); },
     {{std::string(60, ',') + "x\r", 1, 1}, {"y\r", 1, 2}}, {std::string(39, '|'), "y\r" + std::string(39, '|')}},
    {"DelimiterThatIsEndCharEndsOnlyAfterLastField",
     [](C c) { Delimited(c, 2, ";"); c.EndOfRecordEvent = EndOnSpecialChars; c.EndOfRecordChars = ";"; },
     {{"a;", 1, 0}, {"b;", 1, 1}}, {"a|b"}},
    {"SingleFieldKeepsDelimiterAsData", [](C) {}, {{"1,2\r", 1, 1}}, {"1,2\r"}},
    {"ByteCountSplitsFieldsAndRecords", [](C c) { Fixed(c, {2, 3}); c.EndOfRecordEvent = EndOnByteCount; c.RecordLength = 5; },
     {{"ABCDE123", 1, 1}, {"45", 1, 2}}, {"AB|CDE", "12|345"}},
    {"ByteCountShorterThanFieldsDoesNotShiftNextRecord",
     [](C c) { Fixed(c, {2, 3}); c.EndOfRecordEvent = EndOnByteCount; c.RecordLength = 3; },
     {{"ABCDEF", 1, 2}}, {"AB|C", "DE|F"}},
    {"EndCharInsideAFixedFieldStartsTheNextRecordAtItsFirstByte", [](C c) { Fixed(c, {3, 3}); },
     {{"X\rABCD\r", 1, 2}}, {"X\r|", "ABC|D\r"}},
    {"TimeDelayEndsOnThirdIdleTick", [](C c) { c.EndOfRecordEvent = EndOnTimeDelay; c.RecordDelayTicks = 3; },
     {{"AB", 1, 0}, {"", 2, 0}, {"", 1, 1}}, {"AB"}},
    {"TimeDelayRestartsWhenByteArrivesOnSecondIdleTick",
     [](C c) { c.EndOfRecordEvent = EndOnTimeDelay; c.RecordDelayTicks = 3; },
     {{"A", 1, 0}, {"", 2, 0}, {"B", 1, 0}, {"", 2, 0}, {"", 1, 1}}, {"AB"}},
    {"TimeDelayIdleWithoutRecordDeliversNothing", [](C c) { c.EndOfRecordEvent = EndOnTimeDelay; }, {{"", 10, 0}}, {}},
    {"DelimitedTimeRule", [](C c) { Delimited(c, 2, " "); c.EndOfRecordEvent = EndOnTimeDelay; c.RecordDelayTicks = 2; },
     {{"1   2", 1, 0}, {"", 2, 1}}, {"1|2"}},
    {"FixedLengthTimeRule", [](C c) { Fixed(c, {2, 2}); c.EndOfRecordEvent = EndOnTimeDelay; c.RecordDelayTicks = 1; },
     {{"ABCDE", 1, 0}, {"", 1, 1}, {"XY", 2, 2}}, {"AB|CD", "XY|"}},
    {"FixedLengthWithEndCharacter", [](C c) { Fixed(c, {2, 3}); },
     {{"AB12\rCD", 1, 1}, {"345\r", 1, 2}}, {"AB|12\r", "CD|345"}},
    {"VoidRecordByteBeforeStartStartsAndVoidsRecord",
     [](C c) { c.PreInputTable[2] = "Void Record"; c.StartOfRecordEvent = StartOnAlphaNumeric; },
     {{"\x02" "12\r", 1, 0}, {"34\r", 1, 1}}, {"34\r"}},
    {"VoidRecordByteBecomesFirstDigitOfItsCode",
     [](C c) { c.PreInputTable[10] = "Void Record"; c.EndOfRecordEvent = EndOnSpecialChars; c.EndOfRecordChars = "#1"; },
     {{"a\n", 1, 0}, {"b#", 1, 1}}, {"b#"}},
    {"IgnoredBytesAreDropped", [](C c) { c.PreInputTable['x'] = "Ignore"; }, {{"1x2x\r", 1, 1}}, {"12\r"}},
    {"PreInputTranslationActsAsDelimiter", [](C c) { Delimited(c, 2, ","); c.PreInputTable[';'] = ","; },
     {{"1;2\r", 1, 1}}, {"1|2\r"}},
    {"FilterNumericKeepsSignDigitsAndSeparator", [](C c) { c.FieldFilter[1] = "N"; }, {{"-12.5 kg\r", 1, 1}}, {"-12.5"}},
    {"FilterBinaryGivesHexPairs", [](C c) { c.FieldFilter[1] = "B"; }, {{"\x01\xFF\r", 1, 1}}, {"01FF0D"}},
    {"FilterIgnoreEmptiesField", [](C c) { Delimited(c, 2, ","); c.FieldFilter[1] = "I"; }, {{"abc,d\r", 1, 1}}, {"|d\r"}},
    {"DdeModeTranslationDropsControlCharacters", [](C c) { c.OutputMode = DdeServer; }, {{"1\t2\r", 1, 1}}, {"12"}},
    {"LogModeKeepsControlCharacters", [](C) {}, {{"1\t2\r", 1, 1}}, {"1\t2\r"}},
    {"NulByteIsData", [](C) {}, {{std::string("a\0b\r", 4), 1, 1}}, {std::string("a\0b\r", 4)}},
};
// clang-format on

class AssemblerTest : public ::testing::TestWithParam<AssemblerCase> {};

TEST_P(AssemblerTest, DeliversRecords) {
    const auto& c = GetParam();
    Harness h;
    c.setup(h.config);
    h.Start();
    int stepNo = 0;
    for (const auto& step : c.steps) {
        ++stepNo;
        h.Feed(step.bytes);
        h.Tick(step.ticks);
        if (step.recordsSoFar >= 0) {
            EXPECT_EQ(static_cast<int>(h.Records().size()), step.recordsSoFar)
                << "after step " << stepNo;
        }
    }
    EXPECT_EQ(h.Records(), c.records);
}

INSTANTIATE_TEST_SUITE_P(Rules, AssemblerTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<AssemblerCase>& i) {
                             return std::string(i.param.name);
                         });

} // namespace
} // namespace pv::testing
