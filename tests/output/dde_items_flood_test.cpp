// The served items under a flood: while coalescing, a tick's many records
// cost one announcement per item, carrying the last value.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "output/dde_items.h"

namespace pv {
namespace {

using Announced = std::vector<std::pair<std::string, std::string>>;

struct Row {
    const char* name;
    bool coalescing;
    size_t count; // announcements in all
    Announced last;
};

void PrintTo(const Row& r, std::ostream* os) {
    *os << r.name;
}

class DdeItemsFloodTest : public ::testing::TestWithParam<Row> {};

TEST_P(DdeItemsFloodTest, AnnouncesPerTick) {
    DdeItems items;
    Announced got;
    items.SetListener([&](const std::string& i, const std::string& v) { got.emplace_back(i, v); });
    items.SetCoalescing(GetParam().coalescing);
    for (int r = 1; r <= 1000; ++r) {
        items.ShowField(2, "b" + std::to_string(r));
        items.ShowField(1, "a" + std::to_string(r));
        items.ShowRecordNumber(std::to_string(r));
    }
    if (GetParam().coalescing) {
        EXPECT_TRUE(got.empty()) << "held until the tick ends";
    }
    items.Flush();
    items.Flush(); // nothing announced twice
    ASSERT_EQ(got.size(), GetParam().count);
    EXPECT_EQ(Announced(got.end() - 3, got.end()), GetParam().last);
    EXPECT_EQ(items.Field(1), "a1000");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DdeItemsFloodTest,
    ::testing::Values(
        Row{"CoalescedOncePerItemWithTheLastValueInFirstChangeOrder",
            true,
            3,
            {{"Field(2)", "b1000"}, {"Field(1)", "a1000"}, {"RecordNumber", "1000"}}},
        Row{"WithoutCoalescingEveryChangeIsAnnounced",
            false,
            3000,
            {{"Field(2)", "b1000"}, {"Field(1)", "a1000"}, {"RecordNumber", "1000"}}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace pv
