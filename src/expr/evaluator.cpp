#include "expr/evaluator.h"

#include "expr/leading_number.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <iterator>

namespace pv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
bool IsLetter(char c) {
    c = Lower(c);
    return c >= 'a' && c <= 'z';
}

// 16-bit kinds: the ones bitwise and whole-number operators keep narrow.
bool IsNarrow(ValueKind k) {
    return k == ValueKind::Empty || k == ValueKind::Integer || k == ValueKind::Boolean;
}

Value WholeResult(double r, bool narrow) {
    if (narrow && r >= -32768 && r <= 32767) return Value::MakeInteger(static_cast<int16_t>(r));
    return Value::MakeDouble(r);
}

// Result kind of + - * on two numeric operands: any double (or text read
// as a number) makes a double, else any single a single, else whole.
bool Arith(double r, ValueKind a, ValueKind b, Value& out) {
    if (a == ValueKind::Double || b == ValueKind::Double || a == ValueKind::Text ||
        b == ValueKind::Text) {
        if (!std::isfinite(r)) return false;
        out = Value::MakeDouble(r);
        return true;
    }
    if (a == ValueKind::Single || b == ValueKind::Single) {
        if (!std::isfinite(r)) return false;
        if (std::fabs(r) > FLT_MAX)
            out = Value::MakeDouble(r);
        else
            out = Value::MakeSingle(static_cast<float>(r));
        return true;
    }
    out = WholeResult(r, true);
    return true;
}

// Rounds halves to even, as the whole-number operators require.
bool ToInt32(double v, int32_t& out) {
    if (std::isnan(v)) return false;
    double r = std::nearbyint(v);
    if (r < -2147483648.0 || r > 2147483647.0) return false;
    out = static_cast<int32_t>(r);
    return true;
}

bool Negate(const Value& a, Value& out) {
    double x;
    if (!ToNumber(a, x)) return false;
    switch (a.Kind) {
    case ValueKind::Single: out = Value::MakeSingle(static_cast<float>(-x)); return true;
    case ValueKind::Double:
    case ValueKind::Text: out = Value::MakeDouble(-x); return true;
    default: out = WholeResult(-x, true); return true;
    }
}

enum class BitOp { And, Or, Xor, Eqv, Imp, Not };

bool Bitwise(BitOp op, const Value& a, const Value& b, Value& out) {
    double x, y;
    if (!ToNumber(a, x) || !ToNumber(b, y)) return false;
    auto apply = [op](int32_t p, int32_t q) -> int32_t {
        switch (op) {
        case BitOp::And: return p & q;
        case BitOp::Or: return p | q;
        case BitOp::Xor: return p ^ q;
        case BitOp::Eqv: return ~(p ^ q);
        case BitOp::Imp: return ~p | q;
        case BitOp::Not: return ~p;
        }
        return 0;
    };
    if (IsNarrow(a.Kind) && IsNarrow(b.Kind)) {
        int16_t r = static_cast<int16_t>(apply(static_cast<int32_t>(x), static_cast<int32_t>(y)));
        bool logical =
            a.Kind == ValueKind::Boolean && (op == BitOp::Not || b.Kind == ValueKind::Boolean);
        out = logical ? Value::MakeBoolean(r != 0) : Value::MakeInteger(r);
        return true;
    }
    int32_t p, q = 0;
    if (!ToInt32(x, p) || !ToInt32(y, q)) return false;
    out = Value::MakeDouble(apply(p, q));
    return true;
}

// Two-operand operators in the order of the priority table.
enum class BinOp : uint8_t {
    Pow,
    Mul,
    Div,
    IntDiv,
    Mod,
    Add,
    Sub,
    Eq,
    Lt,
    Gt,
    Ne,
    Le,
    Ge,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
    None
};

