#include <gtest/gtest.h>

#include <set>

#include "config/config.h"
#include "config/settings_table.h"

namespace pv {
namespace {

TEST(DefaultsTest, NewConfigurationHoldsTheDocumentedTables) {
    Config c;
    EXPECT_EQ(c.KeystrokeTranslation[32], " ");
    EXPECT_EQ(c.KeystrokeTranslation[7], "NUL");
    EXPECT_EQ(c.KeystrokeTranslation[65], "A");
    EXPECT_EQ(c.KeystrokeTranslation[127], "{DELETE}");
    EXPECT_EQ(c.KeystrokeTranslation[200], std::string(1, static_cast<char>(200)));
    ASSERT_EQ(c.DDETranslation.size(), 256u);
    ASSERT_EQ(c.LogTranslation.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(static_cast<unsigned char>(c.DDETranslation[i]), i < 32 ? 0 : i) << i;
        EXPECT_EQ(static_cast<unsigned char>(c.LogTranslation[i]), i) << i;
        EXPECT_EQ(c.PreInputTable[i], std::string(1, static_cast<char>(i)));
    }
    EXPECT_EQ(c.OutputStringCaption[7], "String7");
    EXPECT_EQ(c.FieldFilter[40], "C");
    EXPECT_EQ(BaudRateValue(11), 115200);
    EXPECT_EQ(BaudRateValue(12), 9600);
    EXPECT_EQ(BaudRateValue(-1), 9600);
}

TEST(DefaultsTest, NewResetsSettingsButKeepsProgramState) {
    Config c;
    c.KeystrokeTranslation[65] = "{F1}";
    c.DDETopicName = "T";
    c.ConfigFileName = "/tmp/a.PV3";
    c.ConfigChanged = c.ConfigLoaded = True;
    c.RunMode = RunTest;
    ResetToDefaults(c);
    EXPECT_EQ(c.KeystrokeTranslation[65], "A");
    EXPECT_EQ(c.DDETopicName, "");
    EXPECT_EQ(c.ConfigFileName, "");
    EXPECT_FALSE(c.ConfigChanged || c.ConfigLoaded);
    EXPECT_EQ(c.RunMode, RunTest);
}

TEST(SettingsTableTest, NamesAreUniqueAndEveryStoredSlotHasOnePlace) {
    std::set<std::string> names;
    std::set<int> lines;
    for (const auto& d : SettingsTable()) {
        EXPECT_TRUE(names.insert(d.name).second) << d.name;
        for (const pv::Run& r : d.v3)
            for (int i = r.first; i <= r.last; ++i)
                EXPECT_TRUE(lines.insert(r.key + r.stride * (i - r.first)).second) << d.name << i;
    }
    // 1461 text lines less the header and the 2 x 255 lines of the code tables.
    EXPECT_EQ(lines.size() + 1 + 2 * 255, 1461u + 2u);
}

struct SetRow {
    const char* name;
    const char* target;
    const char* value;
    bool ok;
};

TEST(SettingsTableTest, SetAcceptsOrRefuses) {
    const SetRow rows[] = {
        {"Scalar", "BaudRate", "11", true},
        {"Int16Overflow", "BaudRate", "40000", false},
        {"Int32", "TimerInterval", "99999999", true},
        {"CodedSetting", "EndOfRecordEvent", "3", true},
        {"NotANumber", "CommPort", "COM1", false},
        {"UnknownName", "Baudrate", "1", false},
        {"IndexedText", "FieldPostamble(40)", "{TAB}\\x0D", true},
        {"SpareSlot", "FieldFormat(42)", "0.00", true},
        {"IndexPastEnd", "FieldFormat(43)", "0.00", false},
        {"HotKeyPastEnd", "HotKeyCode(50)", "112", false},
        {"MissingIndex", "FieldFilter", "N", false},
        {"IndexOnScalar", "AckString(1)", "x", false},
        {"BadEscape", "AckString", "\\q", false},
        {"FilterLetter", "FieldFilter(3)", "Q", false},
        {"DelimiterTwoChars", "FieldDelimiter", ",,", false},
        {"PreInputKeyword", "PreInputTable(0)", "Ignore", true},
        {"TableWrongLength", "LogTranslation", "abc", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings s;
        std::string why = SetSetting(s, row.target, row.value);
        EXPECT_EQ(why.empty(), row.ok) << why;
    }
    Settings s;
    ASSERT_EQ(SetSetting(s, "AckString", "\\x06\\x00\\x5C"), "");
    EXPECT_EQ(s.AckString, std::string("\x06\0\\", 3));
    ASSERT_EQ(SetSetting(s, "EndOfRecordEvent", "2"), "");
    EXPECT_EQ(s.EndOfRecordEvent, EndOnByteCount);
}

} // namespace
} // namespace pv
