#include <gtest/gtest.h>

#include "text/translation_display.h"

namespace pv {
namespace {

using namespace std::string_literals;

const std::string& Line(int i) {
    static const auto lines = [] {
        std::array<std::string, 256> l;
        BuildTranslationDisplay(l);
        return l;
    }();
    return lines[static_cast<size_t>(i)];
}

struct LineCase {
    const char* Name;
    int Code;
    std::string Expected;
};

class TranslationLine : public ::testing::TestWithParam<LineCase> {};

INSTANTIATE_TEST_SUITE_P(
    TranslationDisplay, TranslationLine,
    ::testing::Values(LineCase{"Nul", 0, " 0\t    NUL\t\t\xA0"s},
                      LineCase{"Tab", 9, " 9\t    TAB\t\t\xA0"s},
                      LineCase{"CarriageReturn", 13, " 13  \t\r   CR \t\t\xA0"s},
                      LineCase{"StartOfHeading", 1, " 1  \t\x01   SOH\t\t\xA0"s},
                      LineCase{"Backspace", 8, " 8  \t\b   BS \t\t\xA0"s},
                      LineCase{"Substitute", 26, " 26  \t\x1A   SUB\t\t\xA0"s},
                      LineCase{"UnitSeparator", 31, " 31  \t\x1F   US \t\t\xA0"s},
                      LineCase{"Space", 32, " 32\t    SPACE\t\xA0"s},
                      LineCase{"Letter", 65, " 65  \tA   \t\t\xA0"s},
                      LineCase{"Delete", 127, " 127  \t\x7F   \t\t\xA0"s},
                      LineCase{"NoBreakSpace", 160, " 160\t\t\t\xA0"s},
                      LineCase{"HighByte", 255, " 255  \t\xFF   \t\t\xA0"s}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(TranslationLine, IsBuiltByteForByte) {
    EXPECT_EQ(Line(GetParam().Code), GetParam().Expected);
}

TEST(TranslationDisplay, EveryLineStartsWithItsCodeAndEndsInNoBreakSpace) {
    for (int i = 0; i < 256; ++i) {
        const std::string& line = Line(i);
        std::string prefix = " " + std::to_string(i);
        EXPECT_EQ(line.compare(0, prefix.size(), prefix), 0) << i;
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\xA0') << i;
    }
}

TEST(ControlCodeName, SlicesThreeCharacterNames) {
    const std::pair<int, const char*> rows[] = {{0, "NUL"},  {7, "BEL"},  {8, "BS "},
                                                {10, "LF "}, {17, "DC1"}, {25, "EM "},
                                                {26, "SUB"}, {27, "ESC"}, {31, "US "}};
    for (auto [code, name] : rows)
        EXPECT_EQ(ControlCodeName(code), name) << code;
}

TEST(ControlCodeName, IsEmptyOutsideControlRange) {
    for (int code : {-1, 32, 127, 255, 1000})
        EXPECT_EQ(ControlCodeName(code), "") << code;
}

} // namespace
} // namespace pv
