#include "text/strings.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

namespace pv {

namespace {

// Callers keep references to the returned strings, so each table is turned
// into std::string once and never changes afterwards.
struct Materialised {
    std::span<const NumberedText> Table;
    std::vector<std::string> Strings;
};

Materialised Materialise(std::span<const NumberedText> table) {
    Materialised m{table, {}};
    m.Strings.reserve(table.size());
    for (const auto& entry : table)
        m.Strings.emplace_back(entry.Text);
    return m;
}

const Materialised& Store(Language language) {
    static const Materialised english = Materialise(detail::EnglishTexts());
    static const Materialised german = Materialise(detail::GermanTexts());
    static const Materialised japanese = Materialise(detail::JapaneseTexts());
    switch (language) {
    case Language::German: return german;
    case Language::Japanese: return japanese;
    case Language::English: break;
    }
    return english;
}

const NumberedText* Find(std::span<const NumberedText> table, int number) {
    auto it = std::lower_bound(table.begin(), table.end(), number,
                               [](const NumberedText& e, int n) { return e.Number < n; });
    if (it == table.end() || it->Number != number) return nullptr;
    return &*it;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsLower(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != b[i]) return false;
    return true;
}

std::string_view NonEmpty(const char* value) {
    return value ? std::string_view(value) : std::string_view();
}

// LANGUAGE is a preference list; an empty entry (":de") is skipped.
std::string_view FirstListEntry(std::string_view list) {
    while (!list.empty()) {
        size_t colon = list.find(':');
        std::string_view entry = list.substr(0, colon);
        if (!entry.empty()) return entry;
        if (colon == std::string_view::npos) break;
        list.remove_prefix(colon + 1);
    }
    return {};
}

int InitialLanguage() {
    return static_cast<int>(LanguageFromEnvironment());
}

std::atomic<int>& LanguageSlot() {
    static std::atomic<int> slot{InitialLanguage()};
    return slot;
}

} // namespace

Language LanguageFromLocaleName(std::string_view name) {
    // "de_DE.UTF-8@euro": the language is what precedes the territory,
    // codeset and modifier.
    std::string_view code = name.substr(0, name.find_first_of("_.@-"));
    if (EqualsLower(code, "de") || EqualsLower(code, "deu") || EqualsLower(code, "ger"))
        return Language::German;
    if (EqualsLower(code, "ja") || EqualsLower(code, "jpn")) return Language::Japanese;
    return Language::English;
}

Language LanguageFromLocaleVariables(const char* language, const char* lc_all,
                                     const char* lc_messages, const char* lang) {
    for (std::string_view value : {FirstListEntry(NonEmpty(language)), NonEmpty(lc_all),
                                   NonEmpty(lc_messages), NonEmpty(lang)}) {
        if (!value.empty()) return LanguageFromLocaleName(value);
    }
    return Language::English;
}

Language LanguageFromEnvironment() {
    return LanguageFromLocaleVariables(std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                                       std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

void SetLanguage(Language language) {
    LanguageSlot().store(static_cast<int>(language));
}

Language CurrentLanguage() {
    return static_cast<Language>(LanguageSlot().load());
}

const std::string& Text(int number) {
    return Text(number, CurrentLanguage());
}

const std::string& Text(int number, Language language) {
    static const std::string empty;
    const Materialised& store = Store(language);
    const NumberedText* entry = Find(store.Table, number);
    if (!entry) return empty;
    return store.Strings[static_cast<size_t>(entry - store.Table.data())];
}

bool HasText(int number) {
    return Find(detail::EnglishTexts(), number) != nullptr;
}

std::span<const NumberedText> TextTable(Language language) {
    return Store(language).Table;
}

std::string_view LanguageCode(Language language) {
    switch (language) {
    case Language::German: return "de";
    case Language::Japanese: return "ja";
    case Language::English: break;
    }
    return "en";
}

} // namespace pv
