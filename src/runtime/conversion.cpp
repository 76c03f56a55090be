#include "runtime/conversion.h"

#include <cstdio>

#include "expr/datetime.h"
#include "expr/evaluator.h"

namespace pv::conv {

Value EvaluateField(std::string_view expression, const std::array<Value, 43>& fields) {
    return pv::EvaluateExpression(expression, fields).Result;
}

std::string FormatField(const Value& value, const std::string& /*format*/) {
    return value.Kind == ValueKind::Text ? value.Text : GeneralNumberText(value);
}

std::string FormatClock(const DateTime& now, const std::string& /*format*/) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", now.Year, now.Month, now.Day,
                  now.Hour, now.Minute, now.Second);
    return buf;
}

std::string ExpandDateTime(const std::string& text, const DateTime& now) {
    if (text.find('{') == std::string::npos) return text;
    return pv::ExpandDateTime(text, now);
}

} // namespace pv::conv
