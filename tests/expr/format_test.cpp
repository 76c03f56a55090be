#include "expr/datetime.h"
#include "expr/format.h"
#include "text/locale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pv {
namespace {

Value D(double v) {
    return Value::MakeDouble(v);
}
Value S(const char* t) {
    return Value::MakeText(t);
}

struct FormatRow {
    const char* name;
    Value value;
    const char *pattern, *expected;
};

// Each row through the one-off call and through one compiled format used
// twice.
void Check(const std::vector<FormatRow>& rows) {
    SetCurrentNumericLocale(NumericLocale{});
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.name) + ": [" + r.pattern + "]");
        EXPECT_EQ(FormatValue(r.value, r.pattern), r.expected);
        CompiledFormat f = CompileFormat(r.pattern);
        EXPECT_EQ(f.Apply(r.value), r.expected);
        EXPECT_EQ(f.Apply(r.value), r.expected);
    }
}

TEST(Format, NamedFormats) {
    // clang-format off
    Check({
        {"GeneralNumberPlain", D(1234567.5), "General Number", "1234567.5"},
        {"GeneralNumberIgnoresCase", D(0.25), "general number", "0.25"},
        {"CurrencyGroupsAndRounds", D(1234.567), "Currency", "$1,234.57"},
        {"CurrencyNegative", D(-5), "Currency", "-$5.00"},
        {"FixedTwoDecimals", D(3), "Fixed", "3.00"},
        {"FixedLeadingZero", D(0.456), "Fixed", "0.46"},
        {"FixedNoGrouping", D(12345.678), "Fixed", "12345.68"},
        {"StandardGroups", D(1234567.891), "Standard", "1,234,567.89"},
        {"StandardNegative", D(-1234.5), "Standard", "-1,234.50"},
        {"Percent", D(0.1234), "Percent", "12.34%"},
        {"Scientific", D(123), "Scientific", "1.23E+02"},
        {"ScientificSmall", D(0.00012345), "Scientific", "1.23E-04"},
        {"ScientificZero", D(0), "Scientific", "0.00E+00"},
        {"ScientificRoundsUp", D(9.999), "Scientific", "1.00E+01"},
        {"YesNoNonZero", D(5), "Yes/No", "Yes"}, {"YesNoZero", D(0), "Yes/No", "No"},
        {"NamedFormatNeedsEveryLetter", D(5), "Xes/No", "Xe0/0o"},
        {"TrueFalseOfTruth", Value::MakeBoolean(true), "True/False", "True"},
        {"OnOffZero", S("0"), "On/Off", "Off"},
        {"NumericTextFormatted", S(" 12.5 "), "Fixed", "12.50"},
        {"NonNumericTextPasses", S("OK"), "Fixed", "OK"},
        {"NonNumericTextPassesYesNo", S("abc"), "Yes/No", "abc"},
        {"EmptyPatternGeneralText", D(2.5), "", "2.5"},
        {"EmptyPatternNumericTextAsNumber", S("1234.0"), "", "1234"},
        {"EmptyPatternOtherTextAsIs", S("12 kg"), "", "12 kg"},
        {"EmptyPatternTruth", Value::MakeBoolean(false), "", "False"},
        {"EmptyValueFormatsEmpty", Value{}, "Fixed", ""},
        {"SingleUsesSevenDigits", Value::MakeSingle(0.1f), "General Number", "0.1"}
    });
    // clang-format on
}