// An operator is taken while its left priority is above the caller's
// limit; its right operand is read with the right priority as the limit.
// Equal priorities make every operator left-associative, "^" included
// (2^3^2 is 64).
struct Priority {
    uint8_t left, right;
};
constexpr Priority kPriority[] = {
    {12, 12},                                           // ^
    {11, 11}, {11, 11},                                 // * /
    {10, 10},                                           // "\"
    {9, 9},                                             // mod
    {8, 8},   {8, 8},                                   // + -
    {7, 7},   {7, 7},   {7, 7}, {7, 7}, {7, 7}, {7, 7}, // = < > <> <= >=
    {6, 6},   {5, 5},   {4, 4}, {3, 3}, {2, 2},         // and or xor eqv imp
};
static_assert(std::size(kPriority) == size_t(BinOp::None));

// Operand limits of the prefix operators: "-" and "&h" take only "^"
// along (-2^2 is -4, -2*3 is -6); "not" takes the comparisons along but
// not "and" (not 1 = 2 is true).
constexpr int kUnaryMinusPriority = 11;
constexpr int kHexPrefixPriority = 11;
constexpr int kNotPriority = 6;
constexpr int kTopPriority = 1;

// The right operand of a comparison goes through its text and back, so it
// is always a number ("True" reads as 0).
double ComparisonOperand(const Value& v) {
    switch (v.Kind) {
    case ValueKind::Empty:
    case ValueKind::Boolean: return 0;
    case ValueKind::Integer: return v.Number;
    case ValueKind::Text: return LeadingNumber(v.Text);
    case ValueKind::Double:
        // Whole numbers of up to 15 digits survive the text round trip
        // unchanged; skip it for them.
        if (std::fabs(v.Number) < 1e15 && v.Number == std::trunc(v.Number)) return v.Number;
        return LeadingNumber(PlainText(v));
    default: return LeadingNumber(PlainText(v));
    }
}

bool Compare(BinOp op, const Value& a, const Value& b, Value& out) {
    double x;
    if (!ToNumber(a, x)) return false;
    double y = ComparisonOperand(b);
    bool r = false;
    switch (op) {
    case BinOp::Eq: r = x == y; break;
    case BinOp::Lt: r = x < y; break;
    case BinOp::Gt: r = x > y; break;
    case BinOp::Ne: r = x != y; break;
    case BinOp::Le: r = x <= y; break;
    case BinOp::Ge: r = x >= y; break;
    default: break;
    }
    out = Value::MakeBoolean(r);
    return true;
}

bool Binary(BinOp op, const Value& a, const Value& b, Value& out) {
    switch (op) {
    case BinOp::And: return Bitwise(BitOp::And, a, b, out);
    case BinOp::Or: return Bitwise(BitOp::Or, a, b, out);
    case BinOp::Xor: return Bitwise(BitOp::Xor, a, b, out);
    case BinOp::Eqv: return Bitwise(BitOp::Eqv, a, b, out);
    case BinOp::Imp: return Bitwise(BitOp::Imp, a, b, out);
    case BinOp::Eq:
    case BinOp::Lt:
    case BinOp::Gt:
    case BinOp::Le:
    case BinOp::Ge:
    case BinOp::Ne: return Compare(op, a, b, out);
    case BinOp::Add: {
        bool at = a.Kind == ValueKind::Text, bt = b.Kind == ValueKind::Text;
        if ((at && (bt || b.Kind == ValueKind::Empty)) || (bt && a.Kind == ValueKind::Empty)) {
            std::string joined;
            joined.reserve(a.Text.size() + b.Text.size());
            joined += a.Text;
            joined += b.Text;
            out = Value::MakeText(std::move(joined));
            return true;
        }
        break;
    }
    default: break;
    }
    double x, y;
    if (!ToNumber(a, x) || !ToNumber(b, y)) return false;
    switch (op) {
    case BinOp::Add: return Arith(x + y, a.Kind, b.Kind, out);
    case BinOp::Sub: return Arith(x - y, a.Kind, b.Kind, out);
    case BinOp::Mul: return Arith(x * y, a.Kind, b.Kind, out);
    case BinOp::Div: {
        if (y == 0) return false;
        double r = x / y;
        if (!std::isfinite(r)) return false;
        bool single = (a.Kind == ValueKind::Single || b.Kind == ValueKind::Single) &&
                      a.Kind != ValueKind::Double && b.Kind != ValueKind::Double &&
                      a.Kind != ValueKind::Text && b.Kind != ValueKind::Text;
        if (single && std::fabs(r) <= FLT_MAX)
            out = Value::MakeSingle(static_cast<float>(r));
        else
            out = Value::MakeDouble(r);
        return true;
    }
    case BinOp::Pow: {
        if (x == 0 && y < 0) return false;
        double r = std::pow(x, y);
        if (!std::isfinite(r)) return false;
        out = Value::MakeDouble(r);
        return true;
    }
    case BinOp::IntDiv:
    case BinOp::Mod: {
        int32_t p, q;
        if (!ToInt32(x, p) || !ToInt32(y, q) || q == 0) return false;
        int64_t r = op == BinOp::Mod ? int64_t(p) % q : int64_t(p) / q;
        out = WholeResult(static_cast<double>(r), IsNarrow(a.Kind) && IsNarrow(b.Kind));
        return true;
    }
    default: return false;
    }
}

