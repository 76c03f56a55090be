#pragma once
// DDEParms: one dialog for three DDE targets: the command target of DDE
// Server mode, the command source link and the output buffer link.
#include "config/config.h"
#include "ui/dialog_base.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace pv::ui {

enum class DdeParmsKind { CommandTarget = 0, CommandSource = 1, OutputBuffer = 2 };

class DdeParmsDialog : public DialogBase {
    Q_OBJECT
  public:
    explicit DdeParmsDialog(Config& config, QWidget* parent = nullptr);

    /// Shows the controls of `kind`, sets the caption (text 1501, 6004 or
    /// 6005) and fills the boxes from the settings of that kind; OK stores
    /// them there.
    void Fill(DdeParmsKind kind);
    void Ok();
    DdeParmsKind Kind() const { return kind_; }

    QLineEdit* App() const { return app_; }
    QLineEdit* Topic() const { return topic_; }
    QLineEdit* Item() const { return item_; }
    QCheckBox* LinkStatus() const { return linkStatus_; }
    QCheckBox* StripCrLf() const { return stripCrLf_; }

  private:
    Config& config_;
    DdeParmsKind kind_ = DdeParmsKind::CommandTarget;
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
