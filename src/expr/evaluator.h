#pragma once
// The field expression language: parsed and evaluated in one pass, with a
// one-token look-ahead, straight from the text each time.
#include "expr/value.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace pv {

/// The record's field slots 0..42 as the runtime holds them.
using FieldValues = std::array<Value, 43>;

struct EvalResult {
    /// Also meaningful when Ok is false: what the evaluation got to (the
    /// caller keeps it as the field's value either way).
    Value Result;
    bool Ok = false;
};

/// One evaluator holds the token state of the evaluation in progress and
/// the `rnd` sequence, which runs on across evaluations. Not re-entrant.
class Evaluator {
  public:
    Evaluator();

    EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields);

    enum class Tok : uint8_t {
        End,
        Num,
        Id,
        And,
        Eqv,
        Imp,
        Mod,
        Not,
        Or,
        Xor,
        AmpH,
        Lt,
        Gt,
        Le,
        Ge,
        Ne,
        GtGt,
        Char
    };

  private:
    void NextToken();
    Value ParseExpression(int level);
    bool Primary(Value& out);
    bool CallFunction(std::string_view name, const Value& arg, Value& out);
    float Rnd(double arg);

    std::string_view rest_;
    Tok tok_ = Tok::End;
    char tokChar_ = 0;
    std::string_view tokText_;
    bool error_ = false;
    int depth_ = 0;
    const FieldValues* fields_ = nullptr;
    uint64_t rndState_;
    float rndLast_;
};

/// Evaluates with the process-wide evaluator (whose `rnd` sequence starts
/// the same way at every process start).
EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields);

} // namespace pv
