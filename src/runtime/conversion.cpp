#include "runtime/conversion.h"

#include <cctype>
#include <cstdio>

#include "expr/datetime.h"
#include "expr/evaluator.h"

namespace pv::conv {

namespace {

std::string TwoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", ((n % 100) + 100) % 100);
    return buf;
}

size_t FindNoCase(const std::string& text, const char* what) {
    std::string_view w(what);
    if (w.size() > text.size()) return std::string::npos;
    for (size_t i = 0; i + w.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < w.size() && std::toupper(static_cast<unsigned char>(text[i + k])) == w[k])
            ++k;
        if (k == w.size()) return i;
    }
    return std::string::npos;
}

} // namespace

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
    if (text.empty() || text.find('{') == std::string::npos) return text;
    const struct {
        const char* name;
        int value;
    } parts[] = {{"{CENTURY}", now.Year / 100}, {"{YEAR}", now.Year},
                 {"{MONTH}", now.Month},        {"{DAY}", now.Day},
                 {"{HOUR}", now.Hour},          {"{MINUTE}", now.Minute},
                 {"{SECOND}", now.Second}};
    std::string out = text;
    for (const auto& p : parts) {
        size_t at = FindNoCase(out, p.name);
        if (at != std::string::npos)
            out.replace(at, std::char_traits<char>::length(p.name), TwoDigits(p.value));
    }
    return out;
}

} // namespace pv::conv
