#include "ui/setup_window.h"

#include "ui/config_summary.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

#include <cstdlib>

#include "config/autostart.h"
#include "config/config_file.h"
#include "runtime/runtime.h"
#include "text/paths.h"
#include "text/strings.h"
#include "text/text_ids.h"
#include "ui/about_dialog.h"
#include "ui/app_select_dialog.h"
#include "ui/date_time_format_dialog.h"
#include "ui/dde_parms_dialog.h"
#include "ui/dde_topic_dialog.h"
#include "ui/hot_key_dialog.h"
#include "ui/mqtt_dialog.h"
#include "ui/port_setup_dialog.h"
#include "ui/port_test_window.h"
#include "ui/record_walk.h"
#include "ui/resource_texts_qt.h"
#include "ui/run_session.h"
#include "ui/running_window.h"
#include "ui/send_string_dialog.h"
#include "ui/timed_dialog.h"
#include "ui/translation_dialog.h"
#include "ui/ui_texts.h"
#include "ui/virtual_device.h"

#ifndef PORTIVOX_DOCDIR
#define PORTIVOX_DOCDIR ""
#endif
#ifndef PORTIVOX_SOURCE_DIR
#define PORTIVOX_SOURCE_DIR ""
#endif

namespace pv::ui {

// --- File dialogs -------------------------------------------------------------

QString FileDialogs::Open(QWidget* parent, const QString& title, const QString& filters,
                          const QString& initial, bool mustExist) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(filters.split(QStringLiteral(";;")));
    const QFileInfo info(initial);
    dialog.setDirectory(info.absolutePath());
    if (!initial.isEmpty()) dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString FileDialogs::Save(QWidget* parent, const QString& title, const QString& filters,
                          const QString& initial, const QString& suffix) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters.split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(suffix);
    const QFileInfo info(initial);
    dialog.setDirectory(info.absolutePath());
    if (!initial.isEmpty()) dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

QString FindDocument(const QString& relativePath) {
    QStringList roots;
    if (const QByteArray env = qgetenv("PORTIVOX_DOCDIR"); !env.isEmpty())
        roots << QFile::decodeName(env);
    roots << QStringLiteral(PORTIVOX_DOCDIR)
          << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/portivox")
          << QStringLiteral(PORTIVOX_SOURCE_DIR "/docs");
    for (const QString& root : roots) {
        if (root.isEmpty() || root == QLatin1String("/docs")) continue;
        const QString path = QDir(root).absoluteFilePath(relativePath);
        if (QFileInfo::exists(path)) return QDir::cleanPath(path);
    }
    return {};
}

// --- Construction ---------------------------------------------------------------

SetupWindow::SetupWindow(Config& config, SettingsStore& store, MessageSink& messages,
                         QWidget* parent)
    : QMainWindow(parent), config_(config), store_(store), messages_(messages),
      fileDialogs_(std::make_unique<FileDialogs>()) {
    setObjectName("MainForm");
    SetTag(this, 2101);
    sessionFactory_ = [](Config& c, SettingsStore& s, MessageSink& m) {
        return new RunSession(c, s, m);
    };
    dialogRunner_ = [](QDialog* d) { return d->exec(); };
    BuildMenus();
    ApplyResourceTexts(this);
    recent_.Load(store_);
    RefreshRecentMenu();
    RefreshPortMenu();
    // The menu bar and, under it, what the loaded configuration does.
    setCentralWidget(new ConfigSummary(config_, store_));
    resize(std::max(menuBar()->sizeHint().width() + 40, 520),
           menuBar()->sizeHint().height() + centralWidget()->sizeHint().height());
}

SetupWindow::~SetupWindow() = default;

void SetupWindow::SetFileDialogs(std::unique_ptr<FileDialogs> dialogs) {
    fileDialogs_ = std::move(dialogs);
}
void SetupWindow::SetSessionFactory(SessionFactory factory) {
    sessionFactory_ = std::move(factory);
}
void SetupWindow::SetDialogRunner(DialogRunner runner) {
    dialogRunner_ = std::move(runner);
}

QAction* SetupWindow::AddItem(QMenu* menu, const char* name, int text,
                              void (SetupWindow::*slot)()) {
    auto* action = Tag(new QAction(menu), text);
    action->setObjectName(name);
    menu->addAction(action);
    if (slot) connect(action, &QAction::triggered, this, slot);
    return action;
}

void SetupWindow::BuildMenus() {
    auto menu = [this](const char* name, int text) {
        auto* m = Tag(new QMenu(this), text);
        m->setObjectName(name);
        menuBar()->addMenu(m);
        return m;
    };
    // Marked items keep the mark the commands give them, not the one a click
    // toggles: the commands decide from the mark as it was.
    auto marked = [this](QMenu* m, const char* name, int text, auto command) {
        auto* action = Tag(new QAction(m), text);
        action->setObjectName(name);
        action->setCheckable(true);
        m->addAction(action);
        connect(action, &QAction::triggered, this, [this, action, command](bool checked) {
            action->setChecked(!checked);
            command();
        });
        return action;
    };

    QMenu* file = menu("FilePullDown", 2102);
    AddItem(file, "FileNew", 2103, &SetupWindow::FileNew)->setShortcut(QKeySequence::New);
    AddItem(file, "FileLoad", 2104, &SetupWindow::FileOpen)->setShortcut(QKeySequence::Open);
    AddItem(file, "FileSave", 2105, &SetupWindow::FileSave)->setShortcut(QKeySequence::Save);
    AddItem(file, "FileSaveAs", 2106, &SetupWindow::FileSaveAs);
    mruSep1_ = file->addSeparator();
    mruSep1_->setObjectName("mnuMRUSsep1");
    for (int i = 0; i < RecentFiles::kMaxEntries; ++i) {
        auto* action = new QAction(file);
        action->setObjectName(QStringLiteral("mnuMRU%1").arg(i));
        file->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] { OpenRecent(i); });
        mru_[static_cast<size_t>(i)] = action;
    }
    mruSep2_ = file->addSeparator();
    mruSep2_->setObjectName("mnuMRUsep2");
    AddItem(file, "FileExit", 2107, nullptr);
    connect(Action("FileExit"), &QAction::triggered, this, &QWidget::close);

    QMenu* mode = menu("XferMethod", 2108);
    marked(mode, "SendKeystrokes", 2109, [this] { ModeSendKeystrokes(); });
    marked(mode, "UseDDE", 2110, [this] { ModeDdeServer(); });
    marked(mode, "SaveToFile", 6000, [this] { ModeLogToDisk(); });
    connect(mode, &QMenu::aboutToShow, this, &SetupWindow::RefreshModeMarks);

    QMenu* port = menu("PortPullDown", 2111);
    AddItem(port, "PortSettings", 2112, &SetupWindow::PortSettings);
    AddItem(port, "PortTest", 2113, &SetupWindow::PortAnalyze);
    port->addSeparator();
    marked(port, "PortControl", 2302, [this] { Toggle(Option::BeepOnInput); });
    connect(port, &QMenu::aboutToShow, this, &SetupWindow::RefreshPortMenu);

    QMenu* define = menu("DefinePullDown", 2114);
    AddItem(define, "DefineRecords", 2115, nullptr);
    connect(Action("DefineRecords"), &QAction::triggered, this, [this] {
        auto* walk = findChild<RecordWalk*>();
        if (!walk) walk = new RecordWalk(config_, messages_, this);
        walk->SetDialogRunner(dialogRunner_);
        walk->Start();
    });
    AddItem(define, "PreInTrans", 2116, &SetupWindow::PreInputTranslations);
    AddItem(define, "DefineTranslate", 2117, &SetupWindow::TransferTranslations);
    define->addSeparator();
    AddItem(define, "GetOutStrings", 2118, nullptr);
    connect(Action("GetOutStrings"), &QAction::triggered, this, [this] {
        auto* d = findChild<SendStringDialog*>();
        if (!d) d = new SendStringDialog(config_, messages_, this);
        d->Fill();
        RunDialog(d);
    });
    AddItem(define, "MHKActions", 2119, nullptr);
    connect(Action("MHKActions"), &QAction::triggered, this, [this] {
        auto* d = findChild<HotKeyDialog*>();
        if (!d) d = new HotKeyDialog(config_, this);
        d->Fill();
        RunDialog(d);
    });
    define->addSeparator();
    AddItem(define, "DDESource", 6001, nullptr);
    connect(Action("DDESource"), &QAction::triggered, this,
            [this] { DdeLink(DdeParmsKind::CommandSource); });
    AddItem(define, "DDEBuffer", 6002, nullptr);
    connect(Action("DDEBuffer"), &QAction::triggered, this,
            [this] { DdeLink(DdeParmsKind::OutputBuffer); });

    QMenu* run = menu("Run", 2121);
    AddItem(run, "RunTest", 2122, &SetupWindow::RunTest);
    AddItem(run, "RunNormal", 2123, &SetupWindow::RunNormal);
    AddItem(run, "RunVirtual", 2124, &SetupWindow::RunVirtual);
    run->addSeparator();
    marked(run, "ActDisable", 2304, [this] { Toggle(Option::Suspended); });
    marked(run, "MiniWindow", 2303, [this] { Toggle(Option::Minimize); });
    marked(run, "OnTop", 2305, [this] { Toggle(Option::OnTop); });
    marked(run, "DisplayDTR", 2306, [this] { Toggle(Option::DtrButton); });
    marked(run, "DisplayBrk", 2307, [this] { Toggle(Option::BreakButton); });
    marked(run, "DateTime", 2308, [this] { Toggle(Option::DateTime); });
    run->addSeparator();
    AddItem(run, "mSetTopic", 6003, &SetupWindow::SetDdeTopic);
    connect(run, &QMenu::aboutToShow, this, &SetupWindow::RefreshOptionMarks);
    run->addSeparator();
    // The mark is the entry on disk, which the user may also remove by hand.
    const std::string entry = AutostartPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    QAction* login = marked(run, "StartAtLogin", txt::StartAtLogin, [this, entry] {
        const std::string file =
            config_.ConfigFileName.empty()
                ? std::string()
                : ToPath(QFileInfo(FromPath(config_.ConfigFileName)).absoluteFilePath());
        std::string why;
        if (!SetAutostart(entry, !AutostartEnabled(entry),
                          ToPath(QCoreApplication::applicationFilePath()), file, why)) {
            std::string text = Text(txt::StartAtLoginFailed);
            text.replace(text.find("%1"), 2, why);
            messages_.Show(text, ToBytes(Ui(UiText::ProgramTitle)), MsgIcon::Exclamation,
                           MsgButtons::Ok);
        }
        Action("StartAtLogin")->setChecked(AutostartEnabled(entry));
    });
    connect(run, &QMenu::aboutToShow, login,
            [login, entry] { login->setChecked(AutostartEnabled(entry)); });

    QMenu* options = menu("OptionsPullDown", txt::OptionsMenu);
    AddItem(options, "MqttBroker", txt::MqttMenu, nullptr);
    connect(Action("MqttBroker"), &QAction::triggered, this, [this] {
        auto* d = findChild<MqttDialog*>();
        if (!d) d = new MqttDialog(store_, messages_, this);
        d->Fill();
        RunDialog(d);
    });

    QMenu* help = menu("Help", 2125);
    AddItem(help, "HelpIndex", 2126, &SetupWindow::HelpIndex)->setShortcut(Qt::Key_F1);
    auto* quick = new QAction(Ui(UiText::QuickStartGuide), help);
    quick->setObjectName("QuickStart");
    help->addAction(quick);
    connect(quick, &QAction::triggered, this, &SetupWindow::QuickStart);
    help->addSeparator();
    AddItem(help, "HelpAbout", 2128, &SetupWindow::About);
}

