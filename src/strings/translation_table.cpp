#include "strings/translation_table.h"

namespace pv {

namespace {

std::string& CharacterTable(Settings& s) {
    std::string& table = s.OutputMode == DdeServer ? s.DDETranslation : s.LogTranslation;
    // A table cut short keeps its tail at the default so every code has a place.
    if (table.size() < 256) {
        const std::string def =
            s.OutputMode == DdeServer ? DefaultDDETranslation() : DefaultLogTranslation();
        table += def.substr(table.size());
    }
    return table;
}

} // namespace

TranslationKind TransferKind(int16_t outputMode) {
    return outputMode == SendKeystrokes ? TranslationKind::Keystrokes : TranslationKind::Characters;
}

std::string TranslationOf(const Settings& s, TranslationKind kind, int code) {
    const auto i = static_cast<size_t>(code & 255);
    switch (kind) {
    case TranslationKind::Keystrokes: return s.KeystrokeTranslation[i];
    case TranslationKind::PreInput: return s.PreInputTable[i];
    case TranslationKind::Characters: break;
    }
    const std::string& table = s.OutputMode == DdeServer ? s.DDETranslation : s.LogTranslation;
    return i < table.size() ? table.substr(i, 1) : std::string();
}

std::string TranslationListText(const std::string& translation) {
    if (translation.size() == 1)
        return "ASCII " + std::to_string(static_cast<unsigned char>(translation[0]));
    return translation;
}

bool SetTranslation(Settings& s, TranslationKind kind, int code, const std::string& picked) {
    if (picked.empty()) return false;
    const auto i = static_cast<size_t>(code & 255);
    std::string value = picked;
    std::string* slot = nullptr;
    switch (kind) {
    case TranslationKind::Keystrokes: slot = &s.KeystrokeTranslation[i]; break;
    case TranslationKind::PreInput:
        if (value.size() > 1 && value.front() == ' ') value.erase(0, 1);
        slot = &s.PreInputTable[i];
        break;
    case TranslationKind::Characters: {
        std::string& table = CharacterTable(s);
        if (table[i] == value[0]) return false;
        table[i] = value[0];
        return true;
    }
    }
    if (*slot == value) return false;
    *slot = value;
    return true;
}

void ResetTranslations(Settings& s, TranslationKind kind) {
    switch (kind) {
    case TranslationKind::Keystrokes: s.KeystrokeTranslation = DefaultKeystrokeTranslation(); break;
    case TranslationKind::PreInput: s.PreInputTable = DefaultPreInputTable(); break;
    case TranslationKind::Characters:
        if (s.OutputMode == DdeServer)
            s.DDETranslation = DefaultDDETranslation();
        else
            s.LogTranslation = DefaultLogTranslation();
        break;
    }
}

} // namespace pv
