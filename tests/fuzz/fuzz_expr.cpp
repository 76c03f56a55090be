// Feeds arbitrary bytes to the evaluator, the format engine and the
// leading-number reader. The first byte picks the target; for formatting,
// a NUL splits value from pattern.
#include "expr/datetime.h"
#include "expr/evaluator.h"
#include "expr/format.h"
#include "expr/leading_number.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static pv::EvalContext context;
    static pv::FieldValues fields = [] {
        pv::FieldValues f;
        f[1] = pv::Value::MakeText("12.5");
        f[2] = pv::Value::MakeText("1F");
        f[3] = pv::Value::MakeText("abc");
        f[4] = pv::Value::MakeInteger(-7);
        f[5] = pv::Value::MakeBoolean(true);
        f[6] = pv::Value::MakeSingle(0.5f);
        f[7] = pv::Value::MakeDouble(1e300);
        return f;
    }();
    std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0: {
        auto compiled = pv::CompileExpression(in);
        auto r = compiled.Evaluate(fields, context);
        (void)compiled.Evaluate(fields, context);
        (void)pv::FormatValue(r.Result, "General Number");
        break;
    }
    case 1: {
        size_t nul = in.find('\0');
        std::string_view value = in.substr(0, nul);
        std::string_view pattern = nul == std::string_view::npos ? "" : in.substr(nul + 1);
        (void)pv::FormatValue(pv::Value::MakeText(std::string(value)), pattern);
        double x = pv::LeadingNumber(value);
        (void)pv::FormatValue(pv::Value::MakeDouble(x), pattern);
        (void)pv::FormatValue(pv::Value::MakeSingle(static_cast<float>(x)), pattern);
        break;
    }
    case 2: {
        pv::DateTime dt{2024, 2, 29, 23, 59, 58};
        (void)pv::FormatDateTime(dt, in);
        (void)pv::ExpandDateTime(in, dt);
        break;
    }
    case 3: {
        double x = 0;
        (void)pv::ParseWholeNumber(in, x);
        (void)pv::ReadLeadingNumber(in);
        (void)pv::ParseDateTime(in);
        break;
    }
    }
    return 0;
}
