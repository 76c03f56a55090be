#include "config/recent_files.h"

#include <gtest/gtest.h>

namespace pv {
namespace {

using Paths = std::vector<std::string>;

RecentFiles With(const Paths& insertedOldestFirst) {
    RecentFiles list;
    for (const auto& p : insertedOldestFirst)
        list.Insert(p);
    return list;
}

TEST(RecentFilesTest, EmptyListCountsMinusOne) {
    RecentFiles list;
    EXPECT_EQ(list.Count(), -1);
    EXPECT_TRUE(list.Empty());
}

TEST(RecentFilesTest, SameFileTwiceLeavesOneEntry) {
    RecentFiles list = With({"/a/x.PV3", "/a/x.PV3"});
    EXPECT_EQ(list.Entries(), Paths({"/a/x.PV3"}));
    EXPECT_EQ(list.Count(), 0);
}

TEST(RecentFilesTest, FifthFilePushesOutTheOldest) {
    RecentFiles list = With({"/1.PV3", "/2.PV3", "/3.PV3", "/4.PV3", "/5.PV3"});
    EXPECT_EQ(list.Entries(), Paths({"/5.PV3", "/4.PV3", "/3.PV3", "/2.PV3"}));
    EXPECT_EQ(list.Count(), 3);
}

TEST(RecentFilesTest, ListedFileMovesToTopKeepingTheOthersInOrder) {
    RecentFiles list = With({"/1.PV3", "/2.PV3", "/3.PV3", "/4.PV3"});
    list.Insert("/2.PV3");
    EXPECT_EQ(list.Entries(), Paths({"/2.PV3", "/4.PV3", "/3.PV3", "/1.PV3"}));
}

TEST(RecentFilesTest, PathsDifferingInCaseAreDifferentFiles) {
    RecentFiles list = With({"/a/x.pv3", "/a/X.PV3"});
    EXPECT_EQ(list.Entries(), Paths({"/a/X.PV3", "/a/x.pv3"}));
}

TEST(RecentFilesTest, EmptyPathIsIgnored) {
    RecentFiles list = With({"/1.PV3", ""});
    EXPECT_EQ(list.Entries(), Paths({"/1.PV3"}));
}

TEST(RecentFilesTest, ChoosingAnEntryMovesItUpAndGivesItsPath) {
    RecentFiles list = With({"/1.PV3", "/2.PV3", "/3.PV3"});
    EXPECT_EQ(list.Choose(2), "/1.PV3");
    EXPECT_EQ(list.Entries(), Paths({"/1.PV3", "/3.PV3", "/2.PV3"}));
    EXPECT_EQ(list.Choose(7), "");
    EXPECT_EQ(list.Choose(-1), "");
}

TEST(RecentFilesTest, SavesToKeysAndLoadsBackInOrder) {
    MemorySettingsStore store;
    With({"/1.PV3", "/2.PV3", "/3.PV3"}).Save(store);
    EXPECT_EQ(store.Get("MRUFiles", "0"), "/3.PV3");
    EXPECT_EQ(store.Get("MRUFiles", "2"), "/1.PV3");
    RecentFiles loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.Entries(), Paths({"/3.PV3", "/2.PV3", "/1.PV3"}));
}

TEST(RecentFilesTest, LoadingStopsAtTheFirstEmptyKeyAndAfterFour) {
    MemorySettingsStore store;
    store.Set("MRUFiles", "0", "/a.PV3");
    store.Set("MRUFiles", "2", "/c.PV3");
    RecentFiles list;
    list.Load(store);
    EXPECT_EQ(list.Entries(), Paths({"/a.PV3"}));

    for (int i = 0; i < 6; ++i)
        store.Set("MRUFiles", std::to_string(i), "/" + std::to_string(i));
    list.Load(store);
    EXPECT_EQ(list.Count(), 3);
}

} // namespace
} // namespace pv
