#pragma once
// The numbered user-interface texts in English, German and Japanese.
// Every caption and message is looked up here by its number; all three
// languages carry the same numbers. Texts are UTF-8.
#include <span>
#include <string>
#include <string_view>

#include "text/string_table.h"

namespace pv {

enum class Language { English, German, Japanese };

/// The language asked for by the environment: the first non-empty of
/// LANGUAGE (its first non-empty colon-separated entry), LC_ALL,
/// LC_MESSAGES and LANG decides. "de..." gives German, "ja..." Japanese,
/// anything else (including "C" and "POSIX") English.
Language LanguageFromEnvironment();

/// The same choice from explicit values (nullptr counts as unset).
Language LanguageFromLocaleVariables(const char* language, const char* lc_all,
                                     const char* lc_messages, const char* lang);

/// The language of a single locale name such as "de_DE.UTF-8" or "ja".
Language LanguageFromLocaleName(std::string_view name);

/// The language used by Text(int); starts as LanguageFromEnvironment().
void SetLanguage(Language language);
Language CurrentLanguage();

/// Text `number` in the current language; "" when there is no such number.
const std::string& Text(int number);
const std::string& Text(int number, Language language);

/// Whether `number` is a text of the table.
bool HasText(int number);

/// The whole table of one language, sorted by number.
std::span<const NumberedText> TextTable(Language language);

/// Two-letter code used in file names and messages: "en", "de", "ja".
std::string_view LanguageCode(Language language);

} // namespace pv