TEST(Format, NumberPatterns) {
    // clang-format off
    Check({
        {"ZeroPads", D(5), "000", "005"}, {"HashDropsLeadingZero", D(0.5), "#.##", ".5"},
        {"HashKeepsPointLikeClassic", D(5), "#.##", "5."}, {"HashOfZeroIsEmpty", D(0), "#", ""},
        {"SurplusDigitsKept", D(12345), "00", "12345"},
        {"RoundsHalfAwayFromZero", D(2.5), "0", "3"},
        {"RoundsNegativeHalfAway", D(-2.5), "0", "-3"},
        {"RoundsByShownDigits", D(2.675), "0.00", "2.68"},
        {"RoundsToZeroDropsSign", D(-0.001), "0.00", "0.00"},
        {"TrailingHashTrimmed", D(1.5), "0.0#", "1.5"},
        {"TrailingHashShown", D(1.55), "0.0#", "1.55"},
        {"Thousands", D(1234567), "#,##0", "1,234,567"},
        {"ThousandsSmall", D(12), "#,##0.00", "12.00"},
        {"ThousandsZeroPadded", D(5), "0,000", "0,005"},
        {"ScaleByThousand", D(1234567), "#,##0,", "1,235"},
        {"ScaleByMillion", D(1234567), "0.0,,", "1.2"}, {"PercentScales", D(0.5), "0%", "50%"},
        {"ExponentLowerMinus", D(12345), "0.0e-0", "1.2e4"},
        {"ExponentMinusShowsNegative", D(0.0012), "0.0E-00", "1.2E-03"},
        {"ExponentTwoWholeDigits", D(12345), "00.0E+0", "12.3E+3"},
        {"ZeroShowsEveryLaterDigit", D(1), "000###", "000001"},
        {"HashBeforeFirstZeroOnlyWhenNeeded", D(1), "#00##00#0", "00000001"},
        {"ExponentDigitsOnlyZeroOrHash", D(1.7), "0.0000e-1", "1.7000e01"},
        {"ExponentWithoutPlaceholdersFollowsMarker", D(1000001), "0.0000e+1", "1.0000e+61"},
        {"ExponentPaddedToHashes", D(1.09837555), "#.#####E+###", "1.09838E+000"},
        {"LiteralsAround", D(12.3), "$ 0.00 kg", "$ 12.30 kg"},
        {"BackslashLiteral", D(7), "0\\#", "7#"}, {"QuotedLiteral", D(7), "0\" pcs.\"", "7 pcs."},
        {"LiteralBetweenDigits", D(1234), "00-00", "12-34"},
        {"NegativeSection", D(-5), "0;(0)", "(5)"}, {"ZeroSection", D(0), "0;(0);\"zero\"", "zero"},
        {"NullSection", Value{}, "0;(0);zero;\"none\"", "none"},
        {"NullSectionForEmptyText", S(""), "0;-0;0;\"none\"", "none"},
        {"EmptyNegativeSectionUsesFirst", D(-5), "0.0;;\"z\"", "-5.0"},
        {"SemicolonInQuotes", D(5), "\";\"0", ";5"},
        {"NoPlaceholdersOnlyLiterals", D(5), "\"n/a\"", "n/a"},
        {"HugeNumber", D(1e20), "#,##0", "100,000,000,000,000,000,000"},
        {"TextPassesCustom", S("N/A"), "0.00", "N/A"}
    });
    // clang-format on
}

TEST(Format, DatesFromValues) {
    // clang-format off
    Check({
        {"SerialNumber", D(45296.5), "yyyy-mm-dd hh:nn:ss", "2024-01-05 12:00:00"},
        {"SerialZeroDay", D(0.25), "General Date", "6:00:00 AM"},
        {"DateText", S("2024-01-05 13:04:09"), "dd.mm.yyyy hh:mm", "05.01.2024 13:04"},
        {"DateTextNamed", S("2024-01-05"), "Long Date", "Friday, January 5, 2024"},
        {"NonDateTextPasses", S("hello"), "yyyy", "hello"},
        {"SerialOutOfRangePasses", D(1e9), "yyyy", "1000000000"}
    });
    // clang-format on
}

TEST(Format, TextPatterns) {
    // clang-format off
    Check({
        {"AtPadsFromTheLeft", S("abc"), "@@@@@", "  abc"},
        {"AmpersandSkipsMissing", S("abc"), "&&&&&", "abc"},
        {"PlaceholdersWithLiterals", S("5551234"), "@@@-@@@@", "555-1234"},
        {"SurplusCharactersKept", S("abcd"), "@@", "abcd"},
        {"FillFromTheLeft", S("abc"), "!@@@@@", "abc  "}, {"Upper", S("abc"), ">", "ABC"},
        {"LowerWithPlaceholders", S("ABC"), "<@@@@", " abc"},
        {"LowerLatin1ButTheTimesSign", S("\xC9\xD7"), "<", "\xE9\xD7"},
        {"NumberAsText", D(12.5), "@@@@@@", "  12.5"},
        {"EmptyTextSection", S(""), "@;\"(none)\"", "(none)"}
    });
    // clang-format on
}

TEST(Format, SeparatorsAndCurrencyFollowTheLocale) {
    NumericLocale de;
    de.DecimalPoint = ",";
    de.ThousandsSeparator = ".";
    de.CurrencySymbol = "EUR";
    de.CurrencyPrecedes = false;
    SetCurrentNumericLocale(de);
    CompiledFormat standard = CompileFormat("Standard"); // locale read when applied
    EXPECT_EQ(standard.Apply(D(1234567.891)), "1.234.567,89");
    EXPECT_EQ(FormatValue(D(1234.5), "Currency"), "1.234,50 EUR");
    EXPECT_EQ(FormatValue(D(-2), "Currency"), "-2,00 EUR");
    EXPECT_EQ(FormatValue(D(2.5), "General Number"), "2,5");
    EXPECT_EQ(FormatValue(S("2,5"), "0.00"), "2,50");
    EXPECT_EQ(GeneralNumberText(D(2.5)), "2,5");
    EXPECT_EQ(PlainText(D(2.5)), "2.5");
    SetCurrentNumericLocale(NumericLocale{});
    EXPECT_EQ(standard.Apply(D(1234.5)), "1,234.50");
}

