#include <gtest/gtest.h>

#include <set>

#include "text/key_names.h"

namespace pv {
namespace {

struct KeyTables {
    std::array<std::string, kKeyTableSize> Names;
    std::array<int16_t, kKeyTableSize> Codes;
    KeyTables() { BuildKeyNameTable(Names, Codes); }
};

struct ListEntry {
    int Position;
    int Code;
    const char* Name;
};

class KeyListPosition : public ::testing::TestWithParam<ListEntry> {};

// One row at each end of every group of the list.
INSTANTIATE_TEST_SUITE_P(
    KeyNames, KeyListPosition,
    ::testing::Values(ListEntry{0, 0, "None"}, ListEntry{1, 32, "SPACE"}, ListEntry{2, 13, "ENTER"},
                      ListEntry{4, 9, "TAB"}, ListEntry{5, 45, "INSERT"}, ListEntry{14, 33, "PGUP"},
                      ListEntry{15, 27, "ESCAPE"}, ListEntry{20, 145, "SCROLLOCK"},
                      ListEntry{21, 42, "PRTSC"}, ListEntry{22, 112, "F1"},
                      ListEntry{37, 127, "F16"}, ListEntry{38, 96, "NumPad 0"},
                      ListEntry{47, 105, "NumPad 9"}, ListEntry{48, 106, "Gray *"},
                      ListEntry{50, 109, "Gray -"}, ListEntry{52, 111, "Gray /"},
                      ListEntry{53, 186, ";"}, ListEntry{61, 220, "\\"}, ListEntry{62, 221, "]"},
                      ListEntry{63, 222, "'"}, ListEntry{64, 48, "0"}, ListEntry{73, 57, "9"},
                      ListEntry{74, 65, "A"}, ListEntry{99, 90, "Z"}));

TEST_P(KeyListPosition, ShowsItsKey) {
    KeyTables t;
    const ListEntry& e = GetParam();
    EXPECT_EQ(t.Codes[static_cast<size_t>(e.Position)], e.Code);
    EXPECT_EQ(t.Names[static_cast<size_t>(e.Code)], e.Name);
}

TEST(KeyNames, EveryListedKeyHasANameAndAppearsOnce) {
    KeyTables t;
    std::set<int> seen;
    for (int p = 0; p < kKeyListLength; ++p) {
        int code = t.Codes[static_cast<size_t>(p)];
        EXPECT_FALSE(t.Names[static_cast<size_t>(code)].empty()) << "position " << p;
        EXPECT_TRUE(seen.insert(code).second) << "code " << code << " listed twice";
    }
}

TEST(KeyNames, OnlyListedCodesAreNamed) {
    KeyTables t;
    std::set<int> listed(t.Codes.begin(), t.Codes.begin() + kKeyListLength);
    for (int code = 0; code < kKeyTableSize; ++code)
        EXPECT_EQ(!t.Names[static_cast<size_t>(code)].empty(), listed.count(code) == 1) << code;
    for (int p = kKeyListLength; p < kKeyTableSize; ++p)
        EXPECT_EQ(t.Codes[static_cast<size_t>(p)], 0) << p;
}

TEST(KeyNames, RebuildDiscardsOldContents) {
    std::array<std::string, kKeyTableSize> names;
    std::array<int16_t, kKeyTableSize> codes;
    names.fill("stale");
    codes.fill(7);
    BuildKeyNameTable(names, codes);
    EXPECT_EQ(names[1], "");
    EXPECT_EQ(names[225], "");
    EXPECT_EQ(codes[150], 0);
}

} // namespace
} // namespace pv
