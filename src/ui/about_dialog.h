#pragma once
// The about box: name, version, licence.
#include "ui/dialog_base.h"

namespace pv::ui {

class AboutDialog : public DialogBase {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

/// The program's version ("3.0.0").
QString ProgramVersion();

} // namespace pv::ui
