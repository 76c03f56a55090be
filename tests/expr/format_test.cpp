#include "expr/format.h"
#include "text/locale.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

NumericLocale CLocale() {
    return NumericLocale{};
}

NumericLocale GermanLocale() {
    NumericLocale l;
    l.DecimalPoint = ",";
    l.ThousandsSeparator = ".";
    l.CurrencySymbol = "EUR";
    l.CurrencyPrecedes = false;
    return l;
}

struct FormatCase {
    const char* name;
    Value value;
    const char* pattern;
    const char* expected;
};

Value D(double v) {
    return Value::MakeDouble(v);
}
Value S(const char* t) {
    return Value::MakeText(t);
}

class FormatC : public testing::TestWithParam<FormatCase> {
  protected:
    void SetUp() override { SetCurrentNumericLocale(CLocale()); }
};

TEST_P(FormatC, Formats) {
    const auto& c = GetParam();
    EXPECT_EQ(FormatValue(c.value, c.pattern), c.expected) << "pattern " << c.pattern;
}

std::string CaseName(const testing::TestParamInfo<FormatCase>& i) {
    return i.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Named, FormatC,
    testing::Values(FormatCase{"GeneralNumberPlain", D(1234567.5), "General Number", "1234567.5"},
                    FormatCase{"GeneralNumberIgnoresCase", D(0.25), "general number", "0.25"},
                    FormatCase{"CurrencyGroupsAndRounds", D(1234.567), "Currency", "$1,234.57"},
                    FormatCase{"CurrencyNegative", D(-5), "Currency", "-$5.00"},
                    FormatCase{"FixedTwoDecimals", D(3), "Fixed", "3.00"},
                    FormatCase{"FixedLeadingZero", D(0.456), "Fixed", "0.46"},
                    FormatCase{"FixedNoGrouping", D(12345.678), "Fixed", "12345.68"},
                    FormatCase{"StandardGroups", D(1234567.891), "Standard", "1,234,567.89"},
                    FormatCase{"StandardNegative", D(-1234.5), "Standard", "-1,234.50"},
                    FormatCase{"Percent", D(0.1234), "Percent", "12.34%"},
                    FormatCase{"Scientific", D(123), "Scientific", "1.23E+02"},
                    FormatCase{"ScientificSmall", D(0.00012345), "Scientific", "1.23E-04"},
                    FormatCase{"ScientificZero", D(0), "Scientific", "0.00E+00"},
                    FormatCase{"ScientificRoundsUp", D(9.999), "Scientific", "1.00E+01"},
                    FormatCase{"YesNoNonZero", D(5), "Yes/No", "Yes"},
                    FormatCase{"YesNoZero", D(0), "Yes/No", "No"},
                    FormatCase{"TrueFalseOfTruth", Value::MakeBoolean(true), "True/False", "True"},
                    FormatCase{"OnOffZero", S("0"), "On/Off", "Off"},
                    FormatCase{"NumericTextFormatted", S(" 12.5 "), "Fixed", "12.50"},
                    FormatCase{"NonNumericTextPasses", S("OK"), "Fixed", "OK"},
                    FormatCase{"NonNumericTextPassesYesNo", S("abc"), "Yes/No", "abc"},
                    FormatCase{"EmptyPatternGeneralText", D(2.5), "", "2.5"},
                    FormatCase{"EmptyPatternTruth", Value::MakeBoolean(false), "", "False"},
                    FormatCase{"EmptyValueFormatsEmpty", Value{}, "Fixed", ""},
                    FormatCase{"SingleUsesSevenDigits", Value::MakeSingle(0.1f), "General Number",
                               "0.1"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Custom, FormatC,
    testing::Values(FormatCase{"ZeroPads", D(5), "000", "005"},
                    FormatCase{"HashDropsLeadingZero", D(0.5), "#.##", ".5"},
                    FormatCase{"HashKeepsPointLikeClassic", D(5), "#.##", "5."},
                    FormatCase{"HashOfZeroIsEmpty", D(0), "#", ""},
                    FormatCase{"SurplusDigitsKept", D(12345), "00", "12345"},
                    FormatCase{"RoundsHalfAwayFromZero", D(2.5), "0", "3"},
                    FormatCase{"RoundsNegativeHalfAway", D(-2.5), "0", "-3"},
                    FormatCase{"RoundsByShownDigits", D(2.675), "0.00", "2.68"},
                    FormatCase{"RoundsToZeroDropsSign", D(-0.001), "0.00", "0.00"},
                    FormatCase{"TrailingHashTrimmed", D(1.5), "0.0#", "1.5"},
                    FormatCase{"TrailingHashShown", D(1.55), "0.0#", "1.55"},
                    FormatCase{"Thousands", D(1234567), "#,##0", "1,234,567"},
                    FormatCase{"ThousandsSmall", D(12), "#,##0.00", "12.00"},
                    FormatCase{"ThousandsZeroPadded", D(5), "0,000", "0,005"},
                    FormatCase{"ScaleByThousand", D(1234567), "#,##0,", "1,235"},
                    FormatCase{"ScaleByMillion", D(1234567), "0.0,,", "1.2"},
                    FormatCase{"PercentScales", D(0.5), "0%", "50%"},
                    FormatCase{"ExponentLowerMinus", D(12345), "0.0e-0", "1.2e4"},
                    FormatCase{"ExponentMinusShowsNegative", D(0.0012), "0.0E-00", "1.2E-03"},
                    FormatCase{"ExponentTwoWholeDigits", D(12345), "00.0E+0", "12.3E+3"},
                    FormatCase{"LiteralsAround", D(12.3), "$ 0.00 kg", "$ 12.30 kg"},
                    FormatCase{"BackslashLiteral", D(7), "0\\#", "7#"},
                    FormatCase{"QuotedLiteral", D(7), "0\" pcs.\"", "7 pcs."},
                    FormatCase{"LiteralBetweenDigits", D(1234), "00-00", "12-34"},
                    FormatCase{"NegativeSection", D(-5), "0;(0)", "(5)"},
                    FormatCase{"ZeroSection", D(0), "0;(0);\"zero\"", "zero"},
                    FormatCase{"NullSection", Value{}, "0;(0);zero;\"none\"", "none"},
                    FormatCase{"NullSectionForEmptyText", S(""), "0;-0;0;\"none\"", "none"},
                    FormatCase{"EmptyNegativeSectionUsesFirst", D(-5), "0.0;;\"z\"", "-5.0"},
                    FormatCase{"SemicolonInQuotes", D(5), "\";\"0", ";5"},
                    FormatCase{"NoPlaceholdersOnlyLiterals", D(5), "\"n/a\"", "n/a"},
                    FormatCase{"HugeNumber", D(1e20), "#,##0", "100,000,000,000,000,000,000"},
                    FormatCase{"TextPassesCustom", S("N/A"), "0.00", "N/A"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    DatesFromValues, FormatC,
    testing::Values(
        FormatCase{"SerialNumber", D(45296.5), "yyyy-mm-dd hh:nn:ss", "2024-01-05 12:00:00"},
        FormatCase{"SerialZeroDay", D(0.25), "General Date", "6:00:00 AM"},
        FormatCase{"DateText", S("2024-01-05 13:04:09"), "dd.mm.yyyy hh:mm", "05.01.2024 13:04"},
        FormatCase{"DateTextNamed", S("2024-01-05"), "Long Date", "Friday, January 5, 2024"},
        FormatCase{"NonDateTextPasses", S("hello"), "yyyy", "hello"},
        FormatCase{"SerialOutOfRangePasses", D(1e9), "yyyy", "1000000000"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    TextPatterns, FormatC,
    testing::Values(FormatCase{"AtPadsFromTheLeft", S("abc"), "@@@@@", "  abc"},
                    FormatCase{"AmpersandSkipsMissing", S("abc"), "&&&&&", "abc"},
                    FormatCase{"PlaceholdersWithLiterals", S("5551234"), "@@@-@@@@", "555-1234"},
                    FormatCase{"SurplusCharactersKept", S("abcd"), "@@", "abcd"},
                    FormatCase{"FillFromTheLeft", S("abc"), "!@@@@@", "abc  "},
                    FormatCase{"Upper", S("abc"), ">", "ABC"},
                    FormatCase{"LowerWithPlaceholders", S("ABC"), "<@@@@", " abc"},
                    FormatCase{"NumberAsText", D(12.5), "@@@@@@", "  12.5"},
                    FormatCase{"EmptyTextSection", S(""), "@;\"(none)\"", "(none)"}),
    CaseName);

TEST(FormatLocale, SeparatorsAndCurrencyFollowTheLocale) {
    SetCurrentNumericLocale(GermanLocale());
    EXPECT_EQ(FormatValue(D(1234567.891), "Standard"), "1.234.567,89");
    EXPECT_EQ(FormatValue(D(1234.5), "Currency"), "1.234,50 EUR");
    EXPECT_EQ(FormatValue(D(-2), "Currency"), "-2,00 EUR");
    EXPECT_EQ(FormatValue(D(2.5), "General Number"), "2,5");
    EXPECT_EQ(FormatValue(S("2,5"), "0.00"), "2,50");
    SetCurrentNumericLocale(CLocale());
}

struct DateCase {
    const char* name;
    const char* pattern;
    const char* expected;
};

class DateFormat : public testing::TestWithParam<DateCase> {};

// Friday 2024-01-05 14:07:09.
TEST_P(DateFormat, Formats) {
    DateTime dt{2024, 1, 5, 14, 7, 9};
    EXPECT_EQ(FormatDateTime(dt, GetParam().pattern), GetParam().expected) << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    All, DateFormat,
    testing::Values(
        DateCase{"EmptyIsGeneralDate", "", "1/5/2024 2:07:09 PM"},
        DateCase{"GeneralDateNamed", "General Date", "1/5/2024 2:07:09 PM"},
        DateCase{"C", "c", "1/5/2024 2:07:09 PM"}, DateCase{"Day", "d", "5"},
        DateCase{"Day2", "dd", "05"}, DateCase{"DayName3", "ddd", "Fri"},
        DateCase{"DayName", "dddd", "Friday"}, DateCase{"ShortDateToken", "ddddd", "1/5/2024"},
        DateCase{"LongDateToken", "dddddd", "Friday, January 5, 2024"},
        DateCase{"Weekday", "w", "6"}, DateCase{"WeekOfYear", "ww", "1"},
        DateCase{"Month", "m", "1"}, DateCase{"Month2", "mm", "01"},
        DateCase{"MonthName3", "mmm", "Jan"}, DateCase{"MonthName", "mmmm", "January"},
        DateCase{"Quarter", "q", "1"}, DateCase{"DayOfYear", "y", "5"},
        DateCase{"Year2", "yy", "24"}, DateCase{"Year4", "yyyy", "2024"},
        DateCase{"Hour", "h", "14"}, DateCase{"Hour2", "hh", "14"}, DateCase{"Minute", "n", "7"},
        DateCase{"Minute2", "nn", "07"}, DateCase{"Second", "s", "9"},
        DateCase{"Second2", "ss", "09"}, DateCase{"MAfterHourIsMinute", "hh:mm", "14:07"},
        DateCase{"MBeforeSecondIsMinute", "mm:ss", "07:09"},
        DateCase{"LongTimeToken", "ttttt", "2:07:09 PM"}, DateCase{"AmPmUpper", "h AM/PM", "2 PM"},
        DateCase{"AmPmLower", "h am/pm", "2 pm"}, DateCase{"APUpper", "hA/P", "2P"},
        DateCase{"APLower", "ha/p", "2p"}, DateCase{"AMPM", "hh AMPM", "02 PM"},
        DateCase{"Separators", "yyyy/mm/dd hh:nn:ss", "2024/01/05 14:07:09"},
        DateCase{"EscapedAndQuoted", "\\d \"day\" d", "d day 5"},
        DateCase{"LongDate", "Long Date", "Friday, January 5, 2024"},
        DateCase{"MediumDate", "Medium Date", "05-Jan-24"},
        DateCase{"ShortDate", "Short Date", "1/5/2024"},
        DateCase{"LongTime", "Long Time", "2:07:09 PM"},
        DateCase{"MediumTime", "Medium Time", "02:07 PM"},
        DateCase{"ShortTime", "Short Time", "14:07"},
        DateCase{"NumberPatternGivesSerial", "0.00", "45296.59"}),
    [](const testing::TestParamInfo<DateCase>& i) { return std::string(i.param.name); });

TEST(DateFormat, MidnightAndNoonInTwelveHourClock) {
    EXPECT_EQ(FormatDateTime({2024, 1, 5, 0, 0, 0}, "h:nn AM/PM"), "12:00 AM");
    EXPECT_EQ(FormatDateTime({2024, 1, 5, 12, 30, 0}, "h:nn AM/PM"), "12:30 PM");
    EXPECT_EQ(FormatDateTime({2024, 1, 5, 0, 0, 0}, ""), "1/5/2024");
}

TEST(DateFormat, OutOfRangeFieldsDoNotCrash) {
    EXPECT_EQ(FormatDateTime({2024, 13, 40, 30, 70, 80}, "mmm"), "Dec");
    EXPECT_FALSE(FormatDateTime({-5, 0, 0, -1, -1, -1}, "dddd mmmm yyyy c").empty());
}

TEST(FormatName, DisplayNameMapsToKeyword) {
    const std::string names[6] = {"Allgemeine Zahl", "Währung", "Festkomma",
                                  "Standard",        "Prozent", "Wissenschaftlich"};
    EXPECT_EQ(ResolveFormatName("Währung", names), "Currency");
    EXPECT_EQ(ResolveFormatName("Wissenschaftlich", names), "Scientific");
    EXPECT_EQ(ResolveFormatName("0.00", names), "0.00");
    EXPECT_EQ(ResolveFormatName("währung", names), "währung");
}

} // namespace
} // namespace pv
