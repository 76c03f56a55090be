#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "text/byte_text.h"
#include "text/escape.h"
#include "text/key_names.h"
#include "text/paths.h"
#include "text/resource_texts.h"
#include "text/strings.h"

namespace pv {
namespace {

using namespace std::string_literals;

TEST(ByteTextTest, OneCaseRuleTrimAndIntegers) {
    EXPECT_EQ(UpperCase("ab\xE9\xFE\xF7\xDF\xFFz"s), "AB\xC9\xDE\xF7\xDF\xFFZ"s);
    EXPECT_EQ(LowerCase("AB\xC9\xD7"s), "ab\xE9\xD7"s);
    EXPECT_TRUE(EqualsIgnoreCase("Caf\xE9"s, "CAF\xC9"s));
    EXPECT_EQ(Trim(" \t a b \t"), "a b");
    const auto none = std::nullopt;
    // clang-format off
    const std::pair<const char*, std::optional<int64_t>> rows[] = {
        {" 42 ", 42}, {"-7", -7}, {"+3", 3}, {"- 5", -5}, {"", none}, {"-", none}, {"4a", none},
        {"32768", none}, {"99999999999999999999", none}};
    // clang-format on
    for (auto [text, expected] : rows)
        EXPECT_EQ(ParseInteger(text, -32768, 32767), expected) << text;
}

TEST(PathsTest, OnlyALeadingTildeSlashIsExpanded) {
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    if (home.empty()) GTEST_SKIP() << "no HOME";
    EXPECT_EQ(ExpandHome("~/a.Log"), home + "/a.Log");
    EXPECT_EQ(ExpandHome("/x/~/a"), "/x/~/a");
    EXPECT_EQ(ExpandHome("~user/a"), "~user/a");
}

TEST(EscapeTest, EveryByteSurvivesAndMalformedEscapesAreRefused) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(UnescapeBytes(EscapeBytes(all)), all);
    EXPECT_EQ(EscapeBytes("12,OK\\\r"), "12,OK\\x5C\\x0D");
    EXPECT_EQ(UnescapeBytes("\\x0d\\xfF"), "\r\xFF");
    for (const char* bad : {"\\", "\\x4", "\\n", "\\X41", "\\xG1", "ok\\"})
        EXPECT_EQ(UnescapeBytes(bad), std::nullopt) << bad;
}

TEST(KeyNamesTest, ListPositionsNameTheirKeysOnce) {
    std::array<std::string, kKeyTableSize> names;
    std::array<int16_t, kKeyTableSize> codes;
    names.fill("stale");
    BuildKeyNameTable(names, codes);
    for (auto [position, code, name] :
         {std::tuple{0, 0, "None"}, {2, 13, "ENTER"}, {37, 127, "F16"}, {99, 90, "Z"}}) {
        EXPECT_EQ(codes[position], code) << position;
        EXPECT_EQ(names[code], name) << code;
    }
    std::set<int> listed(codes.begin(), codes.begin() + kKeyListLength);
    EXPECT_EQ(listed.size(), static_cast<size_t>(kKeyListLength));
    for (int code = 0; code < kKeyTableSize; ++code)
        EXPECT_EQ(!names[code].empty(), listed.count(code) == 1) << code;
}

TEST(ResourceTextsTest, NumberedTagsReplaceCaptionsOthersKeepThem) {
    for (const char* bad : {"", "  ", "0", "-5", "12a", "20.5", "2127", "99999999999999999999"}) {
        std::string caption = "Label1";
        EXPECT_FALSE(ApplyResourceText(caption, bad) || caption != "Label1") << bad;
    }
    std::string caption;
    EXPECT_TRUE(ApplyResourceText(caption, " 2102 "));
    EXPECT_EQ(caption, Text(2102));
}

} // namespace
} // namespace pv
