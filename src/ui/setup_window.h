#pragma once
// MainForm, the setup window: a menu bar that loads and saves configuration
// files, keeps the recent-file list, opens the dialogs that edit the
// configuration, toggles the running-window options and activates the
// configuration in Normal, Test or Virtual Instrument mode.
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

#include "config/config.h"
#include "config/recent_files.h"
#include "config/settings_store.h"
#include "text/messages.h"
#include "ui/dde_parms_dialog.h"
#include "ui/port_test_window.h"
#include "ui/run_session.h"

class QAction;
class QMenu;

namespace pv::ui {

class AppSelectDialog;
class DateTimeFormatDialog;
class DdeTopicDialog;
class PortSetupDialog;
class TimedDialog;
class TranslationDialog;

/// The common file dialogs; tests replace them.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    /// An existing file (`mustExist`) or any name in an existing directory;
    /// "" when cancelled.
    virtual QString Open(QWidget* parent, const QString& title, const QString& filters,
                         const QString& initial, bool mustExist);
    /// A name to save to, `suffix` added when the name has none; "" when cancelled.
    virtual QString Save(QWidget* parent, const QString& title, const QString& filters,
                         const QString& initial, const QString& suffix);
};

class SetupWindow : public QMainWindow {
    Q_OBJECT
  public:
    /// Builds one activation; tests give the session a fake driver.
    using SessionFactory = std::function<RunSession*(Config&, SettingsStore&, MessageSink&)>;
    /// Runs a modal dialog; tests answer it without a user.
    using DialogRunner = std::function<int(QDialog*)>;

    SetupWindow(Config& config, SettingsStore& store, MessageSink& messages,
                QWidget* parent = nullptr);
    ~SetupWindow() override;

    void SetFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    void SetSessionFactory(SessionFactory factory);
    void SetDialogRunner(DialogRunner runner);

    /// Start-up after the window is built: reads the command line's path.
    /// Returns false when the program has to end (a named file that could not
    /// be loaded); with a loaded file Normal mode starts at once.
    bool Start(const std::string& commandLinePath);

    // --- File ---------------------------------------------------------------
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void OpenRecent(int index);
    /// Asks whether to save a changed configuration. False when the user
    /// cancelled or the save failed: the operation must not go on.
    bool SavePrompt();
    void RefreshCaption();
    void InsertRecent(const std::string& path);
    const RecentFiles& Recent() const { return recent_; }

    // --- Mode, Port, Define, Activate options, Help --------------------------
    void ModeSendKeystrokes();
    void ModeDdeServer();
    void ModeLogToDisk();
    void PortSettings();
    /// Port > Analyze: opens the port, then the port test window on it.
    void PortAnalyze();
    /// The open port test window, else null.
    PortTestWindow* PortTest() const { return portTest_; }
    void DdeLink(DdeParmsKind kind);
    void SetDdeTopic();
    /// Define > Pre-Input and Pre-Transfer Character Translations.
    void PreInputTranslations();
    void TransferTranslations();
    void HelpIndex();
    void QuickStart();
    void About();

    enum class Option { Suspended, Minimize, OnTop, BeepOnInput, DtrButton, BreakButton, DateTime };
    void Toggle(Option option);

    // --- Activate ---------------------------------------------------------------
    void RunNormal();
    void RunTest();
    void RunVirtual();
    /// The activation in progress (null in setup).
    RunSession* Session() const { return session_; }

    /// Menu items by control name ("FileNew", "mnuMRU0", "RunTest", ...).
    QAction* Action(const QString& name) const;
    QMenu* Menu(const QString& name) const;

    /// The dialogs, created on first use and kept.
    PortSetupDialog* PortSetup();
    TimedDialog* Timed();
    AppSelectDialog* AppSelect();
    DdeParmsDialog* DdeParms();
    DdeTopicDialog* DdeTopic();
    DateTimeFormatDialog* DateTimeFormat();
    TranslationDialog* Translation();

  signals:
    /// The program has to end (setup window closed in setup, or the running
    /// window of Normal mode closed).
    void quitRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    /// Save / Save As that say whether the file was written.
    bool Save();
    bool SaveAs();
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const char* name, int text, void (SetupWindow::*slot)());
    void RefreshModeMarks();
    void RefreshOptionMarks();
    void RefreshPortMenu();
    void RefreshRecentMenu();
    void SetModeMark(int16_t mode);
    int RunDialog(QDialog* dialog);
    QString StartDirectory(const std::string& path) const;
    void Load();
    bool StartSession(int16_t mode);
    void SessionFinished();
    void UnloadDialogs();
    void OpenDocument(const QString& relativePath);

    Config& config_;
    SettingsStore& store_;
    MessageSink& messages_;
    RecentFiles recent_;
    std::unique_ptr<FileDialogs> fileDialogs_;
    SessionFactory sessionFactory_;
    DialogRunner dialogRunner_;
    QPointer<RunSession> session_;
    QPointer<PortTestWindow> portTest_;
    std::array<QAction*, RecentFiles::kMaxEntries> mru_{};
    QAction* mruSep1_ = nullptr;
    QAction* mruSep2_ = nullptr;

    AppSelectDialog* appSelect_ = nullptr;
    PortSetupDialog* portSetup_ = nullptr;
    TimedDialog* timed_ = nullptr;
    DdeParmsDialog* ddeParms_ = nullptr;
    DdeTopicDialog* ddeTopic_ = nullptr;
    DateTimeFormatDialog* dateTimeFormat_ = nullptr;
    TranslationDialog* translation_ = nullptr;
};

/// Finds an installed document (help/index.html, quickstart.md, ...): in the
/// installed documentation directory, next to the executable's share
/// directory, or in the source tree's docs/. "" when none exists.
QString FindDocument(const QString& relativePath);

} // namespace pv::ui
