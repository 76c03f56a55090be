#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/strings.h"
#include "text/text_ids.h"

namespace pv {
namespace {

const Language kLanguages[] = {Language::English, Language::German, Language::Japanese};

// Accelerator markers; "&&" is a literal ampersand.
int Accelerators(std::string_view t) {
    int n = 0;
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i] == '&') (i + 1 < t.size() && t[i + 1] == '&') ? void(++i) : void(++n);
    return n;
}

size_t Count(std::string_view t, std::string_view what) {
    size_t n = 0;
    for (size_t p = t.find(what); p != std::string_view::npos; p = t.find(what, p + 1))
        ++n;
    return n;
}

TEST(StringsTest, EveryLanguageCarriesTheEnglishNumbersConsistently) {
    const auto english = TextTable(Language::English);
    ASSERT_GT(english.size(), 300u);
    for (Language l : kLanguages) {
        SCOPED_TRACE(std::string(LanguageCode(l)));
        const auto table = TextTable(l);
        ASSERT_EQ(table.size(), english.size());
        for (size_t i = 0; i < table.size(); ++i) {
            const auto& e = english[i];
            std::string_view t = table[i].Text;
            ASSERT_EQ(table[i].Number, e.Number) << "sorted, no gaps or duplicates";
            EXPECT_FALSE(t.empty()) << e.Number;
            if (Accelerators(e.Text) <= 1) {
                EXPECT_EQ(Accelerators(t), Accelerators(e.Text)) << e.Number;
            }
            EXPECT_EQ(t.ends_with("..."), e.Text.ends_with("...")) << e.Number;
            EXPECT_EQ(Count(t, "\n"), Count(e.Text, "\n")) << e.Number;
        }
        // Placeholders the input analysis fills in, once each.
        for (auto [number, mark] : {std::pair{4019, "??"}, {4020, "nn"}, {4020, "xx"}})
            EXPECT_EQ(Count(Text(number, l), mark), 1u) << number;
        EXPECT_EQ(Text(1904, l), "");
        EXPECT_EQ(Text(0, l), "");
        EXPECT_NE(Text(txt::FontCharset, l).find_first_of("0123456789"), std::string::npos);
    }
}

struct EnvRow {
    const char* name;
    const char *language, *lcAll, *lcMessages, *lang;
    Language expected;
};

TEST(StringsTest, LanguageFollowsTheLocaleVariablesInOrder) {
    const Language en = Language::English, de = Language::German, ja = Language::Japanese;
    const EnvRow rows[] = {
        {"LangGerman", nullptr, nullptr, nullptr, "de_DE.UTF-8", de},
        {"PrefixMustBeWholeCode", nullptr, nullptr, nullptr, "del", en},
        {"LcMessagesBeatsLang", nullptr, nullptr, "ja_JP", "de_DE", ja},
        {"LanguageFirstEntry", "de:ja", nullptr, nullptr, "ja_JP", de},
        {"LanguageEmptyEntrySkipped", ":ja", nullptr, nullptr, "de_DE", ja},
        {"PosixOverridesLang", nullptr, "POSIX", nullptr, "de_DE", en},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(LanguageFromLocaleVariables(r.language, r.lcAll, r.lcMessages, r.lang),
                  r.expected);
    }
    Language saved = CurrentLanguage();
    SetLanguage(Language::German);
    EXPECT_EQ(&Text(txt::InvalidInputTitle), &Text(txt::InvalidInputTitle, Language::German));
    SetLanguage(saved);
}

} // namespace
} // namespace pv
