#include <gtest/gtest.h>

#include "text/resource_texts.h"
#include "text/strings.h"

namespace pv {
namespace {

struct TagCase {
    const char* Name;
    const char* Tag;
    std::optional<int> Number;
};

class TagNumber : public ::testing::TestWithParam<TagCase> {};

INSTANTIATE_TEST_SUITE_P(
    ResourceTexts, TagNumber,
    ::testing::Values(TagCase{"Plain", "2102", 2102}, TagCase{"Blanks", " 4005 ", 4005},
                      TagCase{"Empty", "", std::nullopt}, TagCase{"OnlyBlanks", "  ", std::nullopt},
                      TagCase{"Zero", "0", std::nullopt}, TagCase{"Negative", "-5", std::nullopt},
                      TagCase{"Word", "Caption", std::nullopt},
                      TagCase{"TrailingJunk", "12a", std::nullopt},
                      TagCase{"Decimal", "20.5", std::nullopt},
                      TagCase{"Huge", "99999999999999999999", std::nullopt}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(TagNumber, IsRecognised) {
    EXPECT_EQ(ResourceNumber(GetParam().Tag), GetParam().Number);
}

class ResourceTextsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = CurrentLanguage();
        SetLanguage(Language::English);
    }
    void TearDown() override { SetLanguage(saved_); }
    Language saved_ = Language::English;
};

TEST_F(ResourceTextsTest, NumberedTagReplacesCaption) {
    std::string caption = "Form1";
    EXPECT_TRUE(ApplyResourceText(caption, "2102"));
    EXPECT_EQ(caption, "&File");
    SetLanguage(Language::German);
    EXPECT_TRUE(ApplyResourceText(caption, "2102"));
    EXPECT_EQ(caption, Text(2102, Language::German));
}

TEST_F(ResourceTextsTest, UnusableTagKeepsDesignCaption) {
    for (const char* tag : {"", "abc", "0", "2127"}) {
        std::string caption = "Label1";
        EXPECT_FALSE(ApplyResourceText(caption, tag)) << tag;
        EXPECT_EQ(caption, "Label1") << tag;
    }
}

TEST_F(ResourceTextsTest, FontFollowsLanguage) {
    InterfaceFont font = CurrentInterfaceFont();
    EXPECT_EQ(font.Name, "Ms Sans Serif");
    EXPECT_EQ(font.Charset, 0);
    EXPECT_EQ(font.PointSize, 8);
    EXPECT_FALSE(font.Bold);
    SetLanguage(Language::Japanese);
    EXPECT_EQ(CurrentInterfaceFont().Charset, 128);
}

} // namespace
} // namespace pv
