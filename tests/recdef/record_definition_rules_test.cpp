// The record structure walk's rules, the field editor's working copies and
// the preview of a sample record.
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

#include "recdef/field_editor.h"
#include "recdef/record_preview.h"
#include "recdef/record_walk.h"

using namespace std::string_literals;

namespace pv {
namespace {

// Start, end, structure, field count, record length, length of field 3,
// delimiter code.
std::string Digest(const Config& c) {
    char text[64];
    std::snprintf(text, sizeof text, "%d %d %d n%d r%d l%d d%d", c.StartOfRecordEvent,
                  c.EndOfRecordEvent, c.RecordStructure, c.FieldCount, c.RecordLength,
                  c.FieldLength[3], c.FieldDelimiter.empty() ? -1 : c.FieldDelimiter[0]);
    return text;
}

TEST(RecordWalk, StepsRefuseOrStoreAndNameTheNextDialog) {
    using Step = std::function<Refusal(Config&, WalkNext&)>;
    auto events = [](int s, std::string sc, int e) -> Step {
        return [=](Config& c, WalkNext& next) {
            if (Refusal r = CheckRecordEvents(s, sc, e, "")) return r;
            next = ApplyRecordEvents(c, s, sc, e, "");
            return Refusal{};
        };
    };
    auto length = [](double v) -> Step {
        return [=](Config& c, WalkNext&) { return ApplyRecordLength(c, v); };
    };
    auto delim = [](double n, unsigned char d) -> Step {
        return [=](Config& c, WalkNext&) { return ApplyDelimited(c, n, d); };
    };
    auto shape = [](int s) -> Step {
        return [=](Config& c, WalkNext& next) {
            next = ApplyStructure(c, s);
            return Refusal{};
        };
    };
    struct Row {
        const char* rule;
        Step step;
        Refusal refusal;
        WalkNext next;
        const char* digest; // untouched: "0 0 0 n1 r0 l7 d44"
    };
    // clang-format off
    const Row rows[] = {
        {"StartSpecialWithoutCharsIsCheckedFirst", events(3, "", 3), {4007, 4008}, WalkNext::Editor, "0 0 0 n1 r0 l7 d44"},
        {"EndSpecialWithoutCharsIsRefused", events(3, "\x02", 3), {4007, 4009}, WalkNext::Editor, "0 0 0 n1 r0 l7 d44"},
        {"ByteCountEndForcesFixedFields", events(3, "\x02", 2), {}, WalkNext::Fixed, "3 2 2 n40 r0 l7 d44"},
        {"TimeDelayEndGoesToTimed", events(1, "", 1), {}, WalkNext::Timed, "1 1 0 n1 r0 l7 d44"},
        {"RecordLength0IsRefused", length(0), {4010, 4005}, WalkNext::Editor, "0 0 0 n1 r0 l7 d44"},
        {"RecordLength32767IsRefused", length(32767), {4010, 4005}, WalkNext::Editor, "0 0 0 n1 r0 l7 d44"},
        {"RecordLength32766IsTaken", length(32766), {}, WalkNext::Editor, "0 0 0 n40 r32766 l7 d44"},
        {"OneDelimitedFieldIsRefused", delim(1, ';'), {4015, 4005}, WalkNext::Editor, "0 0 0 n1 r0 l7 d44"},
        {"FortyOneDelimitedFieldsAreRefused", delim(41, ';'), {4015, 4005}, WalkNext::Editor, "0 0 0 n1 r0 l7 d44"},
        {"DelimiterRow0StoresNulAndClearsLengths", delim(2, 0), {}, WalkNext::Editor, "0 0 0 n2 r0 l0 d0"},
        {"SingleFieldClearsLengths", shape(0), {}, WalkNext::Editor, "0 0 0 n1 r0 l0 d44"},
        {"DelimitedStructureAsksForTheDelimiter", shape(1), {}, WalkNext::Delimited, "0 0 1 n1 r0 l7 d44"},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        Config c;
        c.FieldLength[3] = 7;
        WalkNext next = WalkNext::Editor;
        EXPECT_EQ(r.step(c, next), r.refusal);
        EXPECT_EQ(next, r.next);
        EXPECT_EQ(Digest(c), r.digest);
    }
    EXPECT_EQ(DelimiterRow(44), "44\t,   COMMA");
    EXPECT_EQ(DelimiterRow(13), "13\t    CR");
    EXPECT_EQ(DelimiterRow(200), "200\t\xC8");
}

// Edits as words: L<n> length, > next, < previous, F<row> filter,
// P<text> postamble, M<text> format, ok. Stops at the first refusal.
Refusal Edit(FieldEditor& e, Config& c, const std::string& script) {
    std::istringstream words(script);
    for (std::string w; words >> w;) {
        Refusal r;
        const std::string arg = w.substr(1);
        switch (w[0]) {
        case 'L': r = e.SetLength(std::stod(arg)); break;
        case '>': r = e.Next(); break;
        case '<': e.Previous(); break;
        case 'F': e.SetFilterRow(std::stoi(arg)); break;
        case 'P': e.Postamble() = arg; break;
        case 'M': e.Format() = arg; break;
        default: r = e.Ok(c);
        }
        if (r) return r;
    }
    return {};
}

// Field shown, bytes defined, Next live, then the configuration: field count,
// filters, lengths and postambles of fields 1 and 2, format of field 1.
std::string Digest(const FieldEditor& e, const Config& c) {
    return "i" + std::to_string(e.Index()) + " b" + std::to_string(e.BytesDefined()) +
           (e.NextEnabled() ? " next" : " last") + " | n" + std::to_string(c.FieldCount) + " " +
           c.FieldFilter[1] + c.FieldFilter[2] + " " + std::to_string(c.FieldLength[1]) + "," +
           std::to_string(c.FieldLength[2]) + " " + c.FieldPostamble[1] + "," +
           c.FieldPostamble[2] + " " + c.FieldFormat[1];
}

TEST(FieldEditor, CopiesNavigationAndOk) {
    struct Row {
        const char* rule;
        const char* script; // on a 10-byte fixed-length record
        Refusal refusal;
        const char* digest;
    };
    // clang-format off
    const Row rows[] = {
        {"FullRecordEndsNavigationAndOkCutsFieldCount", "L4 > L6 ok", {}, "i2 b10 last | n2 CC 4,6 , "},
        {"ShortSumRefusesOkAndStoresNothing", "L4 > L5 ok", {4012, 4013}, "i2 b9 next | n40 CC 0,0 , "},
        {"NextRefusesAZeroLength", ">", {4011, 4013}, "i1 b0 next | n40 CC 0,0 , "},
        {"LengthAbove32766IsRefused", "L32767", {4011, 4013}, "i1 b0 next | n40 CC 0,0 , "},
        {"PreviousNeedsNoValidLength", "L3 > L0 <", {}, "i1 b3 next | n40 CC 0,0 , "},
        {"FilterRowsStoreLetters", "F5 L4 > F0 L6 ok", {}, "i2 b10 last | n2 BC 4,6 , "},
        {"PostambleAndFormatGoToTheirField", "P{TAB} MCurrency L4 > P~ < L4 > L6 ok", {},
         "i2 b10 last | n2 CC 4,6 {TAB},~ Currency"},
    };
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.rule);
        Config c;
        c.EndOfRecordEvent = EndOnByteCount;
        c.RecordStructure = FixedLengthFields;
        c.RecordLength = 10;
        c.FieldCount = 40;
        FieldEditor e;
        e.Load(c);
        EXPECT_EQ(Edit(e, c, r.script), r.refusal);
        EXPECT_EQ(Digest(e, c), r.digest);
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
    auto faulty = [&](Config& c) {
        balance(c);
        c.FieldMathExpression[3] = "1 +";
    };
    // clang-format off
    const Row rows[] = {
        {"DelimitedBalanceRecord", balance, "ST,GS,+0012.345 g\r\n", true, {{"ST", "ST", ""}, {"GS", "GS", ""}, {"0012.345", "0.012345", ""}}},
        {"FixedLengthMeterWithFaultyExpression", meter, "M01  0012.34V\r\n", true,
         {{"M01", "M01", ""}, {"0012.34", "", FaultText(4108, 14)}, {"V", "V", ""}}},
        {"NoEndNoRecord", balance, "ST,GS", false, {}},
        {"CompileFaultIsReported", faulty, "a,b,c\r", true, {{"a", "a", ""}, {"b", "b", ""}, {"", "1.000000", FaultText(4101, 3)}}},
    };
    // clang-format on
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
