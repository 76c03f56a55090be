#pragma once
// The two key pickers: GetAKey gives a keystroke macro ("+^{F5}", "{ }",
// "NUL"), GetAKey2 a hot key (code and key text). Both are a key list with
// Shift, Ctrl and Alt boxes; OK, a double click and Cancel clear the boxes.
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "text/key_names.h"
#include "ui/dialog_base.h"

class QCheckBox;
class QListWidget;

namespace pv::ui {

class KeyPickDialog : public DialogBase {
    Q_OBJECT
  public:
    QListWidget* KeyList() const { return list_; }
    QCheckBox* Shift() const { return shift_; }
    QCheckBox* Ctrl() const { return ctrl_; }
    QCheckBox* Alt() const { return alt_; }
    /// "" after Cancel.
    const std::string& Picked() const { return picked_; }

    void Ok();
    void reject() override;

  protected:
    /// `shiftFirst`: the boxes read Shift, Ctrl, Alt (else Alt, Ctrl, Shift).
    KeyPickDialog(QWidget* parent, const char* name, int title, int ok, int cancel,
                  const QStringList& keys, bool shiftFirst);
    /// The result for list row `row` with the modifier bits 1 Shift, 2 Ctrl, 4 Alt.
    virtual void Pick(int row, int modifiers) = 0;

    std::string picked_;

  private:
    void ClearBoxes();

    QListWidget* list_;
    QCheckBox* shift_;
    QCheckBox* ctrl_;
    QCheckBox* alt_;
};

/// GetAKey: the keystroke list of the macro language.
class GetAKeyDialog : public KeyPickDialog {
    Q_OBJECT
  public:
    explicit GetAKeyDialog(QWidget* parent = nullptr);

  private:
    void Pick(int row, int modifiers) override;
    std::vector<std::string> names_;
};

/// GetAKey2: the 100 keys a hot key can use.
class GetAKey2Dialog : public KeyPickDialog {
    Q_OBJECT
  public:
    explicit GetAKey2Dialog(QWidget* parent = nullptr);
    /// Modifier bits × 256 + virtual-key code of the last pick.
    int16_t PickedCode() const { return code_; }

  private:
    void Pick(int row, int modifiers) override;
    std::array<std::string, kKeyTableSize> names_;
    std::array<int16_t, kKeyTableSize> codes_{};
    int16_t code_ = 0;
};

} // namespace pv::ui
