#include "expr/leading_number.h"
#include "text/locale.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <charconv>
#include <random>
#include <string>

namespace pv {
namespace {

TEST(LeadingNumber, ReadsWhatTheFrontOfTheTextHolds) {
    struct Row {
        const char *name, *text;
        double expected;
    } rows[] = {
        // clang-format off
        {"Plain", "42", 42}, {"Decimal", "12.5", 12.5}, {"LeadingPoint", ".5", 0.5},
        {"Negative", "-3.25", -3.25}, {"PlusSign", "+7", 7},
        {"BlanksAnywhere", " 1 2\t3\n.5", 123.5}, {"BlankAfterSign", "- 5", -5},
        {"StopsAtLetter", "12abc", 12}, {"SecondPointStops", "1.2.3", 1.2},
        {"NoDigitIsZero", "abc", 0}, {"EmptyIsZero", "", 0}, {"SignOnlyIsZero", "-", 0},
        {"PointOnlyIsZero", ".", 0}, {"ExponentE", "1.5E3", 1500}, {"ExponentLowerD", "2d2", 200},
        {"NegativeExponent", "25e-1", 2.5}, {"ExponentWithoutDigits", "7e", 7},
        {"ExponentSignWithoutDigits", "7e+x", 7}, {"CommaIsNoDecimal", "1,5", 1},
        {"CarriageReturnStops", "1\r2", 1}, {"Hex16", "&HFF", 255}, {"Hex16Negative", "&hFFFF", -1},
        {"Hex16MinInt", "&H8000", -32768}, {"Hex32Suffix", "&hFFFF&", 65535},
        {"Hex32AllOnes", "&hFFFFFFFF&", -1}, {"Hex32ByDigitCount", "&h10000", 65536},
        {"Hex32WithoutSuffix", "&hFFFFFFFF", -1}, {"HexStopsAtNonDigit", "&h1FZ", 31},
        {"HexBlanks", "& h 1 F", 31}, {"HexNoDigits", "&h", 0}, {"Octal", "&O17", 15},
        {"Octal16Negative", "&o177777", -1}, {"Octal32Suffix", "&o177777&", 65535},
        {"OctalStopsAt8", "&O78", 7}, {"AmpersandAloneIsZero", "&5", 0},
        {"LongMantissa", "000000000000000000000000000001.5", 1.5},
        {"TinyUnderflowsToZero", "1e-999", 0}, {"LargestDoesNotOverflow", "1e308", 1e308}
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(LeadingNumber(r.text), r.expected);
        EXPECT_FALSE(ReadLeadingNumber(r.text).Overflow);
    }
    EXPECT_TRUE(ReadLeadingNumber("1e999").Overflow);
    EXPECT_EQ(ReadLeadingNumber("1e999").Value, DBL_MAX);
    EXPECT_EQ(ReadLeadingNumber("-9e99999999999").Value, -DBL_MAX);
}

// Whole text as a number, with the locale's decimal separator ("de") or ".".
TEST(LeadingNumber, WholeTextAsNumber) {
    NumericLocale de;
    de.DecimalPoint = ",";
    struct Row {
        const char *name, *text;
        bool ok;
        double expected;
        bool german = false;
    } rows[] = {
        // clang-format off
        {"Plain", "12.5", true, 12.5}, {"SurroundingBlanks", " \t-3 \r\n", true, -3},
        {"Exponent", "1E3", true, 1000}, {"Hex", "&H1F", true, 31},
        {"TrailingGarbage", "12abc", false, 0}, {"InnerBlank", "1 2", false, 0},
        {"Empty", "", false, 0}, {"Word", "abc", false, 0}, {"TwoPoints", "1.2.3", false, 0},
        {"HexWithoutDigits", "&H", false, 0}, {"ExponentWithoutDigits", "1e", false, 0},
        {"ExponentD", "2D-1", true, 0.2}, {"Overflow", "1e400", false, 0},
        {"LocaleComma", "12,5", true, 12.5, true}, {"PointInAnyLocale", "12.5", true, 12.5, true},
        {"CommaOnlyInItsLocale", "12,5", false, 0}
        // clang-format on
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        SetCurrentNumericLocale(r.german ? de : NumericLocale{});
        double v = -999;
        EXPECT_EQ(ParseWholeNumber(r.text, v), r.ok);
        EXPECT_EQ(r.ok ? v : r.expected, r.expected);
    }
    SetCurrentNumericLocale(NumericLocale{});
}

// The reader must round exactly like a correctly rounded decimal parser.
TEST(LeadingNumber, MatchesCorrectlyRoundedParsing) {
    std::mt19937_64 rng(12345);
    for (int i = 0; i < 200000; ++i) {
        std::string digits = std::to_string(rng() % 1000000000000000000ull);
        digits.resize(1 + rng() % digits.size());
        size_t point = rng() % (digits.size() + 1);
        std::string text = digits.substr(0, point) + "." + digits.substr(point);
        text += "e" + std::to_string(static_cast<int>(rng() % 80) - 40);
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(LeadingNumber(text), expected) << text;
    }
}

} // namespace
} // namespace pv
