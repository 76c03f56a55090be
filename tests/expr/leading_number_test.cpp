#include "expr/leading_number.h"
#include "text/locale.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <random>
#include <string>

namespace pv {
namespace {

struct LeadingCase {
    const char* name;
    const char* text;
    double expected;
};

class LeadingNumberRule : public testing::TestWithParam<LeadingCase> {};

TEST_P(LeadingNumberRule, Reads) {
    EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    All, LeadingNumberRule,
    testing::Values(
        LeadingCase{"Plain", "42", 42}, LeadingCase{"Decimal", "12.5", 12.5},
        LeadingCase{"LeadingPoint", ".5", 0.5}, LeadingCase{"Negative", "-3.25", -3.25},
        LeadingCase{"PlusSign", "+7", 7}, LeadingCase{"BlanksAnywhere", " 1 2\t3\n.5", 123.5},
        LeadingCase{"BlankAfterSign", "- 5", -5}, LeadingCase{"StopsAtLetter", "12abc", 12},
        LeadingCase{"SecondPointStops", "1.2.3", 1.2}, LeadingCase{"NoDigitIsZero", "abc", 0},
        LeadingCase{"EmptyIsZero", "", 0}, LeadingCase{"SignOnlyIsZero", "-", 0},
        LeadingCase{"PointOnlyIsZero", ".", 0}, LeadingCase{"ExponentE", "1.5E3", 1500},
        LeadingCase{"ExponentLowerD", "2d2", 200}, LeadingCase{"NegativeExponent", "25e-1", 2.5},
        LeadingCase{"ExponentWithoutDigits", "7e", 7},
        LeadingCase{"ExponentSignWithoutDigits", "7e+x", 7},
        LeadingCase{"CommaIsNoDecimal", "1,5", 1}, LeadingCase{"CarriageReturnStops", "1\r2", 1},
        LeadingCase{"Hex16", "&HFF", 255}, LeadingCase{"Hex16Negative", "&hFFFF", -1},
        LeadingCase{"Hex16MinInt", "&H8000", -32768}, LeadingCase{"Hex32Suffix", "&hFFFF&", 65535},
        LeadingCase{"Hex32AllOnes", "&hFFFFFFFF&", -1},
        LeadingCase{"Hex32ByDigitCount", "&h10000", 65536},
        LeadingCase{"Hex32WithoutSuffix", "&hFFFFFFFF", -1},
        LeadingCase{"HexStopsAtNonDigit", "&h1FZ", 31}, LeadingCase{"HexBlanks", "& h 1 F", 31},
        LeadingCase{"HexNoDigits", "&h", 0}, LeadingCase{"Octal", "&O17", 15},
        LeadingCase{"Octal16Negative", "&o177777", -1},
        LeadingCase{"Octal32Suffix", "&o177777&", 65535}, LeadingCase{"OctalStopsAt8", "&O78", 7},
        LeadingCase{"AmpersandAloneIsZero", "&5", 0},
        LeadingCase{"LongMantissa", "000000000000000000000000000001.5", 1.5},
        LeadingCase{"TinyUnderflowsToZero", "1e-999", 0}),
    [](const testing::TestParamInfo<LeadingCase>& i) { return std::string(i.param.name); });

TEST(LeadingNumberRule, HugeExponentReportsOverflow) {
    auto r = ReadLeadingNumber("1e999");
    EXPECT_TRUE(r.Overflow);
    EXPECT_EQ(r.Value, DBL_MAX);
    EXPECT_EQ(ReadLeadingNumber("-9e99999999999").Value, -DBL_MAX);
    EXPECT_FALSE(ReadLeadingNumber("1e308").Overflow);
}

struct WholeCase {
    const char* name;
    const char* text;
    bool ok;
    double expected;
};

class WholeNumber : public testing::TestWithParam<WholeCase> {
  protected:
    void SetUp() override { SetCurrentNumericLocale(NumericLocale{}); }
};

TEST_P(WholeNumber, Parses) {
    double v = -999;
    EXPECT_EQ(ParseWholeNumber(GetParam().text, v), GetParam().ok) << GetParam().text;
    if (GetParam().ok) {
        EXPECT_DOUBLE_EQ(v, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    All, WholeNumber,
    testing::Values(WholeCase{"Plain", "12.5", true, 12.5},
                    WholeCase{"SurroundingBlanks", " \t-3 \r\n", true, -3},
                    WholeCase{"Exponent", "1E3", true, 1000}, WholeCase{"Hex", "&H1F", true, 31},
                    WholeCase{"TrailingGarbage", "12abc", false, 0},
                    WholeCase{"InnerBlank", "1 2", false, 0}, WholeCase{"Empty", "", false, 0},
                    WholeCase{"Word", "abc", false, 0}, WholeCase{"TwoPoints", "1.2.3", false, 0},
                    WholeCase{"HexWithoutDigits", "&H", false, 0},
                    WholeCase{"ExponentWithoutDigits", "1e", false, 0},
                    WholeCase{"ExponentD", "2D-1", true, 0.2},
                    WholeCase{"Overflow", "1e400", false, 0}),
    [](const testing::TestParamInfo<WholeCase>& i) { return std::string(i.param.name); });

TEST(WholeNumberLocale, AcceptsLocaleDecimalComma) {
    NumericLocale de;
    de.DecimalPoint = ",";
    de.ThousandsSeparator = ".";
    SetCurrentNumericLocale(de);
    double v = 0;
    EXPECT_TRUE(ParseWholeNumber("12,5", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_TRUE(ParseWholeNumber("12.5", v));
    EXPECT_DOUBLE_EQ(v, 12.5);
    SetCurrentNumericLocale(NumericLocale{});
    EXPECT_FALSE(ParseWholeNumber("12,5", v));
}

} // namespace
} // namespace pv

namespace pv {
namespace {

// The reader must round exactly like a correctly rounded decimal parser.
TEST(LeadingNumberRule, MatchesCorrectlyRoundedParsing) {
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 200000; ++i) {
        std::string digits = std::to_string(rng() % 1000000000000000000ull);
        digits.resize(1 + rng() % digits.size());
        size_t point = rng() % (digits.size() + 1);
        std::string text = digits.substr(0, point) + "." + digits.substr(point);
        int exponent = static_cast<int>(rng() % 80) - 40;
        text += "e" + std::to_string(exponent);
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(LeadingNumber(text), expected) << text;
    }
}

} // namespace
} // namespace pv