bool IsTextNoNumber(const Value& v) {
    double ignored;
    return v.Kind == ValueKind::Text && !ToNumber(v, ignored);
}

// Which fault a failed operator reports.
ExprErrorText BinaryFault(BinOp op, const Value& a, const Value& b) {
    if (IsTextNoNumber(a) || IsTextNoNumber(b)) return ExprErrorText::NotANumber;
    double x = 0, y = 0;
    ToNumber(a, x);
    ToNumber(b, y);
    bool zero = op == BinOp::Div ? y == 0 : std::nearbyint(y) == 0;
    if ((op == BinOp::Div || op == BinOp::IntDiv || op == BinOp::Mod) && zero)
        return ExprErrorText::DivisionByZero;
    if (op == BinOp::Pow && !std::isinf(std::pow(x, y))) return ExprErrorText::InvalidArgument;
    return ExprErrorText::OutOfRange;
}

// Case mapping over Latin-1, the byte-to-character mapping of the program.
char ToLowerByte(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 32;
    return static_cast<char>(c);
}
char ToUpperByte(char ch) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 32;
    return static_cast<char>(c);
}

enum class Fn : uint8_t {
    Unknown,
    Abs,
    Asc,
    Atn,
    Cos,
    Exp,
    Fix,
    Hex,
    Int,
    Lcase,
    Log,
    Ltrim,
    Rnd,
    Rtrim,
    Sgn,
    Sin,
    Sqr,
    Tan,
    Trim,
    Ucase,
    Val,
    Field
};

Fn LookupFunction(std::string_view name) {
    if (name.size() > 5 || name.empty()) return Fn::Unknown;
    char low[6] = {};
    for (size_t i = 0; i < name.size(); ++i)
        low[i] = Lower(name[i]);
    static const struct {
        const char* name;
        Fn fn;
    } kTable[] = {{"abs", Fn::Abs},     {"asc", Fn::Asc},   {"atn", Fn::Atn},     {"cos", Fn::Cos},
                  {"exp", Fn::Exp},     {"fix", Fn::Fix},   {"hex", Fn::Hex},     {"int", Fn::Int},
                  {"lcase", Fn::Lcase}, {"log", Fn::Log},   {"ltrim", Fn::Ltrim}, {"rnd", Fn::Rnd},
                  {"rtrim", Fn::Rtrim}, {"sgn", Fn::Sgn},   {"sin", Fn::Sin},     {"sqr", Fn::Sqr},
                  {"tan", Fn::Tan},     {"trim", Fn::Trim}, {"ucase", Fn::Ucase}, {"val", Fn::Val},
                  {"field", Fn::Field}};
    for (const auto& e : kTable)
        if (std::strcmp(e.name, low) == 0) return e.fn;
    return Fn::Unknown;
}