QAction* SetupWindow::Action(const QString& name) const {
    return findChild<QAction*>(name);
}
QMenu* SetupWindow::Menu(const QString& name) const {
    return findChild<QMenu*>(name);
}

// --- Dialogs ----------------------------------------------------------------------

int SetupWindow::RunDialog(QDialog* dialog) {
    return dialogRunner_(dialog);
}

PortSetupDialog* SetupWindow::PortSetup() {
    if (!portSetup_) portSetup_ = new PortSetupDialog(config_, store_, messages_, this);
    return portSetup_;
}
TimedDialog* SetupWindow::Timed() {
    if (!timed_) timed_ = new TimedDialog(config_, messages_, this);
    return timed_;
}
AppSelectDialog* SetupWindow::AppSelect() {
    if (!appSelect_) appSelect_ = new AppSelectDialog(config_, messages_, this);
    return appSelect_;
}
DdeParmsDialog* SetupWindow::DdeParms() {
    if (!ddeParms_) ddeParms_ = new DdeParmsDialog(config_, this);
    return ddeParms_;
}
DdeTopicDialog* SetupWindow::DdeTopic() {
    if (!ddeTopic_) ddeTopic_ = new DdeTopicDialog(config_, messages_, this);
    return ddeTopic_;
}
DateTimeFormatDialog* SetupWindow::DateTimeFormat() {
    if (!dateTimeFormat_) dateTimeFormat_ = new DateTimeFormatDialog(config_, this);
    return dateTimeFormat_;
}
TranslationDialog* SetupWindow::Translation() {
    if (!translation_) translation_ = new TranslationDialog(config_, this);
    return translation_;
}

