#include "text/resource_texts.h"

#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

std::optional<int> ResourceNumber(std::string_view tag) {
    size_t first = tag.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    size_t last = tag.find_last_not_of(' ');
    std::string_view digits = tag.substr(first, last - first + 1);
    // Text numbers are at most five digits; longer runs would overflow.
    if (digits.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value <= 0) return std::nullopt;
    return value;
}

bool ApplyResourceText(std::string& caption, std::string_view tag) {
    std::optional<int> number = ResourceNumber(tag);
    if (!number || !HasText(*number)) return false;
    caption = Text(*number);
    return true;
}

InterfaceFont CurrentInterfaceFont() {
    InterfaceFont font;
    font.Name = Text(txt::FontName);
    // "0" is the default character set and needs no parsing.
    if (std::optional<int> charset = ResourceNumber(Text(txt::FontCharset))) font.Charset = *charset;
    return font;
}

} // namespace pv