// abs, fix, int: the operand's own kind, text read as a double.
bool KeepKind(const Value& a, double r, Value& out) {
    switch (a.Kind) {
    case ValueKind::Single: out = Value::MakeSingle(static_cast<float>(r)); return true;
    case ValueKind::Double:
    case ValueKind::Text: out = Value::MakeDouble(r); return true;
    default: out = WholeResult(r, true); return true;
    }
}

bool Real(double r, Value& out) {
    if (!std::isfinite(r)) return false;
    out = Value::MakeDouble(r);
    return true;
}

std::string Hex(uint32_t v) {
    static const char kDigits[] = "0123456789ABCDEF";
    char buf[8];
    int n = 0;
    do {
        buf[n++] = kDigits[v & 15];
        v >>= 4;
    } while (v);
    std::string s;
    while (n)
        s += buf[--n];
    return s;
}

uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float UnitFloat(uint64_t bits) {
    return static_cast<float>(bits >> 40) / 16777216.0f;
}

constexpr uint64_t kRndStart = 0x5EED0F0DA7A5EEDull;

// A slot that holds nothing is empty text: field values are text.
const Value& Slot(const FieldValues& fields, size_t n) {
    static const Value kEmptyText = Value::MakeText({});
    const Value& v = fields[n];
    return v.Kind == ValueKind::Empty ? kEmptyText : v;
}

bool ReadVal(const Value& arg, Value& out) {
    auto r = ReadLeadingNumber(arg.Kind == ValueKind::Text ? std::string_view(arg.Text)
                                                           : std::string_view(PlainText(arg)));
    if (r.Overflow) return false;
    out = Value::MakeDouble(r.Value);
    return true;
}

// Applies a function; on failure returns the fault, `out` untouched.
ExprErrorText CallFunction(Fn fn, const Value& arg, Value& out, const FieldValues& fields,
                           EvalContext& context) {
    constexpr ExprErrorText kOk = ExprErrorText::None;
    // Functions that take text.
    auto text = [&]() { return arg.Kind == ValueKind::Text ? arg.Text : GeneralNumberText(arg); };
    switch (fn) {
    case Fn::Unknown: out = Value{}; return kOk; // reported when compiled
    case Fn::Asc: {
        std::string s = text();
        if (s.empty()) return ExprErrorText::InvalidArgument;
        out = Value::MakeInteger(static_cast<unsigned char>(s[0]));
        return kOk;
    }
    case Fn::Lcase:
    case Fn::Ucase: {
        std::string s = text();
        for (char& ch : s)
            ch = fn == Fn::Lcase ? ToLowerByte(ch) : ToUpperByte(ch);
        out = Value::MakeText(std::move(s));
        return kOk;
    }
    case Fn::Ltrim:
    case Fn::Rtrim:
    case Fn::Trim: {
        std::string s = text();
        size_t b = 0, e = s.size();
        if (fn != Fn::Rtrim)
            while (b < e && s[b] == ' ')
                ++b;
        if (fn != Fn::Ltrim)
            while (e > b && s[e - 1] == ' ')
                --e;
        out = Value::MakeText(s.substr(b, e - b));
        return kOk;
    }
    case Fn::Val: return ReadVal(arg, out) ? kOk : ExprErrorText::OutOfRange;
    default: break;
    }
    double x;
    if (!ToNumber(arg, x)) return ExprErrorText::NotANumber;
    bool ok = false;
    switch (fn) {
    case Fn::Abs: ok = KeepKind(arg, std::fabs(x), out); break;
    case Fn::Fix: ok = KeepKind(arg, std::trunc(x), out); break;
    case Fn::Int: ok = KeepKind(arg, std::floor(x), out); break;
    case Fn::Atn: ok = Real(std::atan(x), out); break;
    case Fn::Cos: ok = Real(std::cos(x), out); break;
    case Fn::Sin: ok = Real(std::sin(x), out); break;
    case Fn::Tan: ok = Real(std::tan(x), out); break;
    case Fn::Exp: ok = Real(std::exp(x), out); break;
    case Fn::Log:
        if (x <= 0) return ExprErrorText::InvalidArgument;
        ok = Real(std::log(x), out);
        break;
    case Fn::Sqr:
        if (x < 0) return ExprErrorText::InvalidArgument;
        ok = Real(std::sqrt(x), out);
        break;
    case Fn::Sgn: out = Value::MakeInteger(static_cast<int16_t>((x > 0) - (x < 0))); return kOk;
    case Fn::Rnd: out = Value::MakeSingle(context.Rnd(x)); return kOk;
    case Fn::Hex: {
        if (IsNarrow(arg.Kind)) {
            out = Value::MakeText(Hex(static_cast<uint16_t>(static_cast<int16_t>(x))));
            return kOk;
        }
        int32_t n;
        if (!ToInt32(x, n)) return ExprErrorText::OutOfRange;
        out = Value::MakeText(Hex(static_cast<uint32_t>(n)));
        return kOk;
    }
    case Fn::Field: {
        int32_t n;
        if (!ToInt32(x, n) || n < 0 || n > 42) return ExprErrorText::OutOfRange;
        out = Slot(fields, static_cast<size_t>(n));
        return kOk;
    }
    default: break;
    }
    return ok ? kOk : ExprErrorText::OutOfRange;
}

} // namespace

