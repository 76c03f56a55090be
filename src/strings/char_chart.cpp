#include "strings/char_chart.h"

#include <cctype>

#include "text/translation_display.h"

namespace pv {

namespace {

std::string Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

int FindCharCode(std::string_view query) {
    if (!query.empty() && query.size() <= 3 &&
        query.find_first_not_of("0123456789") == std::string_view::npos) {
        const int n = std::stoi(std::string(query));
        return n <= 255 ? n : -1;
    }
    const std::string name = Upper(Trim(query));
    if (name.size() > 1) {
        for (int c = 0; c < 32; ++c)
            if (Trim(ControlCodeName(c)) == name) return c;
        if (name == "TAB") return 9;
        if (name == "SPACE") return 32;
        if (name == "DEL") return 127;
    }
    if (query.size() == 1) return static_cast<unsigned char>(query[0]);
    return -1;
}

} // namespace pv