void SetupWindow::UnloadDialogs() {
    for (QDialog* d : std::initializer_list<QDialog*>{appSelect_, portSetup_, timed_, ddeParms_,
                                                      ddeTopic_, dateTimeFormat_, translation_})
        delete d;
    translation_ = nullptr;
    appSelect_ = nullptr;
    portSetup_ = nullptr;
    timed_ = nullptr;
    ddeParms_ = nullptr;
    ddeTopic_ = nullptr;
    dateTimeFormat_ = nullptr;
}

// --- File -------------------------------------------------------------------------

QString SetupWindow::StartDirectory(const std::string& path) const {
    if (!path.empty()) return FromPath(ExpandHome(path));
    if (!config_.ConfigFileName.empty())
        return QFileInfo(FromPath(config_.ConfigFileName)).absolutePath() + QLatin1Char('/');
    return QDir::homePath() + QLatin1Char('/');
}

void SetupWindow::RefreshCaption() {
    const std::string& name = config_.ConfigFileName;
    if (name.empty()) {
        setWindowTitle(Tx(txt::SetupTitleUntitled));
        return;
    }
    const size_t slash = name.rfind('/');
    const std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
    setWindowTitle(Tx(txt::SetupTitle) + QLatin1Char('(') + FromPath(file) + QLatin1Char(')'));
}

