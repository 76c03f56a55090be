#pragma once
// What every modal dialog of the setup side shares: its name and numbered
// caption, a column layout, the OK/Cancel row and the numbered texts applied
// once the controls exist.
#include <QDialog>
#include <functional>

class QDialogButtonBox;
class QLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace pv::ui {

/// A button of the bottom row: control name and text number.
struct DialogButton {
    const char* Name;
    int Text;
};

class DialogBase : public QDialog {
    Q_OBJECT
  protected:
    /// `title` 0 leaves the caption to the dialog.
    DialogBase(QWidget* parent, const char* name, int title);

    /// The dialog's column, top to bottom.
    QVBoxLayout* Column() const { return column_; }
    void Add(QWidget* widget, int stretch = 0);
    void Add(QLayout* layout, int stretch = 0);

    /// The bottom row: OK is the default button and runs `onOk` (accept when
    /// empty); Cancel, when it has a name, rejects. Call after the content.
    QDialogButtonBox* AddOkCancel(DialogButton ok, DialogButton cancel,
                                  std::function<void()> onOk = {});

    /// The numbered texts and the interface font; call last.
    void Finish(int minimumWidth);

  private:
    QVBoxLayout* column_;
};

} // namespace pv::ui
