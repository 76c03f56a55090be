#include "strings/char_chart.h"

#include <string>

#include "text/byte_text.h"
#include "text/translation_display.h"

namespace pv {

int FindCharCode(std::string_view query) {
    if (!query.empty() && query.size() <= 3 &&
        query.find_first_not_of("0123456789") == std::string_view::npos) {
        const int n = std::stoi(std::string(query));
        return n <= 255 ? n : -1;
    }
    const std::string name = UpperCase(Trim(query));
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
