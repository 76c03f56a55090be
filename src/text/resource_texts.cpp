#include "text/resource_texts.h"

#include "text/byte_text.h"
#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {

std::optional<int> ResourceNumber(std::string_view tag) {
    auto value = ParseInteger(tag, 1, 999'999'999);
    if (!value) return std::nullopt;
    return static_cast<int>(*value);
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
    if (std::optional<int> charset = ResourceNumber(Text(txt::FontCharset)))
        font.Charset = *charset;
    return font;
}

} // namespace pv