// ---------------------------------------------------------------------------
// The program: values on a stack, one instruction per operator, function,
// literal or field read. A jump skips the right operand of an operator when
// a fault has already happened, so pending operators finish with what their
// operands hold, as an evaluation that stops at the first fault does.

enum class CompiledExpression::Code : uint8_t {
    Const,       // push constants_[target]
    Field,       // push slot `target`
    ValField,    // push val(slot `target`)
    Missing,     // push empty: an operand the text lacks
    Fault,       // push empty and report a fault (a literal too large)
    Neg,         // top = -top
    Not,         // top = not top
    HexPrefix,   // top = "&h" + top + "&" read as a number
    Call,        // top = function `arg` (top)
    Binary,      // pop right; top = top `arg` right
    JumpIfFault, // skip to `target` once a fault has happened
};

namespace {

using Code = CompiledExpression::Code;

// Deeper nesting than any real field expression; keeps hostile input from
// exhausting the stack.
constexpr int kMaxDepth = 200;

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

} // namespace

class ExprCompiler {
  public:
    explicit ExprCompiler(std::string_view text) : text_(text) {}

    CompiledExpression Run() {
        NextToken();
        SubExpr(kTopPriority);
        if (!out_.error_ && tok_ != Tok::End) Fail(ExprErrorText::TextLeftOver, tokStart_);
        // The deepest stack: every push is one slot, every Binary frees one.
        uint32_t depth = 0, most = 0;
        for (const auto& in : out_.code_) {
            switch (in.code) {
            case Code::Const:
            case Code::Field:
            case Code::ValField:
            case Code::Missing:
            case Code::Fault: most = std::max(most, ++depth); break;
            case Code::Binary: --depth; break;
            default: break;
            }
        }
        out_.maxStack_ = most;
        return std::move(out_);
    }

  private:
    void Fail(ExprErrorText text, size_t at) {
        if (!out_.error_) out_.error_ = ExprError{text, static_cast<uint32_t>(at)};
    }
    bool Failed() const { return bool(out_.error_); }
    bool IsChar(char c) const { return tok_ == Tok::Char && tokChar_ == c; }

    size_t Emit(Code code, uint8_t arg = 0, uint32_t target = 0, size_t at = 0) {
        out_.code_.push_back({code, arg, target, static_cast<uint32_t>(at)});
        return out_.code_.size() - 1;
    }
    uint32_t Constant(Value v) {
        out_.constants_.push_back(std::move(v));
        return static_cast<uint32_t>(out_.constants_.size() - 1);
    }

