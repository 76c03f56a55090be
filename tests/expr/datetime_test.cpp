#include "expr/datetime.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

const DateTime kNow{2024, 3, 7, 9, 5, 2};

struct ExpandCase {
    const char* name;
    const char* text;
    const char* expected;
};

class Expand : public testing::TestWithParam<ExpandCase> {};

TEST_P(Expand, Replaces) {
    EXPECT_EQ(ExpandDateTime(GetParam().text, kNow), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    All, Expand,
    testing::Values(ExpandCase{"Empty", "", ""}, ExpandCase{"NoPlaceholder", "abc", "abc"},
                    ExpandCase{"All", "{CENTURY}{YEAR}-{MONTH}-{DAY} {HOUR}:{MINUTE}:{SECOND}",
                               "2024-03-07 09:05:02"},
                    ExpandCase{"AnyCase", "{year}/{Month}", "24/03"},
                    ExpandCase{"FirstOccurrenceOnly", "{YEAR}{YEAR}", "24{YEAR}"},
                    ExpandCase{"Unclosed", "{YEAR", "{YEAR"},
                    ExpandCase{"Embedded", "a{DAY}b", "a07b"}),
    [](const testing::TestParamInfo<ExpandCase>& i) { return std::string(i.param.name); });

TEST(Calendar, WeekdaysAndDayNumbers) {
    EXPECT_EQ(DayOfWeek({2024, 1, 5}), 6);   // Friday
    EXPECT_EQ(DayOfWeek({1899, 12, 30}), 7); // Saturday
    EXPECT_EQ(DayOfYear({2024, 12, 31}), 366);
    EXPECT_EQ(DayOfYear({2023, 12, 31}), 365);
    EXPECT_EQ(WeekOfYear({2024, 1, 6}), 1);
    EXPECT_EQ(WeekOfYear({2024, 1, 7}), 2);
}

TEST(Calendar, SerialRoundTrip) {
    EXPECT_DOUBLE_EQ(ToSerial({2024, 1, 5, 12, 0, 0}), 45296.5);
    EXPECT_DOUBLE_EQ(ToSerial({1899, 12, 29, 6, 0, 0}), -1.25);
    for (DateTime dt : {DateTime{2024, 2, 29, 23, 59, 59}, DateTime{100, 1, 1, 0, 0, 0},
                        DateTime{9999, 12, 31, 23, 59, 59}, DateTime{1899, 12, 29, 6, 0, 0}}) {
        DateTime back;
        ASSERT_TRUE(FromSerial(ToSerial(dt), back));
        EXPECT_EQ(back, dt);
    }
    DateTime out;
    EXPECT_FALSE(FromSerial(1e9, out));
    EXPECT_FALSE(FromSerial(-1e9, out));
}

TEST(Calendar, ParsesIsoForms) {
    EXPECT_EQ(ParseDateTime("2024-01-05 13:04:09"), (DateTime{2024, 1, 5, 13, 4, 9}));
    EXPECT_EQ(ParseDateTime("2024-01-05T13:04"), (DateTime{2024, 1, 5, 13, 4, 0}));
    EXPECT_EQ(ParseDateTime("2024-1-5"), (DateTime{2024, 1, 5, 0, 0, 0}));
    EXPECT_EQ(ParseDateTime("7:30"), (DateTime{1899, 12, 30, 7, 30, 0}));
    EXPECT_FALSE(ParseDateTime("2023-02-29"));
    EXPECT_FALSE(ParseDateTime("2024-01-05 25:00"));
    EXPECT_FALSE(ParseDateTime("12.5"));
    EXPECT_FALSE(ParseDateTime(""));
}

} // namespace
} // namespace pv
