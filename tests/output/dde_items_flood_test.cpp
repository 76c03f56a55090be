// The served items under a flood: past the tick's budget, the rest of a
// tick's records cost one announcement per item, carrying the last value.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "output/dde_items.h"

namespace pv {
namespace {

using Announced = std::vector<std::pair<std::string, std::string>>;

TEST(DdeItemsFlood, PastTheBudgetOneAnnouncementPerItemWithTheLastValue) {
    DdeItems items;
    Announced got;
    items.SetListener([&](const std::string& i, const std::string& v) { got.emplace_back(i, v); });
    items.SetCoalescing(true);
    for (int r = 1; r <= 1000; ++r) {
        items.ShowField(1, "a" + std::to_string(r));
        items.ShowField(2, "b" + std::to_string(r));
        items.ShowRecordNumber(std::to_string(r));
    }
    ASSERT_EQ(got.size(), size_t(DdeItems::kTickBudget)) << "the rest held until the tick ends";
    EXPECT_EQ(got[3], (std::pair<std::string, std::string>{"Field(1)", "a2"}));
    EXPECT_EQ(items.Field(1), "a1000") << "requests see the latest at once";
    items.Flush();
    items.Flush(); // nothing announced twice
    // RecordNumber last: a watcher waiting for it has the whole record.
    EXPECT_EQ(Announced(got.begin() + DdeItems::kTickBudget, got.end()),
              (Announced{{"Field(2)", "b1000"}, {"Field(1)", "a1000"}, {"RecordNumber", "1000"}}));
    items.SetCoalescing(false);
    items.ShowRecordNumber("1001");
    EXPECT_EQ(got.back().second, "1001") << "without coalescing, at once";
}

} // namespace
} // namespace pv
