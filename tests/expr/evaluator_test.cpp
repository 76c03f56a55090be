#include "expr/evaluator.h"
#include "text/locale.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pv {
namespace {

// Expressions that follow one rule, and what `portivox eval` prints for
// each: ok or error, the kind, and the value's text.
struct EvalRow {
    const char *name, *expected;
    std::vector<const char*> exprs;
};

FieldValues SampleFields() {
    FieldValues f;
    const char* texts[] = {"zero", "12.5", "3", "1F", "abc", "  pad  "};
    for (size_t i = 0; i < 6; ++i)
        f[i] = Value::MakeText(texts[i]);
    f[6] = Value::MakeInteger(7);
    f[7] = Value::MakeBoolean(true);
    f[8] = Value::MakeText("1e999");
    f[9] = Value::MakeText("FFFF");
    f[42] = Value::MakeText("last"); // slot 10 stays empty
    return f;
}

std::string Describe(const EvalResult& r) {
    std::string text = GeneralNumberText(r.Result);
    EXPECT_EQ(r.Ok, !r.Error) << "Ok and Error disagree";
    return std::string(r.Ok ? "ok " : "error ") + KindName(r.Result.Kind) +
           (text.empty() ? "" : " " + text);
}

// Every row runs compiled-and-run per call, and as one program run twice
// in one context (nothing of a run may leak into the next).
void Check(const std::vector<EvalRow>& rows) {
    SetCurrentNumericLocale(NumericLocale{});
    const FieldValues fields = SampleFields();
    for (const auto& r : rows)
        for (const char* expr : r.exprs) {
            SCOPED_TRACE(std::string(r.name) + ": " + std::string(expr).substr(0, 60));
            EvalContext once, twice;
            EXPECT_EQ(Describe(EvaluateExpression(expr, fields, once)), r.expected);
            CompiledExpression program = CompileExpression(expr);
            program.Evaluate(fields, twice);
            EXPECT_EQ(Describe(program.Evaluate(fields, twice)), r.expected);
        }
}

const std::string kLongLiteral(400, '9');
const std::string kDeepGroups = std::string(100000, '(') + "1";
const std::string kDeepMinus = std::string(100000, '-') + "1";
std::string LongSum() {
    std::string s = "1";
    for (int i = 0; i < 100000; ++i)
        s += "+1";
    return s;
}
const std::string kLongSum = LongSum();

TEST(Expression, OperatorPrioritiesAndArithmetic) {
    // clang-format off
    Check({
        {"ProductBeforeSum", "ok double 14", {"2+3*4"}},
        {"Parentheses", "ok double 20", {"(2+3)*4"}},
        {"PowerLeftAssociative", "ok double 64", {"2^3^2"}},
        {"UnaryMinusBelowPower", "ok double -4", {"-2^2"}},
        {"MinusAboveProduct", "ok double -6", {"-2*3"}},
        {"SubtractionLeftAssociative", "ok double 3", {"10-4-3"}},
        {"DivisionIsFloating", "ok double 3.5", {"7/2"}},
        {"IntDivision", "ok double 3", {"7 \\ 2"}},
        {"IntDivisionRoundsHalfEven", "ok double 4", {"7.5 \\ 2.5"}},
        {"IntDivisionTruncates", "ok double -3", {"-7 \\ 2"}}, {"Mod", "ok double 1", {"7 mod 2"}},
        {"ModSignOfLeft", "ok double -1", {"-7 mod 2"}}, {"ModKeyword", "ok double 2", {"5 MOD 3"}},
        {"ProductTighterThanIntDivTighterThanMod", "ok double 1", {"10 \\ 3 * 2", "9 mod 5 \\ 2"}},
        {"ModBelowSumAbove", "ok double 3", {"5 mod 3 + 1"}},
        {"Powers", "ok double -8", {"(-2)^3"}}, {"ZeroToZero", "ok double 1", {"0^0"}},
        {"Blanks", "ok double 42", {" \t\r\n42 \n"}}, {"DoubleDot", "ok double 1.2", {"1.2.3"}},
        {"LonePoint", "ok double 0", {"."}}, {"DoubleNegation", "ok double 3", {"--3"}},
        {"WholeKindsStayWhole", "ok integer 2", {"sgn(5) + sgn(3)"}},
        {"WholeOverflowWidens", "ok double 97000", {"asc(field(4)) * 1000"}},
        {"WholeTimesWholeStaysWhole", "ok integer -97", {"sgn(-1) * asc(field(4))"}},
        {"SingleKindKept", "ok single 1", {"rnd(-1) * sgn(0) + sgn(1)"}},
        {"TruthValueArithmeticIsWhole", "ok integer -2", {"(1<2) + (1<2)"}}
    });
    // clang-format on
}

TEST(Expression, TextOperandsAndFieldSlots) {
    // clang-format off
    Check({
        {"TextPlusTextJoins", "ok text 12.53", {"field(1) + field(2)"}},
        {"TextMinusTextIsNumber", "ok double 9.5", {"field(1) - field(2)"}},
        {"TextPlusNumberAdds", "ok double 13.5", {"field(1) + 1"}},
        {"ValOfFields", "ok double 15.5", {"val(field(1)) + val(field(2))"}},
        {"IntegerFieldKept", "ok integer 7", {"field(6) * sgn(2)"}},
        {"LiteralsAreDoubles", "ok double 14", {"field(6) * 2"}},
        {"FieldZero", "ok text zero", {"field(0)"}}, {"FieldLast", "ok text last", {"field(42)"}},
        {"FieldIndexRoundsHalfEven", "ok text 3", {"field(2.5)"}},
        {"FieldIndexFromText", "ok text 1F", {"field(field(2))"}},
        {"EmptySlotIsEmptyText", "ok text", {"field(10)"}},
        {"EmptySlotJoins", "ok text 3", {"field(10) + field(2)"}},
        {"TextThatIsNoNumberFails", "error empty", {"field(4) * 2", "field(10) + 1", "-field(4)"}},
        {"ValOfEmptySlot", "ok double 1", {"val(field(10)) + 1"}}
    });
    // clang-format on
}

TEST(Expression, ComparisonsLogicAndHexPrefix) {
    // clang-format off
    Check({
        {"ComparesTrue", "ok boolean True", {"1 < 2 < 3", "2 = 2", "2 <= 2", "3 > 2", "1 + 1 = 2"}},
        {"ComparesFalse", "ok boolean False", {"2 <> 2", "1 >= 2"}},
        {"TextLeftByValue", "ok boolean True", {"field(1) > 10"}},
        {"RightOperandByItsLeadingNumber", "ok boolean True",
         {"1 = field(3)", "0 = field(4)", "0 = (1 < 2)", "0.3 = 0.1 + 0.2"}},
        {"LeftNonNumberFails", "error empty", {"field(4) = 1"}},
        {"NotBelowComparison", "ok boolean True", {"not 1 = 2"}},
        {"NotAboveAnd", "ok double 0", {"not 0 and 0"}}, {"NotOf32Bit", "ok double -1", {"not 0"}},
        {"NotOfWhole", "ok integer -2", {"not sgn(1)"}},
        {"AndOfTruths", "ok boolean True", {"1 < 2 and 2 < 3"}},
        {"AndBitwise", "ok double 8", {"12 and 10"}}, {"OrBitwise", "ok double 15", {"12 or 3"}},
        {"XorBitwise", "ok double 6", {"12 xor 10"}},
        {"Eqv", "ok boolean False", {"(1<2) eqv (2<1)"}},
        {"Imp", "ok boolean True", {"(2<1) imp (2<1)"}},
        {"AndBeforeOr", "ok double 1", {"1 or 2 and 0"}},
        {"OrBeforeXor", "ok double 0", {"1 xor 1 or 1"}},
        {"XorBeforeEqvBeforeImp", "ok double -1", {"0 imp 0 eqv 1 xor 1"}},
        {"BitwiseRoundsHalfEven", "ok double 2", {"2.5 and 7"}},
        {"AndOfWholeAndTruth", "ok integer 1", {"sgn(1) and (1<2)"}},
        {"HexPrefixReadsText", "ok double 31", {"&h field(3)", "&h(field(3))"}},
        {"HexPrefixAlways32Bit", "ok double 65535", {"&h field(9)"}},
        {"HexPrefixOfEmptySlot", "ok double 0", {"&h field(10)"}},
        {"HexPrefixOfNumberFails", "error empty", {"&h 10"}}
    });
    // clang-format on
}

TEST(Expression, Functions) {
    // clang-format off
    Check({
        {"AbsIgnoresCase", "ok double 3", {"ABS(-3)"}},
        {"AbsKeepsWhole", "ok integer 1", {"abs(sgn(-4))"}},
        {"AscFirstCode", "ok integer 97", {"asc(field(4))"}},
        {"AscOfUpperCase", "ok integer 65", {"asc(ucase(field(4)))"}},
        {"Atn", "ok double 3.14159265358979", {"atn(1) * 4"}}, {"Cos", "ok double 1", {"cos(0)"}},
        {"Sin", "ok double 0.841470984807897", {"sin(1)"}},
        {"Tan", "ok double 1.5574077246549", {"tan(1)"}},
        {"Exp", "ok double 2.71828182845905", {"exp(1)"}}, {"Log", "ok double 2", {"log(exp(2))"}},
        {"Sqr", "ok double 4", {"sqr(16)"}}, {"SqrOfZero", "ok double 0", {"sqr(0)"}}, {"FixTruncates", "ok double -2", {"fix(-2.7)"}},
        {"IntFloors", "ok double -3", {"int(-2.7)"}}, {"Hex", "ok text FF", {"hex(255)"}},
        {"HexNegative32", "ok text FFFFFFFF", {"hex(-1)"}},
        {"HexNegative16", "ok text FFFF", {"hex(sgn(-5))"}},
        {"HexRoundsHalfEven", "ok text 2", {"hex(2.5)"}},
        {"Lcase", "ok text 1f", {"lcase(field(3))"}}, {"Ucase", "ok text ABC", {"ucase(field(4))"}},
        {"Ltrim", "ok text pad  ", {"ltrim(field(5))"}},
        {"Rtrim", "ok text   pad", {"rtrim(field(5))"}},
        {"Trim", "ok text pad", {"trim(field(5))"}},
        {"TrimOfNumberIsText", "ok text 1.5", {"trim(1.5)"}},
        {"TinyNumberTextInExponentForm", "ok text 1E-05", {"trim(10 ^ -5)"}},
        {"SgnNegative", "ok integer -1", {"sgn(-0.5)"}}, {"SgnZero", "ok integer 0", {"sgn(0)"}},
        {"ValStopsAtMisfit", "ok double 1", {"val(field(3))"}},
        {"ValOfTruth", "ok double 0", {"val(1<2)"}},
        {"RndInUnitRange", "ok boolean True", {"rnd(1) >= 0 and rnd(1) < 1"}},
        {"RndSameNegativeSameNumber", "ok single 0", {"rnd(-3) - rnd(-3)"}},
        {"RndZeroRepeats", "ok single 0", {"rnd(1) - rnd(0)"}}
    });
    // clang-format on
}

// A faulty expression still hands back what it got to; a fault while
// computing stops the operators of its own level only.
TEST(Expression, FaultsKeepThePartialValue) {
    // clang-format off
    Check({
        {"NoOperandGivesEmpty", "error empty", {"", "+1", ")", kDeepGroups.c_str()}},
        {"UnknownFunctionGivesEmpty", "error empty", {"foo(1)", "&hfield(3)"}},
        {"LeftOverAfterCompleteExpression", "error double 1", {"1 2", "1 >> 2", "1e5", "1 & 2"}},
        {"MissingOperand", "error double 1", {"1 +"}},
        {"MissingParenthesis", "error double 3", {"abs(-3", "(1 + 2", "abs -3"}},
        {"MissingParenAfterField", "error text 3", {"field(2"}},
        {"EmptyArgumentIsSlotZero", "error text zero", {"field("}},
        {"NotOfNothing", "error integer -1", {"not"}},
        {"EmptyOperandJoinsAsEmptyText", "error text 12.5", {"field(1) +"}},
        {"PendingOperatorsFinish", "error double 6", {"2 * (3 + "}},
        {"ZeroDivisorFails", "error empty", {"7 / 0", "7 \\ 0.4", "7 mod 0", "7 / 0 + 5"}},
        {"FaultCaughtInItsLevel", "error double 1", {"1 + 7 / 0"}},
        {"PendingUnaryAndFunctionApply", "error integer 0",
         {"abs(7 / 0 + 2) * 3", "-(7 / 0)", kDeepMinus.c_str()}},
        {"OverflowFails", "error empty",
         {"10 ^ 400", "10^300 * 10^300", "3000000000 \\ 1", "exp(1000)", "hex(4294967296)",
          "val(field(8))", kLongLiteral.c_str(), "4294967296 and 1"}},
        {"NoRealResultFails", "error empty",
         {"log(0)", "log(-1)", "sqr(-1)", "asc(field(10))", "0 ^ -1", "(-8) ^ (1/3)"}},
        {"FieldIndexOutside0To42Fails", "error empty", {"field(43)", "field(-1)", "field(40 + 3)"}},
        {"LongChainRunsFlat", "ok double 100001", {kLongSum.c_str()}}
    });
    // clang-format on
}

// The message number and the place a field editor shows beside the text.
TEST(Expression, ErrorsNameTheirTextAndPlace) {
    using E = ExprErrorText;
    struct Row {
        const char *name, *expr;
        E text;
        uint32_t position;
    } rows[] = {
        // clang-format off
        {"Fine", "1 + 2", E::None, 0}, {"OperandMissingAtEnd", "1 +", E::OperandExpected, 3},
        {"OperandMissingInGroup", "2 * ()", E::OperandExpected, 5},
        {"NameWithoutParenthesis", "abs -3", E::OpenParenExpected, 4},
        {"UnclosedGroup", "(1 + 2", E::CloseParenExpected, 6},
        {"UnclosedArgument", "sqr(4 5)", E::CloseParenExpected, 6},
        {"UnknownNameAfterItsArgument", "foo(1)", E::UnknownFunction, 0},
        {"ArgumentErrorComesFirst", "foo(1 +)", E::OperandExpected, 7},
        {"LeftOver", "1 + 2 3", E::TextLeftOver, 6},
        {"TooDeep", kDeepGroups.c_str(), E::TooDeep, 200},
        {"TextIsNoNumber", "1 + field(4) * 2", E::NotANumber, 13},
        {"DividedByZero", "1 + 7 mod 0", E::DivisionByZero, 6},
        {"FieldOutOfRange", "2 * field(43)", E::OutOfRange, 4},
        {"LogOfZero", "log(0)", E::InvalidArgument, 0}
        // clang-format on
    };
    const FieldValues fields = SampleFields();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EvalContext context;
        CompiledExpression program = CompileExpression(r.expr);
        EvalResult got = program.Evaluate(fields, context);
        EXPECT_EQ(got.Error, (ExprError{r.text, r.position}));
        bool syntax = r.text != E::None && r.text < E::NotANumber;
        EXPECT_EQ(program.Error(), syntax ? got.Error : ExprError{}) << "found without running";
    }
}

