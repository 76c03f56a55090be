#pragma once
// The one way text becomes a number: read as much of a number as the front
// of the text holds, ignoring blanks anywhere, and stop at the first misfit.
#include <string_view>

namespace pv {

struct LeadingNumberResult {
    double Value = 0;
    /// The text held a number too large for a double; Value is then the
    /// largest double of the right sign.
    bool Overflow = false;
};

/// "&H"/"&O" prefixes (16-bit reading up to 4 hex digits or 0xFFFF octal,
/// 32-bit with a trailing "&" or more digits), else sign, digits, one ".",
/// and an "E"/"D" exponent. No digit gives 0.
LeadingNumberResult ReadLeadingNumber(std::string_view text);

inline double LeadingNumber(std::string_view text) {
    return ReadLeadingNumber(text).Value;
}

/// Whole text as a number for arithmetic: optional blanks around, sign,
/// digits with one decimal point ("." or the locale's), exponent, or an
/// "&H"/"&O" form. False when anything else is present.
bool ParseWholeNumber(std::string_view text, double& out);

} // namespace pv