    void NextToken();
    BinOp CurrentBinOp() const;
    void SubExpr(int limit);
    void Primary();
    void Call(std::string_view name, size_t at);

    std::string_view text_;
    size_t pos_ = 0;
    Tok tok_ = Tok::End;
    char tokChar_ = 0;
    std::string_view tokText_;
    size_t tokStart_ = 0;
    int depth_ = 0;
    CompiledExpression out_;
};

void ExprCompiler::NextToken() {
    tok_ = Tok::End;
    tokChar_ = 0;
    while (pos_ < text_.size() && IsBlank(text_[pos_]))
        ++pos_;
    tokStart_ = pos_;
    if (pos_ >= text_.size()) {
        tokText_ = {};
        return;
    }
    std::string_view rest = text_.substr(pos_);
    char c = Lower(rest[0]);
    size_t n = 1;
    if (IsDigit(c) || c == '.') {
        while (n < rest.size() && (IsDigit(rest[n]) || rest[n] == '.'))
            ++n;
        tok_ = Tok::Num;
    } else if (IsLetter(c) || c == '_' || c == '&') {
        while (n < rest.size() &&
               (IsLetter(rest[n]) || IsDigit(rest[n]) || rest[n] == '&' || rest[n] == '_'))
            ++n;
        tok_ = Tok::Id;
        if (n <= 3) {
            char w[4] = {};
            for (size_t k = 0; k < n; ++k)
                w[k] = Lower(rest[k]);
            static const struct {
                const char* word;
                Tok tok;
            } kKeywords[] = {{"or", Tok::Or},   {"&h", Tok::AmpH}, {"and", Tok::And},
                             {"eqv", Tok::Eqv}, {"imp", Tok::Imp}, {"mod", Tok::Mod},
                             {"not", Tok::Not}, {"xor", Tok::Xor}};
            for (const auto& k : kKeywords)
                if (std::strcmp(k.word, w) == 0) tok_ = k.tok;
        }
    } else if (c == '<' || c == '>') {
        char next = rest.size() > 1 ? rest[1] : 0;
        tok_ = c == '<' ? Tok::Lt : Tok::Gt;
        if (next == '=' || next == '>') {
            ++n;
            if (c == '<')
                tok_ = next == '=' ? Tok::Le : Tok::Ne;
            else
                tok_ = next == '=' ? Tok::Ge : Tok::GtGt;
        }
    } else {
        tok_ = Tok::Char;
        tokChar_ = c;
    }
    tokText_ = rest.substr(0, n);
    pos_ += n;
}

BinOp ExprCompiler::CurrentBinOp() const {
    switch (tok_) {
    case Tok::Char:
        switch (tokChar_) {
        case '^': return BinOp::Pow;
        case '*': return BinOp::Mul;
        case '/': return BinOp::Div;
        case '\\': return BinOp::IntDiv;
        case '+': return BinOp::Add;
        case '-': return BinOp::Sub;
        case '=': return BinOp::Eq;
        default: return BinOp::None;
        }
    case Tok::Mod: return BinOp::Mod;
    case Tok::Lt: return BinOp::Lt;
    case Tok::Gt: return BinOp::Gt;
    case Tok::Ne: return BinOp::Ne;
    case Tok::Le: return BinOp::Le;
    case Tok::Ge: return BinOp::Ge;
    case Tok::And: return BinOp::And;
    case Tok::Or: return BinOp::Or;
    case Tok::Xor: return BinOp::Xor;
    case Tok::Eqv: return BinOp::Eqv;
    case Tok::Imp: return BinOp::Imp;
    default: return BinOp::None;
    }
}

