#pragma once
// The about box: name, version, licence.
#include <QDialog>

namespace pv::ui {

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

/// The program's version ("3.0.0").
QString ProgramVersion();

} // namespace pv::ui
