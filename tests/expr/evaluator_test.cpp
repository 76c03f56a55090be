#include "expr/evaluator.h"
#include "text/locale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pv {
namespace {

using K = ValueKind;

// One row per rule: the expression, whether it succeeds, and the value it
// hands back (a number for numeric kinds, text for text).
struct EvalCase {
    const char* name;
    const char* expr;
    bool ok;
    K kind;
    double number = 0;
    const char* text = "";
};

FieldValues SampleFields() {
    FieldValues f;
    f[0] = Value::MakeText("zero");
    f[1] = Value::MakeText("12.5");
    f[2] = Value::MakeText("3");
    f[3] = Value::MakeText("1F");
    f[4] = Value::MakeText("abc");
    f[5] = Value::MakeText("  pad  ");
    f[6] = Value::MakeInteger(7);
    f[7] = Value::MakeBoolean(true);
    f[8] = Value::MakeText("1e999");
    f[9] = Value::MakeText("FFFF");
    f[42] = Value::MakeText("last");
    return f;
}

class EvalTest : public testing::TestWithParam<EvalCase> {
  protected:
    void SetUp() override { SetCurrentNumericLocale(NumericLocale{}); }
};

TEST_P(EvalTest, Evaluates) {
    const auto& c = GetParam();
    Evaluator ev;
    auto r = ev.EvaluateExpression(c.expr, SampleFields());
    EXPECT_EQ(r.Ok, c.ok) << c.expr;
    EXPECT_EQ(KindName(r.Result.Kind), std::string(KindName(c.kind))) << c.expr;
    if (c.kind == K::Text)
        EXPECT_EQ(r.Result.Text, c.text) << c.expr;
    else
        EXPECT_NEAR(r.Result.Number, c.number, 1e-9 * (1 + std::fabs(c.number))) << c.expr;
}

std::string CaseName(const testing::TestParamInfo<EvalCase>& i) {
    return i.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, EvalTest,
    testing::Values(EvalCase{"ProductBeforeSum", "2+3*4", true, K::Double, 14},
                    EvalCase{"Parentheses", "(2+3)*4", true, K::Double, 20},
                    EvalCase{"PowerLeftAssociative", "2^3^2", true, K::Double, 64},
                    EvalCase{"UnaryMinusBelowPower", "-2^2", true, K::Double, -4},
                    EvalCase{"UnaryMinusAboveProduct", "-2*3", true, K::Double, -6},
                    EvalCase{"SubtractionLeftAssociative", "10-4-3", true, K::Double, 3},
                    EvalCase{"DivisionIsFloating", "7/2", true, K::Double, 3.5},
                    EvalCase{"IntegerDivision", "7 \\ 2", true, K::Double, 3},
                    EvalCase{"IntegerDivisionRoundsHalfEven", "7.5 \\ 2.5", true, K::Double, 4},
                    EvalCase{"IntegerDivisionTruncates", "-7 \\ 2", true, K::Double, -3},
                    EvalCase{"Mod", "7 mod 2", true, K::Double, 1},
                    EvalCase{"ModSignOfLeft", "-7 mod 2", true, K::Double, -1},
                    EvalCase{"ProductBindsTighterThanIntDiv", "10 \\ 3 * 2", true, K::Double, 1},
                    EvalCase{"ModBelowSumAbove", "5 mod 3 + 1", true, K::Double, 3},
                    EvalCase{"ModKeyword", "5 MOD 3", true, K::Double, 2},
                    EvalCase{"NegativeBaseWholePower", "(-2)^3", true, K::Double, -8},
                    EvalCase{"ZeroToZero", "0^0", true, K::Double, 1},
                    EvalCase{"Blanks", " \t\r\n42 \n", true, K::Double, 42},
                    EvalCase{"DoubleDotNumber", "1.2.3", true, K::Double, 1.2},
                    EvalCase{"LonePoint", ".", true, K::Double, 0},
                    EvalCase{"DoubleNegation", "--3", true, K::Double, 3},
                    EvalCase{"WholeKindsStayWhole", "sgn(5) + sgn(3)", true, K::Integer, 2},
                    EvalCase{"WholeOverflowWidens", "asc(field(4)) * 1000", true, K::Double, 97000},
                    EvalCase{"WholeTimesWholeStaysWhole", "sgn(-1) * asc(field(4))", true,
                             K::Integer, -97},
                    EvalCase{"SingleKindKept", "rnd(-1) * sgn(0) + sgn(1)", true, K::Single, 1},
                    EvalCase{"TruthValueArithmeticIsWhole", "(1<2) + (1<2)", true, K::Integer, -2}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    TextOperands, EvalTest,
    testing::Values(EvalCase{"TextPlusTextJoins", "field(1) + field(2)", true, K::Text, 0, "12.53"},
                    EvalCase{"TextMinusTextIsNumber", "field(1) - field(2)", true, K::Double, 9.5},
                    EvalCase{"TextPlusNumberAdds", "field(1) + 1", true, K::Double, 13.5},
                    EvalCase{"ValOfFields", "val(field(1)) + val(field(2))", true, K::Double, 15.5},
                    EvalCase{"NonNumericTextFails", "field(4) * 2", false, K::Empty},
                    EvalCase{"IntegerFieldKept", "field(6) * sgn(2)", true, K::Integer, 7},
                    EvalCase{"LiteralsAreDoubles", "field(6) * 2", true, K::Double, 14},
                    EvalCase{"FieldZero", "field(0)", true, K::Text, 0, "zero"},
                    EvalCase{"FieldLast", "field(42)", true, K::Text, 0, "last"},
                    EvalCase{"FieldIndexRoundsHalfEven", "field(2.5)", true, K::Text, 0, "3"},
                    EvalCase{"FieldIndexFromText", "field(field(2))", true, K::Text, 0, "1F"},
                    EvalCase{"EmptyFieldJoins", "field(10) + field(2)", true, K::Text, 0, "3"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Comparisons, EvalTest,
    testing::Values(EvalCase{"LessIsTrue", "1 < 2", true, K::Boolean, -1},
                    EvalCase{"ChainedLess", "1 < 2 < 3", true, K::Boolean, -1},
                    EvalCase{"Equal", "2 = 2", true, K::Boolean, -1},
                    EvalCase{"NotEqual", "2 <> 2", true, K::Boolean, 0},
                    EvalCase{"LessEqual", "2 <= 2", true, K::Boolean, -1},
                    EvalCase{"GreaterEqual", "1 >= 2", true, K::Boolean, 0},
                    EvalCase{"Greater", "3 > 2", true, K::Boolean, -1},
                    EvalCase{"TextLeftByValue", "field(1) > 10", true, K::Boolean, -1},
                    EvalCase{"RightTextByLeadingNumber", "1 = field(3)", true, K::Boolean, -1},
                    EvalCase{"RightNonNumberIsZero", "0 = field(4)", true, K::Boolean, -1},
                    EvalCase{"RightTruthValueIsZero", "0 = (1 < 2)", true, K::Boolean, -1},
                    EvalCase{"RightRoundedThroughText", "0.3 = 0.1 + 0.2", true, K::Boolean, -1},
                    EvalCase{"LeftNonNumberFails", "field(4) = 1", false, K::Empty},
                    EvalCase{"ArithmeticBeforeComparison", "1 + 1 = 2", true, K::Boolean, -1}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Logical, EvalTest,
    testing::Values(EvalCase{"NotBelowComparison", "not 1 = 2", true, K::Boolean, -1},
                    EvalCase{"NotOfNumberIs32Bit", "not 0", true, K::Double, -1},
                    EvalCase{"NotOfWhole", "not sgn(1)", true, K::Integer, -2},
                    EvalCase{"AndOfTruths", "1 < 2 and 2 < 3", true, K::Boolean, -1},
                    EvalCase{"AndBitwise", "12 and 10", true, K::Double, 8},
                    EvalCase{"OrBitwise", "12 or 3", true, K::Double, 15},
                    EvalCase{"XorBitwise", "12 xor 10", true, K::Double, 6},
                    EvalCase{"Eqv", "(1<2) eqv (2<1)", true, K::Boolean, 0},
                    EvalCase{"Imp", "(2<1) imp (2<1)", true, K::Boolean, -1},
                    EvalCase{"AndBeforeOr", "1 or 2 and 0", true, K::Double, 1},
                    EvalCase{"BitwiseRoundsHalfEven", "2.5 and 7", true, K::Double, 2},
                    EvalCase{"BitwiseOverflowFails", "4294967296 and 1", false, K::Empty},
                    EvalCase{"AndOfWholeAndTruth", "sgn(1) and (1<2)", true, K::Integer, 1}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    HexPrefix, EvalTest,
    testing::Values(EvalCase{"FieldText", "&h field(3)", true, K::Double, 31},
                    EvalCase{"Parenthesised", "&h(field(3))", true, K::Double, 31},
                    EvalCase{"GluedIsUnknownFunction", "&hfield(3)", false, K::Empty},
                    EvalCase{"NumberOperandFails", "&h 10", false, K::Empty},
                    EvalCase{"Always32Bit", "&h field(9)", true, K::Double, 65535},
                    EvalCase{"EmptyOperandReadsZero", "&h field(10)", true, K::Double, 0},
                    EvalCase{"LoneAmpersandIsLeftOver", "1 & 2", false, K::Double, 1}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Functions, EvalTest,
    testing::Values(EvalCase{"AbsIgnoresCase", "ABS(-3)", true, K::Double, 3},
                    EvalCase{"AbsKeepsWhole", "abs(sgn(-4))", true, K::Integer, 1},
                    EvalCase{"AscFirstCode", "asc(field(4))", true, K::Integer, 97},
                    EvalCase{"AscOfUpperCase", "asc(ucase(field(4)))", true, K::Integer, 65},
                    EvalCase{"Atn", "atn(1) * 4", true, K::Double, M_PI},
                    EvalCase{"Cos", "cos(0)", true, K::Double, 1},
                    EvalCase{"Sin", "sin(0)", true, K::Double, 0},
                    EvalCase{"Tan", "tan(0)", true, K::Double, 0},
                    EvalCase{"Exp", "exp(1)", true, K::Double, M_E},
                    EvalCase{"Log", "log(exp(2))", true, K::Double, 2},
                    EvalCase{"Sqr", "sqr(16)", true, K::Double, 4},
                    EvalCase{"FixTruncates", "fix(-2.7)", true, K::Double, -2},
                    EvalCase{"IntFloors", "int(-2.7)", true, K::Double, -3},
                    EvalCase{"HexOfNumber", "hex(255)", true, K::Text, 0, "FF"},
                    EvalCase{"HexNegative32", "hex(-1)", true, K::Text, 0, "FFFFFFFF"},
                    EvalCase{"HexNegative16", "hex(sgn(-5))", true, K::Text, 0, "FFFF"},
                    EvalCase{"HexRoundsHalfEven", "hex(2.5)", true, K::Text, 0, "2"},
                    EvalCase{"LcaseOfField", "lcase(field(3))", true, K::Text, 0, "1f"},
                    EvalCase{"Ucase", "ucase(field(4))", true, K::Text, 0, "ABC"},
                    EvalCase{"Ltrim", "ltrim(field(5))", true, K::Text, 0, "pad  "},
                    EvalCase{"Rtrim", "rtrim(field(5))", true, K::Text, 0, "  pad"},
                    EvalCase{"Trim", "trim(field(5))", true, K::Text, 0, "pad"},
                    EvalCase{"TrimOfNumberIsText", "trim(1.5)", true, K::Text, 0, "1.5"},
                    EvalCase{"SgnNegative", "sgn(-0.5)", true, K::Integer, -1},
                    EvalCase{"SgnZero", "sgn(0)", true, K::Integer, 0},
                    EvalCase{"ValStopsAtMisfit", "val(field(3))", true, K::Double, 1},
                    EvalCase{"ValOfTruth", "val(1<2)", true, K::Double, 0},
                    EvalCase{"RndInUnitRange", "rnd(1) >= 0 and rnd(1) < 1", true, K::Boolean, -1},
                    EvalCase{"RndSameNegativeSameNumber", "rnd(-3) - rnd(-3)", true, K::Single, 0},
                    EvalCase{"RndZeroRepeats", "rnd(1) - rnd(0)", true, K::Single, 0}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    SyntaxErrors, EvalTest,
    testing::Values(EvalCase{"EmptyExpression", "", false, K::Empty},
                    EvalCase{"BlankExpression", "   ", false, K::Empty},
                    EvalCase{"LeadingPlus", "+1", false, K::Empty},
                    EvalCase{"ClosingParenthesis", ")", false, K::Empty},
                    EvalCase{"TwoNumbers", "1 2", false, K::Double, 1},
                    EvalCase{"ShiftIsNoOperator", "1 >> 2", false, K::Double, 1},
                    EvalCase{"ExponentLetterIsLeftOver", "1e5", false, K::Double, 1},
                    EvalCase{"MissingOperand", "1 +", false, K::Double, 1},
                    EvalCase{"MissingParenAfterArgument", "abs(-3", false, K::Double, 3},
                    EvalCase{"MissingParenAfterField", "field(2", false, K::Text, 0, "3"},
                    EvalCase{"EmptyArgumentIsSlotZero", "field(", false, K::Text, 0, "zero"},
                    EvalCase{"MissingParenOfGroup", "(1 + 2", false, K::Double, 3},
                    EvalCase{"FunctionWithoutParenthesis", "abs -3", false, K::Double, 3},
                    EvalCase{"UnknownFunction", "foo(1)", false, K::Empty},
                    EvalCase{"BareName", "pi", false, K::Empty},
                    EvalCase{"NotOfNothing", "not", false, K::Integer, -1},
                    EvalCase{"EmptyOperandJoinsAsEmptyText", "field(1) +", false, K::Text, 0,
                             "12.5"},
                    EvalCase{"PendingOperatorsFinish", "2 * (3 + ", false, K::Double, 6}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    ComputingFaults, EvalTest,
    testing::Values(EvalCase{"DivisionByZero", "7 / 0", false, K::Empty},
                    EvalCase{"IntDivisionByZero", "7 \\ 0.4", false, K::Empty},
                    EvalCase{"ModByZero", "7 mod 0", false, K::Empty},
                    EvalCase{"FaultCaughtInItsActivation", "1 + 7 / 0", false, K::Double, 1},
                    EvalCase{"Overflow", "10 ^ 400", false, K::Empty},
                    EvalCase{"ProductOverflow", "10^300 * 10^300", false, K::Empty},
                    EvalCase{"RoundingOverflow", "3000000000 \\ 1", false, K::Empty},
                    EvalCase{"LogOfZero", "log(0)", false, K::Empty},
                    EvalCase{"LogOfNegative", "log(-1)", false, K::Empty},
                    EvalCase{"SqrOfNegative", "sqr(-1)", false, K::Empty},
                    EvalCase{"AscOfEmpty", "asc(field(10))", false, K::Empty},
                    EvalCase{"ZeroToNegativePower", "0 ^ -1", false, K::Empty},
                    EvalCase{"NegativeToFractionalPower", "(-8) ^ (1/3)", false, K::Empty},
                    EvalCase{"FieldTooHigh", "field(43)", false, K::Empty},
                    EvalCase{"FieldNegative", "field(-1)", false, K::Empty},
                    EvalCase{"ExpOverflow", "exp(1000)", false, K::Empty},
                    EvalCase{"HexOutOfRange", "hex(4294967296)", false, K::Empty},
                    EvalCase{"ValOverflow", "val(field(8))", false, K::Empty},
                    EvalCase{"NegateText", "-field(4)", false, K::Empty}),
    CaseName);

TEST(Rnd, SequenceRepeatsPerEvaluatorAndRunsOnAcrossEvaluations) {
    FieldValues f;
    Evaluator a, b;
    auto a1 = a.EvaluateExpression("rnd(1)", f).Result;
    auto a2 = a.EvaluateExpression("rnd(1)", f).Result;
    EXPECT_EQ(a1.Kind, ValueKind::Single);
    EXPECT_NE(a1.Number, a2.Number);
    EXPECT_EQ(b.EvaluateExpression("rnd(1)", f).Result, a1);
    EXPECT_EQ(a.EvaluateExpression("rnd(0)", f).Result, a2);
    // A negative argument restarts the sequence, so what follows repeats too.
    auto s1 = a.EvaluateExpression("rnd(-7) + rnd(1)", f).Result;
    auto s2 = b.EvaluateExpression("rnd(-7) + rnd(1)", f).Result;
    EXPECT_EQ(s1, s2);
    EXPECT_NE(a.EvaluateExpression("rnd(-7)", f).Result, a.EvaluateExpression("rnd(-8)", f).Result);
}

TEST(Evaluator, HostileNestingFailsWithoutCrashing) {
    FieldValues f;
    Evaluator ev;
    std::string deep(100000, '(');
    deep += "1";
    EXPECT_FALSE(ev.EvaluateExpression(deep, f).Ok);
    std::string minus(100000, '-');
    minus += "1";
    EXPECT_FALSE(ev.EvaluateExpression(minus, f).Ok);
    std::string nots;
    for (int i = 0; i < 10000; ++i)
        nots += "not ";
    EXPECT_FALSE(ev.EvaluateExpression(nots + "1", f).Ok);
}

TEST(Evaluator, ErrorDoesNotCarryOver) {
    FieldValues f;
    Evaluator ev;
    EXPECT_FALSE(ev.EvaluateExpression("1 +", f).Ok);
    EXPECT_TRUE(ev.EvaluateExpression("1 + 1", f).Ok);
}

} // namespace
} // namespace pv
