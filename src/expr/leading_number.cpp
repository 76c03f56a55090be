#include "expr/leading_number.h"

#include "text/locale.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <string>

namespace pv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Cursor over the text; the leading-number rule skips blanks wherever they
// are, whole-text parsing does not.
struct Reader {
    std::string_view s;
    bool skipBlanks = true;
    size_t i = 0;
    char Peek() {
        if (skipBlanks)
            while (i < s.size() && IsBlank(s[i]))
                ++i;
        return i < s.size() ? s[i] : '\0';
    }
    bool AtEnd() {
        Peek();
        return i >= s.size();
    }
    void Take() { ++i; }
};

// Digits after "&H"/"&O". The 16-bit reading applies to short literals
// without the "&" suffix; everything else wraps to 32 bits.
double ReadRadix(Reader& r, int base, bool* consumedAll) {
    uint64_t value = 0;
    int digits = 0;
    for (;;) {
        char c = r.Peek();
        int d = base == 16 ? HexDigit(c) : (c >= '0' && c <= '7' ? c - '0' : -1);
        if (d < 0) break;
        r.Take();
        value = ((value * base) + d) & 0xFFFFFFFFull;
        ++digits;
    }
    bool suffix = false;
    if (r.Peek() == '&') {
        r.Take();
        suffix = true;
    }
    if (consumedAll) *consumedAll = r.AtEnd() && digits > 0;
    bool shortForm = !suffix && (base == 16 ? digits <= 4 : value <= 0xFFFF);
    if (shortForm) return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(value)));
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

// Decimal number with an exponent; `point` is the extra decimal mark the
// caller accepts besides ".". Returns whether any mantissa digit was read.
bool ReadDecimal(Reader& r, std::string_view point, LeadingNumberResult& out) {
    // The first 15 significant digits go into `mantissa`; `buf` holds all of
    // them only for the rare longer number.
    uint64_t mantissa = 0;
    size_t count = 0;
    std::string buf;
    bool negative = false;
    char c = r.Peek();
    if (c == '+' || c == '-') {
        negative = c == '-';
        r.Take();
    }
    bool anyDigit = false, seenPoint = false, nonZero = false;
    long significantInt = 0, leadingFractionZeros = 0;
    for (;;) {
        c = r.Peek();
        if (IsDigit(c)) {
            r.Take();
            anyDigit = true;
            if (c != '0') nonZero = true;
            if (!seenPoint && nonZero) ++significantInt;
            if (seenPoint && !nonZero) ++leadingFractionZeros;
            if (nonZero) {
                if (count < 15) {
                    mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
                } else {
                    if (buf.empty()) buf = std::to_string(mantissa);
                    buf += c;
                }
                ++count;
            }
            continue;
        }
        if (!seenPoint && c == '.') {
            r.Take();
            seenPoint = true;
            continue;
        }
        if (!seenPoint && !point.empty() && point != "." &&
            r.s.substr(r.i, point.size()) == point) {
            r.i += point.size();
            seenPoint = true;
            continue;
        }
        break;
    }
    if (!anyDigit) return false;
    long exponent = 0;
    c = r.Peek();
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
        Reader beforeExponent = r;
        r.Take();
        bool expNegative = false;
        c = r.Peek();
        if (c == '+' || c == '-') {
            expNegative = c == '-';
            r.Take();
        }
        bool expDigits = false;
        while (IsDigit(r.Peek())) {
            expDigits = true;
            if (exponent < 100000) exponent = exponent * 10 + (r.Peek() - '0');
            r.Take();
        }
        if (expNegative) exponent = -exponent;
        // A letter without exponent digits is not part of the number.
        if (!expDigits) r = beforeExponent;
    }
    out.Value = 0;
    if (!nonZero) return true;
    // The significant digits d1d2...dn give the value
    // 0.d1d2...dn * 10^magnitude.
    long magnitude = (significantInt > 0 ? significantInt : -leadingFractionZeros) + exponent;
    if (magnitude > 400) {
        out.Overflow = true;
        out.Value =
            negative ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
        return true;
    }
    if (magnitude < -400) return true;
    // Short numbers (the usual case) are exact as a whole mantissa and a
    // power of ten, each representable, so one operation rounds correctly.
    long scale = magnitude - static_cast<long>(count);
    if (count <= 15 && scale >= -22 && scale <= 22) {
        static const double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        double m = static_cast<double>(mantissa);
        double v = scale >= 0 ? m * kPow10[scale] : m / kPow10[-scale];
        out.Value = negative ? -v : v;
        return true;
    }
    if (buf.empty()) buf = std::to_string(mantissa);
    std::string text = "0.";
    text += buf;
    text += 'e';
    text += std::to_string(magnitude);
    double v = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        if (magnitude > 0) {
            out.Overflow = true;
            v = std::numeric_limits<double>::max();
        } else {
            v = 0;
        }
    }
    out.Value = negative ? -v : v;
    return true;
}

} // namespace

LeadingNumberResult ReadLeadingNumber(std::string_view text) {
    LeadingNumberResult out;
    Reader r{text};
    if (r.Peek() == '&') {
        Reader probe = r;
        probe.Take();
        char k = probe.Peek();
        if (k == 'h' || k == 'H' || k == 'o' || k == 'O') {
            probe.Take();
            out.Value = ReadRadix(probe, (k == 'h' || k == 'H') ? 16 : 8, nullptr);
            return out;
        }
        return out;
    }
    ReadDecimal(r, ".", out);
    return out;
}

bool ParseWholeNumber(std::string_view text, double& out) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    Reader r{text, false};
    if (r.Peek() == '&') {
        r.Take();
        char k = r.Peek();
        if (!(k == 'h' || k == 'H' || k == 'o' || k == 'O')) return false;
        r.Take();
        bool all = false;
        out = ReadRadix(r, (k == 'h' || k == 'H') ? 16 : 8, &all);
        return all;
    }
    r.skipBlanks = false;
    LeadingNumberResult res;
    if (!ReadDecimal(r, CurrentNumericLocale().DecimalPoint, res)) return false;
    if (res.Overflow || !r.AtEnd()) return false;
    out = res.Value;
    return true;
}

} // namespace pv
