// Pictures of the setup window with each menu open and of each dialog, in
// English, German and Japanese, for the documentation. Draws only when
// PORTIVOX_SCREENSHOT_DIR names the directory to write them to (see README.md).
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyle>
#include <gtest/gtest.h>

#include "framing.h"
#include "text/strings.h"
#include "ui/about_dialog.h"
#include "ui/app_select_dialog.h"
#include "ui/char_chart_dialog.h"
#include "ui/date_time_format_dialog.h"
#include "ui/dde_parms_dialog.h"
#include "ui/dde_topic_dialog.h"
#include "ui/key_pick_dialogs.h"
#include "ui/port_setup_dialog.h"
#include "ui/raw_text_edit.h"
#include "ui/setup_test_support.h"
#include "ui/timed_dialog.h"
#include "ui/translation_dialog.h"
#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

namespace pv::test {
namespace {

void SaveWidget(QWidget* w, const QString& name, bool fit = true) {
    shots::SaveWidget(w, name, fit);
    w->hide();
}

// The window with one menu dropped down below its title.
void SaveMenu(ui::SetupWindow* window, const char* menuName, const QString& name) {
    QMenu* menu = window->Menu(menuName);
    emit menu->aboutToShow();
    const QRect title = window->menuBar()->actionGeometry(menu->menuAction());
    menu->adjustSize();
    const QPixmap drop = menu->grab();
    const QPixmap win = window->grab();
    const int bar = window->menuBar()->height();
    QPixmap client(std::max(win.width(), title.left() + drop.width() + 8), bar + drop.height() + 8);
    client.fill(QColor(0xe8, 0xe8, 0xe8));
    QPainter p(&client);
    p.drawPixmap(0, 0, win);
    p.fillRect(title, window->palette().highlight());
    p.setPen(window->palette().highlightedText().color());
    p.setFont(window->menuBar()->font());
    p.drawText(title, Qt::AlignCenter | Qt::TextShowMnemonic, menu->title());
    p.drawPixmap(title.left(), bar, drop);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(title.left(), bar, drop.width() - 1, drop.height() - 1);
    p.end();
    shots::Save(shots::Framed(window, client), name);
}

void Capture(Language language, const QString& suffix) {
    const Language saved = CurrentLanguage();
    SetLanguage(language);
    SetupFixture f;
    f.config.ConfigFileName = "/home/lab/Balance.PV3";
    f.config.ConfigLoaded = True;
    f.window->InsertRecent("/home/lab/Balance.PV3");
    f.window->InsertRecent("/home/lab/Gauge Line 2.PV3");
    f.window->RefreshCaption();
    f.config.DateTimeFormat = "yyyy-mm-dd hh:nn:ss";
    f.config.KeyTargetTitle = "Untitled - Text Editor";
    f.config.KeyTargetCommand = "gedit";
    f.window->show();
    QCoreApplication::processEvents();

    const std::pair<const char*, const char*> menus[] = {
        {"FilePullDown", "file"}, {"XferMethod", "mode"},
        {"PortPullDown", "port"}, {"DefinePullDown", "define"},
        {"Run", "activate"},      {"OptionsPullDown", "options"},
        {"Help", "help"}};
    if (language == Language::English) {
        for (const auto& [menu, tag] : menus)
            SaveMenu(f.window, menu, QStringLiteral("setup_menu_%1%2.png").arg(tag, suffix));
    } else {
        SaveMenu(f.window, "FilePullDown", QStringLiteral("setup_menu_file%1.png").arg(suffix));
        SaveMenu(f.window, "Run", QStringLiteral("setup_menu_activate%1.png").arg(suffix));
    }

    auto shot = [&](QDialog* d, const char* tag) {
        SaveWidget(d, QStringLiteral("setup_%1%2.png").arg(tag, suffix));
    };
    f.window->PortSetup()->Fill();
    shot(f.window->PortSetup(), "port_settings");
    // The keystroke table with a few macros, scrolled to the letters.
    f.config.OutputMode = SendKeystrokes;
    f.config.KeystrokeTranslation[65] = "+^{F5}";
    f.config.KeystrokeTranslation[66] = "{ENTER}";
    ui::TranslationDialog* table = f.window->Translation();
    table->Fill(TranslationKind::Keystrokes, ui::Tx(4037));
    table->resize(table->sizeHint().width(), 520);
    table->show();
    table->List()->setCurrentItem(table->List()->topLevelItem(65));
    table->List()->scrollToItem(table->List()->topLevelItem(60), QAbstractItemView::PositionAtTop);
    SaveWidget(table, QStringLiteral("setup_translation_keystrokes%1.png").arg(suffix), false);
    if (language == Language::English) {
        f.window->AppSelect()->Fill();
        shot(f.window->AppSelect(), "keystroke_target");
        f.window->DdeParms()->Fill(ui::DdeParmsKind::CommandTarget);
        shot(f.window->DdeParms(), "dde_command_target");
        f.window->DdeParms()->Fill(ui::DdeParmsKind::OutputBuffer);
        shot(f.window->DdeParms(), "dde_buffer_link");
        f.window->DdeTopic()->Fill();
        shot(f.window->DdeTopic(), "dde_topic");
        f.window->DateTimeFormat()->Fill();
        shot(f.window->DateTimeFormat(), "date_time_format");
        f.window->Timed()->Fill();
        shot(f.window->Timed(), "timed_input");
        ui::AboutDialog about;
        shot(&about, "about");
        f.config.PreInputTable[2] = "Ignore";
        f.config.PreInputTable[3] = "Void Record";
        table->Fill(TranslationKind::PreInput, ui::TxPlain(2116));
        table->show();
        table->List()->setCurrentItem(table->List()->topLevelItem(3));
        SaveWidget(table, "setup_translation_pre_input.png", false);

        ui::AsciiChartDialog chart;
        chart.SetNamedEntries({" Ignore", " Void Record"});
        chart.resize(chart.sizeHint().width(), 480);
        chart.Search()->setText("cr");
        SaveWidget(&chart, "setup_ascii_chart.png", false);
        ui::GetAKeyDialog keys;
        keys.KeyList()->setCurrentRow(30);
        keys.Ctrl()->setChecked(true);
        keys.Shift()->setChecked(true);
        shot(&keys, "get_a_key");
        ui::GetAKey2Dialog hotKeys;
        hotKeys.KeyList()->setCurrentRow(22);
        hotKeys.Ctrl()->setChecked(true);
        shot(&hotKeys, "get_a_key2");

        // A raw text field holding an acknowledgement with CR LF and a NUL.
        QDialog raw;
        raw.setWindowTitle(QStringLiteral("Raw text field"));
        auto* form = new QFormLayout(&raw);
        auto* edit = new ui::RawTextEdit;
        edit->SetRaw(std::string("ACK\r\n\0OK\x1b", 9));
        edit->setMinimumWidth(260);
        form->addRow(QStringLiteral("Acknowledgement:"), edit);
        SaveWidget(&raw, "setup_raw_field.png");
    }
    SetLanguage(saved);
}

TEST(SetupScreenshots, Capture) {
    if (shots::Dir().isEmpty()) GTEST_SKIP() << "PORTIVOX_SCREENSHOT_DIR not set";
    Capture(Language::English, QString());
    Capture(Language::German, QStringLiteral("_de"));
    Capture(Language::Japanese, QStringLiteral("_ja"));
}

} // namespace
} // namespace pv::test
