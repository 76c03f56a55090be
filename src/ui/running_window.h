#pragma once
// The running window: the fields of the last record, the record counter,
// the date and time, the line-signal and output string buttons, the Edit
// and Quit menus and the notification-area icon. It shows what the runtime
// tells it and turns the user's commands into runtime commands; the run
// assembly owns the tick.
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <array>
#include <functional>
#include <string>

#include "config/config.h"
#include "output/dde_interpreter.h"
#include "runtime/interfaces.h"
#include <QList>
#include <QMargins>
#include <QRect>

#include "ui/running_layout.h"

class QAction;
class QLabel;
class QMenu;
class QDialog;
class QSystemTrayIcon;

namespace pv {

class Runtime;

/// A text box the user can read, select and copy from but not change.
/// Only Tab, End, Home, Left, Right, F1 and F4 reach it.
class ReadOnlyBox : public QLineEdit {
    Q_OBJECT
  public:
    /// `item` is the DDE item the box serves ("Field(3)", "DateTime").
    ReadOnlyBox(const QString& item, QWidget* parent);
    QString Item() const { return item_; }

    static bool KeyPasses(int qtKey);

  signals:
    void focused(ReadOnlyBox* box);
    void contextRequested(ReadOnlyBox* box, const QPoint& globalPos);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