// Friday 2024-01-05 14:07:09.
TEST(Format, DateTimePatterns) {
    struct Row {
        const char *name, *pattern, *expected;
    } rows[] = {
        // clang-format off
        {"EmptyIsGeneralDate", "", "1/5/2024 2:07:09 PM"},
        {"GeneralDateNamed", "General Date", "1/5/2024 2:07:09 PM"},
        {"C", "c", "1/5/2024 2:07:09 PM"}, {"Day", "d", "5"}, {"Day2", "dd", "05"},
        {"DayName3", "ddd", "Fri"}, {"DayName", "dddd", "Friday"},
        {"ShortDateToken", "ddddd", "1/5/2024"},
        {"LongDateToken", "dddddd", "Friday, January 5, 2024"}, {"Weekday", "w", "6"},
        {"WeekOfYear", "ww", "1"}, {"Month", "m", "1"}, {"Month2", "mm", "01"},
        {"MonthName3", "mmm", "Jan"}, {"MonthName", "mmmm", "January"}, {"Quarter", "q", "1"},
        {"DayOfYear", "y", "5"}, {"Year2", "yy", "24"}, {"Year4", "yyyy", "2024"},
        {"Hour2", "hh", "14"}, {"Minute", "n", "7"}, {"Minute2", "nn", "07"}, {"Second", "s", "9"},
        {"Second2", "ss", "09"}, {"MAfterHourIsMinute", "hh:mm", "14:07"},
        {"MAfterHourIsMinute2", "h \"h\" m", "14 h 7"},
        {"MBeforeSecondIsMonth", "mm :mm:ss", "01 :01:09"},
        {"LongTimeToken", "ttttt", "2:07:09 PM"}, {"AmPmUpper", "h AM/PM", "2 PM"},
        {"AmPmLower", "h am/pm", "2 pm"}, {"APUpper", "hA/P", "2P"}, {"APLower", "ha/p", "2p"},
        {"AMPM", "hh AMPM", "02 PM"}, {"Separators", "yyyy/mm/dd hh:nn:ss", "2024/01/05 14:07:09"},
        {"EscapedAndQuoted", "\\d \"day\" d", "d day 5"},
        {"LongDate", "Long Date", "Friday, January 5, 2024"},
        {"MediumDate", "Medium Date", "05-Jan-24"}, {"ShortDate", "Short Date", "1/5/2024"},
        {"LongTime", "Long Time", "2:07:09 PM"}, {"MediumTime", "Medium Time", "02:07 PM"},
        {"ShortTime", "Short Time", "14:07"}, {"NumberPatternGivesSerial", "0.00", "45296.59"}
        // clang-format on
    };
    const DateTime dt{2024, 1, 5, 14, 7, 9};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.name) + ": [" + r.pattern + "]");
        EXPECT_EQ(FormatDateTime(dt, r.pattern), r.expected);
        EXPECT_EQ(CompileFormat(r.pattern).Apply(dt), r.expected);
    }
}

TEST(Format, DateTimeEdges) {
    EXPECT_EQ(FormatDateTime({2024, 1, 5, 0, 0, 0}, "h:nn AM/PM"), "12:00 AM");
    EXPECT_EQ(FormatDateTime({2024, 1, 5, 12, 30, 0}, "h:nn AM/PM"), "12:30 PM");
    EXPECT_EQ(FormatDateTime({2024, 1, 5, 0, 0, 0}, ""), "1/5/2024");
    EXPECT_EQ(FormatDateTime({1900, 1, 1, 12, 36, 0}, "mm :mm:ss"), "01 :01:00");
    EXPECT_EQ(FormatDateTime({2024, 13, 40, 30, 70, 80}, "mmm"), "Dec") << "out of range";
    EXPECT_FALSE(FormatDateTime({-5, 0, 0, -1, -1, -1}, "dddd mmmm yyyy c").empty());
}