bool SetupWindow::SavePrompt() {
    if (!IsSet(config_.ConfigChanged)) return true;
    const std::string& question =
        Text(IsSet(config_.ConfigLoaded) ? txt::FileChangedSave : txt::SaveCurrentConfig);
    const MsgResult answer = messages_.Show(question, ToBytes(Ui(UiText::ProgramTitle)),
                                            MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel) return false;
    if (answer == MsgResult::Yes) return Save();
    return true;
}

void SetupWindow::FileSave() {
    Save();
}

void SetupWindow::FileSaveAs() {
    SaveAs();
}

bool SetupWindow::Save() {
    if (config_.ConfigFileName.empty()) return SaveAs();
    if (!WriteConfigFile(config_, messages_)) return false;
    config_.ConfigChanged = False;
    return true;
}

bool SetupWindow::SaveAs() {
    const QString path =
        fileDialogs_->Save(this, Ui(UiText::SaveConfigTitle), Ui(UiText::ConfigFilter),
                           StartDirectory(config_.ConfigFileName), QStringLiteral("PV3"));
    if (path.isEmpty()) return false;
    config_.ConfigFileName = ToPath(path);
    if (!WriteConfigFile(config_, messages_)) return false;
    config_.ConfigLoaded = True;
    config_.ConfigChanged = False;
    RefreshCaption();
    InsertRecent(config_.ConfigFileName);
    return true;
}

