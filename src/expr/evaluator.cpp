#include "expr/evaluator.h"

#include "expr/leading_number.h"

#include <cfloat>
#include <cmath>
#include <cstring>

namespace pv {
namespace {

using Tok = Evaluator::Tok;

// Deeper nesting than any real field expression; keeps hostile input from
// exhausting the stack.
constexpr int kMaxDepth = 200;

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

bool Compare(Tok op, const Value& a, const Value& b, Value& out) {
    double x;
    if (!ToNumber(a, x)) return false;
    double y = ComparisonOperand(b);
    bool r = false;
    switch (op) {
    case Tok::Char: r = x == y; break; // "="
    case Tok::Lt: r = x < y; break;
    case Tok::Gt: r = x > y; break;
    case Tok::Ne: r = x != y; break;
    case Tok::Le: r = x <= y; break;
    case Tok::Ge: r = x >= y; break;
    default: break;
    }
    out = Value::MakeBoolean(r);
    return true;
}

// Binding power of the operator in the current token; 0 when it is none.
int BindingPower(Tok tok, char c) {
    switch (tok) {
    case Tok::Char:
        switch (c) {
        case '^': return 12;
        case '*':
        case '/': return 11;
        case '\\': return 10;
        case '+':
        case '-': return 8;
        case '=': return 7;
        default: return 0;
        }
    case Tok::Mod: return 9;
    case Tok::Lt:
    case Tok::Gt:
    case Tok::Le:
    case Tok::Ge:
    case Tok::Ne: return 7;
    case Tok::And: return 6;
    case Tok::Or: return 5;
    case Tok::Xor: return 4;
    case Tok::Eqv: return 3;
    case Tok::Imp: return 2;
    default: return 0;
    }
}

bool Binary(Tok tok, char c, const Value& a, const Value& b, Value& out) {
    switch (tok) {
    case Tok::And: return Bitwise(BitOp::And, a, b, out);
    case Tok::Or: return Bitwise(BitOp::Or, a, b, out);
    case Tok::Xor: return Bitwise(BitOp::Xor, a, b, out);
    case Tok::Eqv: return Bitwise(BitOp::Eqv, a, b, out);
    case Tok::Imp: return Bitwise(BitOp::Imp, a, b, out);
    case Tok::Lt:
    case Tok::Gt:
    case Tok::Le:
    case Tok::Ge:
    case Tok::Ne: return Compare(tok, a, b, out);
    case Tok::Mod: c = 'm'; break;
    default: break;
    }
    if (c == '=') return Compare(Tok::Char, a, b, out);
    if (c == '+') {
        bool at = a.Kind == ValueKind::Text, bt = b.Kind == ValueKind::Text;
        if ((at && (bt || b.Kind == ValueKind::Empty)) || (bt && a.Kind == ValueKind::Empty)) {
            out = Value::MakeText(a.Text + b.Text);
            return true;
        }
    }
    double x, y;
    if (!ToNumber(a, x) || !ToNumber(b, y)) return false;
    switch (c) {
    case '+': return Arith(x + y, a.Kind, b.Kind, out);
    case '-': return Arith(x - y, a.Kind, b.Kind, out);
    case '*': return Arith(x * y, a.Kind, b.Kind, out);
    case '/': {
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
    case '^': {
        if (x == 0 && y < 0) return false;
        double r = std::pow(x, y);
        if (!std::isfinite(r)) return false;
        out = Value::MakeDouble(r);
        return true;
    }
    case '\\':
    case 'm': {
        int32_t p, q;
        if (!ToInt32(x, p) || !ToInt32(y, q) || q == 0) return false;
        int64_t r = c == 'm' ? int64_t(p) % q : int64_t(p) / q;
        out = WholeResult(static_cast<double>(r), IsNarrow(a.Kind) && IsNarrow(b.Kind));
        return true;
    }
    default: return false;
    }
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

enum class Fn {
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
        if (e.name[0] == low[0] && e.name[1] == low[1] && std::strcmp(e.name, low) == 0)
            return e.fn;
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

} // namespace

Evaluator::Evaluator() : rndState_(kRndStart) {
    uint64_t probe = rndState_;
    rndLast_ = UnitFloat(SplitMix(probe));
}

float Evaluator::Rnd(double arg) {
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

void Evaluator::NextToken() {
    tok_ = Tok::End;
    tokChar_ = 0;
    size_t i = 0;
    while (i < rest_.size() && IsBlank(rest_[i]))
        ++i;
    rest_.remove_prefix(i);
    if (rest_.empty()) {
        tokText_ = {};
        return;
    }
    const char* start = rest_.data();
    char c = Lower(rest_[0]);
    size_t n = 1;
    if (IsDigit(c) || c == '.') {
        while (n < rest_.size() && (IsDigit(rest_[n]) || rest_[n] == '.'))
            ++n;
        tok_ = Tok::Num;
    } else if (IsLetter(c) || c == '_' || c == '&') {
        while (n < rest_.size() &&
               (IsLetter(rest_[n]) || IsDigit(rest_[n]) || rest_[n] == '&' || rest_[n] == '_'))
            ++n;
        tok_ = Tok::Id;
        std::string_view w(start, n);
        auto is = [&](const char* kw) {
            size_t len = std::strlen(kw);
            if (w.size() != len) return false;
            for (size_t k = 0; k < len; ++k)
                if (Lower(w[k]) != kw[k]) return false;
            return true;
        };
        switch (n) {
        case 2:
            if (is("or"))
                tok_ = Tok::Or;
            else if (is("&h"))
                tok_ = Tok::AmpH;
            break;
        case 3:
            if (is("and"))
                tok_ = Tok::And;
            else if (is("eqv"))
                tok_ = Tok::Eqv;
            else if (is("imp"))
                tok_ = Tok::Imp;
            else if (is("mod"))
                tok_ = Tok::Mod;
            else if (is("not"))
                tok_ = Tok::Not;
            else if (is("xor"))
                tok_ = Tok::Xor;
            break;
        }
    } else if (c == '<' || c == '>') {
        char next = rest_.size() > 1 ? rest_[1] : 0;
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
    tokText_ = std::string_view(start, n);
    rest_.remove_prefix(n);
}

bool Evaluator::Primary(Value& out) {
    switch (tok_) {
    case Tok::Num: {
        auto r = ReadLeadingNumber(tokText_);
        NextToken();
        if (r.Overflow) return false;
        out = Value::MakeDouble(r.Value);
        return true;
    }
    case Tok::AmpH: {
        NextToken();
        Value operand = ParseExpression(11);
        if (operand.IsNumeric()) return false; // text and a number do not join
        std::string text = "&h" + operand.Text + "&";
        out = Value::MakeDouble(LeadingNumber(text));
        return true;
    }
    case Tok::Not: {
        NextToken();
        Value operand = ParseExpression(6);
        return Bitwise(BitOp::Not, operand, Value::MakeBoolean(false), out);
    }
    case Tok::Id: {
        std::string_view name = tokText_;
        NextToken();
        if (!error_ && !(tok_ == Tok::Char && tokChar_ == '(')) error_ = true;
        NextToken();
        Value arg = ParseExpression(1);
        if (!error_ && !(tok_ == Tok::Char && tokChar_ == ')')) error_ = true;
        NextToken();
        return CallFunction(name, arg, out);
    }
    case Tok::Char:
        if (tokChar_ == '-') {
            NextToken();
            Value operand = ParseExpression(11);
            return Negate(operand, out);
        }
        if (tokChar_ == '(') {
            NextToken();
            out = ParseExpression(1);
            if (!error_ && !(tok_ == Tok::Char && tokChar_ == ')')) error_ = true;
            NextToken();
            return true;
        }
        [[fallthrough]];
    default:
        error_ = true;
        out = Value{};
        return true;
    }
}

Value Evaluator::ParseExpression(int level) {
    if (depth_ >= kMaxDepth) {
        error_ = true;
        return Value{};
    }
    ++depth_;
    struct Leave {
        int& d;
        ~Leave() { --d; }
    } leave{depth_};

    Value v;
    if (!Primary(v)) {
        error_ = true;
        return Value{};
    }
    for (;;) {
        if (error_) return v;
        int p = BindingPower(tok_, tokChar_);
        if (p == 0 || level >= p) return v;
        Tok op = tok_;
        char c = tokChar_;
        NextToken();
        Value right = ParseExpression(p);
        Value combined;
        if (!Binary(op, c, v, right, combined)) {
            error_ = true;
            return Value{};
        }
        v = std::move(combined);
    }
}

bool Evaluator::CallFunction(std::string_view name, const Value& arg, Value& out) {
    Fn fn = LookupFunction(name);
    if (fn == Fn::Unknown) {
        error_ = true;
        out = Value{};
        return true;
    }
    // Functions that take text.
    auto text = [&]() { return arg.Kind == ValueKind::Text ? arg.Text : GeneralNumberText(arg); };
    switch (fn) {
    case Fn::Asc: {
        std::string s = text();
        if (s.empty()) return false;
        out = Value::MakeInteger(static_cast<unsigned char>(s[0]));
        return true;
    }
    case Fn::Lcase:
    case Fn::Ucase: {
        std::string s = text();
        for (char& ch : s)
            ch = fn == Fn::Lcase ? ToLowerByte(ch) : ToUpperByte(ch);
        out = Value::MakeText(std::move(s));
        return true;
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
        return true;
    }
    case Fn::Val: {
        auto r = ReadLeadingNumber(arg.Kind == ValueKind::Text ? std::string_view(arg.Text)
                                                               : std::string_view(PlainText(arg)));
        if (r.Overflow) return false;
        out = Value::MakeDouble(r.Value);
        return true;
    }
    default: break;
    }
    double x;
    if (!ToNumber(arg, x)) return false;
    switch (fn) {
    case Fn::Abs: return KeepKind(arg, std::fabs(x), out);
    case Fn::Fix: return KeepKind(arg, std::trunc(x), out);
    case Fn::Int: return KeepKind(arg, std::floor(x), out);
    case Fn::Atn: return Real(std::atan(x), out);
    case Fn::Cos: return Real(std::cos(x), out);
    case Fn::Sin: return Real(std::sin(x), out);
    case Fn::Tan: return Real(std::tan(x), out);
    case Fn::Exp: return Real(std::exp(x), out);
    case Fn::Log: return x > 0 && Real(std::log(x), out);
    case Fn::Sqr: return x >= 0 && Real(std::sqrt(x), out);
    case Fn::Sgn: out = Value::MakeInteger(static_cast<int16_t>((x > 0) - (x < 0))); return true;
    case Fn::Rnd: out = Value::MakeSingle(Rnd(x)); return true;
    case Fn::Hex: {
        if (IsNarrow(arg.Kind)) {
            out = Value::MakeText(Hex(static_cast<uint16_t>(static_cast<int16_t>(x))));
            return true;
        }
        int32_t n;
        if (!ToInt32(x, n)) return false;
        out = Value::MakeText(Hex(static_cast<uint32_t>(n)));
        return true;
    }
    case Fn::Field: {
        int32_t n;
        if (!ToInt32(x, n) || n < 0 || n > 42 || !fields_) return false;
        out = (*fields_)[static_cast<size_t>(n)];
        return true;
    }
    default: return false;
    }
}

EvalResult Evaluator::EvaluateExpression(std::string_view expression, const FieldValues& fields) {
    error_ = false;
    depth_ = 0;
    fields_ = &fields;
    rest_ = expression;
    NextToken();
    EvalResult r;
    r.Result = ParseExpression(1);
    if (!error_ && tok_ != Tok::End) error_ = true;
    r.Ok = !error_;
    fields_ = nullptr;
    return r;
}

EvalResult EvaluateExpression(std::string_view expression, const FieldValues& fields) {
    static Evaluator evaluator;
    return evaluator.EvaluateExpression(expression, fields);
}

} // namespace pv