// What a value shows without a format: numbers in general form with
// exponents beyond 15 digits and below 0.001.
TEST(Format, GeneralText) {
    // clang-format off
    Check({
        {"Whole", D(42), "", "42"},
        {"Fraction", D(-0.5), "", "-0.5"},
        {"FifteenDigitsRound", D(0.1 + 0.2), "", "0.3"},
        {"FifteenDigitWholePlain", D(123456789012345), "", "123456789012345"},
        {"LargeUsesExponent", D(1e15), "", "1E+15"},
        {"LargeMantissa", D(1.5e20), "", "1.5E+20"},
        {"ThousandthPlain", D(0.001), "", "0.001"},
        {"BelowThousandthUsesExponent", D(0.000123), "", "1.23E-04"},
        {"TenToMinusFive", D(0.00001), "", "1E-05"},
        {"TinyUsesExponent", D(-2.5e-7), "", "-2.5E-07"},
        {"SingleSevenDigits", Value::MakeSingle(1.0f / 3.0f), "", "0.3333333"},
        {"SingleLargeUsesExponent", Value::MakeSingle(1e7f), "", "1E+07"},
        {"Integer", Value::MakeInteger(-32768), "", "-32768"},
        {"True", Value::MakeBoolean(true), "", "True"},
        {"False", Value::MakeBoolean(false), "", "False"},
        {"Empty", Value{}, "", ""}
    });
    // clang-format on
    for (int i = 0; i < 200; ++i) // more patterns than are kept compiled
        ASSERT_EQ(FormatValue(D(1), std::string(size_t(i % 100 + 1), '0')).size(), i % 100 + 1);
    const std::string bytes("a\0\xff", 3);
    EXPECT_EQ(GeneralNumberText(Value::MakeText(bytes)), bytes) << "text keeps every byte";
}

TEST(DateTime, PlaceholdersExpandOnce) {
    const DateTime now{2024, 3, 7, 9, 5, 2};
    struct Row {
        const char *name, *text, *expected;
    } rows[] = {
        // clang-format off
        {"Empty", "", ""}, {"NoPlaceholder", "abc", "abc"},
        {"All", "{CENTURY}{YEAR}-{MONTH}-{DAY} {HOUR}:{MINUTE}:{SECOND}", "2024-03-07 09:05:02"},
        {"AnyCase", "{year}/{Month}", "24/03"}, {"FirstOccurrenceOnly", "{YEAR}{YEAR}", "24{YEAR}"},
        {"Unclosed", "{YEAR", "{YEAR"}, {"Embedded", "a{DAY}b", "a07b"}
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ExpandDateTime(r.text, now), r.expected);
    }
}

TEST(DateTime, CalendarAndSerialDays) {
    EXPECT_EQ(DayOfWeek({2024, 1, 5}), 6);   // Friday
    EXPECT_EQ(DayOfWeek({1899, 12, 30}), 7); // Saturday
    EXPECT_EQ(DayOfYear({2024, 12, 31}), 366);
    EXPECT_EQ(DayOfYear({2023, 12, 31}), 365);
    EXPECT_EQ(WeekOfYear({2024, 1, 6}), 1);
    EXPECT_EQ(WeekOfYear({2024, 1, 7}), 2);
    EXPECT_DOUBLE_EQ(ToSerial({2024, 1, 5, 12, 0, 0}), 45296.5);
    EXPECT_DOUBLE_EQ(ToSerial({1899, 12, 29, 6, 0, 0}), -1.25);
    EXPECT_DOUBLE_EQ(ToSerial({2001, 1, 1, 0, 0, 0}), 36892);
    for (DateTime dt : {DateTime{2024, 2, 29, 23, 59, 59}, DateTime{100, 1, 1, 0, 0, 0},
                        DateTime{9999, 12, 31, 23, 59, 59}, DateTime{1899, 12, 29, 6, 0, 0}}) {
        DateTime back;
        ASSERT_TRUE(FromSerial(ToSerial(dt), back));
        EXPECT_EQ(back, dt);
    }
    DateTime out;
    EXPECT_FALSE(FromSerial(1e9, out));
    EXPECT_FALSE(FromSerial(-1e9, out));
}

TEST(DateTime, ParsesIsoForms) {
    EXPECT_EQ(ParseDateTime("2024-01-05 13:04:09"), (DateTime{2024, 1, 5, 13, 4, 9}));
    EXPECT_EQ(ParseDateTime("2024-01-05T13:04"), (DateTime{2024, 1, 5, 13, 4, 0}));
    EXPECT_EQ(ParseDateTime("2024-1-5"), (DateTime{2024, 1, 5, 0, 0, 0}));
    EXPECT_EQ(ParseDateTime("7:30"), (DateTime{1899, 12, 30, 7, 30, 0}));
    for (const char* bad : {"2023-02-29", "2024-01-05 25:00", "12.5", ""})
        EXPECT_FALSE(ParseDateTime(bad)) << bad;
}

} // namespace
} // namespace pv