void SetupWindow::Load() {
    LoadConfiguration(config_, messages_);
    RefreshCaption();
    RefreshModeMarks();
    RefreshOptionMarks();
    RefreshPortMenu();
}

void SetupWindow::FileOpen() {
    if (!SavePrompt()) return;
    const QString path =
        fileDialogs_->Open(this, Ui(UiText::OpenConfigTitle), Ui(UiText::ConfigFilter),
                           StartDirectory(config_.ConfigFileName), true);
    if (path.isEmpty()) return;
    config_.ConfigFileName = ToPath(path);
    InsertRecent(config_.ConfigFileName);
    Load();
}

void SetupWindow::FileNew() {
    if (!SavePrompt()) return;
    config_.ConfigFileName.clear();
    Load();
}

void SetupWindow::InsertRecent(const std::string& path) {
    recent_.Insert(path);
    RefreshRecentMenu();
}

void SetupWindow::OpenRecent(int index) {
    const std::string path = recent_.Choose(index);
    RefreshRecentMenu();
    config_.ConfigFileName = path;
    if (!path.empty()) Load();
}

void SetupWindow::RefreshRecentMenu() {
    const auto& entries = recent_.Entries();
    for (size_t i = 0; i < mru_.size(); ++i) {
        const bool used = i < entries.size();
        QString caption = used ? FromPath(entries[i]) : QString();
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        mru_[i]->setText(caption);
        mru_[i]->setVisible(used);
    }
    mruSep1_->setVisible(!entries.empty());
    mruSep2_->setVisible(!entries.empty());
}

// --- Mode -------------------------------------------------------------------------

void SetupWindow::SetModeMark(int16_t mode) {
    Action("SendKeystrokes")->setChecked(mode == SendKeystrokes);
    Action("UseDDE")->setChecked(mode == DdeServer);
    Action("SaveToFile")->setChecked(mode == LogToDisk);
}

void SetupWindow::RefreshModeMarks() {
    SetModeMark(config_.OutputMode);
}

void SetupWindow::ModeSendKeystrokes() {
    if (!Action("SendKeystrokes")->isChecked()) config_.ConfigChanged = True;
    SetModeMark(SendKeystrokes);
    config_.OutputMode = SendKeystrokes;
    AppSelect()->Fill();
    RunDialog(AppSelect());
}

void SetupWindow::ModeDdeServer() {
    if (!Action("UseDDE")->isChecked()) config_.ConfigChanged = True;
    SetModeMark(DdeServer);
    config_.OutputMode = DdeServer;
    DdeParms()->Fill(DdeParmsKind::CommandTarget);
    RunDialog(DdeParms());
}

void SetupWindow::ModeLogToDisk() {
    const QString path = fileDialogs_->Open(this, Ui(UiText::LogTitle), Ui(UiText::LogFilter),
                                            StartDirectory(config_.LogFileName), false);
    if (path.isEmpty()) return;
    const std::string name = ToPath(path);
    if (name != config_.LogFileName) config_.ConfigChanged = True;
    config_.LogFileName = name;
    if (!Action("SaveToFile")->isChecked()) config_.ConfigChanged = True;
    SetModeMark(LogToDisk);
    config_.OutputMode = LogToDisk;
}

