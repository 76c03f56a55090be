#include "config/recent_files.h"

#include <gtest/gtest.h>

#include <tuple>

namespace pv {
namespace {

using Paths = std::vector<std::string>;

TEST(RecentFilesTest, InsertKeepsFourDistinctNewestFirst) {
    // name, inserted oldest first, listed newest first
    const std::tuple<const char*, Paths, Paths> rows[] = {
        {"Empty", {}, {}},
        {"SameFileTwiceOnce", {"/x", "/x"}, {"/x"}},
        {"FifthPushesOutOldest", {"/1", "/2", "/3", "/4", "/5"}, {"/5", "/4", "/3", "/2"}},
        {"ListedMovesToTop", {"/1", "/2", "/3", "/4", "/2"}, {"/2", "/4", "/3", "/1"}},
        {"CaseMatters", {"/a/x.pv3", "/a/X.PV3"}, {"/a/X.PV3", "/a/x.pv3"}},
        {"EmptyPathIgnored", {"/1", ""}, {"/1"}},
    };
    for (const auto& [name, inserted, listed] : rows) {
        RecentFiles list;
        for (const auto& p : inserted)
            list.Insert(p);
        EXPECT_EQ(list.Entries(), listed) << name;
        EXPECT_EQ(list.Count(), static_cast<int>(listed.size()) - 1) << name;
    }
}

TEST(RecentFilesTest, ChooseMovesUpAndStoreRoundTripStopsAtAGap) {
    RecentFiles list;
    for (const char* p : {"/1", "/2", "/3"})
        list.Insert(p);
    EXPECT_EQ(list.Choose(2), "/1");
    EXPECT_EQ(list.Choose(7), "");
    EXPECT_EQ(list.Entries(), Paths({"/1", "/3", "/2"}));
    MemorySettingsStore store;
    list.Save(store);
    EXPECT_EQ(store.Get("MRUFiles", "2"), "/2");
    RecentFiles loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.Entries(), list.Entries());
    store.Remove("MRUFiles", "1");
    loaded.Load(store);
    EXPECT_EQ(loaded.Entries(), Paths({"/1"}));
}

} // namespace
} // namespace pv
