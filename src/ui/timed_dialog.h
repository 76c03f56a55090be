#pragma once
// Timed: the minimum time between records (RecordDelayTicks), one step of
// the record definition sequence.
#include <functional>

#include "config/config.h"
#include "text/messages.h"
#include "ui/dialog_base.h"

class QLineEdit;

namespace pv::ui {

class TimedDialog : public DialogBase {
    Q_OBJECT
  public:
    TimedDialog(Config& config, MessageSink& messages, QWidget* parent = nullptr);

    /// Puts RecordDelayTicks into the box (this counts as a change).
    void Fill();
    /// Continue: takes a value of 1..255 over and runs the next step.
    void Ok();

    /// The next step of the sequence (the record structure dialog), run after
    /// an accepted value once this dialog is hidden.
    void SetNextStep(std::function<void()> next) { next_ = std::move(next); }

    QLineEdit* ClockTicks() const { return clockTicks_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Config& config_;
    MessageSink& messages_;
    QLineEdit* clockTicks_ = nullptr;
    std::function<void()> next_;
};

} // namespace pv::ui
