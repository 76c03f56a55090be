#include "ui/ui_texts.h"

#include "text/strings.h"

namespace pv::ui {

namespace {

struct Row {
    UiText Id;
    const char* En;
    const char* De;
    const char* Ja;
};

const Row kRows[] = {
    {UiText::QuickStartGuide, "Quick Start Guide", "Schnellstart-Anleitung",
     "クイックスタートガイド"},
    {UiText::ProgramTitle, "Portivox", "Portivox", "Portivox"},
    {UiText::OpenConfigTitle, "Open Portivox Configuration...", "Portivox-Konfiguration öffnen...",
     "Portivox 構成を開く..."},
    {UiText::SaveConfigTitle, "Save Portivox Configuration As...",
     "Portivox-Konfiguration speichern unter...", "Portivox 構成に名前を付けて保存..."},
    {UiText::ConfigFilter, "Portivox Config (*.PV3);;All Files (*)",
     "Portivox-Konfiguration (*.PV3);;Alle Dateien (*)",
     "Portivox 構成 (*.PV3);;すべてのファイル (*)"},
    {UiText::LogTitle, "Log Incoming Serial Data To File...",
     "Eingehende serielle Daten in Datei protokollieren...",
     "受信したシリアルデータをファイルに記録..."},
    {UiText::LogFilter, "Portivox Log (*.log);;All Files (*)",
     "Portivox-Protokoll (*.log);;Alle Dateien (*)", "Portivox ログ (*.log);;すべてのファイル (*)"},
    {UiText::ProgramFilter, "All Files (*)", "Alle Dateien (*)", "すべてのファイル (*)"},
    {UiText::DelayLabel, "Time Delay Between Keystrokes (ms):",
     "Verzögerung zwischen Tastenanschlägen (ms):", "キーストローク間の遅延 (ミリ秒):"},
    {UiText::DelayHelp1,
     "The Time Delay Between Keystrokes is the amount of time Portivox will wait between each "
     "keystroke sent to the target application program.",
     "Die Verzögerung zwischen Tastenanschlägen ist die Zeit, die Portivox zwischen zwei an das "
     "Zielprogramm gesendeten Tastenanschlägen wartet.",
     "キーストローク間の遅延は、Portivox "
     "が対象アプリケーションに送るキーストロークの間に待つ時間です。"},
    {UiText::DelayHelp2, "Set to 0 for the fastest possible data transfer.",
     "0 ergibt die schnellstmögliche Übertragung.", "最速でデータを転送するには 0 にします。"},
    {UiText::DelayHelp3,
     "Set to higher values for applications that have trouble receiving keystrokes from Portivox.",
     "Höhere Werte helfen Programmen, die Tastenanschläge von Portivox nicht schnell genug "
     "annehmen.",
     "Portivox からのキーストロークをうまく受け取れないアプリケーションには大きな値を設定します。"},
    {UiText::DeviceLabel, "Device:", "Gerät:", "デバイス:"},
    {UiText::AboutTitle, "About Portivox", "Über Portivox", "Portivox について"},
    {UiText::AboutVersion, "Version", "Version", "バージョン"},
    {UiText::AboutLicence,
     "Free software under the MIT licence: you may use, copy, change and pass it on; it comes "
     "without any warranty.",
     "Freie Software unter der MIT-Lizenz: Sie dürfen sie benutzen, kopieren, ändern und "
     "weitergeben; sie wird ohne jede Gewährleistung geliefert.",
     "MIT ライセンスのフリーソフトウェアです。使用・複製・改変・再配布できます。無保証です。"},
    {UiText::AboutPurpose,
     "Takes data from a serial-port device and delivers it into other programs.",
     "Übernimmt Daten eines Geräts an der seriellen Schnittstelle und gibt sie an andere "
     "Programme weiter.",
     "シリアルポートの機器からデータを受け取り、他のプログラムに渡します。"},
    {UiText::HelpMissing, "The help file was not found:", "Die Hilfedatei wurde nicht gefunden:",
     "ヘルプファイルが見つかりません:"},
    {UiText::FindLabel, "Find (code, name or character):", "Suchen (Code, Name oder Zeichen):",
     "検索 (コード・名前・文字):"},
    {UiText::AltBox, "Alt (%)", "Alt (%)", "Alt (%)"},
    {UiText::CtrlBox, "Ctrl (^)", "Strg (^)", "Ctrl (^)"},
    {UiText::ShiftBox, "Shift (+)", "Umschalt (+)", "Shift (+)"},
};

} // namespace

QString Ui(UiText id) {
    for (const Row& row : kRows) {
        if (row.Id != id) continue;
        switch (CurrentLanguage()) {
        case Language::German: return QString::fromUtf8(row.De);
        case Language::Japanese: return QString::fromUtf8(row.Ja);
        case Language::English: break;
        }
        return QString::fromUtf8(row.En);
    }
    return {};
}

} // namespace pv::ui
