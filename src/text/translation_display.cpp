#include "text/translation_display.h"

#include <string_view>

namespace pv {

namespace {

constexpr std::string_view kControlNames = "NULSOHSTXETXEOTENQACKBELBS HT LF VT FF CR SO SI "
                                           "DLEDC1DC2DC3DC4NAKSYNETBCANEM SUBESCFS GS RS US ";
static_assert(kControlNames.size() == 32 * 3);

constexpr char kTab = '\t';
constexpr char kNbsp = '\xA0'; // Latin-1 no-break space, one byte

// The decimal code with the leading blank a positive number gets in print.
std::string Str(int i) {
    return " " + std::to_string(i);
}

std::string Line(int i) {
    const std::string tail = {kTab, kTab, kNbsp};
    switch (i) {
    case 0: return Str(0) + kTab + "    NUL" + tail;
    case 9: return Str(9) + kTab + "    TAB" + tail;
    case 32: return Str(32) + kTab + "    SPACE" + kTab + kNbsp;
    case 160: return Str(160) + kTab + tail;
    default: break;
    }
    std::string line = Str(i) + "  " + kTab + static_cast<char>(i) + "   ";
    if (i < 32) line += ControlCodeName(i);
    return line + tail;
}

} // namespace

std::string ControlCodeName(int code) {
    if (code < 0 || code > 31) return {};
    return std::string(kControlNames.substr(static_cast<size_t>(code) * 3, 3));
}

void BuildTranslationDisplay(std::array<std::string, 256>& TranslationDisplay) {
    for (int i = 0; i < 256; ++i)
        TranslationDisplay[static_cast<size_t>(i)] = Line(i);
}

} // namespace pv
