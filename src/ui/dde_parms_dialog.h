#pragma once
// DDEParms: one dialog for three DDE targets, chosen by DDEParmsKind:
// 0 the command target of DDE Server mode, 1 the command source link,
// 2 the output buffer link.
#include <QDialog>

#include "config/config.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace pv::ui {

class DdeParmsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit DdeParmsDialog(Config& config, QWidget* parent = nullptr);

    /// Shows the controls of config.DDEParmsKind, sets the caption (text 1501,
    /// 6004 or 6005) and fills the boxes from the settings of that kind.
    void Fill();
    void Ok();

    QLineEdit* App() const { return app_; }
    QLineEdit* Topic() const { return topic_; }
    QLineEdit* Item() const { return item_; }
    QCheckBox* LinkStatus() const { return linkStatus_; }
    QCheckBox* StripCrLf() const { return stripCrLf_; }

  private:
    Config& config_;
    QLineEdit* app_ = nullptr;
    QLineEdit* topic_ = nullptr;
    QLineEdit* item_ = nullptr;
    QLabel* itemLabel_ = nullptr;
    QLabel* explain1_ = nullptr;
    QLabel* explain2_ = nullptr;
    QCheckBox* linkStatus_ = nullptr;
    QCheckBox* stripCrLf_ = nullptr;
};

} // namespace pv::ui
