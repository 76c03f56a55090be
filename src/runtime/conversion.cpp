#include "runtime/conversion.h"

#include "expr/datetime.h"
#include "expr/evaluator.h"
#include "expr/format.h"

namespace pv::conv {

Value EvaluateField(std::string_view expression, const std::array<Value, 43>& fields) {
    return pv::EvaluateExpression(expression, fields).Result;
}

std::string FormatField(const Value& value, const std::string& format) {
    return FormatValue(value, format);
}

std::string FormatClock(const DateTime& now, const std::string& format) {
    return FormatDateTime(now, format);
}

std::string ExpandDateTime(const std::string& text, const DateTime& now) {
    if (text.find('{') == std::string::npos) return text;
    return pv::ExpandDateTime(text, now);
}

} // namespace pv::conv
