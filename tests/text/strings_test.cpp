#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "text/strings.h"

namespace pv {
namespace {

const Language kAllLanguages[] = {Language::English, Language::German, Language::Japanese};

// Every text number the dialogs and messages refer to.
const int kRequiredNumbers[] = {
    20,   21,   1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208, 1301, 1302, 1303, 1304, 1305, 1306,
    1401, 1402, 1403, 1404, 1405, 1406, 1407, 1408, 1409, 1410, 1411, 1412, 1413, 1414, 1415, 1501,
    1502, 1503, 1504, 1505, 1506, 1507, 1508, 1601, 1602, 1603, 1604, 1605, 1701, 1702, 1703, 1704,
    1705, 1801, 1802, 1803, 1901, 1902, 1903, 1905, 1906, 2001, 2002, 2003, 2004, 2005, 2006, 2007,
    2008, 2009, 2010, 2011, 2012, 2013, 2014, 2015, 2016, 2017, 2018, 2019, 2020, 2021, 2022, 2101,
    2102, 2103, 2104, 2105, 2106, 2107, 2108, 2109, 2110, 2111, 2112, 2113, 2114, 2115, 2116, 2117,
    2118, 2119, 2120, 2121, 2122, 2123, 2124, 2125, 2126, 2128, 2201, 2202, 2203, 2204, 2205, 2206,
    2207, 2208, 2209, 2210, 2211, 2212, 2213, 2214, 2215, 2216, 2217, 2218, 2219, 2220, 2301, 2302,
    2303, 2304, 2305, 2306, 2307, 2308, 2309, 2310, 2311, 2401, 2402, 2403, 2404, 2405, 2406, 2407,
    2408, 2409, 2410, 2411, 2412, 2413, 2414, 2415, 2416, 2417, 2418, 2419, 2420, 2421, 2422, 2423,
    2424, 2425, 2426, 2427, 2428, 2429, 2430, 2431, 2432, 2501, 2502, 2503, 2504, 2505, 2506, 2507,
    2601, 2602, 2603, 2604, 2605, 2606, 2607, 2608, 2609, 2610, 2611, 2612, 2613, 2614, 2701, 2702,
    2703, 2704, 2705, 2706, 2707, 2708, 2709, 2710, 2711, 2712, 2713, 2714, 2715, 2716, 2801, 2802,
    2803, 2804, 2805, 2901, 2902, 2903, 2904, 2905, 2906, 2907, 2908, 2909, 2910, 3001, 3002, 3003,
    3004, 3005, 3006, 3007, 3008, 3009, 3010, 3011, 3012, 3013, 4001, 4002, 4003, 4004, 4005, 4006,
    4007, 4008, 4009, 4010, 4011, 4012, 4013, 4014, 4015, 4016, 4017, 4018, 4019, 4020, 4021, 4022,
    4023, 4024, 4025, 4026, 4027, 4028, 4029, 4030, 4031, 4032, 4033, 4034, 4035, 4036, 4037, 4038,
    4039, 4040, 4041, 4042, 4043, 4044, 5000, 5001, 5002, 5003, 5004, 5005, 5006, 5007, 5008, 6000,
    6001, 6002, 6003, 6004, 6005, 6006, 6007, 7000, 7001, 7002, 7003, 7004, 8005, 8006, 9000, 9001,
    9002, 9003, 9004, 9005, 9006, 9007, 9008, 9009, 9010, 9011, 9012, 9013, 9014, 9015, 9016, 9100,
    9101, 9102, 9103, 9104, 9105,
};

std::string Name(Language l) {
    return std::string(LanguageCode(l));
}

// Counts accelerator markers; "&&" is a literal ampersand, not a marker.
int Accelerators(std::string_view text) {
    int count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (i + 1 < text.size() && text[i + 1] == '&') {
            ++i;
            continue;
        }
        ++count;
    }
    return count;
}

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        int extra;
        unsigned min;
        unsigned cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80, cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800, cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000, cp = c & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

size_t Occurrences(std::string_view text, std::string_view what) {
    size_t n = 0;
    for (size_t pos = text.find(what); pos != std::string_view::npos;
         pos = text.find(what, pos + what.size()))
        ++n;
    return n;
}

class EveryLanguage : public ::testing::TestWithParam<Language> {};

INSTANTIATE_TEST_SUITE_P(Texts, EveryLanguage, ::testing::ValuesIn(kAllLanguages),
                         [](const auto& info) { return Name(info.param); });

TEST_P(EveryLanguage, HasEveryRequiredNumber) {
    for (int n : kRequiredNumbers)
        EXPECT_FALSE(Text(n, GetParam()).empty()) << n;
}

TEST_P(EveryLanguage, CarriesExactlyTheEnglishNumbers) {
    std::vector<int> english, mine;
    for (const auto& e : TextTable(Language::English))
        english.push_back(e.Number);
    for (const auto& e : TextTable(GetParam()))
        mine.push_back(e.Number);
    EXPECT_EQ(mine, english);
}

TEST_P(EveryLanguage, TableIsSortedWithoutDuplicates) {
    auto table = TextTable(GetParam());
    for (size_t i = 1; i < table.size(); ++i)
        EXPECT_LT(table[i - 1].Number, table[i].Number) << "after " << table[i - 1].Number;
}

TEST_P(EveryLanguage, NoTextIsEmptyOrInvalidUtf8) {
    for (const auto& e : TextTable(GetParam())) {
        EXPECT_FALSE(e.Text.empty()) << e.Number;
        EXPECT_TRUE(IsValidUtf8(e.Text)) << e.Number;
    }
}

TEST_P(EveryLanguage, KeepsAcceleratorsWhereEnglishHasThem) {
    for (const auto& e : TextTable(Language::English)) {
        int english = Accelerators(e.Text);
        if (english > 1) continue;
        EXPECT_EQ(Accelerators(Text(e.Number, GetParam())), english) << e.Number;
    }
}

TEST_P(EveryLanguage, KeepsEllipsisOfDialogCommands) {
    for (const auto& e : TextTable(Language::English)) {
        bool english = e.Text.ends_with("...");
        EXPECT_EQ(std::string_view(Text(e.Number, GetParam())).ends_with("..."), english)
            << e.Number;
    }
}

// Placeholders that the input analysis replaces must survive translation, once each.
TEST_P(EveryLanguage, KeepsAnalysisPlaceholders) {
    EXPECT_EQ(Occurrences(Text(4019, GetParam()), "??"), 1u);
    EXPECT_EQ(Occurrences(Text(4020, GetParam()), "nn"), 1u);
    EXPECT_EQ(Occurrences(Text(4020, GetParam()), "xx"), 1u);
}

TEST_P(EveryLanguage, FontCharsetIsANumber) {
    const std::string& charset = Text(21, GetParam());
    ASSERT_FALSE(charset.empty());
    EXPECT_TRUE(
        std::all_of(charset.begin(), charset.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

TEST_P(EveryLanguage, UnknownNumbersGiveEmptyText) {
    for (int n : {0, -1, 1, 1904, 2127, 4045, 99999})
        EXPECT_EQ(Text(n, GetParam()), "") << n;
}

struct ExactText {
    Language Lang;
    int Number;
    const char* Text;
};

class ExactTexts : public ::testing::TestWithParam<ExactText> {};

INSTANTIATE_TEST_SUITE_P(
    Texts, ExactTexts,
    ::testing::Values(
        ExactText{Language::English, 20, "Ms Sans Serif"}, ExactText{Language::English, 21, "0"},
        ExactText{Language::German, 20, "Ms Sans Serif"}, ExactText{Language::German, 21, "0"},
        ExactText{Language::Japanese, 21, "128"},
        ExactText{Language::English, 2109, "&Send Keystrokes To..."},
        ExactText{Language::English, 2012, "Toggle DTR for100ms"},
        ExactText{Language::English, 5002, "Resume For &One Record "},
        ExactText{Language::English, 6007, "Strip <CrLf> from buffer writes"},
        ExactText{Language::English, 7001, "Use Com port name as DDE Topic (i.e. \"COM1\")"},
        ExactText{Language::English, 4015, "Number of Fields Must Be Between 2 and 40"},
        ExactText{Language::English, 4005, "Invalid Input"},
        ExactText{Language::English, 2102, "&File"}, ExactText{Language::English, 1411, "&DTR~"}));

TEST_P(ExactTexts, MatchesByteForByte) {
    EXPECT_EQ(Text(GetParam().Number, GetParam().Lang), GetParam().Text);
}

TEST(Texts, HasTextFollowsTheTable) {
    EXPECT_TRUE(HasText(20));
    EXPECT_TRUE(HasText(9105));
    EXPECT_FALSE(HasText(2127));
    EXPECT_FALSE(HasText(0));
}

TEST(Texts, CurrentLanguageSelectsTheTable) {
    Language saved = CurrentLanguage();
    SetLanguage(Language::German);
    EXPECT_EQ(Text(4005), Text(4005, Language::German));
    SetLanguage(Language::Japanese);
    EXPECT_EQ(Text(4005), Text(4005, Language::Japanese));
    SetLanguage(Language::English);
    EXPECT_EQ(Text(4005), "Invalid Input");
    SetLanguage(saved);
}

TEST(Texts, ReturnedReferencesStayValid) {
    const std::string* first = &Text(4005, Language::German);
    for (int n : kRequiredNumbers)
        (void)Text(n, Language::German);
    EXPECT_EQ(first, &Text(4005, Language::German));
}

struct EnvCase {
    const char* Name;
    const char* Language_;
    const char* LcAll;
    const char* LcMessages;
    const char* Lang;
    Language Expected;
};

class LanguageChoice : public ::testing::TestWithParam<EnvCase> {};

INSTANTIATE_TEST_SUITE_P(
    Environment, LanguageChoice,
    ::testing::Values(
        EnvCase{"NothingSetIsEnglish", nullptr, nullptr, nullptr, nullptr, Language::English},
        EnvCase{"AllEmptyIsEnglish", "", "", "", "", Language::English},
        EnvCase{"LangGerman", nullptr, nullptr, nullptr, "de_DE.UTF-8", Language::German},
        EnvCase{"LangJapanese", nullptr, nullptr, nullptr, "ja_JP.UTF-8", Language::Japanese},
        EnvCase{"LangBareCode", nullptr, nullptr, nullptr, "de", Language::German},
        EnvCase{"LangWithModifier", nullptr, nullptr, nullptr, "de_AT@euro", Language::German},
        EnvCase{"LangOtherIsEnglish", nullptr, nullptr, nullptr, "fr_FR.UTF-8", Language::English},
        EnvCase{"LangCIsEnglish", nullptr, nullptr, nullptr, "C", Language::English},
        EnvCase{"LangCUtf8IsEnglish", nullptr, nullptr, nullptr, "C.UTF-8", Language::English},
        EnvCase{"PrefixMustBeWholeCode", nullptr, nullptr, nullptr, "del", Language::English},
        EnvCase{"LcMessagesBeatsLang", nullptr, nullptr, "ja_JP", "de_DE", Language::Japanese},
        EnvCase{"LcAllBeatsLcMessages", nullptr, "de_DE", "ja_JP", "en_US", Language::German},
        EnvCase{"LanguageBeatsLcAll", "ja", "de_DE", nullptr, nullptr, Language::Japanese},
        EnvCase{"LanguageFirstEntryWins", "de:ja:en", nullptr, nullptr, "ja_JP", Language::German},
        EnvCase{"LanguageEmptyEntrySkipped", ":ja", nullptr, nullptr, "de_DE", Language::Japanese},
        EnvCase{"EmptyLanguageFallsThrough", "", nullptr, nullptr, "ja_JP", Language::Japanese},
        EnvCase{"PosixOverridesLowerPrecedence", nullptr, "POSIX", nullptr, "de_DE",
                Language::English},
        EnvCase{"LanguageCOverridesLang", "C", nullptr, nullptr, "de_DE", Language::English}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_P(LanguageChoice, FollowsPrecedence) {
    const EnvCase& c = GetParam();
    EXPECT_EQ(LanguageFromLocaleVariables(c.Language_, c.LcAll, c.LcMessages, c.Lang), c.Expected);
}

TEST(LanguageChoice, ReadsTheProcessEnvironment) {
    const char* names[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::pair<std::string, std::string>> saved;
    for (const char* n : names) {
        if (const char* v = std::getenv(n)) saved.emplace_back(n, v);
        unsetenv(n);
    }
    setenv("LANG", "de_DE.UTF-8", 1);
    EXPECT_EQ(LanguageFromEnvironment(), Language::German);
    setenv("LANGUAGE", "ja", 1);
    EXPECT_EQ(LanguageFromEnvironment(), Language::Japanese);
    for (const char* n : names)
        unsetenv(n);
    for (const auto& [n, v] : saved)
        setenv(n.c_str(), v.c_str(), 1);
}

} // namespace
} // namespace pv
