#pragma once
// HotKeyFrm: the 50 hot keys, each a key combination with one of 14
// actions and, for "Transmit String", its raw output string. The dialog
// edits copies; OK stores them all. The key box takes the combination the
// user presses; its button opens the key list, or the character chart while
// the string field has the focus. Entries whose key another program held at
// the last activation are marked.
#include <array>
#include <functional>
#include <string>

#include "config/config.h"
#include "ui/dialog_base.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pv::ui {

class AsciiChartDialog;
class GetAKey2Dialog;
class RawTextEdit;

/// The virtual-key code of a Qt key (0 for none); `keypad` for the number pad.
int VirtualKeyOf(int qtKey, bool keypad);

class HotKeyDialog : public DialogBase {
    Q_OBJECT
  public:
    using DialogRunner = std::function<int(QDialog*)>;
    explicit HotKeyDialog(Config& config, QWidget* parent = nullptr);

    /// Copies the configuration into the working entries and selects entry 1.
    void Fill();
    void SelectEntry(int n);
    /// OK: every working entry goes into the configuration.
    void Ok();
    /// KeyListButton: the key list or the character chart, by its caption.
    void KeyListPressed();
    void SetDialogRunner(DialogRunner runner) { runner_ = std::move(runner); }
    GetAKey2Dialog* KeyPicker();
    AsciiChartDialog* Chart();

    QListWidget* Entries() const { return entries_; }
    QComboBox* Actions() const { return actions_; }
    QLineEdit* KeyBox() const { return key_; }
    RawTextEdit* StringBox() const { return text_; }
    QPushButton* KeyListButton() const { return keyList_; }
    int16_t WorkingCode(int n) const { return code_[static_cast<size_t>(n)]; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ActionChosen(int index);
    void ShowKey();
    void SetButtonRole(int text);

    Config& config_;
    DialogRunner runner_;
    GetAKey2Dialog* picker_ = nullptr;
    AsciiChartDialog* chart_ = nullptr;
    QListWidget* entries_;
    QComboBox* actions_;
    QLineEdit* key_;
    RawTextEdit* text_;
    QLabel* textLabel_;
    QPushButton* keyList_;
    int selected_ = 0;
    int buttonRole_ = 0; // text number of the button's caption
    HotKeyArray<int16_t> code_{};
    HotKeyArray<int16_t> action_{};
    HotKeyArray<std::string> string_;
};

} // namespace pv::ui
