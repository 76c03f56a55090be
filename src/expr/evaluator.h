#pragma once
// The field expression language. An expression is compiled once into a
// small stack program and then run against each record's field slots.
#include "expr/value.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pv {

/// The record's field slots 0..42 as the runtime holds them.
using FieldValues = std::array<Value, 43>;

/// Why an expression is faulty: the number of the message in the numbered
/// texts, so every window and command reports it the same way.
enum class ExprErrorText : uint16_t {
    None = 0,
    OperandExpected = 4101,   // a number, "-", "&h", "not", "(" or a function
    OpenParenExpected = 4102, // a function name not followed by "("
    CloseParenExpected = 4103,
    UnknownFunction = 4104,
    TextLeftOver = 4105, // more after a complete expression
    TooDeep = 4106,      // nesting beyond what any real expression needs
    NotANumber = 4107,   // text that is no number where a number is needed
    DivisionByZero = 4108,
    OutOfRange = 4109,     // overflow, or a whole number too large
    InvalidArgument = 4110 // log, sqr, asc, a power without a real result
};

/// First fault of a compilation or an evaluation; `Position` is the byte
/// offset in the expression text of the token at fault.
struct ExprError {
    ExprErrorText Text = ExprErrorText::None;
    uint32_t Position = 0;
    explicit operator bool() const { return Text != ExprErrorText::None; }
    bool operator==(const ExprError&) const = default;
};

struct EvalResult {
    /// Also meaningful when Ok is false: what the evaluation got to (the
    /// caller keeps it as the field's value either way).
    Value Result;
    bool Ok = false;
    ExprError Error;
};

class EvalContext;

/// A compiled expression. It always runs: a faulty text keeps the partial
/// program that hands back what the expression got to (the runtime keeps
/// that value), and every run then reports the compile error.
class CompiledExpression {
  public:
    bool Ok() const { return !error_; }
    const ExprError& Error() const { return error_; }

    EvalResult Evaluate(const FieldValues& fields, EvalContext& context) const;

    enum class Code : uint8_t;
    struct Instr {
        Code code;
        uint8_t arg;       // operator or function
        uint32_t target;   // constant index, field slot or jump target
        uint32_t position; // source offset, for fault reports
    };

  private:
    friend class ExprCompiler;
    std::vector<Instr> code_;
    std::vector<Value> constants_;
    ExprError error_;
    uint32_t maxStack_ = 0;
};

/// What an evaluation carries beyond one record: the `rnd` sequence and a
/// reusable value stack. One per run; not shared between threads.
class EvalContext {
  public:
    EvalContext();
    /// rnd(arg): below 0 restarts from a seed taken from arg, 0 repeats the
    /// last number, above 0 gives the next one.
    float Rnd(double arg);

    /// The program for an expression text, compiled on first use; keeps
    /// the 64 most recent texts. The reference lasts until the next call.
    const CompiledExpression& Compiled(std::string_view expression);

  private:
    friend class CompiledExpression;
    uint64_t rndState_;
    float rndLast_;
    std::vector<Value> stack_;
    std::vector<std::pair<std::string, CompiledExpression>> programs_;
    size_t nextSlot_ = 0;
};

CompiledExpression CompileExpression(std::string_view expression);

/// Runs the context's compiled program for the text (compiled on first use).
EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields,
                              EvalContext& context);

/// As above with one context shared by the whole process. Kept for callers
/// that do not own a context yet; new code passes its own.
EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields);

} // namespace pv
