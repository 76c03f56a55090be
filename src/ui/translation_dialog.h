#pragma once
// TransTbl: picks one of the 256 input codes and what it translates to, in
// the table the caller names: keystroke macros (through GetAKey), the
// character table of the current output mode, or the pre-input table with
// its two keywords (both through the character chart).
#include <functional>

#include "config/config.h"
#include "strings/translation_table.h"
#include "ui/dialog_base.h"

class QTreeWidget;

namespace pv::ui {

class AsciiChartDialog;
class GetAKeyDialog;

class TranslationDialog : public DialogBase {
    Q_OBJECT
  public:
    /// Runs a picker modally; tests answer it without a user.
    using DialogRunner = std::function<int(QDialog*)>;

    TranslationDialog(Config& config, QWidget* parent = nullptr);

    /// Shows `kind` under `caption`, the first code selected.
    void Fill(TranslationKind kind, const QString& caption);
    /// Translate... and a double click: a picker for the selected code.
    void Translate();
    void ResetAll();

    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    QTreeWidget* List() const { return list_; }
    TranslationKind Kind() const { return kind_; }
    AsciiChartDialog* Chart();
    GetAKeyDialog* KeyPicker();

  private:
    void ShowLine(int code);

    Config& config_;
    TranslationKind kind_ = TranslationKind::Keystrokes;
    QTreeWidget* list_;
    DialogRunner runner_;
    AsciiChartDialog* chart_ = nullptr;
    GetAKeyDialog* keyPicker_ = nullptr;
};

} // namespace pv::ui
