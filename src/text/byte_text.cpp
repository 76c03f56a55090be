#include "text/byte_text.h"

namespace pv {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

char UpperByte(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
    return static_cast<char>(c);
}

char LowerByte(char ch) {
    auto c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
    return static_cast<char>(c);
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        c = UpperByte(c);
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        c = LowerByte(c);
    return out;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperByte(a[i]) != UpperByte(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view t) {
    while (!t.empty() && IsBlank(t.front()))
        t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back()))
        t.remove_suffix(1);
    return t;
}

std::optional<int64_t> ParseInteger(std::string_view text, int64_t lo, int64_t hi) {
    std::string_view t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t = Trim(t.substr(1));
    }
    if (t.empty()) return std::nullopt;
    int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        if (v > 1'000'000'000'000'000LL) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (negative) v = -v;
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

} // namespace pv
