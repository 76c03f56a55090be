#pragma once
// Editing one of the three translation tables: the keystroke macros of Send
// Keystrokes mode, the character table of the current output mode (DDE
// Server or Log to disk) and the pre-input table.
#include <string>

#include "config/config.h"

namespace pv {

enum class TranslationKind { Keystrokes = 0, Characters = 1, PreInput = 2 };

/// The table kind that Pre-Transfer Translations edits in `outputMode`.
TranslationKind TransferKind(int16_t outputMode);

/// The current translation of `code` (0..255), as stored.
std::string TranslationOf(const Settings& s, TranslationKind kind, int code);

/// The end of a list line: a single character as "ASCII" and its code,
/// anything longer as itself.
std::string TranslationListText(const std::string& translation);

/// Stores a picked translation: a keystroke macro, one character of the
/// character table, or a pre-input character or keyword (a picked keyword
/// loses its leading blank). An empty pick changes nothing. True when the
/// stored value changed.
bool SetTranslation(Settings& s, TranslationKind kind, int code, const std::string& picked);

/// The edited table back to its default.
void ResetTranslations(Settings& s, TranslationKind kind);

} // namespace pv