// --- Port, Define, options ---------------------------------------------------------

void SetupWindow::RefreshPortMenu() {
    Action("PortControl")->setChecked(IsSet(config_.BeepOnInput));
    const bool testing = IsSet(config_.PortTestActive);
    Action("PortSettings")->setEnabled(!testing);
    Action("PortTest")->setEnabled(!testing);
}

void SetupWindow::PortAnalyze() {
    if (portTest_) return;
    auto* window = new PortTestWindow(config_, store_, messages_, nullptr, nullptr, this);
    if (!window->OpenPort()) {
        delete window;
        return;
    }
    portTest_ = window;
    config_.PortTestActive = True;
    connect(window, &PortTestWindow::closed, this, [this, window] {
        config_.PortTestActive = False;
        window->deleteLater();
    });
    window->move(frameGeometry().topLeft() + QPoint(0, 52)); // 780 twips
    window->show();
}

void SetupWindow::PortSettings() {
    PortSetup()->Fill();
    RunDialog(PortSetup());
}

void SetupWindow::DdeLink(DdeParmsKind kind) {
    DdeParms()->Fill(kind);
    RunDialog(DdeParms());
}

void SetupWindow::PreInputTranslations() {
    Translation()->Fill(TranslationKind::PreInput, TxPlain(txt::PreInputTranslationsMenu));
    RunDialog(Translation());
}

void SetupWindow::TransferTranslations() {
    const int16_t mode = config_.OutputMode;
    const int title = mode == SendKeystrokes ? 4037 : mode == DdeServer ? 4038 : 4039;
    Translation()->Fill(TransferKind(mode), Tx(title));
    RunDialog(Translation());
}

void SetupWindow::SetDdeTopic() {
    DdeTopic()->Fill();
    RunDialog(DdeTopic());
}

void SetupWindow::RefreshOptionMarks() {
    Action("ActDisable")->setChecked(IsSet(config_.ActivateSuspended));
    Action("MiniWindow")->setChecked(IsSet(config_.MinimizeOnActivation));
    Action("OnTop")->setChecked(IsSet(config_.WindowOnTop));
    Action("DisplayDTR")->setChecked(config_.WindowButtons & 1);
    Action("DisplayBrk")->setChecked(config_.WindowButtons & 2);
    Action("DateTime")->setChecked(IsSet(config_.ShowDateTime));
}

void SetupWindow::Toggle(Option option) {
    auto flip = [](Flag& f) {
        f = IsSet(f) ? False : True;
        return IsSet(f);
    };
    auto flipBit = [this](int bit) {
        config_.WindowButtons = static_cast<int16_t>(config_.WindowButtons ^ bit);
        return (config_.WindowButtons & bit) != 0;
    };
    switch (option) {
    case Option::Suspended:
        Action("ActDisable")->setChecked(flip(config_.ActivateSuspended));
        break;
    case Option::Minimize:
        Action("MiniWindow")->setChecked(flip(config_.MinimizeOnActivation));
        break;
    case Option::OnTop: Action("OnTop")->setChecked(flip(config_.WindowOnTop)); break;
    case Option::BeepOnInput: Action("PortControl")->setChecked(flip(config_.BeepOnInput)); break;
    case Option::DtrButton: Action("DisplayDTR")->setChecked(flipBit(1)); break;
    case Option::BreakButton: Action("DisplayBrk")->setChecked(flipBit(2)); break;
    case Option::DateTime: {
        const bool on = flip(config_.ShowDateTime);
        Action("DateTime")->setChecked(on);
        config_.ConfigChanged = True;
        if (on) {
            DateTimeFormat()->Fill();
            RunDialog(DateTimeFormat());
        }
        return;
    }
    }
    config_.ConfigChanged = True;
}