// One operand and every operator that binds tighter than `limit`.
void ExprCompiler::SubExpr(int limit) {
    if (depth_ >= kMaxDepth) {
        Fail(ExprErrorText::TooDeep, tokStart_);
        Emit(Code::Missing);
        return;
    }
    ++depth_;
    Primary();
    for (;;) {
        BinOp op = CurrentBinOp();
        if (Failed() || op == BinOp::None || kPriority[size_t(op)].left <= limit) break;
        size_t at = tokStart_;
        NextToken();
        size_t jump = Emit(Code::JumpIfFault);
        SubExpr(kPriority[size_t(op)].right);
        Emit(Code::Binary, uint8_t(op), 0, at);
        out_.code_[jump].target = static_cast<uint32_t>(out_.code_.size());
    }
    --depth_;
}

void ExprCompiler::Primary() {
    size_t at = tokStart_;
    switch (tok_) {
    case Tok::Num: {
        auto r = ReadLeadingNumber(tokText_);
        NextToken();
        if (r.Overflow)
            Emit(Code::Fault, 0, 0, at);
        else
            Emit(Code::Const, 0, Constant(Value::MakeDouble(r.Value)));
        return;
    }
    case Tok::AmpH:
        NextToken();
        SubExpr(kHexPrefixPriority);
        Emit(Code::HexPrefix, 0, 0, at);
        return;
    case Tok::Not:
        NextToken();
        SubExpr(kNotPriority);
        Emit(Code::Not, 0, 0, at);
        return;
    case Tok::Id: {
        std::string_view name = tokText_;
        NextToken();
        Call(name, at);
        return;
    }
    case Tok::Char:
        if (tokChar_ == '-') {
            NextToken();
            SubExpr(kUnaryMinusPriority);
            Emit(Code::Neg, 0, 0, at);
            return;
        }
        if (tokChar_ == '(') {
            NextToken();
            SubExpr(kTopPriority);
            if (!Failed() && !IsChar(')')) Fail(ExprErrorText::CloseParenExpected, tokStart_);
            NextToken();
            return;
        }
        [[fallthrough]];
    default: Fail(ExprErrorText::OperandExpected, at); Emit(Code::Missing);
    }
}

// Every name is a function call: name "(" argument ")".
void ExprCompiler::Call(std::string_view name, size_t at) {
    if (!Failed() && !IsChar('(')) Fail(ExprErrorText::OpenParenExpected, tokStart_);
    NextToken();
    SubExpr(kTopPriority);
    if (!Failed() && !IsChar(')')) Fail(ExprErrorText::CloseParenExpected, tokStart_);
    NextToken();
    Fn fn = LookupFunction(name);
    if (fn == Fn::Unknown) Fail(ExprErrorText::UnknownFunction, at);
    // field(n) and val(field(n)) with a literal n in range read the slot
    // directly: the commonest expressions in real configurations.
    auto& code = out_.code_;
    if (fn == Fn::Field && code.back().code == Code::Const) {
        int32_t n;
        if (ToInt32(out_.constants_[code.back().target].Number, n) && n >= 0 && n <= 42) {
            code.back() = {Code::Field, 0, static_cast<uint32_t>(n), static_cast<uint32_t>(at)};
            return;
        }
    }
    if (fn == Fn::Val && code.back().code == Code::Field) {
        code.back().code = Code::ValField;
        code.back().position = static_cast<uint32_t>(at);
        return;
    }
    Emit(Code::Call, uint8_t(fn), 0, at);
}

// ---------------------------------------------------------------------------

EvalContext::EvalContext() : rndState_(kRndStart) {
    uint64_t probe = rndState_;
    rndLast_ = UnitFloat(SplitMix(probe));
}

float EvalContext::Rnd(double arg) {
    if (arg < 0) {
        // Same argument, same number: the sequence restarts from a seed
        // taken from the argument's bits.
        float f = static_cast<float>(arg);
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        rndState_ = kRndStart ^ (uint64_t(bits) << 17) ^ bits;
        rndLast_ = UnitFloat(SplitMix(rndState_));
    } else if (arg > 0) {
        rndLast_ = UnitFloat(SplitMix(rndState_));
    }
    return rndLast_;
}