TEST(Expression, CompiledProgramReadsTheSlotsOfEachRun) {
    CompiledExpression program = CompileExpression("val(field(1)) * 2 + field(2 + 1)");
    FieldValues a, b;
    a[1] = Value::MakeText("1.5"), a[3] = Value::MakeText("4");
    b[1] = Value::MakeText("10"), b[3] = Value::MakeText("0.5");
    EvalContext context;
    EXPECT_EQ(program.Evaluate(a, context).Result, Value::MakeDouble(7));
    EXPECT_EQ(program.Evaluate(b, context).Result, Value::MakeDouble(20.5));
    EXPECT_EQ(program.Evaluate(a, context).Result, Value::MakeDouble(7));
    for (int i = 0; i < 200; ++i) // more texts than the context keeps programs for
        ASSERT_EQ(EvaluateExpression(std::to_string(i % 100) + "+1", a, context).Result,
                  Value::MakeDouble(i % 100 + 1));
}

TEST(Expression, RndSequenceBelongsToItsContext) {
    FieldValues f;
    CompiledExpression next = CompileExpression("rnd(1)");
    EvalContext a, b;
    auto a1 = next.Evaluate(f, a).Result, a2 = next.Evaluate(f, a).Result;
    EXPECT_NE(a1.Number, a2.Number);
    EXPECT_EQ(next.Evaluate(f, b).Result, a1) << "a fresh context starts the same sequence";
    EXPECT_EQ(EvaluateExpression("rnd(0)", f, a).Result, a2);
    // A negative argument restarts the sequence, so what follows repeats too.
    auto s1 = EvaluateExpression("rnd(-7) + rnd(1)", f, a).Result;
    EXPECT_EQ(EvaluateExpression("rnd(-7) + rnd(1)", f, b).Result, s1);
    EXPECT_NE(EvaluateExpression("rnd(-7)", f, a).Result,
              EvaluateExpression("rnd(-8)", f, a).Result);
}

} // namespace
} // namespace pv
