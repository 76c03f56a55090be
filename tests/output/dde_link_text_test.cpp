// Link references, the output buffer's CR LF rule and the served items.
#include <gtest/gtest.h>

#include "output/dde_items.h"
#include "output/dde_link_text.h"
#include "text/escape.h"

namespace pv {
namespace {

struct LinkRow {
    const char *name, *text;
    LinkReference expected;
};

class LinkTextParsing : public testing::TestWithParam<LinkRow> {};

TEST_P(LinkTextParsing, SplitsApplicationTopicItem) {
    EXPECT_EQ(ParseLinkText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, LinkTextParsing,
    testing::Values(LinkRow{"Full", "Excel|Sheet1!R1C1", {"Excel", "Sheet1", "R1C1"}},
                    LinkRow{"NoItem", "Excel|Sheet1", {"Excel", "Sheet1", ""}},
                    LinkRow{"EmptyItem", "Excel|Sheet1!", {"Excel", "Sheet1", ""}},
                    LinkRow{"FirstBarAndBang", "a|b|c!d!e", {"a", "b|c", "d!e"}},
                    LinkRow{"BangBeforeBarBelongsToApp", "a!b|c!d", {"a!b", "c", "d"}},
                    LinkRow{"NoBar", "Excel", {"Excel", "", ""}},
                    LinkRow{"Empty", "", {"", "", ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkText, JoinsTheThreeParts) {
    EXPECT_EQ(LinkText("Portivox", "COM1", "Field(3)"), "Portivox|COM1!Field(3)");
    EXPECT_EQ(ParseLinkText(LinkText("a", "b", "c")), (LinkReference{"a", "b", "c"}));
}

struct BufferRow {
    const char* name;
    std::string received;
    bool strip;
    std::string queued;
};

class BufferLinkStripping : public testing::TestWithParam<BufferRow> {};

TEST_P(BufferLinkStripping, DropsOneTrailingCrLfWhenOn) {
    EXPECT_EQ(EscapeBytes(BufferLinkText(GetParam().received, GetParam().strip)),
              EscapeBytes(GetParam().queued));
}

INSTANTIATE_TEST_SUITE_P(
    Dde, BufferLinkStripping,
    testing::Values(BufferRow{"StrippedWhenOn", "12\r\n", true, "12"},
                    BufferRow{"KeptWhenOff", "12\r\n", false, "12\r\n"},
                    BufferRow{"LoneCrLfBecomesEmpty", "\r\n", true, ""},
                    BufferRow{"OnlyOnePairDropped", "1\r\n\r\n", true, "1\r\n"},
                    BufferRow{"LfCrNotStripped", "1\n\r", true, "1\n\r"},
                    BufferRow{"LoneCrNotStripped", "1\r", true, "1\r"},
                    BufferRow{"NulKept", std::string("a\0\r\n", 4), true, std::string("a\0", 2)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DdeItems, EveryShowIsAnnouncedEvenWhenUnchangedAndReachesTheWindow) {
    struct Inner : RecordDisplay {
        std::string last;
        void ShowField(int i, const std::string& t) override { last = std::to_string(i) + t; }
    } inner;
    std::vector<std::string> seen;
    DdeItems items(&inner);
    items.SetListener([&](const std::string& item, const std::string& value) {
        seen.push_back(item + "=" + value);
    });
    items.ShowField(1, "5");
    items.ShowField(1, "5");
    items.ShowRecordNumber("1");
    items.ShowDateTime("now");
    EXPECT_EQ(seen, (std::vector<std::string>{"Field(1)=5", "Field(1)=5", "RecordNumber=1",
                                              "DateTime=now"}));
    EXPECT_EQ(inner.last, "15");
}

TEST(DdeItems, ServedNamesFollowTheFieldCount) {
    EXPECT_EQ(DdeItems::Names(2),
              (std::vector<std::string>{"Field(1)", "Field(2)", "DateTime", "RecordNumber"}));
    DdeItems items;
    items.ShowField(3, "c");
    std::string v;
    EXPECT_FALSE(items.Get("Field(3)", 2, v)) << "a field past the count is no item";
    EXPECT_TRUE(items.Get("field(3)", 3, v));
    EXPECT_EQ(v, "c");
    EXPECT_FALSE(items.Get("Field(0)", 3, v));
    EXPECT_FALSE(items.Get("Nothing", 3, v));
    EXPECT_EQ(DdeItems::Canonical("recordnumber", 1), "RecordNumber");
}

} // namespace
} // namespace pv