EvalResult CompiledExpression::Evaluate(const FieldValues& fields, EvalContext& context) const {
    std::vector<Value>& stack = context.stack_;
    if (stack.size() < maxStack_) stack.resize(maxStack_);
    size_t sp = 0; // slots in use
    ExprError fault;
    auto failAt = [&](ExprErrorText text, const Instr& in) {
        if (!fault) fault = ExprError{text, in.position};
    };
    Value result;
    const size_t n = code_.size();
    for (size_t pc = 0; pc < n; ++pc) {
        const Instr& in = code_[pc];
        switch (in.code) {
        case Code::Const: stack[sp++] = constants_[in.target]; break;
        case Code::Field: stack[sp++] = Slot(fields, in.target); break;
        case Code::ValField:
            if (!ReadVal(Slot(fields, in.target), stack[sp])) {
                stack[sp] = Value{};
                failAt(ExprErrorText::OutOfRange, in);
            }
            ++sp;
            break;
        case Code::Missing: stack[sp++] = Value{}; break;
        case Code::Fault:
            stack[sp++] = Value{};
            failAt(ExprErrorText::OutOfRange, in);
            break;
        case Code::Neg: {
            Value& top = stack[sp - 1];
            if (!Negate(top, result)) {
                failAt(ExprErrorText::NotANumber, in);
                result = Value{};
            }
            top = std::move(result);
            break;
        }
        case Code::Not: {
            Value& top = stack[sp - 1];
            if (!Bitwise(BitOp::Not, top, Value::MakeBoolean(false), result)) {
                failAt(IsTextNoNumber(top) ? ExprErrorText::NotANumber : ExprErrorText::OutOfRange,
                       in);
                result = Value{};
            }
            top = std::move(result);
            break;
        }
        case Code::HexPrefix: {
            Value& top = stack[sp - 1];
            if (top.IsNumeric()) { // text and a number do not join
                failAt(ExprErrorText::NotANumber, in);
                top = Value{};
            } else {
                std::string hex = "&h";
                hex += top.Text;
                hex += '&';
                top = Value::MakeDouble(LeadingNumber(hex));
            }
            break;
        }
        case Code::Call: {
            Value& top = stack[sp - 1];
            ExprErrorText f = CallFunction(Fn(in.arg), top, result, fields, context);
            if (f != ExprErrorText::None) {
                failAt(f, in);
                result = Value{};
            }
            top = std::move(result);
            break;
        }
        case Code::Binary: {
            Value& left = stack[sp - 2];
            const Value& right = stack[sp - 1];
            if (!Binary(BinOp(in.arg), left, right, result)) {
                failAt(BinaryFault(BinOp(in.arg), left, right), in);
                result = Value{};
            }
            left = std::move(result);
            --sp;
            break;
        }
        case Code::JumpIfFault:
            if (fault) pc = in.target - 1;
            break;
        }
    }
    EvalResult r;
    r.Result = sp ? stack[0] : Value{};
    r.Error = error_ ? error_ : fault;
    r.Ok = !r.Error;
    return r;
}

CompiledExpression CompileExpression(std::string_view expression) {
    return ExprCompiler(expression).Run();
}

const CompiledExpression& EvalContext::Compiled(std::string_view expression) {
    for (const auto& p : programs_)
        if (p.first == expression) return p.second;
    // Bounded: more distinct texts than fields replace the oldest.
    constexpr size_t kKept = 64;
    std::pair<std::string, CompiledExpression> entry{std::string(expression),
                                                     CompileExpression(expression)};
    if (programs_.size() < kKept) {
        programs_.push_back(std::move(entry));
        return programs_.back().second;
    }
    size_t slot = nextSlot_++ % kKept;
    programs_[slot] = std::move(entry);
    return programs_[slot].second;
}

EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields,
                              EvalContext& context) {
    return context.Compiled(expression).Evaluate(fields, context);
}

EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields) {
    static EvalContext shared;
    return EvaluateExpression(expression, fields, shared);
}

} // namespace pv
