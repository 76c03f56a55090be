#pragma once
// The runtime's doors into the expression layer: field expressions, the
// format engine and the date/time placeholders. Kept apart from the
// configuration headers so the two layers' type names never meet in one
// translation unit.
#include <array>
#include <string>
#include <string_view>

#include "expr/value.h"

namespace pv {

struct DateTime;

namespace conv {

/// What the evaluator leaves in a field slot for `expression` (its result,
/// or what it hands back on failure).
Value EvaluateField(std::string_view expression, const std::array<Value, 43>& fields);

/// The value formatted with a format name or pattern.
std::string FormatField(const Value& value, const std::string& format);

/// The date/time box text: `format` applied to `now` (general date when
/// empty).
std::string FormatClock(const DateTime& now, const std::string& format);

/// "{CENTURY}" ... "{SECOND}" placeholders replaced, first occurrence each.
std::string ExpandDateTime(const std::string& text, const DateTime& now);

} // namespace conv
} // namespace pv
