#include "expr/value.h"
#include "text/locale.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

struct TextCase {
    const char* name;
    Value value;
    const char* expected;
};

class GeneralText : public testing::TestWithParam<TextCase> {
  protected:
    void SetUp() override { SetCurrentNumericLocale(NumericLocale{}); }
};

TEST_P(GeneralText, Reads) {
    EXPECT_EQ(GeneralNumberText(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    All, GeneralText,
    testing::Values(TextCase{"Whole", Value::MakeDouble(42), "42"},
                    TextCase{"Fraction", Value::MakeDouble(-0.5), "-0.5"},
                    TextCase{"FifteenDigitsRound", Value::MakeDouble(0.1 + 0.2), "0.3"},
                    TextCase{"FifteenDigitWholePlain", Value::MakeDouble(123456789012345),
                             "123456789012345"},
                    TextCase{"LargeUsesExponent", Value::MakeDouble(1e15), "1E+15"},
                    TextCase{"LargeMantissa", Value::MakeDouble(1.5e20), "1.5E+20"},
                    TextCase{"SmallPlain", Value::MakeDouble(0.00001), "0.00001"},
                    TextCase{"TinyUsesExponent", Value::MakeDouble(-2.5e-7), "-2.5E-07"},
                    TextCase{"SingleSevenDigits", Value::MakeSingle(1.0f / 3.0f), "0.3333333"},
                    TextCase{"Integer", Value::MakeInteger(-32768), "-32768"},
                    TextCase{"True", Value::MakeBoolean(true), "True"},
                    TextCase{"False", Value::MakeBoolean(false), "False"},
                    TextCase{"Empty", Value{}, ""}),
    [](const testing::TestParamInfo<TextCase>& i) { return std::string(i.param.name); });

TEST(GeneralText, TextKeepsEveryByte) {
    std::string bytes("a\0\xff", 3);
    EXPECT_EQ(GeneralNumberText(Value::MakeText(bytes)), bytes);
}

TEST(GeneralTextLocale, UsesTheLocaleDecimalSeparator) {
    NumericLocale de;
    de.DecimalPoint = ",";
    SetCurrentNumericLocale(de);
    EXPECT_EQ(GeneralNumberText(Value::MakeDouble(2.5)), "2,5");
    EXPECT_EQ(PlainText(Value::MakeDouble(2.5)), "2.5");
    SetCurrentNumericLocale(NumericLocale{});
}

} // namespace
} // namespace pv