  private:
    QString item_;
};

/// A button that acts only when the left mouse button is released over it;
/// the keyboard does not press it.
class PointerButton : public QPushButton {
    Q_OBJECT
  public:
    using QPushButton::QPushButton;
  signals:
    void releasedInside();
    void focused();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
};

/// Where a window whose client area was at `client` goes so that it and
/// its frame (`frame`: the space taken above, left, right and below) lie
/// fully on the nearest of `screens` (available areas).
QRect PlaceOnScreen(QRect client, QMargins frame, const QList<QRect>& screens);

class RunningWindow : public QMainWindow,
                      public RecordDisplay,
                      public RuntimeHost,
                      public CommandWindow {
    Q_OBJECT
  public:
    explicit RunningWindow(Config& config, QWidget* parent = nullptr);
    ~RunningWindow() override;

    /// The runtime this window shows and commands; set before Runtime::Start.
    void Attach(Runtime* runtime);
    /// The command language and the Edit menu's link items (optional).
    void AttachCommands(CommandInterpreter* commands, DdeLinkControl* links);
    /// After Runtime::Start: position, minimised start, top-most, tray icon,
    /// then shows the window.
    void StartUp();

    // --- RecordDisplay ----------------------------------------------------
    void ShowField(int i, const std::string& text) override;
    void ShowRecordNumber(const std::string& text) override;
    void ShowDateTime(const std::string& text) override;

    // --- RuntimeHost ------------------------------------------------------
    void SetCaption(const std::string& caption) override;
    void SuspendChanged(bool suspended) override;
    void TimedOutputMenu(const TimedOutputMenuState& menu) override;
    void Exit() override;
    void EstablishCommandLink() override;
    void EstablishBufferLink() override;
    void RegisterHotKeys() override;
    void MessageBeep(int sound) override;
    /// Before another configuration is loaded: string buttons 2..20 and
    /// field boxes 2..FieldCount go, string button 1 is hidden.
    void BeforeReload() override;
    /// After it was loaded and the runtime started again: lay out anew.
    void AfterReload() override;

    // --- CommandWindow ----------------------------------------------------
    void ShowNormal() override;
    void Minimize() override;

    /// The device the status line names (a path, or the virtual device).
    void SetStatusDevice(const std::string& device);
    /// The device went away (`lost`) or is back: the caption, the status
    /// line and the tray icon say so; `message` is the sentence for the
    /// tray's balloon and tooltip.
    void SetDeviceLost(bool lost, const std::string& message);
    /// The status line under the fields: device, records, destination, state.
    QLabel* StatusLine() const { return status_; }
    QLabel* StateLabel() const { return state_; }
    QMenu* TrayMenu() const { return trayMenu_; }

    /// Runs between the position being stored and the window going away:
    /// the rest of the unload (DDE down, port closed).
    std::function<void()> OnUnload;

    // --- Inspection (tests, screenshots) ----------------------------------
    const RunningLayout& Layout() const { return layout_; }
    ReadOnlyBox* FieldBox(int n) const;
    ReadOnlyBox* RecordNumberBox() const { return recordNumber_; }
    ReadOnlyBox* DateTimeBox() const { return dateTime_; }
    PointerButton* StringButton(int n) const;
    PointerButton* DtrButton() const { return dtrButton_; }
    PointerButton* BreakButton() const { return breakButton_; }
    QAction* EditCopyAction() const { return editCopy_; }
    QAction* SuspendAction() const { return suspendMenu_; }
    QAction* ResumeOneAction() const { return resume1_; }
    QAction* ResetAction() const { return reset_; }
    QAction* TimedOutputAction() const { return tOutCtrl_; }
    QAction* ExitAction() const { return exitMenu_; }
    QMenu* EditMenu() const { return editMenu_; }
    QMenu* QuitMenu() const { return quitMenu_; }
    QSystemTrayIcon* TrayIcon() const { return tray_; }
    /// Pixels of a distance in twips at this window's logical DPI.
    int Px(int twips) const;
    /// Twips of a distance in pixels.
    int Twips(int pixels) const;
    /// The Edit menu's enable rules, applied now (done before it opens).
    void RefreshEditMenu();

  public slots:
    void ToggleSuspend();
    void ResumeForOneRecord();
    void ResetRun();
    void ToggleTimedOutput();
    void QuitRun();
    void ShowAbout();
    void OpenFromTray();
    void EditCopy();

  signals:
    /// The unload is complete; the window is about to be deleted.
    void unloaded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildMenus();
    void BuildControls();
    void PlaceControls();
    void BuildTray();
    void Place(QWidget* w, const TwipRect& r);
    void BoxFocused(ReadOnlyBox* box);
    void ButtonFocused();
    void PopupCopy(ReadOnlyBox* box, const QPoint& globalPos);
    void SetOnTop(bool onTop);
    void Unload();
    void ClearControls();
    void RefreshStatus();
    void FitHeaderTexts();
    void ShowCaption();
    void ShowTrayState();

    Config& config_;
    Runtime* runtime_ = nullptr;
    CommandInterpreter* commands_ = nullptr;
    DdeLinkControl* links_ = nullptr;
    RunningLayout layout_;

    QWidget* central_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QLabel* dateLabel_ = nullptr;
    ReadOnlyBox* recordNumber_ = nullptr;
    ReadOnlyBox* dateTime_ = nullptr;
    std::array<ReadOnlyBox*, kFieldSlots> fields_{};
    std::array<QLabel*, kFieldSlots> fieldLabels_{};
    std::array<PointerButton*, kOutputStrings + 1> stringButtons_{};
    PointerButton* dtrButton_ = nullptr;
    PointerButton* breakButton_ = nullptr;
    ReadOnlyBox* copySource_ = nullptr;

    QMenu* editMenu_ = nullptr;
    QMenu* quitMenu_ = nullptr;
    QAction* editCopy_ = nullptr;
    QAction* ddePaste_ = nullptr;
    QAction* ddeRefresh_ = nullptr;
    QAction* ddeKill_ = nullptr;
    QAction* ddePasteBuffer_ = nullptr;
    QAction* ddeRefreshBuffer_ = nullptr;
    QAction* ddeKillBuffer_ = nullptr;
    QAction* suspendMenu_ = nullptr;
    QAction* resume1_ = nullptr;
    QAction* reset_ = nullptr;
    QAction* tOutCtrl_ = nullptr;
    QAction* exitMenu_ = nullptr;
    QAction* about_ = nullptr;
    QMenu* popEdit_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QAction* traySuspend_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* state_ = nullptr;
    std::string statusDevice_;
    std::string caption_; // the runtime's
    std::string deviceMessage_;
    bool deviceLost_ = false;
    bool suspended_ = false;
    QPointer<QDialog> aboutBox_;

    bool minimized_ = false;
    bool unloaded_ = false;
};

} // namespace pv
