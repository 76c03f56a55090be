#pragma once
// The DDE topic dialog: the topic the running window serves, either the
// port name or a text of the user's choice (DDETopicName).
#include "config/config.h"
#include "text/messages.h"
#include "ui/dialog_base.h"

class QLineEdit;
class QRadioButton;

namespace pv::ui {

class DdeTopicDialog : public DialogBase {
    Q_OBJECT
  public:
    DdeTopicDialog(Config& config, MessageSink& messages, QWidget* parent = nullptr);

    void Fill();
    /// Takes the topic over; a blank specified topic is refused.
    void Ok();

    QRadioButton* UsePortName() const { return option1_; }
    QRadioButton* Specify() const { return option2_; }
    QLineEdit* TopicText() const { return text1_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Config& config_;
    MessageSink& messages_;
    QRadioButton* option1_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QLineEdit* text1_ = nullptr;
};

} // namespace pv::ui
