#pragma once
// AppSelect: where Send Keystrokes mode types (target window title, the
// program to start when it is not found) and the pause between keystrokes.
#include <functional>

#include "config/config.h"
#include "text/messages.h"
#include "ui/dialog_base.h"

class QLineEdit;

namespace pv::ui {

class AppSelectDialog : public DialogBase {
    Q_OBJECT
  public:
    /// Chooses a program file; "" when cancelled. Replaceable for tests.
    using ProgramChooser = std::function<QString(QWidget* parent)>;

    AppSelectDialog(Config& config, MessageSink& messages, QWidget* parent = nullptr);

    /// The three boxes from KeyTargetTitle, KeyTargetCommand, InterCharDelay.
    void Fill();
    void Ok();
    void Browse();

    void SetProgramChooser(ProgramChooser chooser) { chooser_ = std::move(chooser); }

    QLineEdit* AppName() const { return appName_; }
    QLineEdit* AppCmd() const { return appCmd_; }
    QLineEdit* Delay() const { return delay_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Config& config_;
    MessageSink& messages_;
    QLineEdit* appName_ = nullptr;
    QLineEdit* appCmd_ = nullptr;
    QLineEdit* delay_ = nullptr;
    ProgramChooser chooser_;
};

} // namespace pv::ui
