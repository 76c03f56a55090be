#pragma once
// A text box bound to a raw byte string. Every key goes through the raw
// field rules and the box is redrawn from the string, so the two never
// disagree; the edits that would bypass the rules (drag and drop, the
// context menu, input-method composition, the X11 middle-button paste) are
// blocked. Control codes show as their control pictures in a monospace font.
#include <QLineEdit>
#include <string>

#include "strings/raw_field.h"

namespace pv::ui {

/// The private clipboard every raw field shares (never the system's).
std::string& RawClipboard();

class RawTextEdit : public QLineEdit {
    Q_OBJECT
  public:
    explicit RawTextEdit(QWidget* parent = nullptr);

    /// Loads a different string (the caret goes to its end).
    void SetRaw(std::string raw);
    const std::string& Raw() const { return field_.Raw(); }

    /// Picked text (the character chart) replaces the selection; the box
    /// takes the focus.
    void InsertPicked(const std::string& picked);

  signals:
    void rawEdited();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void TakeSelection();
    void Redraw();
    void MarkControlCodes();

    RawField field_;
};

} // namespace pv::ui
