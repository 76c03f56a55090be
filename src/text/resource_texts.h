#pragma once
// The toolkit-free part of putting the numbered texts on a window: a
// window or control designed with a text number in its tag (or caption,
// for menu items) gets that text and the interface font at load time.
#include <optional>
#include <string>
#include <string_view>

namespace pv {

/// The text number a design-time tag stands for: digits (blanks around them
/// allowed) giving a number above 0. Anything else, "" included, is not a
/// text number.
std::optional<int> ResourceNumber(std::string_view tag);

/// Replaces `caption` by the text that `tag` names, in the current language.
/// Keeps the caption when the tag is no text number or the table has no such
/// text. Returns whether the caption was replaced.
bool ApplyResourceText(std::string& caption, std::string_view tag);

struct InterfaceFont {
    std::string Name; // text 20
    int Charset = 0;  // text 21
    int PointSize = 8;
    bool Bold = false;
};

/// The font every window and text-bearing control gets, in the current language.
InterfaceFont CurrentInterfaceFont();

} // namespace pv
