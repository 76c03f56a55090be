#include <gtest/gtest.h>

#include "text/escape.h"

namespace pv {
namespace {

using namespace std::string_literals;

TEST(Escape, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string escaped = EscapeBytes(all);
    for (unsigned char c : escaped)
        EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << int(c);
    EXPECT_EQ(UnescapeBytes(escaped), all);
}

TEST(Escape, PrintableTextIsUnchangedButBackslashIsEscaped) {
    EXPECT_EQ(EscapeBytes("12.5,OK"), "12.5,OK");
    EXPECT_EQ(EscapeBytes("a\\b"), "a\\x5Cb");
    EXPECT_EQ(EscapeBytes("\0\r\n\xFF"s), "\\x00\\x0D\\x0A\\xFF");
}

TEST(Unescape, AcceptsLowerCaseHex) {
    EXPECT_EQ(UnescapeBytes("\\x0d\\xfF"), "\r\xFF");
}

TEST(Unescape, RejectsMalformedEscapes) {
    for (const char* bad :
         {"\\", "\\x", "\\x4", "abc\\x4", "\\n", "\\X41", "\\xG1", "\\x1G", "ok\\"}) {
        EXPECT_EQ(UnescapeBytes(bad), std::nullopt) << bad;
    }
}

} // namespace
} // namespace pv
