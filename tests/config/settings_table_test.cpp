#include <gtest/gtest.h>

#include <tuple>

#include "config/config.h"
#include "config/settings_table.h"

namespace pv {
namespace {

TEST(DefaultsTest, NewConfigurationHoldsTheDocumentedTables) {
    Config c;
    const std::pair<std::string, std::string> rows[] = {
        {c.KeystrokeTranslation[32], " "},
        {c.KeystrokeTranslation[127], "{DELETE}"},
        {c.KeystrokeTranslation[40], "{(}"},
        {c.KeystrokeTranslation[200], "\xC8"},
        {c.DDETranslation.substr(30, 4), std::string("\0\0 !", 4)},
        {c.LogTranslation.substr(254), "\xFE\xFF"},
        {c.PreInputTable[9], "\t"},
        {c.FieldFilter[40] + c.OutputStringCaption[7], "CString7"}};
    for (const auto& [actual, expected] : rows)
        EXPECT_EQ(actual, expected);
    EXPECT_EQ(BaudRateValue(12), 9600);
}

TEST(SettingsTableTest, SetAcceptsOrRefuses) {
    const std::tuple<const char*, const char*, const char*, bool> rows[] = {
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
        {"FilterLetterTaken", "FieldFilter(3)", "N", true},
        {"DelimiterTwoChars", "FieldDelimiter", ",,", false},
        {"PreInputKeyword", "PreInputTable(0)", "Ignore", true},
        {"TableWrongLength", "LogTranslation", "abc", false},
    };
    for (auto [name, target, value, ok] : rows) {
        Settings s;
        std::string why = SetSetting(s, target, value);
        EXPECT_EQ(why.empty(), ok) << name << ": " << why;
    }
    Settings s;
    EXPECT_EQ(SetSetting(s, "AckString(0)", "x"), "AckString takes no index");
    ASSERT_EQ(SetSetting(s, "AckString", "\\x06\\x00\\x5C"), "");
    EXPECT_EQ(s.AckString, std::string("\x06\0\\", 3));
    ASSERT_EQ(SetSetting(s, "EndOfRecordEvent", "2"), "");
    EXPECT_EQ(s.EndOfRecordEvent, EndOnByteCount);
}

} // namespace
} // namespace pv
