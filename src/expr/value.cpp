#include "expr/value.h"

#include "expr/leading_number.h"
#include "text/locale.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace pv {

const char* KindName(ValueKind kind) {
    switch (kind) {
    case ValueKind::Empty: return "empty";
    case ValueKind::Double: return "double";
    case ValueKind::Single: return "single";
    case ValueKind::Integer: return "integer";
    case ValueKind::Text: return "text";
    case ValueKind::Boolean: return "boolean";
    }
    return "empty";
}

std::string NumberText(double v, bool single, std::string_view decimalPoint) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
    if (v == 0) return "0";
    const int precision = single ? 7 : 15;
    char buf[64];
    // Round to the significant digits first; the exponent of the rounded
    // value decides between plain and exponent form.
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, precision - 1);
    std::string_view sci(buf, r.ptr - buf);
    size_t e = sci.find('e');
    int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());
    bool negative = sci[0] == '-';
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c >= '0' && c <= '9') digits += c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= precision || exponent < -3) {
        out += digits[0];
        if (digits.size() > 1) {
            out += decimalPoint;
            out += digits.substr(1);
        }
        out += 'E';
        out += exponent < 0 ? '-' : '+';
        int a = std::abs(exponent);
        if (a < 10) out += '0';
        out += std::to_string(a);
        return out;
    }
    if (exponent < 0) {
        out += '0';
        out += decimalPoint;
        out.append(static_cast<size_t>(-exponent - 1), '0');
        out += digits;
        return out;
    }
    size_t intLen = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= intLen) {
        out += digits;
        out.append(intLen - digits.size(), '0');
    } else {
        out += digits.substr(0, intLen);
        out += decimalPoint;
        out += digits.substr(intLen);
    }
    return out;
}

namespace {

std::string TextOf(const Value& v, std::string_view point) {
    switch (v.Kind) {
    case ValueKind::Empty: return {};
    case ValueKind::Text: return v.Text;
    case ValueKind::Boolean: return v.Number != 0 ? "True" : "False";
    case ValueKind::Integer: return std::to_string(static_cast<int>(v.Number));
    case ValueKind::Single: return NumberText(v.Number, true, point);
    case ValueKind::Double: return NumberText(v.Number, false, point);
    }
    return {};
}

} // namespace

std::string GeneralNumberText(const Value& v) {
    return TextOf(v, CurrentNumericLocale().DecimalPoint);
}

std::string PlainText(const Value& v) {
    return TextOf(v, ".");
}

bool ToNumber(const Value& v, double& out) {
    switch (v.Kind) {
    case ValueKind::Empty: out = 0; return true;
    case ValueKind::Text: return ParseWholeNumber(v.Text, out);
    default: out = v.Number; return true;
    }
}

} // namespace pv
