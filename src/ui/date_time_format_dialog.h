#pragma once
// frmDateTimeFmt: the format expression of the running window's date/time.
#include "config/config.h"
#include "ui/dialog_base.h"

class QLineEdit;

namespace pv::ui {

class DateTimeFormatDialog : public DialogBase {
    Q_OBJECT
  public:
    explicit DateTimeFormatDialog(Config& config, QWidget* parent = nullptr);

    void Fill();
    void Ok();

    QLineEdit* Format() const { return text1_; }

  private:
    Config& config_;
    QLineEdit* text1_ = nullptr;
};

} // namespace pv::ui
