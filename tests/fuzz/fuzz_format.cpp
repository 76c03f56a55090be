// Feeds arbitrary patterns and values to the format engine. The first byte
// picks the kind of value; a NUL splits the value's text from the pattern.
// Checked: no crash, and a pattern compiled once formats exactly as the
// one-shot call does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "expr/format.h"
#include "expr/leading_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    size_t nul = in.find('\0');
    std::string text(in.substr(0, nul));
    std::string_view pattern = nul == std::string_view::npos ? "" : in.substr(nul + 1);
    double x = pv::LeadingNumber(text);
    pv::Value value;
    switch (data[0] % 5) {
    case 0: value = pv::Value::MakeText(text); break;
    case 1: value = pv::Value::MakeDouble(x); break;
    case 2: value = pv::Value::MakeSingle(static_cast<float>(x)); break;
    case 3: value = pv::Value::MakeInteger(static_cast<int16_t>(static_cast<long long>(x) & 0x7fff)); break;
    default: value = pv::Value::MakeBoolean(x != 0); break;
    }
    pv::CompiledFormat compiled = pv::CompileFormat(pattern);
    if (compiled.Apply(value) != pv::FormatValue(value, pattern)) std::abort();
    pv::DateTime dt{1900 + data[0], 1 + data[0] % 12, 1 + data[0] % 28, data[0] % 24, 59, 58};
    if (compiled.Apply(dt) != pv::FormatDateTime(dt, pattern)) std::abort();
    return 0;
}
