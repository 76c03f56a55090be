#pragma once
// Values of the expression language and the conversions between them.
#include <cstdint>
#include <string>
#include <string_view>

namespace pv {

enum class ValueKind : uint8_t { Empty, Double, Single, Integer, Text, Boolean };

/// One value: a field's text, or what an expression made of it. Numbers of
/// every kind are held in `Number` (a Single already rounded to float, an
/// Integer or Boolean whole); `Text` is used by the Text kind only.
struct Value {
    ValueKind Kind = ValueKind::Empty;
    double Number = 0;
    std::string Text;

    static Value MakeDouble(double v) { return Value{ValueKind::Double, v, {}}; }
    static Value MakeSingle(float v) { return Value{ValueKind::Single, v, {}}; }
    static Value MakeInteger(int16_t v) { return Value{ValueKind::Integer, double(v), {}}; }
    static Value MakeBoolean(bool v) { return Value{ValueKind::Boolean, v ? -1.0 : 0.0, {}}; }
    static Value MakeText(std::string v) { return Value{ValueKind::Text, 0, std::move(v)}; }

    bool IsNumeric() const { return Kind != ValueKind::Empty && Kind != ValueKind::Text; }
    bool operator==(const Value&) const = default;
};

/// Lower-case name of a kind: empty, double, single, integer, text, boolean.
const char* KindName(ValueKind kind);

/// A number as plain text: up to 15 significant digits (7 for a single),
/// no thousands separators; exponent form from 1E+15 (1E+07 for a single)
/// up and below 0.001 (1.23E-04), as the classic BASIC runtime prints.
/// `decimalPoint` replaces ".".
std::string NumberText(double v, bool single = false, std::string_view decimalPoint = ".");

/// What a value reads as text: numbers as NumberText with the locale's
/// decimal separator, truth values "True"/"False", empty as "".
std::string GeneralNumberText(const Value& v);

/// As GeneralNumberText, but numbers always with "." (for re-reading with
/// the leading-number rule).
std::string PlainText(const Value& v);

/// The value as a number for arithmetic: empty is 0, text must hold a whole
/// number (ParseWholeNumber). False when it cannot be read.
bool ToNumber(const Value& v, double& out);

} // namespace pv
