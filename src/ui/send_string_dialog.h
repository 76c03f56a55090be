#pragma once
// SendStringForm, the output string editor: the twenty button strings and
// their captions, the acknowledgement, and the timed output. Strings and
// captions are stored as they are typed (there is no Cancel); the interval
// and the timer flags wait for OK.
#include <functional>

#include "config/config.h"
#include "text/messages.h"
#include "ui/dialog_base.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pv::ui {

class AsciiChartDialog;
class RawTextEdit;

class SendStringDialog : public DialogBase {
    Q_OBJECT
  public:
    using DialogRunner = std::function<int(QDialog*)>;
    SendStringDialog(Config& config, MessageSink& messages, QWidget* parent = nullptr);

    /// Loads the settings into the controls, before each showing.
    void Fill();
    /// DoneButton: stores interval and timer flags, or refuses the interval.
    void Done();
    /// The ASCII Chart button: the picked text goes into the last raw field.
    void InsertFromChart();
    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    AsciiChartDialog* Chart();

    QComboBox* StringNames() const { return names_; }
    RawTextEdit* StringText() const { return text_; }
    QLineEdit* Caption() const { return caption_; }
    RawTextEdit* AckString() const { return ack_; }
    RawTextEdit* TimerString() const { return timerString_; }
    QLineEdit* Interval() const { return interval_; }
    QCheckBox* TimerOn() const { return timerOn_; }
    QRadioButton* Action(int k) const { return actions_[k]; }
    QPushButton* ChartButton() const { return chartButton_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowString(int index);
    void StoreCaption();
    void ActionChosen();

    Config& config_;
    MessageSink& messages_;
    DialogRunner runner_;
    AsciiChartDialog* chart_ = nullptr;
    QComboBox* names_;
    RawTextEdit* text_;
    QLineEdit* caption_;
    RawTextEdit* ack_;
    RawTextEdit* timerString_;
    QLabel* timerLabel_;
    QLineEdit* interval_;
    QCheckBox* timerOn_;
    QRadioButton* actions_[3];
    QPushButton* chartButton_ = nullptr;
    int remembered_ = 0;
    int lastRaw_ = 0; // 1 acknowledgement, 2 timer string, 3 button string
};

} // namespace pv::ui
