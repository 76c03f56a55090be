#pragma once
// frmDateTimeFmt: the format expression of the running window's date/time.
#include <QDialog>

#include "config/config.h"

class QLineEdit;

namespace pv::ui {

class DateTimeFormatDialog : public QDialog {
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
