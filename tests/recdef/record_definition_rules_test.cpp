// The record structure walk's rules, the field editor's working copies and
// the preview of a sample record.
#include <functional>
#include <gtest/gtest.h>

#include "recdef/field_editor.h"
#include "recdef/record_preview.h"
#include "recdef/record_walk.h"

using namespace std::string_literals;

namespace pv {
namespace {

TEST(RecordWalk, StepsRefuseOrStoreAndNameTheNextDialog) {
    struct Row {
        const char* rule;
        std::function<Refusal(Config&, WalkNext&)> step;
        Refusal refusal;
        WalkNext next;
        std::function<bool(const Config&)> stored;
    };
    auto events = [](int s, std::string sc, int e, std::string ec) {
        return [=](Config& c, WalkNext& next) {
            if (Refusal r = CheckRecordEvents(s, sc, e, ec)) return r;
            next = ApplyRecordEvents(c, s, sc, e, ec);
            return Refusal{};
        };
    };
    auto length = [](double v) {
        return [=](Config& c, WalkNext&) { return ApplyRecordLength(c, v); };
    };
    auto delim = [](double n, unsigned char d) {
        return [=](Config& c, WalkNext&) { return ApplyDelimited(c, n, d); };
    };
    auto same = [](const Config&) { return true; };
    const Row rows[] = {
        {"StartSpecialWithoutCharsIsCheckedFirst",
         events(3, "", 3, ""),
         {4007, 4008},
         WalkNext::Editor,
         [](const Config& c) { return c.StartOfRecordEvent == StartOnAnyChar; }},
        {"EndSpecialWithoutCharsIsRefused",
         events(0, "", 3, ""),
         {4007, 4009},
         WalkNext::Editor,
         [](const Config& c) { return c.EndOfRecordEvent == EndOnCr; }},
        {"SpecialCharsAreStored",
         events(3, "\x02", 3, "\0"s),
         {},
         WalkNext::Structure,
         [](const Config& c) {
             return c.StartOfRecordChars == "\x02" && c.EndOfRecordChars == "\0"s;
         }},
        {"ByteCountEndForcesFixedFields",
         events(0, "", 2, ""),
         {},
         WalkNext::Fixed,
         [](const Config& c) {
             return c.RecordStructure == FixedLengthFields && c.FieldCount == 40;
         }},
        {"TimeDelayEndGoesToTimed",
         events(1, "", 1, ""),
         {},
         WalkNext::Timed,
         [](const Config& c) { return c.StartOfRecordEvent == StartOnAlphaNumeric; }},
        {"RecordLength0IsRefused",
         length(0),
         {4010, 4005},
         WalkNext::Editor,
         [](const Config& c) { return c.RecordLength == 0; }},
        {"RecordLength32767IsRefused",
         length(32767),
         {4010, 4005},
         WalkNext::Editor,
         [](const Config& c) { return c.RecordLength == 0; }},
        {"RecordLength32766IsTaken",
         length(32766),
         {},
         WalkNext::Editor,
         [](const Config& c) { return c.RecordLength == 32766 && c.FieldCount == 40; }},
        {"OneDelimitedFieldIsRefused",
         delim(1, ','),
         {4015, 4005},
         WalkNext::Editor,
         [](const Config& c) { return c.FieldCount == 1; }},
        {"FortyOneDelimitedFieldsAreRefused", delim(41, ','), {4015, 4005}, WalkNext::Editor, same},
        {"DelimiterRow0StoresNul",
         delim(2, 0),
         {},
         WalkNext::Editor,
         [](const Config& c) {
             return c.FieldDelimiter == "\0"s && c.FieldCount == 2 && c.FieldLength[3] == 0;
         }},
        {"SingleFieldClearsLengths",
         [](Config& c, WalkNext& n) {
             n = ApplyStructure(c, 0);
             return Refusal{};
         },
         {},
         WalkNext::Editor,
         [](const Config& c) { return c.FieldCount == 1 && c.FieldLength[3] == 0; }},
        {"DelimitedStructureAsksForTheDelimiter",
         [](Config& c, WalkNext& n) {
             n = ApplyStructure(c, 1);
             return Refusal{};
         },
         {},
         WalkNext::Delimited,
         [](const Config& c) { return c.RecordStructure == DelimitedFields && c.ConfigChanged; }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        Config c;
        c.FieldLength[3] = 7;
        WalkNext next = WalkNext::Editor;
        EXPECT_EQ(r.step(c, next), r.refusal);
        EXPECT_EQ(next, r.next);
        EXPECT_TRUE(r.stored(c));
    }
    EXPECT_EQ(DelimiterRow(44), "44\t,   COMMA");
    EXPECT_EQ(DelimiterRow(13), "13\t    CR");
    EXPECT_EQ(DelimiterRow(200), "200\t\xC8");
}

Config FixedTen() {
    Config c;
    c.EndOfRecordEvent = EndOnByteCount;
    c.RecordStructure = FixedLengthFields;
    c.RecordLength = 10;
    c.FieldCount = 40;
    return c;
}

TEST(FieldEditor, CopiesNavigationAndOk) {
    struct Row {
        const char* rule;
        std::function<Refusal(FieldEditor&, Config&)> edit;
        Refusal refusal;
        std::function<bool(const FieldEditor&, const Config&)> after;
    };
    auto lengths = [](FieldEditor& e, std::initializer_list<int> ls) {
        for (int l : ls) {
            e.SetLength(l);
            if (e.NextEnabled()) e.Next();
        }
    };
    const Row rows[] = {
        {"FullRecordEndsNavigationAndOkCutsFieldCount",
         [&](FieldEditor& e, Config& c) {
             lengths(e, {4, 6});
             return e.NextEnabled() ? Refusal{1, 1} : e.Ok(c);
         },
         {},
         [](const FieldEditor& e, const Config& c) {
             return e.BytesDefined() == 10 && c.FieldCount == 2 && c.FieldLength[2] == 6;
         }},
        {"ShortSumRefusesOk",
         [&](FieldEditor& e, Config& c) {
             lengths(e, {4, 5});
             return e.Ok(c);
         },
         {4012, 4013},
         [](const FieldEditor& e, const Config& c) {
             return e.BytesDefined() == 9 && c.FieldLength[1] == 0;
         }},
        {"NextRefusesAZeroLength",
         [](FieldEditor& e, Config&) { return e.Next(); },
         {4011, 4013},
         [](const FieldEditor& e, const Config&) { return e.Index() == 1; }},
        {"LengthAbove32766IsRefused",
         [](FieldEditor& e, Config&) { return e.SetLength(32767); },
         {4011, 4013},
         [](const FieldEditor& e, const Config&) { return e.Length() == 0; }},
        {"PreviousNeedsNoValidLength",
         [](FieldEditor& e, Config&) {
             e.SetLength(3);
             e.Next();
             e.Previous();
             return Refusal{};
         },
         {},
         [](const FieldEditor& e, const Config&) {
             return e.Index() == 1 && !e.PreviousEnabled() && e.PreambleShown();
         }},
        {"FilterRowsStoreLetters",
         [&](FieldEditor& e, Config& c) {
             e.SetFilterRow(5);
             lengths(e, {4});
             e.SetFilterRow(0);
             lengths(e, {6});
             return e.Ok(c);
         },
         {},
         [](const FieldEditor&, const Config& c) {
             return c.FieldFilter[1] == "B" && c.FieldFilter[2] == "C";
         }},
        {"FormatAndPostambleGoToTheirField",
         [&](FieldEditor& e, Config& c) {
             e.Postamble() = "{TAB}";
             e.Format() = "Currency";
             lengths(e, {4});
             e.Postamble() = "~";
             e.Previous();
             lengths(e, {4, 6});
             return e.Ok(c);
         },
         {},
         [](const FieldEditor&, const Config& c) {
             return c.FieldPostamble[1] == "{TAB}" && c.FieldPostamble[2] == "~" &&
                    c.FieldFormat[1] == "Currency" && c.FieldFormat[2].empty() && c.ConfigChanged;
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        Config c = FixedTen();
        FieldEditor e;
        e.Load(c);
        EXPECT_EQ(r.edit(e, c), r.refusal);
        EXPECT_TRUE(r.after(e, c));
    }
}

TEST(RecordPreview, CutsAndConvertsASampleAsARunWould) {
    struct Row {
        const char* rule;
        std::function<void(Config&)> setup;
        std::string sample;
        bool complete;
        std::vector<std::vector<std::string>> fields; // cut, result, fault
    };
    auto balance = [](Config& c) {
        c.OutputMode = LogToDisk;
        c.RecordStructure = DelimitedFields;
        c.FieldCount = 3;
        c.FieldFilter[3] = "N";
        c.FieldMathExpression[3] = "val(field(3)) / 1000";
        c.FieldFormat[3] = "0.000000";
    };
    auto meter = [](Config& c) {
        c.OutputMode = LogToDisk;
        c.RecordStructure = FixedLengthFields;
        c.FieldCount = 3;
        c.FieldLength[1] = 3;
        c.FieldLength[2] = 9;
        c.FieldLength[3] = 1;
        c.FieldFilter[2] = "N";
        c.FieldMathExpression[2] = "val(field(2)) / 0";
    };
    const Row rows[] = {
        {"DelimitedBalanceRecord",
         balance,
         "ST,GS,+0012.345 g\r\n",
         true,
         {{"ST", "ST", ""}, {"GS", "GS", ""}, {"0012.345", "0.012345", ""}}},
        {"FixedLengthMeterWithFaultyExpression",
         meter,
         "M01  0012.34V\r\n",
         true,
         {{"M01", "M01", ""}, {"0012.34", "", FaultText(4108, 14)}, {"V", "V", ""}}},
        {"NoEndNoRecord", balance, "ST,GS", false, {}},
        {"CompileFaultIsReported",
         [&](Config& c) {
             balance(c);
             c.FieldMathExpression[3] = "1 +";
         },
         "a,b,c\r",
         true,
         {{"a", "a", ""}, {"b", "b", ""}, {"", "1.000000", FaultText(4101, 3)}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        Config c;
        r.setup(c);
        const RecordPreview p = PreviewRecord(c, r.sample);
        EXPECT_EQ(p.Complete, r.complete);
        ASSERT_EQ(p.Fields.size(), r.fields.size());
        for (size_t k = 0; k < r.fields.size(); ++k) {
            EXPECT_EQ(p.Fields[k].Cut, r.fields[k][0]) << k;
            EXPECT_EQ(p.Fields[k].Result, r.fields[k][1]) << k;
            EXPECT_EQ(p.Fields[k].Fault, r.fields[k][2]) << k;
        }
    }
    EXPECT_EQ(SampleBytes(SampleText("a\\\r\n\x01\xff")), "a\\\r\n\x01\xff");
    EXPECT_EQ(SimulatorSample("balance").substr(0, 6), "ST,GS,");
}

} // namespace
} // namespace pv
