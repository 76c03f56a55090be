#include "config/config.h"

#include "text/key_names.h"
#include "text/locale.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "text/translation_display.h"

namespace pv {

ByteTable DefaultPreInputTable() {
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[i] = std::string(1, static_cast<char>(i));
    return t;
}

ByteTable DefaultKeystrokeTranslation() {
    ByteTable t;
    for (int i = 0; i < 256; ++i) {
        bool control = i < 32 || (i >= 128 && i < 160);
        t[i] = control ? "NUL" : std::string(1, static_cast<char>(i));
    }
    t[8] = "{BACKSPACE}";
    t[9] = "{TAB}";
    t[13] = "{ENTER}";
    t[37] = "{%}";
    t[40] = "{(}";
    t[41] = "{)}";
    t[43] = "{+}";
    t[91] = "{[}";
    t[93] = "{]}";
    t[94] = "{^}";
    t[123] = "{{}";
    t[125] = "{}}";
    t[126] = "{~}";
    t[127] = "{DELETE}";
    t[32] = " ";
    t[160] = " "; // a no-break space types as a plain space
    return t;
}

std::string DefaultDDETranslation() {
    std::string t(256, '\0');
    for (int i = 32; i < 256; ++i)
        t[i] = static_cast<char>(i);
    return t;
}

std::string DefaultLogTranslation() {
    std::string t(256, '\0');
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<char>(i);
    return t;
}

Settings::Settings()
    : PreInputTable(DefaultPreInputTable()), KeystrokeTranslation(DefaultKeystrokeTranslation()),
      DDETranslation(DefaultDDETranslation()), LogTranslation(DefaultLogTranslation()) {
    FieldFilter.fill("C");
    for (int i = 0; i <= kOutputStrings; ++i)
        OutputStringCaption[i] = "String" + std::to_string(i);
}

void ResetToDefaults(Config& c) {
    static_cast<Settings&>(c) = Settings{};
    c.ConfigFileName.clear();
    c.DDETopicName.clear();
    c.ConfigLoaded = False;
    c.ConfigChanged = False;
}

void BuildNamedFormats(Config& c) {
    static const char* const keywords[] = {"General Number", "Currency", "Fixed",
                                           "Standard",       "Percent",  "Scientific"};
    c.FormatKeywords.fill("");
    c.FormatDisplayNames.fill("");
    for (int k = 1; k <= 6; ++k) {
        c.FormatKeywords[k] = keywords[k - 1];
        c.FormatDisplayNames[k] = Text(txt::FormatNameGeneralNumber + k - 1);
    }
}

void BuildStartupTables(Config& c) {
    c.WindowsMajorVersion = 10;
    c.DecimalSeparator = CurrentNumericLocale().DecimalPoint == "," ? "," : ".";
    c.CR = "\r";
    c.LF = "\n";
    c.CRLF = "\r\n";
    BuildKeyNameTable(c.KeyNames, c.KeyCodes);
    BuildTranslationDisplay(c.TranslationDisplay);
}

int BaudRateValue(int16_t index) {
    static const int rates[] = {110,  300,   600,   1200,  2400,  4800,
                                9600, 14400, 19200, 38400, 57600, 115200};
    return (index >= 0 && index <= 11) ? rates[index] : 9600;
}

std::string PortNameOf(int16_t commPort) {
    return "COM" + std::to_string(commPort + 1);
}

Config& TheConfig() {
    static Config config;
    return config;
}

} // namespace pv