// --- Help ---------------------------------------------------------------------------

void SetupWindow::OpenDocument(const QString& relativePath) {
    const QString path = FindDocument(relativePath);
    if (path.isEmpty()) {
        messages_.Show(ToBytes(Ui(UiText::HelpMissing)) + "\n" + ToBytes(relativePath),
                       ToBytes(Ui(UiText::ProgramTitle)), MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    QApplication::restoreOverrideCursor();
    if (!opened) {
        std::string text = Text(txt::NoHelpViewer);
        text.replace(text.find("%1"), 2, ToPath(path));
        messages_.Show(text, ToBytes(Ui(UiText::ProgramTitle)), MsgIcon::Exclamation,
                       MsgButtons::Ok);
    }
}

void SetupWindow::HelpIndex() {
    OpenDocument(QStringLiteral("help/index.html"));
}
void SetupWindow::QuickStart() {
    OpenDocument(QStringLiteral("quickstart.md"));
}

void SetupWindow::About() {
    AboutDialog about(this);
    RunDialog(&about);
}

// --- Activation -----------------------------------------------------------------------

bool SetupWindow::StartSession(int16_t mode) {
    if (portTest_) portTest_->close(); // frees the port
    config_.RunMode = static_cast<RunModes>(mode);
    RunSession* session = sessionFactory_(config_, store_, messages_);
    if (mode != pv::RunVirtual && !session->OpenPort()) {
        delete session;
        config_.RunMode = NotRunning;
        return false;
    }
    session_ = session;
    return true;
}

void SetupWindow::RunNormal() {
    config_.QuitOnSetupUnload = False;
    if (!StartSession(pv::RunNormal)) {
        config_.QuitOnSetupUnload = True;
        return;
    }
    if (!SavePrompt()) {
        delete session_.data();
        session_ = nullptr;
        config_.RunMode = NotRunning;
        config_.QuitOnSetupUnload = True;
        show();
        return;
    }
    UnloadDialogs();
    config_.TranslationDisplay.fill(std::string());
    // The program now lives in the running window: the session must outlive
    // this window, and its end is the program's end.
    RunSession* session = session_;
    session->setParent(QCoreApplication::instance());
    connect(session, &RunSession::finished, QCoreApplication::instance(),
            [] { QCoreApplication::exit(0); });
    session->Show();
    recent_.Save(store_);
    hide();
    deleteLater();
}

void SetupWindow::RunTest() {
    if (!StartSession(pv::RunTest)) return;
    hide();
    connect(session_, &RunSession::finished, this, &SetupWindow::SessionFinished);
    session_->Show();
}

void SetupWindow::RunVirtual() {
    config_.PortName = PortNameOf(config_.CommPort);
    StartSession(pv::RunVirtual);
    hide();
    connect(session_, &RunSession::finished, this, &SetupWindow::SessionFinished);
    session_->Show();
}

void SetupWindow::SessionFinished() {
    if (session_) session_->deleteLater();
    session_ = nullptr;
    show();
    raise();
    activateWindow();
}

// --- Start and close ---------------------------------------------------------------------

bool SetupWindow::Start(const std::string& commandLinePath) {
    BuildStartupTables(config_);
    if (!commandLinePath.empty()) {
        config_.ConfigFileName = commandLinePath;
        config_.CommandLineConfig = True;
    }
    Load();
    config_.QuitOnSetupUnload = True;
    if (commandLinePath.empty()) return true;
    if (!IsSet(config_.ConfigLoaded)) return false;
    RunNormal();
    return true;
}

void SetupWindow::closeEvent(QCloseEvent* event) {
    const bool goOn = config_.RunMode == pv::RunNormal || SavePrompt();
    recent_.Save(store_);
    if (!goOn) {
        event->ignore();
        return;
    }
    event->accept();
    if (IsSet(config_.QuitOnSetupUnload)) emit quitRequested();
}

} // namespace pv::ui
