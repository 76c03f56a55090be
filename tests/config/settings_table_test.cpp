#include <gtest/gtest.h>

#include "config/config.h"
#include "config/settings_table.h"

namespace pv {
namespace {

TEST(DefaultsTest, NewConfigurationHoldsTheDocumentedTables) {
    Config c;
    EXPECT_EQ(c.KeystrokeTranslation[32], " ");
    EXPECT_EQ(c.KeystrokeTranslation[7], "NUL");
    EXPECT_EQ(c.KeystrokeTranslation[150], "NUL");
    EXPECT_EQ(c.KeystrokeTranslation[65], "A");
    EXPECT_EQ(c.KeystrokeTranslation[127], "{DELETE}");
    EXPECT_EQ(c.KeystrokeTranslation[123], "{{}");
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
    EXPECT_EQ(c.DDECommandApp, "Excel");
    EXPECT_EQ(c.KeyTargetSpecified, True);
}

TEST(DefaultsTest, NewResetsSettingsButKeepsProgramState) {
    Config c;
    c.AckString = "x";
    c.KeystrokeTranslation[65] = "{F1}";
    c.DDETopicName = "T";
    c.ConfigFileName = "/tmp/a.PV3";
    c.ConfigChanged = c.ConfigLoaded = True;
    c.RunMode = RunTest;
    c.DecimalSeparator = ",";
    ResetToDefaults(c);
    EXPECT_EQ(c.AckString, "");
    EXPECT_EQ(c.KeystrokeTranslation[65], "A");
    EXPECT_EQ(c.DDETopicName, "");
    EXPECT_EQ(c.ConfigFileName, "");
    EXPECT_FALSE(c.ConfigChanged);
    EXPECT_FALSE(c.ConfigLoaded);
    EXPECT_EQ(c.RunMode, RunTest);
    EXPECT_EQ(c.DecimalSeparator, ",");
}

TEST(DefaultsTest, BaudIndexOutsideTheTableMeans9600) {
    EXPECT_EQ(BaudRateValue(6), 9600);
    EXPECT_EQ(BaudRateValue(7), 14400);
    EXPECT_EQ(BaudRateValue(11), 115200);
    EXPECT_EQ(BaudRateValue(12), 9600);
    EXPECT_EQ(BaudRateValue(-1), 9600);
    EXPECT_EQ(PortNameOf(9), "COM10");
}

struct SetCase {
    const char* name;
    const char* target;
    const char* value;
    bool ok;
};

class SetSettingTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetSettingTest, AcceptsOrRefuses) {
    Settings s;
    std::string why = SetSetting(s, GetParam().target, GetParam().value);
    EXPECT_EQ(why.empty(), GetParam().ok) << why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetSettingTest,
    ::testing::Values(SetCase{"Scalar", "BaudRate", "11", true},
                      SetCase{"Int16Overflow", "BaudRate", "40000", false},
                      SetCase{"Int32", "TimerInterval", "99999999", true},
                      SetCase{"NotANumber", "CommPort", "COM1", false},
                      SetCase{"UnknownName", "Baudrate", "1", false},
                      SetCase{"IndexedText", "FieldPostamble(40)", "{TAB}\\x0D", true},
                      SetCase{"SpareSlot", "FieldFormat(42)", "0.00", true},
                      SetCase{"IndexPastEnd", "FieldFormat(43)", "0.00", false},
                      SetCase{"HotKeyLast", "HotKeyCode(49)", "112", true},
                      SetCase{"HotKeyPastEnd", "HotKeyCode(50)", "112", false},
                      SetCase{"MissingIndex", "FieldFilter", "N", false},
                      SetCase{"IndexOnScalar", "AckString(1)", "x", false},
                      SetCase{"BadEscape", "AckString", "\\q", false},
                      SetCase{"FilterLetter", "FieldFilter(3)", "Q", false},
                      SetCase{"DelimiterTwoChars", "FieldDelimiter", ",,", false},
                      SetCase{"PreInputKeyword", "PreInputTable(0)", "Ignore", true},
                      SetCase{"TableWrongLength", "LogTranslation", "abc", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SetSettingTest, StoresEscapedBytes) {
    Settings s;
    ASSERT_EQ(SetSetting(s, "AckString", "\\x06\\x00\\x5C"), "");
    EXPECT_EQ(s.AckString, std::string("\x06\0\\", 3));
}

} // namespace
} // namespace pv
